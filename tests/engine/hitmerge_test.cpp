#include "engine/hitmerge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace varo {
namespace {

struct Hits {
    CDWordArray pages;
    CDWordArray counts;
    bool operator==(const Hits&) const = default;
};

// The merges as plainly as they can be said: a search of the earlier hit set for every page.
Hits PlainUnion(Hits hits, const Hits& term)
{
    const size_t before = hits.pages.size();
    for (size_t k = 0; k < term.pages.size(); ++k) {
        const auto end = hits.pages.begin() + static_cast<ptrdiff_t>(before);
        const auto found = std::find(hits.pages.begin(), end, term.pages[k]);
        if (found != end) {
            hits.counts[static_cast<size_t>(found - hits.pages.begin())] += term.counts[k];
        } else {
            hits.pages.push_back(term.pages[k]);
            hits.counts.push_back(term.counts[k]);
        }
    }
    return hits;
}

Hits PlainIntersection(const Hits& hits, const Hits& term)
{
    Hits kept;
    for (size_t k = 0; k < term.pages.size(); ++k) {
        const auto found = std::find(hits.pages.begin(), hits.pages.end(), term.pages[k]);
        if (found != hits.pages.end()) {
            kept.pages.push_back(term.pages[k]);
            kept.counts.push_back(term.counts[k] + hits.counts[static_cast<size_t>(found - hits.pages.begin())]);
        }
    }
    return kept;
}

// Hit sets made the way or-queries make them: ascending runs one after another, no page twice.
TEST(HitMerge, randomRunsOfPages_matchPlainSearch)
{
    std::mt19937 random(5);
    std::vector<uint32_t> located;  // kept from round to round, as a search keeps it
    for (int round = 0; round < 300; ++round) {
        const uint32_t range = 1 + random() % 60;
        Hits hits;
        for (int run = static_cast<int>(random() % 6); run > 0; --run) {
            for (uint32_t page = 0; page < range; ++page)
                if (random() % 3 == 0 && std::find(hits.pages.begin(), hits.pages.end(), page) == hits.pages.end()) {
                    hits.pages.push_back(page);
                    hits.counts.push_back(1 + random() % 9);
                }
        }
        Hits term;
        for (uint32_t page = 0; page < range; ++page)
            if (random() % 2 == 0) {
                term.pages.push_back(page);
                term.counts.push_back(100 + random() % 9);
            }
        SCOPED_TRACE(round);

        Hits united = hits;
        UniteHits(united.pages, united.counts, term.pages, term.counts, true, located);
        EXPECT_EQ(united, PlainUnion(hits, term));
        Hits intersected = hits;
        Hits consumed = term;
        IntersectHits(intersected.pages, intersected.counts, consumed.pages, consumed.counts, true, located);
        EXPECT_EQ(intersected, PlainIntersection(hits, term));
        EXPECT_TRUE(consumed.pages.empty() && consumed.counts.empty());

        const CDWordArray unitedPages = united.pages;
        UniteHits(hits.pages, hits.counts, term.pages, term.counts, false, located);
        EXPECT_EQ(hits.pages, unitedPages);
        EXPECT_TRUE(hits.counts.empty());
    }
}

}  // namespace
}  // namespace varo
