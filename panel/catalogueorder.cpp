#include "panel/catalogueorder.h"

namespace varo {

CPageLocator::CPageLocator(const ContentsNodeTag& root)
{
    std::array<std::vector<const ContentsNodeTag*>, kVolumeLevel + 1> levels;
    Collect(root, levels);
    for (int level = kVolumeLevel; level >= 1; --level)
        m_holders.emplace_back(levels[static_cast<size_t>(level)]);
}

void CPageLocator::Collect(const ContentsNodeTag& node,
                           std::array<std::vector<const ContentsNodeTag*>, kVolumeLevel + 1>& levels)
{
    if (node.level >= 1 && node.level <= kVolumeLevel) {
        levels[static_cast<size_t>(node.level)].push_back(&node);
        m_place.emplace(&node, m_place.size());
    }
    for (const auto& child : node.children)
        Collect(*child, levels);
}

const ContentsNodeTag* CPageLocator::EntryOf(uint32_t page) const
{
    for (const CFirstHolderIndex& holders : m_holders)
        if (const ContentsNodeTag* entry = holders.Find(page))
            return entry;
    return nullptr;
}

uint64_t CPageLocator::RankOf(uint32_t page) const
{
    const ContentsNodeTag* entry = EntryOf(page);
    const uint64_t place = entry != nullptr ? m_place.at(entry) : m_place.size();
    return place << 32 | page;
}

std::vector<uint64_t> CatalogueRanks(const ContentsNodeTag& root, const std::vector<uint32_t>& pages)
{
    const CPageLocator locator(root);
    std::vector<uint64_t> ranks;
    ranks.reserve(pages.size());
    for (uint32_t page : pages)
        ranks.push_back(locator.RankOf(page));
    return ranks;
}

}  // namespace varo
