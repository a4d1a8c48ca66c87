#pragma once
// Merging one term's pages (ascending, with their hit counts) into the hit set of a query.
// Both merges walk the two page lists in step instead of searching the hit set once per page.

#include "engine/index.h"

namespace varo {

/// The union: the hit set keeps its pages in their order and gains the term's pages it lacks,
/// appended in the term's order. With countHits a page's count grows by the term's count and a
/// new page brings its own; without, the counts are emptied. located is a buffer the merge
/// reuses (a caller that keeps it from search to search spares fresh memory).
///   hit set {5, 1}, term {1, 2, 7} => {5, 1, 2, 7}
void UniteHits(CDWordArray& hitPages, CDWordArray& hitCounts, const CDWordArray& pages, const CDWordArray& counts,
               bool countHits, std::vector<uint32_t>& located);

/// The intersection: the term's pages that the hit set holds, in the term's order, each with the
/// term's count plus the hit set's. Without countHits the counts are emptied. With countHits the
/// hit set must hold one count per page. The intersection is made in the term's lists, which
/// then become the hit set; pages and counts receive the hit set's former lists, emptied, so
/// that their memory serves the next term.
///   hit set {5, 1, 2}, term {1, 2, 7} => {1, 2}
void IntersectHits(CDWordArray& hitPages, CDWordArray& hitCounts, CDWordArray& pages, CDWordArray& counts,
                   bool countHits, std::vector<uint32_t>& located);

}  // namespace varo
