#pragma once
// The pages the reader has seen in this run, for back and forward: catalogue pages and result
// pages, each with what it takes to show it again as it was (the volume and page label, the
// search a result page was rendered with and the hit it showed, the place in the text at the
// view's top). Going to a new page drops the pages ahead; the same page twice in a row is one
// entry, which keeps the latest hit; the oldest entries drop out beyond a bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varo {

/// A page as the reader saw it.
struct ReadingPlaceTag {
    /// A result page, rendered with its hits; otherwise the stored page.
    bool result = false;
    /// The catalogue entry the page is read in (the page commands step through it); 0: none.
    int slot = 0;
    /// The page label within that entry.
    int label = 0;
    /// The page record.
    uint32_t page = 0;
    /// A result page's search, as it was rendered, and the hit shown.
    std::u16string query;
    int target = 0;
    bool variants = false;
    int anchor = 0;
    /// The text position at the top of the view; 0 is the page's top.
    int topPosition = 0;

    /// The same page shown the same way: the same record, stored or rendered by the same search.
    bool SamePage(const ReadingPlaceTag& other) const;
};

class CReadingHistory {
public:
    static constexpr size_t kMaxEntries = 200;

    /// A page was shown by anything but back and forward.
    void Visit(const ReadingPlaceTag& place);
    bool CanGoBack() const { return m_current > 0 && m_current <= m_entries.size(); }
    bool CanGoForward() const { return m_current + 1 < m_entries.size(); }
    /// Steps back or forward and returns the place to show; null when there is none.
    const ReadingPlaceTag* Back();
    const ReadingPlaceTag* Forward();
    /// The entry shown now, which keeps its hit and top position as they change; null while
    /// the history is empty.
    ReadingPlaceTag* Current();
    /// Undoes a Back or Forward whose page could not be shown.
    void Return(size_t index) { m_current = index < m_entries.size() ? index : m_current; }
    size_t CurrentIndex() const { return m_current; }
    const std::vector<ReadingPlaceTag>& Entries() const { return m_entries; }

private:
    std::vector<ReadingPlaceTag> m_entries;
    size_t m_current = 0;
};

}  // namespace varo
