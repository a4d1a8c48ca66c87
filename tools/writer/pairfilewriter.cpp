#include "tools/writer/pairfilewriter.h"

#include "engine/index.h"
#include "engine/pairtable.h"
#include "engine/postingcursor.h"
#include "platform/mappedfile.h"
#include "text/codeconverter.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <memory>
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

// The sorted runs of pair words a collection spills: in memory, or in files named after stem
// (removed when the store goes). Each run is sorted and without repeats.
class RunStore {
public:
    explicit RunStore(fs::path stem = {}) : m_stem(std::move(stem)) {}
    ~RunStore()
    {
        std::error_code ignored;
        for (const fs::path& path : m_paths)
            fs::remove(path, ignored);
    }
    RunStore(const RunStore&) = delete;
    RunStore& operator=(const RunStore&) = delete;

    bool Spill(const std::vector<uint64_t>& words)
    {
        if (m_stem.empty()) {
            m_memory.push_back(words);
            return true;
        }
        m_paths.push_back(m_stem.string() + ".run-" + std::to_string(m_paths.size()));
        std::ofstream out(m_paths.back(), std::ios::binary | std::ios::trunc);
        std::string bytes;
        for (size_t begin = 0; begin < words.size() && out; begin += kChunkWords) {
            bytes.clear();
            for (size_t i = begin; i < std::min(words.size(), begin + kChunkWords); ++i)
                AppendU64(bytes, words[i]);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        }
        return static_cast<bool>(out.flush());
    }
    size_t Count() const { return m_stem.empty() ? m_memory.size() : m_paths.size(); }

    // Words a run file is written and read in at a time.
    static constexpr size_t kChunkWords = size_t{8} << 10;

    // Reads one run from the start, a chunk at a time.
    class Reader {
    public:
        Reader(const RunStore& store, size_t run)
        {
            if (store.m_stem.empty())
                m_memory = &store.m_memory[run];
            else
                m_in.open(store.m_paths[run], std::ios::binary);
        }
        bool Next(uint64_t& word)
        {
            if (m_memory != nullptr) {
                if (m_next == m_memory->size())
                    return false;
                word = (*m_memory)[m_next++];
                return true;
            }
            if (m_next == m_chunk.size() / 8) {
                m_chunk.resize(kChunkWords * 8);
                m_in.read(m_chunk.data(), static_cast<std::streamsize>(m_chunk.size()));
                m_chunk.resize(static_cast<size_t>(m_in.gcount()) / 8 * 8);
                m_next = 0;
                if (m_chunk.empty())
                    return false;
            }
            word = 0;
            for (int i = 7; i >= 0; --i)
                word = word << 8 | static_cast<uint8_t>(m_chunk[m_next * 8 + static_cast<size_t>(i)]);
            ++m_next;
            return true;
        }
        bool Failed() const { return m_memory == nullptr && m_in.bad(); }

    private:
        const std::vector<uint64_t>* m_memory = nullptr;
        std::ifstream m_in;
        std::string m_chunk;
        size_t m_next = 0;
    };

private:
    fs::path m_stem;
    std::vector<std::vector<uint64_t>> m_memory;
    std::vector<fs::path> m_paths;
};

class PairCollector {
public:
    // release, when given, is told the byte ranges of the posting file the read does not need now.
    PairCollector(std::span<const uint8_t> indexHeader, std::span<const uint8_t> postings,
                  const PairFileOptions& options, std::function<void(uint64_t, uint64_t)> release = {})
        : m_header(indexHeader), m_options(options), m_release(std::move(release))
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

    std::string Write(PairSink& sink, RunStore& runs, const std::function<void(double)>& progress,
                      PairFileSummary& summary);

private:
    std::string Collect(RunStore& runs, const std::function<void(double)>& progress);
    void ReleaseUnusedBlocks(const std::vector<PostingCursor>& cursors, const std::vector<uint8_t>& live,
                             std::vector<uint32_t>& inUse) const;
    std::string TakeWindow(const std::vector<Occurrence>& occurrences, RunStore& runs);
    std::string Spill(RunStore& runs);
    std::string MergeRows(PairSink& sink, RunStore& runs, uint64_t& offset, PairFileSummary& summary);
    std::string WriteRow(PairSink& sink, uint64_t& offset, PairFileSummary& summary);

