#include "tools/writer/pairfilewriter.h"

#include "engine/index.h"
#include "engine/pairtable.h"
#include "engine/postingcursor.h"
#include "platform/mappedfile.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <vector>

namespace varo::writer {

namespace fs = std::filesystem;

namespace {

// A pair and a page packed into one word, so that sorting the words orders them by first slot,
// second slot and page: 17 bits each slot, 30 bits the page.
constexpr int kPageBits = 30;
constexpr int kSlotBits = 17;
constexpr uint64_t kPageMask = (uint64_t{1} << kPageBits) - 1;
constexpr uint64_t kSlotMask = (uint64_t{1} << kSlotBits) - 1;
static_assert(SLOT_COUNT <= (uint32_t{1} << kSlotBits));

uint64_t PackPair(uint32_t a, uint32_t b, uint32_t page)
{
    return uint64_t{a} << (kSlotBits + kPageBits) | uint64_t{b} << kPageBits | page;
}
uint32_t FirstSlot(uint64_t word)
{
    return static_cast<uint32_t>(word >> (kSlotBits + kPageBits));
}
uint32_t SecondSlot(uint64_t word)
{
    return static_cast<uint32_t>(word >> kPageBits & kSlotMask);
}
uint32_t PageOf(uint64_t word)
{
    return static_cast<uint32_t>(word & kPageMask);
}

void AppendU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}
void AppendU64(std::string& out, uint64_t value)
{
    for (int i = 0; i < 8; ++i)
        out += static_cast<char>(value >> (8 * i) & 0xFF);
}
void AppendVarint(std::string& out, uint32_t value)
{
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

// Where the file's bytes go: appended in order, and the header written over at the end.
class PairSink {
public:
    virtual ~PairSink() = default;
    virtual bool Append(const std::string& bytes) = 0;
    virtual bool WriteHeader(const std::string& header) = 0;
};

class StringSink : public PairSink {
public:
    explicit StringSink(std::string& image) : m_image(image) { m_image.clear(); }
    bool Append(const std::string& bytes) override
    {
        m_image += bytes;
        return true;
    }
    bool WriteHeader(const std::string& header) override
    {
        m_image.replace(0, header.size(), header);
        return true;
    }

private:
    std::string& m_image;
};

class FileSink : public PairSink {
public:
    explicit FileSink(const fs::path& path) : m_out(path, std::ios::binary | std::ios::trunc) {}
    bool Append(const std::string& bytes) override
    {
        m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(m_out);
    }
    bool WriteHeader(const std::string& header) override
    {
        m_out.seekp(0);
        m_out.write(header.data(), static_cast<std::streamsize>(header.size()));
        m_out.flush();
        return static_cast<bool>(m_out);
    }
    bool Good() const { return static_cast<bool>(m_out); }

private:
    std::ofstream m_out;
};

// One slot's occurrence on a page.
struct Occurrence {
    uint64_t place;  // page << 32 | position
    uint32_t slot;
    bool operator<(const Occurrence& other) const
    {
        return place != other.place ? place < other.place : slot < other.slot;
    }
};

class PairCollector {
public:
    PairCollector(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings,
                  const PairFileOptions& options)
        : m_header(indexHeader), m_options(options)
    {
        const uint64_t chainWords = (indexHeader.size() - kChainOffset) / 4;
        m_chain.resize(static_cast<size_t>(std::min<uint64_t>(chainWords, UINT32_MAX)));
        const HeaderWords chain(indexHeader.data() + kChainOffset, m_chain.size());
        for (size_t i = 0; i < m_chain.size(); ++i)
            m_chain[i] = chain[i];
        m_file = {postings.data(), postings.size(), m_chain.data(), static_cast<uint32_t>(m_chain.size()),
                  static_cast<uint32_t>((postings.size() + kBlockSize - 1) / kBlockSize)};
        const HeaderWords firstBlock(indexHeader.data() + kFirstBlockOffset, SLOT_COUNT);
        for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot)
            if (firstBlock[slot] != kNoBlock)
                m_slots.push_back(slot);
        m_capacity = std::max<size_t>(options.memoryBudget, 4096) / sizeof(uint64_t);
    }

    std::string Write(PairSink& sink, const std::function<void(double)>& progress, PairFileSummary& summary);

private:
    std::string CollectPass(uint32_t first, uint32_t& end);
    std::string TakeWindow(const std::vector<Occurrence>& occurrences, uint32_t first, uint32_t& end);
    std::string Compact(uint32_t first, uint32_t& end);
    std::string WriteRows(PairSink& sink, uint64_t& offset, PairFileSummary& summary);

    std::span<const uint8_t> m_header;
    PairFileOptions m_options;
    std::vector<uint32_t> m_chain;
    PostingFile m_file;
    std::vector<uint32_t> m_slots;  // the slots that have a stream
    size_t m_capacity = 0;          // pairs a pass holds at most
    std::vector<uint64_t> m_pairs;
    std::vector<std::array<uint64_t, 3>> m_rows = std::vector<std::array<uint64_t, 3>>(SLOT_COUNT);
};

// Reads every stream once, in windows of pages, and keeps the pairs whose first slot lies in
// [first, end); end comes down when the pairs outgrow the budget.
std::string PairCollector::CollectPass(uint32_t first, uint32_t& end)
{
    std::vector<PostingCursor> cursors;
    cursors.reserve(m_slots.size());
    std::vector<uint8_t> live;
    const HeaderWords firstBlock(m_header.data() + kFirstBlockOffset, SLOT_COUNT);
    const HeaderWords lastPage(m_header.data() + kLastPageOffset, SLOT_COUNT);
    for (uint32_t slot : m_slots) {
        cursors.emplace_back(m_file, firstBlock[slot], lastPage[slot]);
        live.push_back(cursors.back().NextEntry() ? 1 : 0);
    }
    // The window grows while it holds few occurrences and shrinks when it holds many, so a
    // window's occurrences stay within a few million whatever the pages hold.
    constexpr size_t kFewOccurrences = size_t{1} << 20;
    constexpr size_t kManyOccurrences = size_t{4} << 20;
    uint64_t window = 64;
    std::vector<Occurrence> occurrences;
    while (true) {
        uint64_t start = UINT64_MAX;
        for (size_t i = 0; i < cursors.size(); ++i)
            if (live[i] != 0)
                start = std::min<uint64_t>(start, cursors[i].Page());
        if (start == UINT64_MAX)
            break;
        const uint64_t stop = start + window;
        occurrences.clear();
        for (size_t i = 0; i < cursors.size(); ++i) {
            PostingCursor& cursor = cursors[i];
            while (live[i] != 0 && cursor.Page() < stop) {
                if (cursor.Page() > kPageMask)
                    return "page numbers beyond 2^30 cannot be listed";
                uint64_t position = 0;
                uint32_t value = 0;
                for (bool firstPosition = true; cursor.NextPosition(value); firstPosition = false) {
                    position = firstPosition ? value : position + value;
                    if (position > UINT32_MAX)
                        return "positions beyond 2^32 cannot be paired";
                    occurrences.push_back({uint64_t{cursor.Page()} << 32 | position, m_slots[i]});
                }
                live[i] = cursor.NextEntry() ? 1 : 0;
            }
        }
        if (occurrences.size() > kManyOccurrences && window > 1)
            window /= 2;
        else if (occurrences.size() < kFewOccurrences)
            window *= 2;
        std::sort(occurrences.begin(), occurrences.end());
        if (std::string error = TakeWindow(occurrences, first, end); !error.empty())
            return error;
    }
    std::sort(m_pairs.begin(), m_pairs.end());
    m_pairs.erase(std::unique(m_pairs.begin(), m_pairs.end()), m_pairs.end());
    return {};
}

// The pairs of a window's occurrences (sorted by page, position and slot): every slot at a
// position with every slot at the next position of the same page.
std::string PairCollector::TakeWindow(const std::vector<Occurrence>& occurrences, uint32_t first, uint32_t& end)
{
    size_t group = 0;
    while (group < occurrences.size()) {
        size_t next = group;
        while (next < occurrences.size() && occurrences[next].place == occurrences[group].place)
            ++next;
        size_t after = next;
        while (after < occurrences.size() && occurrences[after].place == occurrences[next].place)
            ++after;
        const uint64_t place = occurrences[group].place;
        // The next position of the same page: the place one higher, and no wrap into the next page.
        if (next < occurrences.size() && occurrences[next].place == place + 1 && (place & 0xFFFFFFFF) != 0xFFFFFFFF) {
            const auto page = static_cast<uint32_t>(place >> 32);
            for (size_t i = group; i < next; ++i) {
                const uint32_t a = occurrences[i].slot;
                if (a < first || a >= end)
                    continue;
                for (size_t j = next; j < after; ++j) {
                    if (m_pairs.size() == m_capacity)
                        if (std::string error = Compact(first, end); !error.empty())
                            return error;
                    if (a < end)
                        m_pairs.push_back(PackPair(a, occurrences[j].slot, page));
                }
            }
        }
        group = next;
    }
    return {};
}

// Sorts and merges the pairs; when they still fill more than half the budget, the pass gives
// up the first slots from the median one on, which a later pass reads again.
std::string PairCollector::Compact(uint32_t first, uint32_t& end)
{
    std::sort(m_pairs.begin(), m_pairs.end());
    m_pairs.erase(std::unique(m_pairs.begin(), m_pairs.end()), m_pairs.end());
    if (m_pairs.size() <= m_capacity / 2)
        return {};
    uint32_t cut = FirstSlot(m_pairs[m_capacity / 2]);
    if (cut <= first)
        cut = first + 1;
    end = std::min(end, cut);
    m_pairs.erase(std::lower_bound(m_pairs.begin(), m_pairs.end(), PackPair(end, 0, 0)), m_pairs.end());
    if (m_pairs.size() > m_capacity - m_capacity / 8)
        return "the pairs of one character exceed the memory budget";
    return {};
}

// One row per first slot of the pass: its entries, then its page lists.
std::string PairCollector::WriteRows(PairSink& sink, uint64_t& offset, PairFileSummary& summary)
{
    std::string entries;
    std::string lists;
    for (size_t begin = 0; begin < m_pairs.size();) {
        const uint32_t a = FirstSlot(m_pairs[begin]);
        entries.clear();
        lists.clear();
        uint32_t count = 0;
        size_t i = begin;
        for (; i < m_pairs.size() && FirstSlot(m_pairs[i]) == a;) {
            const uint32_t b = SecondSlot(m_pairs[i]);
            size_t runEnd = i;
            while (runEnd < m_pairs.size() && FirstSlot(m_pairs[runEnd]) == a && SecondSlot(m_pairs[runEnd]) == b)
                ++runEnd;
            const size_t pages = runEnd - i;
            AppendU32(entries, b);
            if (pages < m_options.rareLimit) {
                if (lists.size() > UINT32_MAX - 64)
                    return "the page lists of one character exceed 4 GiB";
                AppendU32(entries, static_cast<uint32_t>(lists.size()));
                AppendVarint(lists, static_cast<uint32_t>(pages));
                uint32_t previous = 0;
                for (size_t k = i; k < runEnd; ++k) {
                    AppendVarint(lists, PageOf(m_pairs[k]) - previous);
                    previous = PageOf(m_pairs[k]);
                }
                ++summary.rarePairs;
                summary.listedPages += pages;
            } else {
                AppendU32(entries, kFrequentPair);
            }
            ++summary.pairs;
            ++count;
            i = runEnd;
        }
        const std::string row = entries + lists;
        m_rows[a] = {offset, uint64_t{count} | uint64_t{lists.size()} << 32,
                     PairFileHash(reinterpret_cast<const uint8_t*>(row.data()), row.size())};
        if (!sink.Append(row))
            return "cannot write the pair file";
        offset += row.size();
        begin = i;
    }
    return {};
}

std::string PairCollector::Write(PairSink& sink, const std::function<void(double)>& progress,
                                 PairFileSummary& summary)
{
    if (!sink.Append(std::string(kPairHeaderSize, '\0')))
        return "cannot write the pair file";
    uint64_t offset = kPairHeaderSize;
    for (uint32_t first = 0; first < SLOT_COUNT;) {
        uint32_t end = SLOT_COUNT;
        m_pairs.clear();
        m_pairs.reserve(m_capacity);
        ++summary.passes;
        if (std::string error = CollectPass(first, end); !error.empty())
            return error;
        if (std::string error = WriteRows(sink, offset, summary); !error.empty())
            return error;
        first = end;
        if (progress)
            progress(static_cast<double>(first) / SLOT_COUNT);
    }
    m_pairs = {};

    std::string table;
    table.reserve(size_t{SLOT_COUNT} * kPairRowRecordSize);
    for (const auto& row : m_rows) {
        AppendU64(table, row[0]);
        AppendU64(table, row[1]);
        AppendU64(table, row[2]);
    }
    std::string header(kPairMagic, sizeof kPairMagic);
    AppendU32(header, kPairVersion);
    AppendU32(header, m_options.rareLimit);
    AppendU64(header, offset + table.size());
    AppendU64(header, m_header.size());
    AppendU64(header, PairFileHash(m_header.data(), m_header.size()));
    AppendU64(header, m_file.size);
    AppendU64(header, PostingSampleHash(m_file.data, m_file.size));
    AppendU64(header, offset);
    AppendU32(header, SLOT_COUNT);
    AppendU32(header, 0);
    const uint64_t tableHash = PairFileHash(reinterpret_cast<const uint8_t*>(table.data()), table.size(),
                                            PairFileHash(reinterpret_cast<const uint8_t*>(header.data()), 72));
    AppendU64(header, tableHash);
    if (!sink.Append(table) || !sink.WriteHeader(header))
        return "cannot write the pair file";
    return {};
}

std::string CheckIndex(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings,
                       const PairFileOptions& options)
{
    if (indexHeader.size() < kChainOffset)
        return "the index header is too short";
    if (postings.empty())
        return "the posting file is empty";
    if (options.rareLimit == 0 || options.rareLimit > kMaxRareLimit)
        return "the rare limit lies outside 1 to 2^20";
    return {};
}

}  // namespace

