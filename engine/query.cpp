// Queries: blank-separated terms combined by and (every term) or or (any term) into the hit set.

#include "engine/index.h"
#include "text/querysyntax.h"

#include <algorithm>
#include <climits>

namespace varo {

namespace {

// Runs SearchTerm for each U+0020-separated term of the query, the first in firstMode and the
// others in laterMode, writing U+3000 over every U+0020 of the caller's buffer on the way. A
// U+3000 is not a separator here: it stays in its term, and the term's normal form drops it.
template <typename Search>
int SearchTerms(std::u16string& query, Search search)
{
    uint64_t sum = 0;
    int terms = 0;
    std::u16string term;
    term.reserve(query.size());
    const auto endTerm = [&] {
        if (!term.empty())
            sum += search(term, terms++ == 0);
        term.clear();
    };
    for (char16_t& unit : query) {
        if (unit == kBlank) {
            unit = kWideBlank;
            endTerm();
        } else {
            term += unit;
        }
    }
    endTerm();
    return static_cast<int>(std::min<uint64_t>(sum, INT_MAX));
}

}  // namespace

int CIndex::CheckQuery(std::u16string_view query)
{
    return CheckQuerySyntax(query).terms;
}

int CIndex::SearchAnd(std::u16string& query, bool countHits, bool useVariants)
{
    if (CheckQuery(query) == 0)
        return 0;
    ClearHitSet();
    return SearchTerms(query, [&](const std::u16string& term, bool first) -> uint32_t {
        // Once the hit set is empty no later term can add to it, and intersecting an empty hit
        // set returns 0: the remaining terms need not be read.
        if (!first && m_hitPages.empty())
            return 0;
        return SearchTerm(term, first ? SEARCH_REPLACE : SEARCH_INTERSECT, countHits, useVariants);
    });
}

int CIndex::SearchOr(std::u16string& query, bool countHits, bool useVariants)
{
    if (CheckQuery(query) == 0)
        return 0;
    ClearHitSet();
    return SearchTerms(query, [&](const std::u16string& term, bool) {
        return SearchTerm(term, SEARCH_UNION, countHits, useVariants);
    });
}

}  // namespace varo
