#pragma once
// One text set opened for searching: the index header and the posting file mapped, the text
// store, the variant-character table and the hit set of the last search.

#include "engine/messagesink.h"
#include "engine/pairtable.h"
#include "engine/skipdirectory.h"
#include "platform/mappedfile.h"
#include "store/filelist.h"
#include "store/hitpositions.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace varo {

using CDWordArray = std::vector<uint32_t>;

/// Index kinds: which part of each page the index covers. The file names carry no suffix,
/// "_desc" and "_content" respectively.
enum IndexKind : int {
    INDEX_FULL_TEXT = 0,
    INDEX_ANNOTATIONS = 1,
    INDEX_MAIN_TEXT = 2,
};

/// Modes of merging one term's pages into the hit set.
enum SearchMode : int {
    SEARCH_REPLACE = 0,
    SEARCH_UNION = 1,
    SEARCH_INTERSECT = 2,
};

inline constexpr uint32_t SLOT_COUNT = 100000;
inline constexpr uint32_t VARIANT_SLOT_BASE = 88065;
inline constexpr uint32_t kMaxVariantGroups = SLOT_COUNT - VARIANT_SLOT_BASE;  // 11,935
inline constexpr uint32_t kNoBlock = 0xFFFFFFFF;
inline constexpr uint32_t kBlockSize = 4096;

/// Index header file layout: five regions of little-endian u32 words.
inline constexpr uint32_t kFirstBlockOffset = 0;
inline constexpr uint32_t kAux1Offset = 400000;
inline constexpr uint32_t kAux1Size = 200000;
inline constexpr uint32_t kAux2Offset = 600000;
inline constexpr uint32_t kAux2Size = 400000;
inline constexpr uint32_t kLastPageOffset = 1000000;
inline constexpr uint32_t kChainOffset = 1400000;

/// A table of little-endian u32 words read in place from the mapped header.
class HeaderWords {
public:
    HeaderWords() = default;
    HeaderWords(const uint8_t* bytes, size_t count) : m_bytes(bytes), m_count(count) {}

    uint32_t operator[](size_t i) const
    {
        const uint8_t* p = m_bytes + i * 4;
        return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
    }
    size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

private:
    const uint8_t* m_bytes = nullptr;
    size_t m_count = 0;
};

/// The message shown whenever a text set cannot be opened.
inline constexpr char16_t kOpenFailedMessage[] = u"データを開けませんでした。";

/// Why the last Open failed (for tests; the user sees the one message).
enum class IndexError {
    None,
    HeaderMissing,
    HeaderTooShort,
    PostingsUnmappable,
    StoreFailed,
};

class CIndex {
public:
    CIndex();
    virtual ~CIndex();
    CIndex(const CIndex&) = delete;
    CIndex& operator=(const CIndex&) = delete;

    /// Where Open reports failure; none means silent.
    void SetMessageSink(IMessageSink* sink) { m_messages = sink; }

    /// Opens folder/name[-suffix]-idx.h and -idx.m of the kind, the text store folder/name and
    /// the variant table folder/yitizi.txt. On failure shows "データを開けませんでした。" once,
    /// releases everything and returns false.
    bool Open(const std::u16string& folder, const std::u16string& name, int kind);
    void Close();
    bool IsOpen() const { return m_postings.IsMapped(); }
    IndexError LastError() const { return m_lastError; }

    /// The index slot of a code point, or -1 when the index does not know it.
    ///   0x3400 => 0, 0xF900 => 27904, 0x20000 => 32512, 0x3042 => 75776, 0x3000 => -1
    static int GetCharSlot(uint32_t codePoint);

    // Variant-character table (file yitizi.txt).
    void LoadVariantTable(const std::u16string& folder);
    /// The slot of the first group that lists the code point; false (slot unchanged) when it is
    /// in no group or its group lies beyond the last slot the index files have.
    bool FindVariantSlot(uint32_t codePoint, uint32_t& slot) const;
    /// The forms of a character: the members of the first group that lists the code point (all
    /// 32 bits compared, as the search compares them), in table order, or {codePoint} when no
    /// group lists it. Members above U+10FFFF are no character and are left out.
    ///   0x5E72 with the group {0x4E7E, 0x5E72} => {0x4E7E, 0x5E72};  0x4E59 with {0x24E59} => {0x4E59}
    std::vector<uint32_t> GetVariants(uint32_t codePoint) const;
    /// Every variant form of the query, odometer order with the first position turning slowest.
    /// A position is a character of the query (a surrogate pair is one), and each form writes
    /// every chosen member whole (as a surrogate pair above U+FFFF).
    void ExpandVariantForms(std::u16string_view query, std::vector<std::u16string>& forms) const;

    // Searching (results in the hit set).
    /// Merges the pages (and hit counts) of one term into the hit set by mode; returns the
    /// number of pages then in it, or 0 when the term yields no search. '?' and '？' stand for
    /// one character, '*' for 0 to 300. Terms of any length are searched whole. On a closed
    /// index the hit set is emptied and the result is 0.
    ///   "中?國" finds 中X國;  "中*國" finds 國 0 to 300 characters after 中
    uint32_t SearchTerm(std::u16string_view term, int mode, bool countHits, bool useVariants);
    /// The number of terms (separated by U+0020 or U+3000), or 0 when the query is empty or
    /// holds a unit below U+0100 other than the blank, '*' and '?'.
    static int CheckQuery(std::u16string_view query);
    /// The pages every term hits, ascending (And), or any term hits, in order of discovery (Or).
    /// Writes U+3000 over every U+0020 of the query; a rejected query changes nothing.
    int SearchAnd(std::u16string& query, bool countHits, bool useVariants);
    int SearchOr(std::u16string& query, bool countHits, bool useVariants);
    const CDWordArray& GetHitPages() const { return m_hitPages; }
    const CDWordArray& GetHitCounts() const { return m_hitCounts; }

