// The search run from the typed keywords to the filled result list, the search target, the
// Enter key and the display of a selected result with its hit commands.
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::PanelRig;
using test::VolumeSpec;

constexpr int kJingBu = 1;  // the category 經部: page records 0..24
constexpr int kShiBu = 7;   // the category 史部: records 25..26

std::vector<uint32_t> ListedPages(const CLeftFormModel& panel)
{
    std::vector<uint32_t> pages;
    for (const SearchNodeTag& result : panel.m_resultList.m_results)
        pages.push_back(result.pageNumber);
    return pages;
}

TEST(SearchRun, andOr_listScopePagesSortedByLabel)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩\u3000經");  // typed with an ideographic space

    panel.RunSearch();
    // Page 25 holds both as well but lies in 史部.
    EXPECT_EQ(ListedPages(panel), std::vector<uint32_t>{20});
    EXPECT_EQ(rig.ports.summary, u"全部で 1 頁で、2 箇所でした。");
    ASSERT_EQ(rig.ports.rows.size(), 1u);
    EXPECT_EQ(rig.ports.rows[0].columns, (std::array<std::u16string, 5>{u"經部", u"論語", u"爲政", u"1", u"2"}));
    EXPECT_EQ(rig.ports.rows[0].itemData, 20u);
    EXPECT_EQ(panel.m_keyWords, u"詩\u3000經");  // as the engine leaves it

    panel.m_andOr = 1;
    panel.RunSearch();
    // Labels 1 (pages 20, 23), 2 (21), 3 (22), 5 (0); equal labels keep the hit order.
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 23, 21, 22, 0}));
    EXPECT_EQ(rig.ports.summary, u"全部で 5 頁で、8 箇所でした。");
    EXPECT_EQ(rig.ports.rows[4].columns[1], u"論語");
    EXPECT_EQ(rig.ports.rows[4].columns[2], u"學而");
    EXPECT_EQ(rig.ports.rows[1].columns[1], u"孟子");
    EXPECT_TRUE(rig.ports.paging.visible);
    EXPECT_EQ(rig.ports.paging.countText, u"/1");
}

TEST(SearchRun, hitsOutsideTheScope_giveAnEmptyListAndHideThePaging)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    ASSERT_EQ(panel.m_resultList.m_listPageCount, 1);

    panel.OnContentsSelect(kShiBu);
    rig.ports.Type(u"孟");
    panel.RunSearch();
    EXPECT_EQ(rig.ports.summary, u"全部で 0 頁で、0 箇所でした。");
    EXPECT_TRUE(rig.ports.rows.empty());
    EXPECT_FALSE(rig.ports.paging.visible);
    EXPECT_EQ(panel.m_resultList.m_listPage, 0);
    EXPECT_EQ(panel.m_resultList.m_listPageCount, 0);
}

TEST(SearchRun, earlyEnds_keepResultsAndKeywords)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    const std::u16string summary = rig.ports.summary;
    const size_t rows = rig.ports.rows.size();

    struct Case {
        const char* what;
        bool hasDocument;
        std::vector<std::optional<std::u16string>> inputs;
        std::vector<std::u16string> messages;
    } const cases[] = {
        {"empty text", true, {u""}, {u"何かキーワードを入力して検索をして下さい。"}},
        {"no document", false, {u"經"}, {u"何かキーワードを入力して検索をして下さい。"}},
        {"an element without a value ends silently", true, {u"經", std::nullopt}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        rig.ports.messages.clear();
        rig.ports.hasDocument = c.hasDocument;
        rig.ports.inputs = c.inputs;
        panel.RunSearch();
        EXPECT_EQ(rig.ports.messages, c.messages);
        if (!c.messages.empty() || c.inputs.back() == std::nullopt) {
            EXPECT_EQ(panel.m_keyWords, u"詩");
            EXPECT_EQ(rig.ports.summary, summary);
            EXPECT_EQ(rig.ports.rows.size(), rows);
        }
    }
}

