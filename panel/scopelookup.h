#pragma once
// Names a result page from the scope entry's subtree: its category, title and volume.
//
//   scope level | CategoryOf          | TitleOf(p)                         | VolumeOf(p)
//   1           | the scope           | first child holding p, else empty  | first grandchild holding p
//   2           | its parent          | the scope's name                   | first child holding p
//   3           | its parent's parent | its parent's name                  | the scope
//   other       | its parent's parent | empty                              | the scope
//
// "First" is in file order, even where ranges overlap. A scope over a whole category may hold
// thousands of titles and volumes and a result may list a hundred thousand pages, so each
// "first holding p" list is turned into an interval index once per search instead of being
// walked per page.

#include "panel/catalogue.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varo {

/// For entries in a fixed order, finds the first whose page range holds a page.
class CFirstHolderIndex {
public:
    explicit CFirstHolderIndex(const std::vector<const ContentsNodeTag*>& entries);
    const ContentsNodeTag* Find(uint32_t page) const;

private:
    // Segment k is [m_bounds[k], m_bounds[k + 1]) in page numbers counted from 1.
    std::vector<uint64_t> m_bounds;
    std::vector<const ContentsNodeTag*> m_owner;
};

class CScopeLookup {
public:
    explicit CScopeLookup(const ContentsNodeTag& scope);

    /// The category node; none when the scope hangs too high for one (a node with no parent).
    const ContentsNodeTag* CategoryOf() const;
    std::u16string TitleOf(uint32_t page) const;
    const ContentsNodeTag* VolumeOf(uint32_t page) const;

private:
    const ContentsNodeTag& m_scope;
    CFirstHolderIndex m_titles;
    CFirstHolderIndex m_volumes;
};

}  // namespace varo
