// Research with the results of a search in the panel: where the hits cluster, searching inside
// the results and narrowing them, the way back, the history, a concordance line's hit shown,
// and the citation of a page.
#include "panel/citation.h"
#include "panel/hitstatistics.h"
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::PanelRig;

constexpr int kJingBu = 1;
constexpr int kWeiZheng = 4;

std::vector<uint32_t> ListedPages(const CLeftFormModel& panel)
{
    std::vector<uint32_t> pages;
    for (const SearchNodeTag& result : panel.m_resultList.m_results)
        pages.push_back(result.pageNumber);
    return pages;
}

CLeftFormModel& Search(PanelRig& rig, const std::u16string& query, int scope = kJingBu)
{
    CLeftFormModel& panel = rig.model ? *rig.model : rig.Start();
    panel.OnContentsSelect(scope);
    rig.ports.Type(query);
    panel.RunSearch();
    return panel;
}

TEST(Statistics, entriesOfEachDepthAddUpToTheSummary)
{
    PanelRig rig;
    CLeftFormModel& panel = Search(rig, u"詩");
    EXPECT_EQ(rig.ports.summary, u"全部で 4 頁で、6 箇所でした。");
    const std::vector<StatNodeTag> stats = HitStatistics(*panel.ScopeNode(), panel.SearchResults());
    struct Expected {
        int slot, level, depth;
        const char16_t* name;
        uint64_t pages, hits;
    } const expected[] = {
        {1, 1, 0, u"經部", 4, 6}, {2, 2, 1, u"論語", 3, 5}, {3, 3, 2, u"學而", 1, 3},
        {4, 3, 2, u"爲政", 2, 2}, {5, 2, 1, u"孟子", 1, 1}, {6, 3, 2, u"梁惠王", 1, 1},
    };
    ASSERT_EQ(stats.size(), std::size(expected));
    uint64_t pagesByDepth[3] = {}, hitsByDepth[3] = {};
    for (size_t i = 0; i < stats.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(stats[i].slot, expected[i].slot);
        EXPECT_EQ(stats[i].level, expected[i].level);
        EXPECT_EQ(stats[i].depth, expected[i].depth);
        EXPECT_EQ(stats[i].name, expected[i].name);
        EXPECT_EQ(stats[i].pages, expected[i].pages);
        EXPECT_EQ(stats[i].hits, expected[i].hits);
        pagesByDepth[stats[i].depth] += stats[i].pages;
        hitsByDepth[stats[i].depth] += stats[i].hits;
    }
    for (int depth = 1; depth < 3; ++depth) {
        EXPECT_EQ(pagesByDepth[depth], 4u);
        EXPECT_EQ(hitsByDepth[depth], 6u);
    }
}

TEST(Refinement, searchInsideTheResults_keepsTheListedPagesWithTheNewCounts)
{
    PanelRig rig;
    CLeftFormModel& panel = Search(rig, u"詩");
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 23, 22, 0}));
    EXPECT_EQ(rig.ports.narrowing, u"");

    panel.m_refine = true;
    Search(rig, u"經");  // 經 stands on pages 20, 21 and 25; of those only 20 is listed
    EXPECT_EQ(ListedPages(panel), std::vector<uint32_t>{20});
    EXPECT_EQ(rig.ports.summary, u"全部で 1 頁で、1 箇所でした。");
    EXPECT_EQ(rig.ports.narrowing, u"結果内検索");
    EXPECT_TRUE(panel.IsNarrowed());

    panel.ShowWholeScope();
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 21}));
    EXPECT_EQ(rig.ports.narrowing, u"");
    EXPECT_FALSE(panel.IsNarrowed());
    EXPECT_TRUE(panel.m_refine);  // the option stays as the reader set it

    // The way back is not a search of its own in the history.
    const std::vector<SearchHistoryEntryTag>& history = panel.m_history.Entries();
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history[0].query, u"經");
    EXPECT_TRUE(history[0].refine);
    EXPECT_EQ(history[1].query, u"詩");
}

