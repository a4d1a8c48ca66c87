#include "engine/skipdirectory.h"

#include <algorithm>

namespace varo {

SkipDirectory::SkipDirectory(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage)
{
    PostingCursor cursor(file, firstBlock, lastPage);
    while (true) {
        const PostingCursor::Mark mark = cursor.Here();
        if (!cursor.NextEntry())
            break;
        if (m_entryCount % kEntriesPerPoint == 0)
            m_points.push_back({mark, m_entryCount, cursor.Page()});
        ++m_entryCount;
        // The search reads nothing after the last page's entry either.
        if (cursor.Page() >= lastPage)
            break;
        cursor.SkipEntry();
    }
    m_points.shrink_to_fit();
}

const SkipDirectory::Point* SkipDirectory::Before(uint64_t page, uint32_t entries) const
{
    // The first point ahead of the cursor; when even that one is not below page, walking is
    // as quick as leaping, which is the common case between neighbouring pages.
    const size_t ahead = size_t{entries} / kEntriesPerPoint + 1;
    if (ahead >= m_points.size() || m_points[ahead].page >= page)
        return nullptr;
    // Entries, and so points, come in ascending page order, and a character's pages spread
    // over the collection roughly evenly: the search starts where the page would lie if they
    // spread exactly so between the point ahead and the last one, and gallops from there
    // towards it. A seek costs the logarithm of how far that guess is off, a few probes for
    // the long leaps of a rare term, and no more than galloping from the cursor when the pages
    // bunch together.
    const size_t last = m_points.size() - 1;
    if (m_points[last].page < page)
        return &m_points[last];
    // The answer lies in [low, high): m_points[low].page < page <= m_points[high].page.
    size_t low = ahead;
    size_t high = last;
    const uint64_t span = m_points[high].page - m_points[low].page;
    const size_t guess = low + static_cast<size_t>((page - m_points[low].page) * (high - low) / span);
    size_t step = 1;
    if (m_points[guess].page < page) {
        low = guess;
        for (; step < high - low && m_points[low + step].page < page; step *= 2)
            low += step;
        high = std::min(high, low + step);
    } else {
        high = guess;
        for (; step < high - low && m_points[high - step].page >= page; step *= 2)
            high -= step;
        low = std::max(low, high - std::min(step, high));
    }
    const auto after = std::partition_point(m_points.begin() + static_cast<ptrdiff_t>(low) + 1,
                                            m_points.begin() + static_cast<ptrdiff_t>(high),
                                            [page](const Point& point) { return point.page < page; });
    return &*(after - 1);
}

}  // namespace varo
