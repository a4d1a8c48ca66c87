#pragma once
// The pair file "-idx.pairs" beside an index: for every two slots whose streams hold adjacent
// positions on some page (slot a at position p, slot b at p + 1), that the pair occurs, and for
// the rare pairs the pages it occurs on. A phrase needs each two neighbouring characters on
// adjacent positions, so a pair that never occurs proves the phrase absent, and a rare pair's
// pages are a superset of the pages the phrase can match. The file is an accelerator only: the
// index files answer every query without it, and the search uses it only when it belongs to
// them and reads as sound; otherwise it is ignored.
//
// Layout (little-endian):
//   header, kPairHeaderSize bytes:
//     0 "VAROPAIR"   8 u32 version   12 u32 rare limit (pages of the pairs that keep a list are
//     below it)   16 u64 file size   24 u64 size of -idx.h   32 u64 hash of -idx.h
//     40 u64 size of -idx.m   48 u64 hash of samples of -idx.m   56 u64 offset of the row table
//     64 u32 row count   68 u32 gap (positions between a pair's slots: 0 in "-idx.pairs",
//     1 in "-idx.gappairs")   72 u64 hash of bytes 0-71 and the row table
//   rows, one per first slot a with pairs, anywhere between the header and the row table:
//     entries (u32 second slot b, ascending; u32 offset of its page list in the row's lists,
//     or kFrequentPair), then the lists: LEB128 count, then the first page and the differences
//     to each next page as LEB128
//   row table at its offset, up to the end of the file: one record per row, ascending by first
//     slot: u32 first slot a, u32 entry count, u64 row offset, u32 list bytes, u32 0, u64 hash
//     of the row's bytes. A slot without a record has no pairs.
//
// Checking: at open the sizes, the hash of the index header (1.4 to 10 MB, every stream's first
// block, last page and block chain) and of samples of the posting file, the file's own size
// and the hash of its header and row table; a row's hash and order the first time a search
// reads the row. The posting file is hashed in samples, not whole: hashing hundreds of
// megabytes at every open would cost more than the file saves.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varo {

inline constexpr char kPairMagic[8] = {'V', 'A', 'R', 'O', 'P', 'A', 'I', 'R'};
inline constexpr uint32_t kPairVersion = 1;
inline constexpr size_t kPairHeaderSize = 80;
inline constexpr size_t kPairRowRecordSize = 32;
inline constexpr uint32_t kFrequentPair = 0xFFFFFFFF;
/// Largest rare limit a pair file may claim: bounds the pages one list decodes to.
inline constexpr uint32_t kMaxRareLimit = uint32_t{1} << 20;
/// Largest gap a pair file may hold: neighbours (0) and slots with one position between (1).
inline constexpr uint32_t kMaxPairGap = 1;

/// What follows an index's stem in the name of its pair file of a gap: "-idx.pairs" for
/// neighbours, "-idx.gappairs" for slots one apart.
inline std::string_view PairFileEnd(uint32_t gap)
{
    return gap == 0 ? "-idx.pairs" : "-idx.gappairs";
}

/// A 64-bit hash of bytes (not cryptographic: it tells a changed file, not a forged one).
uint64_t PairFileHash(const uint8_t* data, size_t size, uint64_t seed = 0);
/// The hash of a posting file's samples: its first 64 KiB, 16 blocks of 4 KiB spread evenly
/// over it and its last 4 KiB, each folded into the next.
uint64_t PostingSampleHash(const uint8_t* data, size_t size);

/// The index files a pair file must belong to: their sizes, and their hashes, computed when
/// first asked and kept, so that checking several pair files against one index hashes it once
/// and a pair file of another size costs no hashing at all.
class IndexFingerprint {
public:
    IndexFingerprint(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings)
        : m_header(indexHeader), m_postings(postings)
    {}
    uint64_t HeaderSize() const { return m_header.size(); }
    uint64_t PostingsSize() const { return m_postings.size(); }
    uint64_t HeaderHash();
    uint64_t PostingsHash();

private:
    std::span<const uint8_t> m_header;
    std::span<const uint8_t> m_postings;
    std::optional<uint64_t> m_headerHash;
    std::optional<uint64_t> m_postingsHash;
};

/// A pair file mapped and checked against the index files it must belong to.
class PairTable {
public:
    enum class Lookup {
        Unknown,   // no usable table (or an unsound row): nothing is proven
        Absent,    // the pair occurs on no page
        Frequent,  // it occurs, on too many pages to list
        Rare,      // it occurs on the pages given
    };

    /// Takes the mapped bytes of a pair file (which must outlive the table, or be empty) when
    /// they belong to the index files given and hold pairs of the gap asked for; false, and an
    /// empty table, otherwise.
    bool Attach(std::span<const uint8_t> file, IndexFingerprint& index, uint32_t gap);
    void Clear();
    bool IsUsable() const { return !m_file.empty(); }

    /// A rare pair's page list, found but not decoded yet: its pages (1 to the rare limit less
    /// one) and the bytes that follow its count.
    struct PageList {
        const uint8_t* bytes = nullptr;
        size_t size = 0;
        uint32_t count = 0;
    };

    /// What the table says of slot a followed by slot b with the table's gap of positions
    /// between them; for a rare pair, list receives where its pages are.
    Lookup Find(uint32_t a, uint32_t b, PageList& list);
    /// The pages of a list, ascending; false (an unsound list, which proves nothing) when they
    /// are cut off or out of order.
    static bool Decode(const PageList& list, std::vector<uint32_t>& pages);
    /// Keeps of pages (ascending) those the list holds, decoding it as it goes into kept (which
    /// is then swapped with pages); false, and pages as they were, when the list is unsound.
    static bool KeepListed(const PageList& list, std::vector<uint32_t>& pages, std::vector<uint32_t>& kept);

private:
    struct Row {
        uint64_t offset = 0;
        uint32_t entries = 0;
        uint32_t listBytes = 0;
    };
    enum : uint8_t { kRowUnchecked = 0, kRowSound = 1, kRowUnsound = 2 };

    bool RecordsAscend() const;
    const uint8_t* Record(uint32_t record) const;
    /// The record of first slot a, or m_rowCount when a has no pairs.
    uint32_t RecordOf(uint32_t a) const;
    Row RowOf(uint32_t record) const;
    bool CheckRow(uint32_t record, const Row& row) const;

    std::span<const uint8_t> m_file;
    uint64_t m_rowTable = 0;
    uint32_t m_rowCount = 0;
    uint32_t m_rareLimit = 0;
    std::vector<uint8_t> m_rowState;
};

}  // namespace varo