TEST(Refinement, searchInsideTheWholeCollection_keepsTheListedPagesOfEveryCategory)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.SetWholeCollectionScope();
    rig.ports.Type(u"詩");
    panel.RunSearch();
    ASSERT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 23, 22, 0, 25}));

    // 經 stands on pages 20, 21 and 25: 20 is listed under 經部, 25 under 史部.
    panel.m_refine = true;
    rig.ports.Type(u"經");
    panel.RunSearch();
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 25}));
    EXPECT_EQ(rig.ports.narrowing, u"結果内検索");
}

TEST(Refinement, firstSearchInsideNothing_coversTheScope)
{
    PanelRig rig;
    rig.Start().m_refine = true;
    CLeftFormModel& panel = Search(rig, u"詩");
    EXPECT_EQ(ListedPages(panel).size(), 4u);
    EXPECT_EQ(rig.ports.narrowing, u"");
}

TEST(Refinement, narrowToAnEntry_listsItsPagesUntilTheWayBack)
{
    PanelRig rig;
    CLeftFormModel& panel = Search(rig, u"詩");
    ASSERT_TRUE(panel.NarrowToEntry(kWeiZheng));
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 22}));
    EXPECT_EQ(rig.ports.summary, u"全部で 2 頁で、2 箇所でした。");
    EXPECT_EQ(rig.ports.narrowing, u"絞り込み：爲政");
    EXPECT_EQ(panel.SearchResults().size(), 4u);  // the statistics keep the whole search
    EXPECT_FALSE(panel.NarrowToEntry(0));
    EXPECT_FALSE(panel.NarrowToEntry(9999));

    panel.ShowWholeScope();
    EXPECT_EQ(ListedPages(panel).size(), 4u);
    EXPECT_EQ(rig.ports.narrowing, u"");
}

TEST(Refinement, refusedQuery_entersNoHistory)
{
    PanelRig rig;
    CLeftFormModel& panel = Search(rig, u"詩");
    ASSERT_TRUE(panel.NarrowToEntry(kWeiZheng));
    Search(rig, u"詩a");
    ASSERT_EQ(panel.m_history.Entries().size(), 1u);
    EXPECT_EQ(panel.m_history.Entries()[0].query, u"詩");
    // The list is emptied, and with it the narrowing it showed.
    EXPECT_TRUE(panel.m_resultList.m_results.empty());
    EXPECT_EQ(rig.ports.narrowing, u"");
    EXPECT_FALSE(panel.IsNarrowed());
}

TEST(ShowHit, concordanceLine_showsItsHitAndTheHitCommandsGoOn)
{
    PanelRig rig;
    CLeftFormModel& panel = Search(rig, u"詩");
    panel.ShowHit(0, 2);  // page 0 has three hits
    ASSERT_FALSE(rig.ports.navigations.empty());
    EXPECT_EQ(rig.ports.navigations.back().second, u"0002");
    EXPECT_FALSE(panel.CanNextHit());
    EXPECT_TRUE(panel.CanPreviousHit());
    panel.PreviousHit();
    EXPECT_EQ(rig.ports.navigations.back().second, u"0001");
    panel.ShowHit(0, 7);  // past the last: the last
    EXPECT_EQ(rig.ports.navigations.back().second, u"0002");
    EXPECT_EQ(panel.m_pageDisplay.m_shownPage, 0u);
}

TEST(Citation, anyPageIsNamedFromTheCatalogue)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    const std::optional<CitationTag> citation = CitationOf(panel.m_catalogue, 21);
    ASSERT_TRUE(citation);
    EXPECT_EQ(FormatCitation(kDefaultCitationFormat, *citation), u"經部『論語』爲政、2頁");
    EXPECT_EQ(FormatCitation(u"{title} {volume} p.{label} [{page}] {unknown} {", *citation),
              u"論語 爲政 p.2 [21] {unknown} {");
    EXPECT_EQ(CitedText(u"詩\n經", u"（{label}）", *citation), u"詩\n經\n（2）");
    EXPECT_FALSE(CitationOf(panel.m_catalogue, 27));
}

}  // namespace
}  // namespace varo
