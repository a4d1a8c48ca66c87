#pragma once
// A directory over one slot's posting stream: where every 8th entry starts and its page. A
// cursor seeking a page far ahead leaps to the last recorded entry before it instead of reading
// every entry header on the way, and the directory's entry count tells how rare the character
// is. It is built by one walk over the stream's entry headers, the same walk a search makes, so
// a damaged stream yields a directory that ends where the stream breaks.

#include "engine/postingcursor.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace varo {

class SkipDirectory {
public:
    static constexpr uint32_t kEntriesPerPoint = 8;

    struct Point {
        PostingCursor::Mark mark;  // before the entry's header
        uint32_t entry = 0;        // its number in the stream, from 0
        uint32_t page = 0;         // its page
    };

    /// Walks the stream that starts at firstBlock up to the entry of lastPage (or to where the
    /// stream ends) and records every kEntriesPerPoint-th entry.
    SkipDirectory(const PostingFile& file, uint32_t firstBlock, uint32_t lastPage);

    /// The furthest recorded entry whose page lies below page, when its number is above entries
    /// (so that a cursor that has read that many entries moves forward); null otherwise.
    const Point* Before(uint64_t page, uint32_t entries) const;

    /// Number of entries the stream holds up to its last page.
    uint32_t EntryCount() const { return m_entryCount; }
    size_t MemoryBytes() const { return sizeof(*this) + m_points.capacity() * sizeof(Point); }

private:
    std::vector<Point> m_points;
    uint32_t m_entryCount = 0;
};

}  // namespace varo
