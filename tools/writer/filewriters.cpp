#include "tools/writer/filewriters.h"

#include <algorithm>
#include <utility>

namespace varo::writer {

namespace fs = std::filesystem;

namespace {

constexpr size_t kRunEntryHeader = 10;        // slot, page (4 bytes each), list length (2)
constexpr size_t kFileBufferBytes = 1 << 20;  // of each run read and of the posting file written

uint32_t LoadWord(const char* bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes[i])} << (8 * i);
    return value;
}

// Sorts a buffer by slot (each slot's pages stay ascending) and writes it as a run file.
std::string SortAndWrite(IndexFileWriter::Buffer& buffer, const fs::path& path)
{
    std::sort(buffer.entries.begin(), buffer.entries.end(),
              [](const auto& a, const auto& b) { return a.slot != b.slot ? a.slot < b.slot : a.page < b.page; });
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::string chunk;
    chunk.reserve(kFileBufferBytes + kRunEntryHeader + kMaxPositionListBytes);
    for (const IndexFileWriter::Entry& entry : buffer.entries) {
        AppendWord(chunk, entry.slot);
        AppendWord(chunk, entry.page);
        chunk += static_cast<char>(entry.length & 0xFF);
        chunk += static_cast<char>(entry.length >> 8);
        chunk.append(buffer.lists, entry.offset, entry.length);
        if (chunk.size() >= kFileBufferBytes) {
            out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.clear();
        }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    out.close();
    buffer = {};
    return out ? "" : "cannot write the temporary file " + path.string();
}

// The entries of one run in slot order, read from its file or from the last buffer in memory.
class RunSource {
public:
    virtual ~RunSource() = default;
    /// False once the run is used up (or could not be read: Failed tells).
    bool Valid() const { return m_valid; }
    uint32_t Slot() const { return m_slot; }
    uint32_t Page() const { return m_page; }
    std::string_view List() const { return m_list; }
    virtual void Advance() = 0;
    virtual bool Failed() const { return false; }

protected:
    bool m_valid = false;
    uint32_t m_slot = 0;
    uint32_t m_page = 0;
    std::string_view m_list;
};

class MemoryRun : public RunSource {
public:
    explicit MemoryRun(const IndexFileWriter::Buffer& buffer) : m_buffer(buffer) { Advance(); }

    void Advance() override
    {
        m_valid = m_next < m_buffer.entries.size();
        if (!m_valid)
            return;
        const IndexFileWriter::Entry& entry = m_buffer.entries[m_next++];
        m_slot = entry.slot;
        m_page = entry.page;
        m_list = std::string_view(m_buffer.lists).substr(entry.offset, entry.length);
    }

private:
    const IndexFileWriter::Buffer& m_buffer;
    size_t m_next = 0;
};

class FileRun : public RunSource {
public:
    explicit FileRun(const fs::path& path) : m_readBuffer(kFileBufferBytes)
    {
        m_in.rdbuf()->pubsetbuf(m_readBuffer.data(), static_cast<std::streamsize>(m_readBuffer.size()));
        m_in.open(path, std::ios::binary);
        m_failed = !m_in;
        Advance();
    }

    void Advance() override
    {
        char header[kRunEntryHeader];
        m_valid = false;
        if (m_failed || !m_in.read(header, sizeof header)) {
            // A clean end falls exactly between two entries.
            m_failed = m_failed || m_in.gcount() != 0 || m_in.bad();
            return;
        }
        m_slot = LoadWord(header);
        m_page = LoadWord(header + 4);
        const size_t length = static_cast<uint8_t>(header[8]) | size_t{static_cast<uint8_t>(header[9])} << 8;
        m_bytes.resize(length);
        if (!m_in.read(m_bytes.data(), static_cast<std::streamsize>(length))) {
            m_failed = true;
            return;
        }
        m_list = m_bytes;
        m_valid = true;
    }
    bool Failed() const override { return m_failed; }

private:
    std::vector<char> m_readBuffer;
    std::ifstream m_in;
    std::string m_bytes;
    bool m_failed = false;
};

// Writes streams one after the other into the posting file, each from the start of a block,
// and keeps the header tables that describe them.
class PostingLayout {
public:
    explicit PostingLayout(const fs::path& path) : m_path(path), m_writeBuffer(kFileBufferBytes)
    {
        m_out.rdbuf()->pubsetbuf(m_writeBuffer.data(), static_cast<std::streamsize>(m_writeBuffer.size()));
        m_out.open(path, std::ios::binary | std::ios::trunc);
        m_header.assign(kChainOffset, '\0');
        for (uint32_t slot = 0; slot < SLOT_COUNT; ++slot)
            StoreWord(m_header, kFirstBlockOffset + slot * 4, kNoBlock);
    }

    void BeginStream() { m_streamBytes = 0; }
    void AddEntry(uint32_t page, std::string_view list, bool first)
    {
        m_entry.clear();
        EncodePacked(first ? page : page - m_lastPage, m_entry);
        m_entry += static_cast<char>(list.size() & 0xFF);
        m_entry += static_cast<char>(list.size() >> 8);
        m_entry += list;
        m_out.write(m_entry.data(), static_cast<std::streamsize>(m_entry.size()));
        m_streamBytes += m_entry.size();
        m_lastPage = page;
    }
    std::string EndStream(uint32_t slot)
    {
        const uint64_t blocks = (m_streamBytes + kBlockSize - 1) / kBlockSize;
        if (uint64_t{m_blocks} + blocks >= kNoBlock)
            return "the posting file " + m_path.string() + " would exceed 2^32 blocks";
        Pad(blocks * kBlockSize - m_streamBytes);
        StoreWord(m_header, kFirstBlockOffset + slot * 4, m_blocks);
        StoreWord(m_header, kLastPageOffset + slot * 4, m_lastPage);
        for (uint64_t b = 1; b < blocks; ++b)
            m_chain.push_back(m_blocks + static_cast<uint32_t>(b));
        m_chain.push_back(kNoBlock);
        m_blocks += static_cast<uint32_t>(blocks);
        return {};
    }
    std::string Finish(const fs::path& headerPath)
    {
        // An index with no stream still needs a posting file that can be mapped.
        if (m_blocks == 0) {
            Pad(kBlockSize);
            m_chain.push_back(kNoBlock);
        }
        m_out.close();
        if (!m_out)
            return "cannot write " + m_path.string();
        m_header.reserve(m_header.size() + m_chain.size() * 4);
        for (uint32_t next : m_chain)
            AppendWord(m_header, next);
        return WriteFileBytes(headerPath, m_header) ? "" : "cannot write " + headerPath.string();
    }

private:
    void Pad(uint64_t bytes)
    {
        static const std::string zeros(kBlockSize, '\0');
        m_out.write(zeros.data(), static_cast<std::streamsize>(bytes));
    }

    fs::path m_path;
    std::vector<char> m_writeBuffer;
    std::ofstream m_out;
    std::string m_header;
    std::vector<uint32_t> m_chain;
    std::string m_entry;
    uint64_t m_streamBytes = 0;
    uint32_t m_blocks = 0;
    uint32_t m_lastPage = 0;
};

}  // namespace