    std::span<const uint8_t> m_header;
    PairFileOptions m_options;
    std::function<void(uint64_t, uint64_t)> m_release;
    std::vector<uint32_t> m_chain;
    PostingFile m_file;
    std::vector<uint32_t> m_slots;  // the slots that have a stream
    size_t m_capacity = 0;          // pair words held in memory at most
    std::vector<uint64_t> m_pairs;
    // The row table: a record for each row written, in the order the merge writes them, which
    // is ascending by first slot.
    std::string m_table;
    uint32_t m_rowCount = 0;
    // The row being put together: its first slot, entries and lists.
    uint32_t m_rowSlot = 0;
    uint32_t m_rowEntries = 0;
    std::string m_entries;
    std::string m_lists;
};

// Reads every stream once, in windows of pages, and spills the pairs found as sorted runs
// whenever the memory for them is full.
std::string PairCollector::Collect(RunStore& runs, const std::function<void(double)>& progress)
{
    std::vector<PostingCursor> cursors;
    cursors.reserve(m_slots.size());
    std::vector<uint8_t> live;
    const HeaderWords firstBlock(m_header.data() + kFirstBlockOffset, SLOT_COUNT);
    const HeaderWords lastPage(m_header.data() + kLastPageOffset, SLOT_COUNT);
    uint64_t lastOfAll = 1;
    for (uint32_t slot : m_slots) {
        cursors.emplace_back(m_file, firstBlock[slot], lastPage[slot]);
        live.push_back(cursors.back().NextEntry() ? 1 : 0);
        lastOfAll = std::max<uint64_t>(lastOfAll, lastPage[slot]);
    }
    // The window grows while it holds few occurrences and shrinks when it holds many, so a
    // window's occurrences stay within a few million whatever the pages hold.
    constexpr size_t kFewOccurrences = size_t{1} << 20;
    constexpr size_t kManyOccurrences = size_t{4} << 20;
    uint64_t window = 64;
    std::vector<Occurrence> occurrences;
    std::vector<uint32_t> blocksInUse;
    m_pairs.reserve(m_capacity);
    while (true) {
        uint64_t start = UINT64_MAX;
        for (size_t i = 0; i < cursors.size(); ++i)
            if (live[i] != 0)
                start = std::min<uint64_t>(start, cursors[i].Page());
        if (start == UINT64_MAX)
            break;
        if (progress)
            progress(std::min(1.0, static_cast<double>(start) / static_cast<double>(lastOfAll)) * 0.8);
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
        ReleaseUnusedBlocks(cursors, live, blocksInUse);
        if (occurrences.size() > kManyOccurrences && window > 1)
            window /= 2;
        else if (occurrences.size() < kFewOccurrences)
            window *= 2;
        std::sort(occurrences.begin(), occurrences.end());
        if (std::string error = TakeWindow(occurrences, runs); !error.empty())
            return error;
    }
    return m_pairs.empty() ? std::string() : Spill(runs);
}

// The posting file is read once, each stream from its start to its end, so only the blocks the
// cursors stand in are read again. The rest need not stay resident: the system maps the pages
// around each page read as well (other streams' blocks among them), so without this the mapped
// posting file (gigabytes for a large collection) would end up counting in full to the build's
// memory. Releasing a page a cursor reads later only costs that cursor a read from the file.
void PairCollector::ReleaseUnusedBlocks(const std::vector<PostingCursor>& cursors, const std::vector<uint8_t>& live,
                                        std::vector<uint32_t>& inUse) const
{
    if (!m_release)
        return;
    inUse.clear();
    for (size_t i = 0; i < cursors.size(); ++i)
        if (live[i] != 0)
            inUse.push_back(cursors[i].Here().block);
    std::sort(inUse.begin(), inUse.end());
    inUse.erase(std::unique(inUse.begin(), inUse.end()), inUse.end());
    uint64_t from = 0;
    for (uint32_t block : inUse) {
        if (block > from)
            m_release(from * kBlockSize, (block - from) * kBlockSize);
        from = uint64_t{block} + 1;
    }
    if (from * kBlockSize < m_file.size)
        m_release(from * kBlockSize, m_file.size - from * kBlockSize);
}

