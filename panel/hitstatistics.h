#pragma once
// Where the hits of a search cluster: pages and hits per catalogue entry of the scope. Each
// result page counts once at every depth below the scope, for the first entry of that depth (in
// tree order) that holds it, as the result list names its title and volume; so the entries of
// one depth add up to the scope's totals wherever the catalogue places every page there.

#include "panel/catalogue.h"
#include "panel/resultlist.h"

#include <cstdint>
#include <string>
#include <vector>

namespace varo {

/// One entry's share of the hits.
struct StatNodeTag {
    int slot = 0;   // record slot of the entry (0 for the catalogue's root)
    int level = 0;  // catalogue level: 1 category, 2 title, 3 volume
    int depth = 0;  // 0 the scope itself, 1 the entries right below it, ...
    std::u16string name;
    uint64_t pages = 0;
    uint64_t hits = 0;
};

/// The scope (pages and hits of every result) followed by each entry below it that holds at
/// least one result page, in tree order.
std::vector<StatNodeTag> HitStatistics(const ContentsNodeTag& scope, const std::vector<SearchNodeTag>& results);

}  // namespace varo
