#include "panel/scopelookup.h"

#include <algorithm>

namespace varo {

namespace {

std::vector<const ContentsNodeTag*> Children(const ContentsNodeTag& node)
{
    std::vector<const ContentsNodeTag*> nodes;
    for (const auto& child : node.children)
        nodes.push_back(child.get());
    return nodes;
}

std::vector<const ContentsNodeTag*> Grandchildren(const ContentsNodeTag& node)
{
    std::vector<const ContentsNodeTag*> nodes;
    for (const auto& child : node.children) {
        for (const auto& grandchild : child->children)
            nodes.push_back(grandchild.get());
    }
    return nodes;
}

// The interval [first, end) of page numbers counted from 1 that an entry holds.
uint64_t RangeFirst(const ContentsNodeTag& node)
{
    return node.docID;
}
uint64_t RangeEnd(const ContentsNodeTag& node)
{
    return uint64_t{node.docID} + node.docNo;
}

// Next segment at or after k that has no owner yet, with path halving.
size_t NextFree(std::vector<size_t>& next, size_t k)
{
    while (next[k] != k) {
        next[k] = next[next[k]];
        k = next[k];
    }
    return k;
}

}  // namespace

CFirstHolderIndex::CFirstHolderIndex(const std::vector<const ContentsNodeTag*>& entries)
{
    for (const ContentsNodeTag* entry : entries) {
        if (RangeFirst(*entry) < RangeEnd(*entry)) {
            m_bounds.push_back(RangeFirst(*entry));
            m_bounds.push_back(RangeEnd(*entry));
        }
    }
    std::sort(m_bounds.begin(), m_bounds.end());
    m_bounds.erase(std::unique(m_bounds.begin(), m_bounds.end()), m_bounds.end());
    if (m_bounds.empty())
        return;
    const size_t segments = m_bounds.size() - 1;
    m_owner.assign(segments, nullptr);
    // next[k] leads to the first segment at or after k without an owner; segments index
    // "segments" stands for the end. Entries are taken in order, so an earlier entry keeps the
    // segments it covers and each segment is assigned once.
    std::vector<size_t> next(segments + 1);
    for (size_t k = 0; k <= segments; ++k)
        next[k] = k;
    for (const ContentsNodeTag* entry : entries) {
        if (RangeFirst(*entry) >= RangeEnd(*entry))
            continue;
        const auto first = std::lower_bound(m_bounds.begin(), m_bounds.end(), RangeFirst(*entry)) - m_bounds.begin();
        const auto end = std::lower_bound(m_bounds.begin(), m_bounds.end(), RangeEnd(*entry)) - m_bounds.begin();
        for (size_t k = NextFree(next, static_cast<size_t>(first)); k < static_cast<size_t>(end);
             k = NextFree(next, k)) {
            m_owner[k] = entry;
            next[k] = k + 1;
        }
    }
}

const ContentsNodeTag* CFirstHolderIndex::Find(uint32_t page) const
{
    const uint64_t number = uint64_t{page} + 1;
    const auto after = std::upper_bound(m_bounds.begin(), m_bounds.end(), number);
    if (after == m_bounds.begin())
        return nullptr;
    const size_t k = static_cast<size_t>(after - m_bounds.begin()) - 1;
    return k < m_owner.size() ? m_owner[k] : nullptr;
}

CScopeLookup::CScopeLookup(const ContentsNodeTag& scope)
    : m_scope(scope), m_titles(scope.level == 1 ? Children(scope) : std::vector<const ContentsNodeTag*>{}),
      m_volumes(scope.level == 1   ? Grandchildren(scope)
                : scope.level == 2 ? Children(scope)
                                   : std::vector<const ContentsNodeTag*>{})
{}

const ContentsNodeTag* CScopeLookup::CategoryOf() const
{
    if (m_scope.level == 1)
        return &m_scope;
    if (m_scope.level == 2)
        return m_scope.parent;
    return m_scope.parent != nullptr ? m_scope.parent->parent : nullptr;
}

std::u16string CScopeLookup::TitleOf(uint32_t page) const
{
    if (m_scope.level == 1) {
        const ContentsNodeTag* title = m_titles.Find(page);
        return title != nullptr ? title->name : std::u16string();
    }
    if (m_scope.level == 2)
        return m_scope.name;
    if (m_scope.level == 3)
        return m_scope.parent != nullptr ? m_scope.parent->name : std::u16string();
    return {};
}

const ContentsNodeTag* CScopeLookup::VolumeOf(uint32_t page) const
{
    if (m_scope.level == 1 || m_scope.level == 2)
        return m_volumes.Find(page);
    return &m_scope;
}

}  // namespace varo
