#include "hitmerge.h"

#include <algorithm>
#include <numeric>

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

// Walks the term's ascending pages against the hit set's: found(k, t) for each term page k that
// the hit set holds at index t, missing(k) for the others. Linear when the hit set is ascending,
// as it is in an and-query.
template <typename Found, typename Missing>
void MatchAscending(const CDWordArray& hitPages, const CDWordArray& termPages, Found found, Missing missing)
{
    const bool ascending = std::is_sorted(hitPages.begin(), hitPages.end());
    const std::vector<uint32_t> order = ascending ? std::vector<uint32_t>{} : AscendingOrder(hitPages);
    const auto indexAt = [&](size_t j) { return ascending ? static_cast<uint32_t>(j) : order[j]; };
    size_t j = 0;
    for (size_t k = 0; k < termPages.size(); ++k) {
        while (j < hitPages.size() && hitPages[indexAt(j)] < termPages[k])
            ++j;
        if (j < hitPages.size() && hitPages[indexAt(j)] == termPages[k])
            found(k, indexAt(j));
        else
            missing(k);
    }
}

}  // namespace

void UniteHits(CDWordArray& hitPages, CDWordArray& hitCounts, const CDWordArray& pages, const CDWordArray& counts,
               bool countHits)
{
    // Only a direct call after an uncounted search leaves pages without counts; they count 0.
    hitCounts.resize(countHits ? hitPages.size() : 0, 0);
    CDWordArray added;
    CDWordArray addedCounts;
    MatchAscending(
        hitPages, pages,
        [&](size_t k, uint32_t t) {
            if (countHits)
                hitCounts[t] += counts[k];
        },
        [&](size_t k) {
            added.push_back(pages[k]);
            if (countHits)
                addedCounts.push_back(counts[k]);
        });
    hitPages.insert(hitPages.end(), added.begin(), added.end());
    hitCounts.insert(hitCounts.end(), addedCounts.begin(), addedCounts.end());
}

void IntersectHits(CDWordArray& hitPages, CDWordArray& hitCounts, const CDWordArray& pages, const CDWordArray& counts,
                   bool countHits)
{
    CDWordArray keptPages;
    CDWordArray keptCounts;
    MatchAscending(
        hitPages, pages,
        [&](size_t k, uint32_t t) {
            keptPages.push_back(pages[k]);
            if (countHits)
                keptCounts.push_back(counts[k] + hitCounts[t]);
        },
        [](size_t) {});
    hitPages = std::move(keptPages);
    hitCounts = std::move(keptCounts);
}

}  // namespace varo