    /// The page rendered with the query's hits highlighted (variant forms too, with
    /// useVariants); returns the number of anchors written. complete, when given, tells
    /// whether every term was highlighted: a render stops at its budget of work and leaves the
    /// terms after that point plain (CFileList::RenderPage, RenderVariantPage).
    int RenderResultPage(uint32_t page, std::string& output, std::u16string_view query, int target, bool useVariants,
                         bool* complete = nullptr) const;
    /// Every hit of the page rendered as RenderResultPage renders it, in anchor order, with its
    /// place in the text of the highlighted cell: one hit per match of a term, a '*' match
    /// spanning its pieces. False (no hits) for a query CheckQuery refuses or a page the store
    /// cannot read.
    bool LocateHits(uint32_t page, std::u16string_view query, int target, bool useVariants, PageHitsTag& hits) const;

    // The text store, passed through.
    uint32_t GetHeaderWord() const { return m_fileList.m_headerWord; }
    bool FindPage(uint32_t first, int label, int64_t& record, uint64_t maxRecords = UINT64_MAX) const
    {
        return m_fileList.FindPage(first, label, record, maxRecords);
    }
    bool GetTextLength(uint32_t record, uint32_t& length) const { return m_fileList.GetTextLength(record, length); }
    bool ReadText(uint32_t record, std::string& text) const { return m_fileList.ReadText(record, text); }
    const CFileList& FileList() const { return m_fileList; }

    /// Whether the pair file of the gap given (0: "-idx.pairs", 1: "-idx.gappairs") beside the
    /// index files was found sound and belonging to them, so that phrases are narrowed by it (an
    /// index without one searches the same, only slower).
    bool HasPairTable(uint32_t gap = 0) const { return gap <= kMaxPairGap && m_pairs[gap].IsUsable(); }
    /// The open index files' sizes, to be hashed when first asked.
    IndexFingerprint Fingerprint() const;
    /// Uses the pair file bytes given in place of the file of that gap beside the index, when
    /// they belong to the index files of the fingerprint (which must be this open index's) and
    /// hold pairs of that gap; empty bytes leave that gap's pair file aside. The bytes must stay
    /// until the next call for the gap or Close. For tests and fuzzers, which try many pair
    /// files against one index: a fingerprint kept between calls hashes the index files once.
    bool UsePairFile(std::span<const uint8_t> bytes, IndexFingerprint& fingerprint, uint32_t gap = 0);

    /// Number of 4096-byte blocks the posting file holds (a last partial block counts); every
    /// block number read from the header tables is checked against it.
    uint32_t PostingBlockCount() const { return m_postingBlocks; }

    CFileList m_fileList;
    CDWordArray m_blockChain;
    // The four fixed tables, views into m_header (empty while closed).
    std::span<const uint8_t> m_aux2;
    std::span<const uint8_t> m_aux1;
    HeaderWords m_firstBlock;
    HeaderWords m_lastPage;
    MappedFile m_header;
    MappedFile m_postings;
    uint32_t m_chainLength = 0;
    CDWordArray m_hitPages;
    CDWordArray m_hitCounts;
    uint32_t m_hitPageCount = 0;
    std::vector<std::vector<uint32_t>> m_variantGroups;

    /// The skip directory of a slot's stream, built on first use and kept while the index is
    /// open. The directories of all slots together stay within kSkipDirectoryBudget bytes:
    /// past it the kept ones are dropped before the next is built, which is why a caller
    /// takes all the directories one search needs with one call.
    std::vector<const SkipDirectory*> SkipDirectoriesOf(const std::vector<uint32_t>& slots);
    static constexpr size_t kSkipDirectoryBudget = size_t{64} << 20;

private:
    /// The mapped posting file and its chain as the cursors read them.
    PostingFile Postings() const;
    bool LoadHeader(const std::u16string& path);
    void AttachPairTables(const std::u16string& stem);
    void ClearHitSet();
    void Fail(IndexError error);

    IMessageSink* m_messages = nullptr;
    IndexError m_lastError = IndexError::None;
    uint32_t m_postingBlocks = 0;
    // Code point -> number of the first group that lists it; built when the table loads.
    std::unordered_map<uint32_t, uint32_t> m_variantGroupOf;
    // Slot -> its stream's skip directory, and the bytes all of them take.
    std::unordered_map<uint32_t, SkipDirectory> m_skipDirectories;
    size_t m_skipDirectoryBytes = 0;
    // A term's pages and counts and the merge's positions of them in the hit set, kept from
    // search to search: a hit set of a million pages built in fresh memory each time costs
    // more in page faults than the merge itself.
    CDWordArray m_termPages;
    CDWordArray m_termCounts;
    std::vector<uint32_t> m_located;
    // The optional pair files, by gap, and what they say when they belong to the index files.
    std::array<MappedFile, kMaxPairGap + 1> m_pairFiles;
    std::array<PairTable, kMaxPairGap + 1> m_pairs;
};

}  // namespace varo