// ---- The text store ----

std::string StoreFileWriter::Open(const fs::path& listPath, const fs::path& contentPath, uint32_t pageCount,
                                  uint32_t nameSize, uint8_t storeKey)
{
    if (nameSize == 0 || nameSize > kMaxNameSize)
        return "the record name size " + std::to_string(nameSize) + " is outside 1 to 260";
    m_listPath = listPath;
    m_pageCount = pageCount;
    m_nameSize = nameSize;
    m_key = storeKey;
    m_list.open(listPath, std::ios::binary | std::ios::trunc);
    m_content.open(contentPath, std::ios::binary | std::ios::trunc);
    std::string header;
    AppendWord(header, pageCount);
    AppendWord(header, nameSize);
    header.append(kHeaderBlockSize, '\0');
    m_list.write(header.data(), static_cast<std::streamsize>(header.size()));
    return m_list && m_content ? "" : "cannot write the text store " + listPath.string();
}

std::string StoreFileWriter::Add(const std::string& recordName, const std::string& html)
{
    if (recordName.size() + 1 > m_nameSize)
        return "the record name " + recordName + " does not fit " + std::to_string(m_nameSize - 1) + " bytes";
    if (m_contentBytes + html.size() > UINT32_MAX)
        return "the content file would exceed 4 GiB at page " + recordName;
    m_scrambled.resize(html.size());
    std::transform(html.begin(), html.end(), m_scrambled.begin(),
                   [this](char byte) { return static_cast<char>(static_cast<uint8_t>(byte) ^ m_key); });
    m_content.write(m_scrambled.data(), static_cast<std::streamsize>(m_scrambled.size()));
    m_contentBytes += html.size();
    std::string record = recordName;
    record.resize(m_nameSize, '\0');
    AppendWord(record, static_cast<uint32_t>(m_contentBytes));
    AppendWord(record, static_cast<uint32_t>(html.size()));
    m_list.write(record.data(), static_cast<std::streamsize>(record.size()));
    ++m_added;
    return {};
}

