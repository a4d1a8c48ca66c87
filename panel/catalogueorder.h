#pragma once
// Catalogue (reading) order: the order in which a reader meets the pages going through the
// catalogue, volume after volume, each volume's pages by number. Page labels run again from 1
// in every volume, so the result list's label order mixes volumes; this order does not.

#include "panel/catalogue.h"
#include "panel/scopelookup.h"

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace varo {

/// Finds the entry a page is read in: the first volume (level 3, in tree order) that holds
/// it, or where no volume does the first title (level 2), or category (level 1). Entries below
/// the volumes divide a volume without changing where its pages are read.
class CPageLocator {
public:
    explicit CPageLocator(const ContentsNodeTag& root);

    /// The entry, or none when no entry of levels 1 to 3 holds the page.
    const ContentsNodeTag* EntryOf(uint32_t page) const;
    /// The page's place in catalogue order; pages no entry holds come after all others. Only
    /// the relative order of the values counts.
    uint64_t RankOf(uint32_t page) const;

private:
    static constexpr int kVolumeLevel = 3;
    void Collect(const ContentsNodeTag& node,
                 std::array<std::vector<const ContentsNodeTag*>, kVolumeLevel + 1>& levels);

    std::unordered_map<const ContentsNodeTag*, uint64_t> m_place;  // in tree order
    std::vector<CFirstHolderIndex> m_holders;                      // volumes, titles, categories
};

/// RankOf for every page, with the entries under root.
std::vector<uint64_t> CatalogueRanks(const ContentsNodeTag& root, const std::vector<uint32_t>& pages);

}  // namespace varo
