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
    // Entries, and so points, come in ascending page order. Galloping from the cursor: a seek
    // costs the logarithm of how far it leaps, not of the whole stream, so that the many short
    // leaps of two common characters in step stay cheap beside the long ones of a rare term.
    size_t below = ahead;  // a point below page
    size_t step = 1;
    while (step < m_points.size() - below && m_points[below + step].page < page) {
        below += step;
        step *= 2;
    }
    const auto first = m_points.begin() + static_cast<ptrdiff_t>(below + 1);
    const auto last = m_points.begin() + static_cast<ptrdiff_t>(std::min(m_points.size(), below + step));
    const auto after = std::partition_point(first, last, [page](const Point& point) { return point.page < page; });
    return &*(after - 1);
}

}  // namespace varo
