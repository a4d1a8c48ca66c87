#include "panel/kwicjob.h"

#include <algorithm>

namespace varo {

namespace {

// Pages per block: small enough that the first lines come at once, large enough that taking a
// block costs nothing beside the pages.
constexpr size_t kBlockPages = 32;

}  // namespace

CKwicJob::CKwicJob(const CIndex& index, std::u16string query, int target, bool useVariants, int width,
                   std::vector<uint32_t> pages, unsigned threads)
    : m_index(index), m_query(std::move(query)), m_target(target), m_useVariants(useVariants),
      m_width(std::clamp(width, 0, kMaxKwicWidth)), m_pages(std::move(pages)),
      m_blocks((m_pages.size() + kBlockPages - 1) / kBlockPages)
{
    const size_t workers = std::clamp<size_t>(threads, 1, std::max<size_t>(m_blocks.size(), 1));
    for (size_t i = 0; i < workers; ++i)
        m_workers.emplace_back([this] { Work(); });
}

CKwicJob::~CKwicJob()
{
    Cancel();
    Wait();
}

unsigned CKwicJob::DefaultThreads()
{
    return std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
}

void CKwicJob::Work()
{
    PageHitsTag hits;
    for (size_t block = m_nextBlock++; block < m_blocks.size() && !m_cancelled; block = m_nextBlock++)
        CollectBlock(block, hits);
}

void CKwicJob::CollectBlock(size_t block, PageHitsTag& hits)
{
    std::vector<KwicLineTag> lines;
    const size_t end = std::min(m_pages.size(), (block + 1) * kBlockPages);
    for (size_t page = block * kBlockPages; page < end; ++page) {
        if (m_cancelled)
            return;
        if (m_index.LocateHits(m_pages[page], m_query, m_target, m_useVariants, hits))
            AppendKwicLines(hits, static_cast<uint32_t>(page), m_width, lines);
        ++m_pagesDone;
    }
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_blocks[block].lines = std::move(lines);
    m_blocks[block].done = true;
}

bool CKwicJob::TakeLines(std::vector<KwicLineTag>& lines)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (; m_nextTaken < m_blocks.size() && m_blocks[m_nextTaken].done; ++m_nextTaken) {
        std::vector<KwicLineTag>& taken = m_blocks[m_nextTaken].lines;
        lines.insert(lines.end(), std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
        taken = {};
    }
    return m_nextTaken == m_blocks.size();
}

void CKwicJob::Wait()
{
    for (std::thread& worker : m_workers)
        if (worker.joinable())
            worker.join();
}

}  // namespace varo