// The pairs of a window's occurrences (sorted by page, position and slot): every slot at a
// position with every slot gap + 1 positions further on the same page.
std::string PairCollector::TakeWindow(const std::vector<Occurrence>& occurrences, RunStore& runs)
{
    const uint64_t distance = uint64_t{m_options.gap} + 1;
    size_t group = 0;
    size_t partner = 0;  // the first occurrence at or after the current group's partner place
    while (group < occurrences.size()) {
        size_t next = group;
        while (next < occurrences.size() && occurrences[next].place == occurrences[group].place)
            ++next;
        const uint64_t place = occurrences[group].place;
        // The partner place lies on the same page: no wrap into the next page's positions.
        if ((place & 0xFFFFFFFF) + distance <= 0xFFFFFFFF) {
            const uint64_t target = place + distance;
            partner = std::max(partner, next);
            while (partner < occurrences.size() && occurrences[partner].place < target)
                ++partner;
            const auto page = static_cast<uint32_t>(place >> 32);
            for (size_t j = partner; j < occurrences.size() && occurrences[j].place == target; ++j)
                for (size_t i = group; i < next; ++i) {
                    if (m_pairs.size() == m_capacity)
                        if (std::string error = Spill(runs); !error.empty())
                            return error;
                    m_pairs.push_back(PackPair(occurrences[i].slot, occurrences[j].slot, page));
                }
        }
        group = next;
    }
    return {};
}

std::string PairCollector::Spill(RunStore& runs)
{
    std::sort(m_pairs.begin(), m_pairs.end());
    m_pairs.erase(std::unique(m_pairs.begin(), m_pairs.end()), m_pairs.end());
    if (!runs.Spill(m_pairs))
        return "cannot write the pair file's temporary runs";
    m_pairs.clear();
    return {};
}

// Merges the runs into one ascending sequence without repeats and writes a row for each first
// slot as its pairs come to an end.
std::string PairCollector::MergeRows(PairSink& sink, RunStore& runs, uint64_t& offset, PairFileSummary& summary)
{
    std::vector<std::unique_ptr<RunStore::Reader>> readers;
    using Head = std::pair<uint64_t, size_t>;
    std::vector<Head> heap;
    for (size_t run = 0; run < runs.Count(); ++run) {
        readers.push_back(std::make_unique<RunStore::Reader>(runs, run));
        uint64_t word = 0;
        if (readers.back()->Next(word))
            heap.emplace_back(word, run);
    }
    const auto later = [](const Head& a, const Head& b) { return a.first > b.first; };
    std::make_heap(heap.begin(), heap.end(), later);
    uint64_t pair = UINT64_MAX;  // the current pair (page bits clear) and its pages
    std::vector<uint32_t> pages;
    const auto endPair = [&]() -> std::string {
        if (pages.empty())
            return {};
        const uint32_t a = FirstSlot(pair);
        if (a != m_rowSlot && m_rowEntries > 0)
            if (std::string error = WriteRow(sink, offset, summary); !error.empty())
                return error;
        m_rowSlot = a;
        ++m_rowEntries;
        ++summary.pairs;
        AppendU32(m_entries, SecondSlot(pair));
        if (pages.size() >= m_options.rareLimit) {
            AppendU32(m_entries, kFrequentPair);
        } else {
            if (m_lists.size() > UINT32_MAX - 64 - pages.size() * 5)
                return "the page lists of one character exceed 4 GiB";
            AppendU32(m_entries, static_cast<uint32_t>(m_lists.size()));
            AppendVarint(m_lists, static_cast<uint32_t>(pages.size()));
            uint32_t previous = 0;
            for (uint32_t page : pages) {
                AppendVarint(m_lists, page - previous);
                previous = page;
            }
            ++summary.rarePairs;
            summary.listedPages += pages.size();
        }
        pages.clear();
        return {};
    };
    while (!heap.empty()) {
        std::pop_heap(heap.begin(), heap.end(), later);
        const auto [word, run] = heap.back();
        uint64_t following = 0;
        if (readers[run]->Next(following)) {
            heap.back().first = following;
            std::push_heap(heap.begin(), heap.end(), later);
        } else {
            heap.pop_back();
        }
        if ((word & ~kPageMask) != pair) {
            if (std::string error = endPair(); !error.empty())
                return error;
            pair = word & ~kPageMask;
        }
        if (pages.empty() || pages.back() != PageOf(word))
            pages.push_back(PageOf(word));
    }
    if (std::string error = endPair(); !error.empty())
        return error;
    for (const auto& reader : readers)
        if (reader->Failed())
            return "cannot read the pair file's temporary runs";
    return m_rowEntries > 0 ? WriteRow(sink, offset, summary) : std::string();
}

