#include "engine/pairtable.h"

#include "engine/index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace varo {

namespace {

constexpr uint64_t kMul1 = 0x9E3779B97F4A7C15ULL;
constexpr uint64_t kMul2 = 0xC2B2AE3D27D4EB4FULL;

uint64_t Rotate(uint64_t value, int bits)
{
    return value << bits | value >> (64 - bits);
}

// Little-endian, whatever the machine's order.
uint64_t Load64(const uint8_t* p)
{
    uint64_t value = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&value, p, sizeof value);
    } else {
        for (int i = 7; i >= 0; --i)
            value = value << 8 | p[i];
    }
    return value;
}

uint32_t Load32(const uint8_t* p)
{
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// Four independent lanes, so that the multiplications of one step overlap.
uint64_t HashWords(const uint8_t* data, size_t words, uint64_t seed)
{
    uint64_t lanes[4] = {seed ^ kMul1, seed ^ kMul2, Rotate(seed, 17) ^ kMul1, Rotate(seed, 41) ^ kMul2};
    size_t i = 0;
    for (; i + 4 <= words; i += 4)
        for (size_t lane = 0; lane < 4; ++lane)
            lanes[lane] = Rotate(lanes[lane] ^ Load64(data + (i + lane) * 8) * kMul1, 31) * kMul2;
    for (; i < words; ++i)
        lanes[0] = Rotate(lanes[0] ^ Load64(data + i * 8) * kMul1, 31) * kMul2;
    return Rotate(lanes[0], 1) ^ Rotate(lanes[1], 7) ^ Rotate(lanes[2], 12) ^ Rotate(lanes[3], 18);
}

uint64_t Mix(uint64_t h)
{
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ULL;
    h ^= h >> 33;
    return h;
}

// A LEB128 number (at most five bytes) from [p, end); false when it is cut off or too long.
bool ReadVarint(const uint8_t*& p, const uint8_t* end, uint32_t& value)
{
    uint64_t result = 0;
    for (int shift = 0; shift <= 28; shift += 7) {
        if (p == end)
            return false;
        const uint8_t byte = *p++;
        result |= uint64_t{byte & 0x7Fu} << shift;
        if ((byte & 0x80) == 0) {
            if (result > UINT32_MAX)
                return false;
            value = static_cast<uint32_t>(result);
            return true;
        }
    }
    return false;
}

}  // namespace

uint64_t PairFileHash(const uint8_t* data, size_t size, uint64_t seed)
{
    uint64_t h = HashWords(data, size / 8, seed) ^ (uint64_t{size} * kMul2);
    uint64_t tail = 0;
    for (size_t i = size & ~size_t{7}; i < size; ++i)
        tail = tail << 8 | data[i];
    return Mix(h ^ Mix(tail + kMul1));
}

uint64_t PostingSampleHash(const uint8_t* data, size_t size)
{
    constexpr size_t kHead = 64 << 10;
    constexpr size_t kSample = 4096;
    constexpr size_t kSamples = 16;
    uint64_t h = PairFileHash(data, std::min(size, kHead), size);
    if (size > kSample)
        for (size_t i = 0; i < kSamples; ++i) {
            const size_t offset = (size - kSample) / kSamples * i;
            h = PairFileHash(data + offset, kSample, h);
        }
    return PairFileHash(data + (size - std::min(size, kSample)), std::min(size, kSample), h);
}

uint64_t IndexFingerprint::HeaderHash()
{
    if (!m_headerHash)
        m_headerHash = PairFileHash(m_header.data(), m_header.size());
    return *m_headerHash;
}

uint64_t IndexFingerprint::PostingsHash()
{
    if (!m_postingsHash)
        m_postingsHash = PostingSampleHash(m_postings.data(), m_postings.size());
    return *m_postingsHash;
}

bool PairTable::Attach(std::span<const uint8_t> file, IndexFingerprint& index, uint32_t gap)
{
    Clear();
    const uint8_t* p = file.data();
    const uint64_t size = file.size();
    if (size < kPairHeaderSize || std::memcmp(p, kPairMagic, sizeof kPairMagic) != 0)
        return false;
    const uint32_t rareLimit = Load32(p + 12);
    const uint64_t rowTable = Load64(p + 56);
    const uint32_t rowCount = Load32(p + 64);
    if (Load32(p + 8) != kPairVersion || rareLimit == 0 || rareLimit > kMaxRareLimit || Load64(p + 16) != size ||
        rowCount > SLOT_COUNT || Load32(p + 68) != gap || rowTable < kPairHeaderSize || rowTable > size ||
        size - rowTable != uint64_t{rowCount} * kPairRowRecordSize)
        return false;
    const uint64_t tableHash = PairFileHash(p + rowTable, static_cast<size_t>(size - rowTable), PairFileHash(p, 72));
    if (Load64(p + 72) != tableHash)
        return false;
    // Belongs to these index files: their sizes first, so a stale file costs no hashing.
    if (Load64(p + 24) != index.HeaderSize() || Load64(p + 40) != index.PostingsSize() || index.PostingsSize() == 0 ||
        Load64(p + 32) != index.HeaderHash() || Load64(p + 48) != index.PostingsHash())
        return false;
    m_file = file;
    m_rowTable = rowTable;
    m_rowCount = rowCount;
    if (!RecordsAscend()) {
        Clear();
        return false;
    }
    m_rareLimit = rareLimit;
    m_rowState.assign(rowCount, kRowUnchecked);
    return true;
}

void PairTable::Clear()
{
    m_file = {};
    m_rowTable = 0;
    m_rowCount = 0;
    m_rareLimit = 0;
    m_rowState = {};
}

