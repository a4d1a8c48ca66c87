#include "engine/hitmerge.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace varo {

namespace {

// Indices of the hit set's pages in ascending page order, the first of equal pages first. The
// hit set is made of ascending runs (a union appends each term's new pages in order), so the
// runs are merged pairwise: n log(runs) rather than a full sort.
std::vector<uint32_t> AscendingOrder(const CDWordArray& pages)
{
    std::vector<uint32_t> order(pages.size());
    std::iota(order.begin(), order.end(), 0u);
    std::vector<size_t> runStarts = {0};
    for (size_t i = 1; i < pages.size(); ++i)
        if (pages[i] < pages[i - 1])
            runStarts.push_back(i);
    const auto byPage = [&pages](uint32_t a, uint32_t b) { return pages[a] < pages[b]; };
    const auto at = [&order](size_t i) { return order.begin() + static_cast<ptrdiff_t>(i); };
    while (runStarts.size() > 1) {
        std::vector<size_t> merged;
        for (size_t r = 0; r < runStarts.size(); r += 2) {
            merged.push_back(runStarts[r]);
            if (r + 1 < runStarts.size()) {
                const size_t end = r + 2 < runStarts.size() ? runStarts[r + 2] : order.size();
                std::inplace_merge(at(runStarts[r]), at(runStarts[r + 1]), at(end), byPage);
            }
        }
        runStarts = std::move(merged);
    }
    return order;
}

constexpr uint32_t kAbsent = UINT32_MAX;

// For each of the term's ascending pages, the index of that page in the hit set (the first, were
// it there twice), or kAbsent: one walk of both lists in step instead of a search per page.
void LocateInHitSet(const CDWordArray& hitPages, const CDWordArray& termPages, std::vector<uint32_t>& located)
{
    std::vector<uint32_t> order;
    CDWordArray sortedPages;
    const bool ascending = std::is_sorted(hitPages.begin(), hitPages.end());
    if (!ascending) {
        order = AscendingOrder(hitPages);
        sortedPages.reserve(order.size());
        for (uint32_t t : order)
            sortedPages.push_back(hitPages[t]);
    }
    const CDWordArray& sorted = ascending ? hitPages : sortedPages;

    // The lists interleave unpredictably, so the walk steps without branching on the pages: the
    // smaller side moves on, both on a match, and the entry of the term's page is written at
    // every step; the last write, when its page moves on, is the one that stays.
    located.assign(termPages.size(), kAbsent);
    size_t j = 0;
    size_t k = 0;
    while (j < sorted.size() && k < termPages.size()) {
        const uint32_t hit = sorted[j];
        const uint32_t term = termPages[k];
        const uint32_t index = ascending ? static_cast<uint32_t>(j) : order[j];
        located[k] = hit == term ? index : kAbsent;
        j += hit <= term;
        k += term <= hit;
    }
}

}  // namespace

void UniteHits(CDWordArray& hitPages, CDWordArray& hitCounts, const CDWordArray& pages, const CDWordArray& counts,
               bool countHits, std::vector<uint32_t>& located)
{
    // Only a direct call after an uncounted search leaves pages without counts; they count 0.
    hitCounts.resize(countHits ? hitPages.size() : 0, 0);
    LocateInHitSet(hitPages, pages, located);
    for (size_t k = 0; k < pages.size(); ++k) {
        if (located[k] != kAbsent) {
            if (countHits)
                hitCounts[located[k]] += counts[k];
        } else {
            hitPages.push_back(pages[k]);
            if (countHits)
                hitCounts.push_back(counts[k]);
        }
    }
}

void IntersectHits(CDWordArray& hitPages, CDWordArray& hitCounts, CDWordArray& pages, CDWordArray& counts,
                   bool countHits, std::vector<uint32_t>& located)
{
    LocateInHitSet(hitPages, pages, located);
    // The kept pages move down within the term's lists (never past the page being read). Every
    // page is written and the write position moves on only for pages the hit set holds, so
    // that the loop does not branch on them.
    size_t kept = 0;
    for (size_t k = 0; k < pages.size(); ++k) {
        pages[kept] = pages[k];
        if (countHits)
            counts[kept] = counts[k] + (located[k] == kAbsent ? 0 : hitCounts[located[k]]);
        kept += located[k] != kAbsent;
    }
    pages.resize(kept);
    counts.resize(countHits ? kept : 0);
    std::swap(hitPages, pages);
    std::swap(hitCounts, counts);
    pages.clear();
    counts.clear();
}

}  // namespace varo