// The row of the current first slot: its entries, then its page lists.
std::string PairCollector::WriteRow(PairSink& sink, uint64_t& offset, PairFileSummary&)
{
    const std::string row = m_entries + m_lists;
    AppendU32(m_table, m_rowSlot);
    AppendU32(m_table, m_rowEntries);
    AppendU64(m_table, offset);
    AppendU32(m_table, static_cast<uint32_t>(m_lists.size()));
    AppendU32(m_table, 0);
    AppendU64(m_table, PairFileHash(reinterpret_cast<const uint8_t*>(row.data()), row.size()));
    ++m_rowCount;
    if (!sink.Append(row))
        return "cannot write the pair file";
    offset += row.size();
    m_entries.clear();
    m_lists.clear();
    m_rowEntries = 0;
    return {};
}

std::string PairCollector::Write(PairSink& sink, RunStore& runs, const std::function<void(double)>& progress,
                                 PairFileSummary& summary)
{
    if (!sink.Append(std::string(kPairHeaderSize, '\0')))
        return "cannot write the pair file";
    if (std::string error = Collect(runs, progress); !error.empty())
        return error;
    m_pairs = {};
    summary.runs = static_cast<uint32_t>(runs.Count());
    uint64_t offset = kPairHeaderSize;
    if (std::string error = MergeRows(sink, runs, offset, summary); !error.empty())
        return error;
    if (progress)
        progress(1.0);

    std::string header(kPairMagic, sizeof kPairMagic);
    AppendU32(header, kPairVersion);
    AppendU32(header, m_options.rareLimit);
    AppendU64(header, offset + m_table.size());
    AppendU64(header, m_header.size());
    AppendU64(header, PairFileHash(m_header.data(), m_header.size()));
    AppendU64(header, m_file.size);
    AppendU64(header, PostingSampleHash(m_file.data, m_file.size));
    AppendU64(header, offset);
    AppendU32(header, m_rowCount);
    AppendU32(header, m_options.gap);
    const uint64_t tableHash = PairFileHash(reinterpret_cast<const uint8_t*>(m_table.data()), m_table.size(),
                                            PairFileHash(reinterpret_cast<const uint8_t*>(header.data()), 72));
    AppendU64(header, tableHash);
    if (!sink.Append(m_table) || !sink.WriteHeader(header))
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
    if (options.gap > kMaxPairGap)
        return "the gap between a pair's slots lies outside 0 to " + std::to_string(kMaxPairGap);
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
    RunStore runs;
    return PairCollector(indexHeader, postings, options).Write(sink, runs, {}, summary ? *summary : ignored);
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
        RunStore runs(pairPath);
        const auto release = [&postings](uint64_t offset, uint64_t size) {
            postings.Release(static_cast<size_t>(offset), static_cast<size_t>(size));
        };
        error = sink.Good() ? PairCollector(headerBytes, postingBytes, options, release)
                                  .Write(sink, runs, progress, summary ? *summary : ignored)
                            : "cannot write " + pairPath.string();
    }
    if (!error.empty()) {
        std::error_code ignoredError;
        fs::remove(pairPath, ignoredError);
    }
    return error;
}

std::string PairFileName(const std::string& name, int kind, uint32_t gap)
{
    return name +
           (kind == INDEX_MAIN_TEXT     ? "_content"
            : kind == INDEX_ANNOTATIONS ? "_desc"
                                        : "") +
           std::string(PairFileEnd(gap));
}

}  // namespace varo::writer
