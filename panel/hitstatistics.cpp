#include "panel/hitstatistics.h"

#include "panel/scopelookup.h"

#include <unordered_map>

namespace varo {

namespace {

struct Counts {
    uint64_t pages = 0;
    uint64_t hits = 0;
};

using CountsByNode = std::unordered_map<const ContentsNodeTag*, Counts>;

std::vector<const ContentsNodeTag*> ChildrenOf(const std::vector<const ContentsNodeTag*>& nodes)
{
    std::vector<const ContentsNodeTag*> children;
    for (const ContentsNodeTag* node : nodes)
        for (const auto& child : node->children)
            children.push_back(child.get());
    return children;
}

void Emit(const ContentsNodeTag& node, int depth, const CountsByNode& counts, std::vector<StatNodeTag>& out)
{
    if (const auto found = counts.find(&node); found != counts.end())
        out.push_back({node.slot, node.level, depth, node.name, found->second.pages, found->second.hits});
    for (const auto& child : node.children)
        Emit(*child, depth + 1, counts, out);
}

}  // namespace

std::vector<StatNodeTag> HitStatistics(const ContentsNodeTag& scope, const std::vector<SearchNodeTag>& results)
{
    CountsByNode counts;
    Counts& total = counts[&scope];
    for (const SearchNodeTag& result : results) {
        ++total.pages;
        total.hits += result.hitCount;
    }
    // Depth by depth below the scope, every page goes to the first entry of the depth that holds it.
    for (auto depth = ChildrenOf({&scope}); !depth.empty(); depth = ChildrenOf(depth)) {
        const CFirstHolderIndex holders(depth);
        for (const SearchNodeTag& result : results) {
            if (const ContentsNodeTag* holder = holders.Find(result.pageNumber)) {
                Counts& entry = counts[holder];
                ++entry.pages;
                entry.hits += result.hitCount;
            }
        }
    }
    std::vector<StatNodeTag> out;
    Emit(scope, 0, counts, out);
    return out;
}

}  // namespace varo