// The engine answers a refused query with the hit set it had, which must not be listed as the
// answer: the user is told which character (or that wildcards alone) cannot be searched, and the
// list and the summary are emptied. The field is the user's and is not touched.
TEST(SearchRun, refusedQuery_saysWhyAndEmptiesTheList)
{
    struct Case {
        std::u16string query;
        std::u16string message;
    };
    const std::u16string searchable = std::u16string(u"\n") + kSearchableText;
    const Case cases[] = {
        {u"a", kRefusedCharacterMessage + std::u16string(u"a") + searchable},
        {u"詩 經1", kRefusedCharacterMessage + std::u16string(u"1") + searchable},
        {u"詩\t經", kRefusedCharacterMessage + std::u16string(u"U+0009") + searchable},
        {u"*", kWildcardsOnlyMessage + searchable},
        {u"? \uFF1F\u3000**", kWildcardsOnlyMessage + searchable},
    };
    for (const Case& test : cases) {
        PanelRig rig;
        CLeftFormModel& panel = rig.Start();
        panel.OnContentsSelect(kJingBu);
        rig.ports.Type(u"經");
        panel.RunSearch();
        ASSERT_EQ(ListedPages(panel).size(), 2u);

        rig.ports.Type(test.query);
        panel.RunSearch();
        EXPECT_EQ(rig.ports.messages, std::vector<std::u16string>{test.message});
        EXPECT_TRUE(panel.m_resultList.m_results.empty());
        EXPECT_TRUE(rig.ports.rows.empty());
        EXPECT_FALSE(rig.ports.paging.visible);
        EXPECT_EQ(rig.ports.summary, kSummaryCaption);
        EXPECT_EQ(rig.ports.inputs, std::vector<std::optional<std::u16string>>{test.query});
    }
    // A wildcard beside a character is a query like any other.
    EXPECT_EQ(QueryRefusal(u"詩 *"), u"");
    EXPECT_EQ(QueryRefusal(u"詩?經"), u"");
    // The command line keeps searching wildcards alone, which lists nothing.
    EXPECT_EQ(QueryRefusal(u"* ?", false), u"");
    EXPECT_NE(QueryRefusal(u"* a", false), u"");
}

TEST(SearchRun, wholeCollectionScope_listsEveryCategoryInTurn)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    // The label names the scope a search covers from the start.
    EXPECT_EQ(rig.ports.scopeLabel, u"經部");
    panel.SetWholeCollectionScope();
    EXPECT_EQ(rig.ports.scopeLabel, kWholeCollectionScopePath);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    // 經部 sorted by label (20 and 23 are label 1, 22 label 3, 0 label 5), then 史部.
    EXPECT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 23, 22, 0, 25}));
    EXPECT_EQ(rig.ports.summary, u"全部で 5 頁で、7 箇所でした。");
    EXPECT_EQ(rig.ports.rows[4].columns[0], u"史部");

    // A selection in the tree makes that entry the scope again.
    panel.OnContentsSelect(kShiBu);
    EXPECT_FALSE(panel.IsWholeCollectionScope());
    EXPECT_EQ(rig.ports.scopeLabel, u"史部");
    panel.RunSearch();
    EXPECT_EQ(ListedPages(panel), std::vector<uint32_t>{25});
    EXPECT_FALSE(panel.SetScope(kCatalogueSlots));
    EXPECT_EQ(panel.m_scopeRecord, kShiBu);
}

TEST(SearchRun, enterFollowsTheFocus)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.OnEnterKey(EnterTarget::Other);
    EXPECT_TRUE(panel.m_resultList.m_results.empty());
    panel.OnEnterKey(EnterTarget::Search);
    ASSERT_EQ(panel.m_resultList.m_results.size(), 4u);
    // In the page box Enter applies the box; it never searches the typed text.
    rig.ports.Type(u"經");
    panel.OnEnterKey(EnterTarget::PageBox);
    EXPECT_EQ(panel.m_resultList.m_results.size(), 4u);
    panel.OnEnterKey(EnterTarget::Search);
    EXPECT_EQ(panel.m_resultList.m_results.size(), 2u);
}

