#pragma once
// The text store and an index written page by page straight into their files, so that a
// collection of any size is built in bounded memory. The bytes are those BuildStoreImage and
// BuildIndexImage give for the same pages (without block scrambling).
//
// An index needs its entries grouped by character, but pages come in page order: the index
// writer keeps a page's entries in a buffer of bounded size, and when the buffer is full sorts
// it by slot and spills it as a run file into a folder it is given; the runs, each ascending
// by slot and covering later pages than the one before, are then merged slot by slot into
// the posting file. The run files are removed after the merge and by the destructor.

#include "tools/writer/textsetwriter.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace varo::writer {

class StoreFileWriter {
public:
    /// Starts the list and content files for pageCount pages with name fields of nameSize.
    std::string Open(const std::filesystem::path& listPath, const std::filesystem::path& contentPath,
                     uint32_t pageCount, uint32_t nameSize, uint8_t storeKey = STORE_KEY);
    std::string Add(const std::string& recordName, const std::string& html);
    /// Flushes both files; an error when any write failed or the pages added are not pageCount.
    std::string Finish();

private:
    std::ofstream m_list;
    std::ofstream m_content;
    std::filesystem::path m_listPath;
    uint32_t m_pageCount = 0;
    uint32_t m_added = 0;
    uint32_t m_nameSize = 0;
    uint8_t m_key = STORE_KEY;
    uint64_t m_contentBytes = 0;
    std::string m_scrambled;
};

class IndexFileWriter {
public:
    /// groupsOf must outlive the writer. Run files go into runFolder, named runPrefix followed by a number; the entries
    /// of the pages are held in memory up to about memoryBudget bytes before they are spilled. The sort and spill of a
    /// full buffer runs on a thread of its own while the next fills, so up to two buffers are held.
    IndexFileWriter(const GroupsOfMembers& groupsOf, std::filesystem::path runFolder, std::string runPrefix,
                    size_t memoryBudget);
    ~IndexFileWriter();
    IndexFileWriter(const IndexFileWriter&) = delete;
    IndexFileWriter& operator=(const IndexFileWriter&) = delete;

    /// Adds the next page (pages come in order, from 0) with its indexed text of this kind.
    std::string AddPage(const std::u32string& text, const std::string& recordName);
    /// Merges everything into the header and posting files; progress is told the share of the
    /// slots written.
    std::string Finish(const std::filesystem::path& headerPath, const std::filesystem::path& postingPath,
                       const std::function<void(double)>& progress = {});

    /// Number of run files spilled so far.
    size_t RunCount() const { return m_runs.size(); }

    struct Entry {
        uint32_t slot;
        uint32_t page;
        uint32_t offset;  // of the position list in the buffer's bytes
        uint32_t length;
    };
    struct Buffer {
        std::vector<Entry> entries;
        std::string lists;
        // What the buffer holds in memory, room grown for more entries included.
        size_t Bytes() const { return entries.capacity() * sizeof(Entry) + lists.capacity(); }
    };

private:
    std::string Spill();
    std::string WaitForSpill();
    void RemoveRuns();

    const GroupsOfMembers& m_groupsOf;
    std::filesystem::path m_runFolder;
    std::string m_runPrefix;
    size_t m_budget;
    uint32_t m_page = 0;
    Buffer m_buffer;
    std::map<uint32_t, std::vector<uint32_t>> m_positions;
    std::string m_list;
    std::vector<std::filesystem::path> m_runs;
    // The spill under way: its thread, its buffer and what it reports.
    std::thread m_spillThread;
    std::unique_ptr<Buffer> m_spilling;
    std::string m_spillError;
};

}  // namespace varo::writer