std::string StoreFileWriter::Finish()
{
    m_list.close();
    m_content.close();
    if (m_added != m_pageCount)
        return "the text store holds " + std::to_string(m_added) + " pages, not " + std::to_string(m_pageCount);
    return m_list && m_content ? "" : "cannot write the text store " + m_listPath.string();
}

// ---- An index ----

IndexFileWriter::IndexFileWriter(const GroupsOfMembers& groupsOf, fs::path runFolder, std::string runPrefix,
                                 size_t memoryBudget)
    : m_groupsOf(groupsOf), m_runFolder(std::move(runFolder)), m_runPrefix(std::move(runPrefix)), m_budget(memoryBudget)
{}

IndexFileWriter::~IndexFileWriter()
{
    WaitForSpill();
    RemoveRuns();
}

std::string IndexFileWriter::AddPage(const std::u32string& text, const std::string& recordName)
{
    if (m_page > kMaxPacked)
        return "more than 4,194,304 pages";
    if (!text.empty() && text.size() - 1 > kMaxPacked)
        return "page " + recordName + " has more than 4,194,304 positions";
    CollectPagePositions(text, m_groupsOf, m_positions);
    for (const auto& [slot, positions] : m_positions) {
        if (std::string error = EncodePositionList(positions, recordName, m_list); !error.empty())
            return error;
        m_buffer.entries.push_back(
            {slot, m_page, static_cast<uint32_t>(m_buffer.lists.size()), static_cast<uint32_t>(m_list.size())});
        m_buffer.lists += m_list;
    }
    ++m_page;
    // Two buffers may be held at once, the one filling and the one being spilled.
    return m_buffer.Bytes() >= m_budget / 2 ? Spill() : "";
}

std::string IndexFileWriter::Spill()
{
    if (std::string error = WaitForSpill(); !error.empty())
        return error;
    const fs::path path = m_runFolder / (m_runPrefix + std::to_string(m_runs.size()));
    m_runs.push_back(path);
    m_spilling = std::make_unique<Buffer>(std::move(m_buffer));
    m_buffer = {};
    m_spillThread = std::thread([this, path] { m_spillError = SortAndWrite(*m_spilling, path); });
    return {};
}

std::string IndexFileWriter::WaitForSpill()
{
    if (m_spillThread.joinable())
        m_spillThread.join();
    m_spilling.reset();
    return std::exchange(m_spillError, {});
}

void IndexFileWriter::RemoveRuns()
{
    std::error_code ignored;
    for (const fs::path& run : m_runs)
        fs::remove(run, ignored);
    m_runs.clear();
}

std::string IndexFileWriter::Finish(const fs::path& headerPath, const fs::path& postingPath,
                                    const std::function<void(double)>& progress)
{
    std::vector<std::unique_ptr<RunSource>> runs;
    if (m_runs.empty()) {
        std::sort(m_buffer.entries.begin(), m_buffer.entries.end(),
                  [](const auto& a, const auto& b) { return a.slot != b.slot ? a.slot < b.slot : a.page < b.page; });
        runs.push_back(std::make_unique<MemoryRun>(m_buffer));
    } else {
        if (!m_buffer.entries.empty()) {
            if (std::string error = Spill(); !error.empty())
                return error;
        }
        if (std::string error = WaitForSpill(); !error.empty())
            return error;
        for (const fs::path& run : m_runs)
            runs.push_back(std::make_unique<FileRun>(run));
    }

    // Each run is ascending by slot and holds later pages than the run before, so a slot's
    // stream is its entries of the first run, then of the second, and so on.
    PostingLayout layout(postingPath);
    while (true) {
        uint32_t slot = kNoBlock;
        for (const auto& run : runs)
            if (run->Valid())
                slot = std::min(slot, run->Slot());
        if (slot == kNoBlock)
            break;
        layout.BeginStream();
        bool first = true;
        for (const auto& run : runs)
            for (; run->Valid() && run->Slot() == slot; run->Advance()) {
                layout.AddEntry(run->Page(), run->List(), first);
                first = false;
            }
        if (std::string error = layout.EndStream(slot); !error.empty())
            return error;
        if (progress)
            progress(static_cast<double>(slot) / SLOT_COUNT);
    }
    for (const auto& run : runs)
        if (run->Failed())
            return "cannot read back the temporary files of the index in " + m_runFolder.string();
    runs.clear();
    RemoveRuns();
    m_buffer = {};
    return layout.Finish(headerPath);
}

}  // namespace varo::writer