TEST(SearchRun, scopeWithoutNode_saysSoAndKeepsTheResults)
{
    PanelRig rig;
    std::filesystem::remove(rig.dir.Path() / "zlq.dir");
    CLeftFormModel& panel = rig.Start();
    rig.ports.messages.clear();
    rig.ports.Type(u"詩");
    panel.RunSearch();
    EXPECT_EQ(rig.ports.messages, std::vector<std::u16string>{kScopeNotFoundMessage});
    EXPECT_TRUE(panel.m_resultList.m_results.empty());
    EXPECT_EQ(rig.ports.summary, u"検索集計：");
    EXPECT_EQ(panel.m_keyWords, u"");
}

TEST(SearchRun, manyResults_pageByHundredsAndEnterFollowsThePageCount)
{
    VolumeSpec big{u"C", u"T", u"V", 1, std::vector<std::u32string>(250, U"詩")};
    big.pages.push_back(U"經");
    PanelRig rig({big});
    CLeftFormModel& panel = rig.Start();
    rig.ports.Type(u"詩");
    panel.OnEnterKey();  // no list yet: Enter searches
    EXPECT_EQ(rig.ports.summary, u"全部で 250 頁で、250 箇所でした。");
    EXPECT_EQ(panel.m_resultList.m_listPageCount, 3);
    EXPECT_EQ(rig.ports.rows.size(), 100u);

    // With several list pages Enter applies the page box and does not search.
    rig.ports.Type(u"經");
    panel.m_resultList.OnPageBoxTextChanged(u"3");
    panel.m_resultList.OnPageBoxTextChanged(u"3");
    panel.OnEnterKey();
    EXPECT_EQ(panel.m_resultList.m_listPage, 3);
    EXPECT_EQ(rig.ports.rows.size(), 50u);
    EXPECT_EQ(panel.m_keyWords, u"詩");

    panel.OnContentsSelect(3);
    panel.RunSearch();
    EXPECT_EQ(panel.m_resultList.m_listPageCount, 1);
    rig.ports.Type(u"詩");
    panel.OnEnterKey();
    EXPECT_EQ(panel.m_resultList.m_listPageCount, 3);
}

TEST(SearchRun, searchTargets_reopenTheIndexKindOfTheirRadio)
{
    // With the index files of one kind missing, only the radio mapped to that kind fails.
    struct Case {
        const char* missing;
        int failingCode;
    } const cases[] = {{"Index-idx.h", 0}, {"Index_content-idx.h", 1}, {"Index_desc-idx.h", 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.missing);
        PanelRig rig;
        std::filesystem::remove(rig.dir.Path() / c.missing);
        CLeftFormModel& panel = rig.Start();
        for (int code : {2, 1, 0}) {
            rig.ports.messages.clear();
            panel.OnTargetClicked(code);
            EXPECT_EQ(panel.m_target, code);
            EXPECT_EQ(rig.ports.messages.size(), code == c.failingCode ? 1u : 0u) << code;
        }
    }
}

TEST(ResultDisplay, resultFilesAlternate_andHitCommandsWalkTheAnchors)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    ASSERT_EQ(ListedPages(panel), (std::vector<uint32_t>{20, 23, 22, 0}));

    panel.OnResultSelected(3);  // page 0: three hits
    const auto first = rig.ports.navigations.back();
    EXPECT_EQ(first.second, u"0000");
    EXPECT_EQ(panel.m_pageDisplay.m_hitCount, 3);
    EXPECT_EQ(panel.m_pageDisplay.m_hitFile, first.first);
    EXPECT_FALSE(panel.CanPreviousHit());
    panel.NextHit();
    panel.NextHit();
    EXPECT_EQ(rig.ports.navigations.back(), std::make_pair(first.first, std::u16string(u"0002")));
    EXPECT_FALSE(panel.CanNextHit());
    panel.NextHit();
    panel.PreviousHit();
    panel.PreviousHit();
    EXPECT_EQ(rig.ports.navigations.back().second, u"0000");
    EXPECT_FALSE(panel.CanPreviousHit());

    panel.OnResultSelected(0);
    panel.OnResultSelected(1);
    const size_t n = rig.ports.navigations.size();
    EXPECT_NE(rig.ports.navigations[n - 2].first, first.first);
    EXPECT_EQ(rig.ports.navigations[n - 1].first, first.first);
    EXPECT_NE(first.first.find(u"windows"), std::u16string::npos);

    panel.OnResultSelected(7);  // no such row
    EXPECT_EQ(rig.ports.navigations.size(), n);

    // Showing a plain page keeps the hit state, so the hit commands lead back to the result.
    panel.OnResultSelected(3);
    const std::u16string resultFile = panel.m_pageDisplay.m_hitFile;
    panel.OnContentsSelect(3);
    panel.NextHit();
    EXPECT_EQ(rig.ports.navigations.back(), std::make_pair(resultFile, std::u16string(u"0001")));
    // A search run rewinds to the first hit of the same result page.
    panel.RunSearch();
    EXPECT_EQ(panel.m_pageDisplay.m_hitIndex, 0);
    EXPECT_EQ(panel.m_pageDisplay.m_hitFile, resultFile);
    EXPECT_TRUE(panel.CanNextHit());
}