// The records' first slots ascend below the slot count, so that a slot's record can be found
// by halving.
bool PairTable::RecordsAscend() const
{
    for (uint32_t record = 0; record < m_rowCount; ++record) {
        const uint32_t a = Load32(Record(record));
        if (a >= SLOT_COUNT || (record > 0 && a <= Load32(Record(record - 1))))
            return false;
    }
    return true;
}

const uint8_t* PairTable::Record(uint32_t record) const
{
    return m_file.data() + m_rowTable + uint64_t{record} * kPairRowRecordSize;
}

uint32_t PairTable::RecordOf(uint32_t a) const
{
    uint32_t low = 0;
    uint32_t high = m_rowCount;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (Load32(Record(middle)) < a)
            low = middle + 1;
        else
            high = middle;
    }
    return low < m_rowCount && Load32(Record(low)) == a ? low : m_rowCount;
}

PairTable::Row PairTable::RowOf(uint32_t record) const
{
    const uint8_t* bytes = Record(record);
    return {Load64(bytes + 8), Load32(bytes + 4), Load32(bytes + 16)};
}

// A row is sound when it has entries, lies between the header and the row table, its bytes
// give its hash, its second slots ascend below the slot count and each list offset lies inside
// its lists.
bool PairTable::CheckRow(uint32_t record, const Row& row) const
{
    const uint64_t entryBytes = uint64_t{row.entries} * 8;
    if (row.entries == 0 || Load32(Record(record) + 20) != 0 || row.offset < kPairHeaderSize ||
        row.offset > m_rowTable || entryBytes + row.listBytes > m_rowTable - row.offset)
        return false;
    const uint8_t* bytes = m_file.data() + row.offset;
    if (PairFileHash(bytes, static_cast<size_t>(entryBytes + row.listBytes)) != Load64(Record(record) + 24))
        return false;
    for (uint32_t i = 0; i < row.entries; ++i) {
        const uint32_t b = Load32(bytes + i * uint64_t{8});
        const uint32_t list = Load32(bytes + i * uint64_t{8} + 4);
        if (b >= SLOT_COUNT || (i > 0 && b <= Load32(bytes + (i - 1) * uint64_t{8})) ||
            (list != kFrequentPair && list >= row.listBytes))
            return false;
    }
    return true;
}

PairTable::Lookup PairTable::Find(uint32_t a, uint32_t b, PageList& list)
{
    list = {};
    if (!IsUsable() || a >= SLOT_COUNT || b >= SLOT_COUNT)
        return Lookup::Unknown;
    const uint32_t record = RecordOf(a);
    if (record == m_rowCount)
        return Lookup::Absent;
    const Row row = RowOf(record);
    if (m_rowState[record] == kRowUnchecked)
        m_rowState[record] = CheckRow(record, row) ? kRowSound : kRowUnsound;
    if (m_rowState[record] != kRowSound)
        return Lookup::Unknown;

    const uint8_t* entries = m_file.data() + row.offset;
    uint32_t low = 0;
    uint32_t high = row.entries;
    while (low < high) {
        const uint32_t middle = low + (high - low) / 2;
        if (Load32(entries + middle * uint64_t{8}) < b)
            low = middle + 1;
        else
            high = middle;
    }
    if (low == row.entries || Load32(entries + low * uint64_t{8}) != b)
        return Lookup::Absent;
    const uint32_t offset = Load32(entries + low * uint64_t{8} + 4);
    if (offset == kFrequentPair)
        return Lookup::Frequent;
    const uint8_t* p = entries + uint64_t{row.entries} * 8 + offset;
    const uint8_t* end = p + (row.listBytes - offset);
    // Each page takes a byte at least: a count beyond the bytes left is damage.
    uint32_t count = 0;
    if (!ReadVarint(p, end, count) || count == 0 || count >= m_rareLimit || count > static_cast<size_t>(end - p))
        return Lookup::Unknown;
    list = {p, static_cast<size_t>(end - p), count};
    return Lookup::Rare;
}

namespace {

// A page list's pages one by one, each checked: a LEB128 difference within the list's bytes,
// above the page before, inside the 32-bit range.
class ListedPages {
public:
    explicit ListedPages(const PairTable::PageList& list)
        : m_p(list.bytes), m_end(list.bytes + list.size), m_left(list.count)
    {}
    /// False once the list is used up or found unsound; Sound tells which.
    bool Next(uint32_t& page)
    {
        if (m_left == 0)
            return false;
        uint32_t delta = 0;
        if (!ReadVarint(m_p, m_end, delta) || (m_started && delta == 0) || m_page + delta > UINT32_MAX) {
            m_unsound = true;
            return false;
        }
        m_page += delta;
        m_started = true;
        --m_left;
        page = static_cast<uint32_t>(m_page);
        return true;
    }
    bool Sound() const { return !m_unsound; }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
    uint32_t m_left;
    uint64_t m_page = 0;
    bool m_started = false;
    bool m_unsound = false;
};

}  // namespace

bool PairTable::Decode(const PageList& list, std::vector<uint32_t>& pages)
{
    pages.clear();
    pages.reserve(list.count);
    ListedPages listed(list);
    for (uint32_t page = 0; listed.Next(page);)
        pages.push_back(page);
    return listed.Sound();
}

bool PairTable::KeepListed(const PageList& list, std::vector<uint32_t>& pages, std::vector<uint32_t>& kept)
{
    kept.clear();
    ListedPages listed(list);
    size_t next = 0;  // pages below it lie below the list's current page
    for (uint32_t page = 0; listed.Next(page);) {
        while (next < pages.size() && pages[next] < page)
            ++next;
        if (next < pages.size() && pages[next] == page)
            kept.push_back(pages[next++]);
    }
    if (!listed.Sound())
        return false;
    std::swap(pages, kept);
    return true;
}

}  // namespace varo