std::string BuildPairImage(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings,
                           const PairFileOptions& options, std::string& image, PairFileSummary* summary)
{
    if (std::string error = CheckIndex(indexHeader, postings, options); !error.empty())
        return error;
    PairFileSummary ignored;
    StringSink sink(image);
    return PairCollector(indexHeader, postings, options).Write(sink, {}, summary ? *summary : ignored);
}

std::string WritePairFile(const fs::path& headerPath, const fs::path& postingPath, const fs::path& pairPath,
                          const PairFileOptions& options, const std::function<void(double)>& progress,
                          PairFileSummary* summary)
{
    MappedFile header;
    MappedFile postings;
    if (!header.Map(CCodeConverter::Utf8ToUtf16(headerPath.string())) ||
        !postings.Map(CCodeConverter::Utf8ToUtf16(postingPath.string())))
        return "cannot read the index files " + headerPath.string() + " and " + postingPath.string();
    const std::span<const uint8_t> headerBytes(header.Data(), header.Size());
    const std::span<const uint8_t> postingBytes(postings.Data(), postings.Size());
    if (std::string error = CheckIndex(headerBytes, postingBytes, options); !error.empty())
        return error;
    PairFileSummary ignored;
    std::string error;
    {
        FileSink sink(pairPath);
        error = sink.Good() ? PairCollector(headerBytes, postingBytes, options)
                                  .Write(sink, progress, summary ? *summary : ignored)
                            : "cannot write " + pairPath.string();
    }
    if (!error.empty()) {
        std::error_code ignoredError;
        fs::remove(pairPath, ignoredError);
    }
    return error;
}

std::string PairFileName(const std::string& name, int kind)
{
    return name + (kind == INDEX_MAIN_TEXT ? "_content" : kind == INDEX_ANNOTATIONS ? "_desc" : "") + "-idx.pairs";
}

}  // namespace varo::writer