TEST(ResultDisplay, noHitsInTheTarget_disablesBothHitCommands)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    panel.OnTargetClicked(TARGET_ANNOTATIONS);  // the pages hold no annotations
    panel.OnResultSelected(3);
    EXPECT_EQ(panel.m_pageDisplay.m_hitCount, 0);
    EXPECT_EQ(rig.ports.navigations.back().second, u"0000");
    EXPECT_FALSE(panel.CanNextHit() || panel.CanPreviousHit());
}

TEST(ResultDisplay, closedIndexSet_showsNoResultPage)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    std::filesystem::remove(rig.dir.Path() / "Index_desc-idx.h");
    panel.OnTargetClicked(TARGET_ANNOTATIONS);
    const size_t shown = rig.ports.navigations.size();
    panel.OnResultSelected(0);
    EXPECT_EQ(rig.ports.navigations.size(), shown);
    EXPECT_EQ(panel.m_pageDisplay.m_hitFile, u"");
}

TEST(ResultDisplay, unreadablePageRecord_showsNoResultPage)
{
    PanelRig rig;
    std::filesystem::resize_file(rig.dir.Path() / "Index-fl.cnt", 0);  // every page text is gone
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    ASSERT_FALSE(rig.ports.rows.empty());
    panel.OnResultSelected(0);
    EXPECT_TRUE(rig.ports.navigations.empty());
    EXPECT_EQ(panel.m_pageDisplay.m_hitFile, u"");
}

// The status bar's account of the page shown, and what F3 and Alt+F3 say where they stop.
TEST(ResultDisplay, readerPositionAndHitEnds_followThePageShown)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    EXPECT_EQ(panel.ReaderPositionText(), u"");
    EXPECT_EQ(panel.NoFurtherHitText(true), kNoHitsOnPageText);
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    panel.OnResultSelected(3);  // page 0 of 學而, label 5: three hits
    EXPECT_EQ(panel.ReaderPositionText(), u"論語\u3000學而\u3000第 5 頁\u3000検索結果 1 / 3");
    EXPECT_EQ(panel.NoFurtherHitText(false), kFirstHitText);
    EXPECT_EQ(panel.NoFurtherHitText(true), u"");
    panel.NextHit();
    panel.NextHit();
    EXPECT_EQ(panel.ReaderPositionText(), u"論語\u3000學而\u3000第 5 頁\u3000検索結果 3 / 3");
    EXPECT_EQ(panel.NoFurtherHitText(true), kLastHitText);

    panel.OnContentsSelect(4);  // the volume 爲政, first page label 1
    EXPECT_EQ(panel.ReaderPositionText(), u"論語\u3000爲政\u3000第 1 頁");
    panel.NextPage();
    EXPECT_EQ(panel.ReaderPositionText(), u"論語\u3000爲政\u3000第 2 頁");
}

// A page file that cannot be written is reported, and the view keeps what it shows.
TEST(ResultDisplay, unwritablePageFile_isReported)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    std::filesystem::remove_all(PanelRig::Native(panel.m_pageDisplay.FolderPath()));
    const size_t shown = rig.ports.navigations.size();
    panel.OnResultSelected(0);
    panel.OnContentsSelect(4);
    EXPECT_EQ(rig.ports.navigations.size(), shown);
    EXPECT_EQ(rig.ports.messages,
              (std::vector<std::u16string>{kPageFileUnwritableMessage, kPageFileUnwritableMessage}));
}

}  // namespace
}  // namespace varo
