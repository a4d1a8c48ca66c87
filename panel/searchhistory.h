#pragma once
// The searches a reader ran, newest first, with the options each ran with, so that one can be
// run again from the query field's drop-down. Kept across starts as lines of text in the
// settings store.

#include <cstddef>
#include <string>
#include <vector>

namespace varo {

/// One search: the text as typed and the options it ran with.
struct SearchHistoryEntryTag {
    std::u16string query;
    int andOr = 0;        // 0 and, 1 or
    int variant = 1;      // nonzero: variant characters count as the same
    int target = 0;       // 0 full text, 1 main text, 2 annotations
    bool refine = false;  // searched inside the results listed before it

    bool operator==(const SearchHistoryEntryTag&) const = default;
};

class CSearchHistory {
public:
    static constexpr size_t kMaxEntries = 50;

    /// Puts a search first; the same search met earlier in the list moves up instead of
    /// standing twice, and the oldest beyond kMaxEntries drops out.
    void Add(const SearchHistoryEntryTag& entry);
    const std::vector<SearchHistoryEntryTag>& Entries() const { return m_entries; }
    void Clear() { m_entries.clear(); }

    /// One line per entry, newest first: and/or, variant, target and refine as digits, a tab,
    /// the query ("0\t1\t0\t0\t君子 小人").
    std::vector<std::u16string> ToLines() const;
    /// Replaces the entries with those of the lines; a line of another shape is skipped.
    void FromLines(const std::vector<std::u16string>& lines);

private:
    std::vector<SearchHistoryEntryTag> m_entries;
};

}  // namespace varo
