#pragma once
// A concordance collected on worker threads, so that a window stays responsive and both cores
// work: the result pages are cut into blocks, the workers take blocks in turn, and the lines of
// finished blocks are handed over in page order, so the first lines are there almost at once.
// Reading pages and finding their hits only reads the index set; whoever starts a job keeps the
// index set open and unchanged until the job is dropped (dropping it stops and waits).

#include "engine/index.h"
#include "panel/kwic.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace varo {

class CKwicJob {
public:
    /// Starts threads workers (at least one) on the pages (the result pages in list order; a
    /// line's result is the index of its page here), each page's lines as AppendKwicLines cuts
    /// them from the hits LocateHits finds for the query.
    CKwicJob(const CIndex& index, std::u16string query, int target, bool useVariants, int width,
             std::vector<uint32_t> pages, unsigned threads);
    ~CKwicJob();
    CKwicJob(const CKwicJob&) = delete;
    CKwicJob& operator=(const CKwicJob&) = delete;

    /// Moves the lines of the blocks finished since the last call, in page order, to the end of
    /// lines; true once every page is done (never after a Cancel that came first).
    bool TakeLines(std::vector<KwicLineTag>& lines);
    /// Asks the workers to stop after the page each is on; returns at once.
    void Cancel() { m_cancelled = true; }
    /// Waits until the workers have finished or stopped.
    void Wait();

    size_t PagesDone() const { return m_pagesDone; }
    size_t PageCount() const { return m_pages.size(); }
    int Width() const { return m_width; }

    /// Workers for this machine: one per core, at least one, at most four.
    static unsigned DefaultThreads();

private:
    struct Block {
        std::vector<KwicLineTag> lines;
        bool done = false;
    };

    void Work();
    void CollectBlock(size_t block, PageHitsTag& hits);

    const CIndex& m_index;
    const std::u16string m_query;
    const int m_target;
    const bool m_useVariants;
    const int m_width;
    const std::vector<uint32_t> m_pages;
    std::vector<Block> m_blocks;
    std::atomic<size_t> m_nextBlock{0};
    std::atomic<size_t> m_pagesDone{0};
    std::atomic<bool> m_cancelled{false};
    std::mutex m_mutex;  // guards Block::done and the lines of finished blocks
    size_t m_nextTaken = 0;
    std::vector<std::thread> m_workers;
};

}  // namespace varo
