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
    // Entries, and so points, come in ascending page order.
    const auto after = std::partition_point(m_points.begin() + static_cast<ptrdiff_t>(ahead), m_points.end(),
                                            [page](const Point& point) { return point.page < page; });
    return &*(after - 1);
}

}  // namespace varo
