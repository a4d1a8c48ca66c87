#pragma once
// One text set opened for searching: the index header tables in memory, the posting file
// mapped, the text store, the variant-character table and the hit set of the last search.

#include "engine/messagesink.h"
#include "platform/mappedfile.h"
#include "store/filelist.h"
#include "store/hitpositions.h"

#include <cstdint>
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
    /// Members of the first group with a member whose low 16 bits equal unit, or {unit}.
    std::vector<uint32_t> GetVariants(char16_t unit) const;
    /// Every variant form of the query, odometer order with the first position turning slowest.
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

    /// Number of 4096-byte blocks the posting file holds (a last partial block counts); every
    /// block number read from the header tables is checked against it.
    uint32_t PostingBlockCount() const { return m_postingBlocks; }

    CFileList m_fileList;
    CDWordArray m_blockChain;
    std::vector<uint8_t> m_aux2;
    std::vector<uint8_t> m_aux1;
    CDWordArray m_firstBlock;
    CDWordArray m_lastPage;
    MappedFile m_postings;
    uint32_t m_chainLength = 0;
    CDWordArray m_hitPages;
    CDWordArray m_hitCounts;
    uint32_t m_hitPageCount = 0;
    std::vector<std::vector<uint32_t>> m_variantGroups;

private:
    bool LoadHeader(const std::u16string& path);
    void ClearHitSet();
    void Fail(IndexError error);

    IMessageSink* m_messages = nullptr;
    IndexError m_lastError = IndexError::None;
    uint32_t m_postingBlocks = 0;
    // Code point -> number of the first group that lists it; built when the table loads.
    std::unordered_map<uint32_t, uint32_t> m_variantGroupOf;
    // Low 16 bits of a member -> number of the first group with such a member.
    std::unordered_map<char16_t, uint32_t> m_variantGroupOfUnit;
};

}  // namespace varo
