#include "panel/paneltext.h"
#include "panel/resultlist.h"

#include "panel/columnfit.h"
#include "tests/panel/panelfixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace varo {
namespace {

using test::FakePorts;

ContentsNodeTag* Add(ContentsNodeTag& parent, const char16_t* name, uint32_t docID, uint32_t docNo,
                     uint16_t curFileName = 1)
{
    auto node = std::make_unique<ContentsNodeTag>();
    node->name = name;
    node->level = parent.level + 1;
    node->docID = docID;
    node->docNo = docNo;
    node->curFileName = curFileName;
    node->parent = &parent;
    parent.children.push_back(std::move(node));
    return parent.children.back().get();
}

// Pages 0..9 in one category:
//   C  [0..9]
//     T1 [0..5]   V1 [0..2] labels 1..3, V2 [3..5] labels 1..3
//     T2 [6..9]   V3 [6..9] labels 10..13, with D (level 4) [7..7] under it
struct Tree {
    ContentsNodeTag root;
    ContentsNodeTag *c, *t1, *v1, *v2, *t2, *v3, *d;
    Tree()
    {
        c = Add(root, u"C", 1, 10);
        t1 = Add(*c, u"T1", 1, 6);
        v1 = Add(*t1, u"V1", 1, 3);
        v2 = Add(*t1, u"V2", 4, 3);
        t2 = Add(*c, u"T2", 7, 4);
        v3 = Add(*t2, u"V3", 7, 4, 10);
        d = Add(*v3, u"D", 8, 1, 2);
    }
};

struct Named {
    std::u16string category, title, volume;
    uint32_t label;
};

Named Collect1(CResultList& list, const ContentsNodeTag& scope, uint32_t page)
{
    list.m_scanPages = {page};
    list.m_scanCounts = {1};
    list.CollectResults(scope);
    if (list.m_results.size() != 1)
        return {u"<out of scope>", {}, {}, 0};
    const SearchNodeTag& r = list.m_results[0];
    EXPECT_EQ(r.pageNumber, page);
    return {r.categoryName, r.titleName, r.volumeName, r.pageLabel};
}

TEST(ResultList, collect_namesEachPageFromTheScope)
{
    Tree tree;
    struct Case {
        const ContentsNodeTag* scope;
        uint32_t page;
        Named expected;
    } const cases[] = {
        {tree.c, 4, {u"C", u"T1", u"V2", 2}},
        {tree.c, 8, {u"C", u"T2", u"V3", 12}},
        {tree.t1, 4, {u"C", u"T1", u"V2", 2}},
        {tree.t1, 8, {u"<out of scope>", {}, {}, 0}},
        {tree.v2, 3, {u"C", u"T1", u"V2", 1}},
        {tree.v2, 2, {u"<out of scope>", {}, {}, 0}},
        // A node below the volumes: its grandparent stands as the category, no title, itself
        // as the volume.
        {tree.d, 7, {u"T2", u"", u"D", 2}},
    };
    CResultList list;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.scope->name.begin(), c.scope->name.end()) + " page " + std::to_string(c.page));
        const Named got = Collect1(list, *c.scope, c.page);
        EXPECT_EQ(got.category, c.expected.category);
        EXPECT_EQ(got.title, c.expected.title);
        EXPECT_EQ(got.volume, c.expected.volume);
        EXPECT_EQ(got.label, c.expected.label);
    }
}

TEST(ResultList, collect_takesTheFirstHolderInFileOrder)
{
    // Odd but possible catalogues: overlapping titles, a volume outside its title's range and
    // a page no title holds.
    ContentsNodeTag root;
    ContentsNodeTag* c = Add(root, u"C", 1, 8);
    ContentsNodeTag* t1 = Add(*c, u"T1", 1, 2);
    Add(*t1, u"V1", 1, 2);
    Add(*t1, u"Vx", 3, 1, 7);
    ContentsNodeTag* t2 = Add(*c, u"T2", 2, 3);
    Add(*t2, u"V2", 3, 2);
    Add(*c, u"T3", 1, 4);
    CResultList list;
    // Page 1: T1 and T2 and T3 hold it; T1 comes first.
    EXPECT_EQ(Collect1(list, *c, 1).title, u"T1");
    // Page 2: T2 is the first title, but the first grandchild holding it is Vx under T1.
    const Named page2 = Collect1(list, *c, 2);
    EXPECT_EQ(page2.title, u"T2");
    EXPECT_EQ(page2.volume, u"Vx");
    EXPECT_EQ(page2.label, 7u);
    // Page 6: inside the category only.
    const Named page6 = Collect1(list, *c, 6);
    EXPECT_EQ(page6.title, u"");
    EXPECT_EQ(page6.volume, u"");
    EXPECT_EQ(page6.label, 0u);
}

TEST(ResultList, collect_keepsScopePages_sumsCounts_sortsByLabel)
{
    Tree tree;
    CResultList list;
    // Page labels: 9 -> 13 (V3), 0 -> 1 (V1), 4 -> 2 (V2), 1 -> 2 (V1), 12 outside.
    list.m_scanPages = {9, 0, 12, 4, 1};
    list.m_scanCounts = {5, 1, 100, 2};  // one count short: page 1 counts none
    EXPECT_EQ(list.CollectResults(*tree.c), 8u);
    std::vector<uint32_t> pages;
    for (const SearchNodeTag& r : list.m_results)
        pages.push_back(r.pageNumber);
    EXPECT_EQ(pages, (std::vector<uint32_t>{0, 4, 1, 9}));
    EXPECT_EQ(list.m_results[2].hitCount, 0u);
    EXPECT_TRUE(list.m_scanPages.empty());
    EXPECT_TRUE(list.m_scanCounts.empty());
}

// n results in one volume, page i labelled i + 1.
void Fill(CResultList& list, const ContentsNodeTag& volume, uint32_t n)
{
    list.m_scanPages.clear();
    for (uint32_t i = 0; i < n; ++i)
        list.m_scanPages.push_back(i);
    list.m_scanCounts.assign(n, 1);
    list.CollectResults(volume);
    list.ShowFirstListPage();
}

TEST(ResultList, paging_rowsAndControlsPerListPage)
{
    ContentsNodeTag root;
    ContentsNodeTag* volume = Add(*Add(*Add(root, u"C", 1, 5000), u"T", 1, 5000), u"V", 1, 5000);
    struct Case {
        uint32_t results;
        int pageCount;
        size_t rowsOnFirst;
        size_t rowsOnLast;
    } const cases[] = {{0, 0, 0, 0}, {1, 1, 1, 1}, {100, 1, 100, 100}, {101, 2, 100, 1}, {250, 3, 100, 50}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.results);
        FakePorts view;
        CResultList list(&view);
        Fill(list, *volume, c.results);
        EXPECT_EQ(list.m_listPageCount, c.pageCount);
        EXPECT_EQ(view.rows.size(), c.rowsOnFirst);
        if (c.pageCount == 0) {
            EXPECT_EQ(list.m_listPage, 0);
            EXPECT_FALSE(view.paging.visible);
            continue;
        }
        EXPECT_EQ(view.rows[0].columns[3], u"1");
        EXPECT_EQ(view.rows[0].itemData, 0u);
        EXPECT_TRUE(view.paging.visible);
        EXPECT_EQ(view.paging.boxText, u"1");
        EXPECT_EQ(view.paging.countText, u"/" + std::u16string(1, static_cast<char16_t>(u'0' + c.pageCount)));
        EXPECT_FALSE(view.paging.previousEnabled);
        EXPECT_EQ(view.paging.nextEnabled, c.pageCount > 1);
        EXPECT_EQ(view.paging.boxReadOnly, c.pageCount == 1);
        list.NextListPage();
        list.NextListPage();
        list.NextListPage();  // beyond the last: nothing
        EXPECT_EQ(list.m_listPage, c.pageCount);
        EXPECT_EQ(view.rows.size(), c.rowsOnLast);
        EXPECT_EQ(view.rows.back().itemData, c.results - 1);
        EXPECT_EQ(view.paging.previousEnabled, c.pageCount > 1);
        EXPECT_FALSE(view.paging.nextEnabled);
        list.PreviousListPage();
        EXPECT_EQ(list.m_listPage, c.pageCount > 1 ? c.pageCount - 1 : 1);
    }
}

TEST(ResultList, pageBox_takesEachTypedDigit_andPutsBackNumbersOutOfRange)
{
    ContentsNodeTag root;
    ContentsNodeTag* volume = Add(root, u"V", 1, 2000);
    volume->level = 3;
    FakePorts view;
    CResultList list(&view);
    Fill(list, *volume, 1500);  // 15 list pages
    list.OnPageBoxTextChanged(u"1");
    EXPECT_EQ(list.m_listPage, 1);
    list.OnPageBoxTextChanged(u"12");
    EXPECT_EQ(list.m_listPage, 12);
    EXPECT_EQ(view.rows.front().itemData, 1100u);
    EXPECT_EQ(view.paging.boxText, u"12");
    for (const char16_t* text : {u"0", u"16", u"", u"99999999999999999999999", u"-3"}) {
        SCOPED_TRACE(std::u16string(text).size());
        view.paging.boxText = u"typed";
        list.OnPageBoxTextChanged(text);
        EXPECT_EQ(list.m_listPage, 12);
        EXPECT_EQ(view.paging.boxText, u"12");
    }
    list.OnPageBoxTextChanged(u"3x");
    EXPECT_EQ(list.m_listPage, 3);
}

std::vector<uint32_t> Pages(const CResultList& list)
{
    std::vector<uint32_t> pages;
    for (const SearchNodeTag& result : list.m_results)
        pages.push_back(result.pageNumber);
    return pages;
}

// Every page of the tree, found in the order 9 .. 0, page p with p + 1 hits.
void FillTree(CResultList& list, const Tree& tree)
{
    for (uint32_t page = 10; page-- > 0;) {
        list.m_scanPages.push_back(page);
        list.m_scanCounts.push_back(page + 1);
    }
    list.CollectResults(*tree.c);
    list.ShowFirstListPage();
}

TEST(ResultList, columnClicks_sortEveryResultBothWays)
{
    Tree tree;
    FakePorts view;
    CResultList list(&view);
    FillTree(list, tree);
    // Labels 1 (pages 3, 0 in hit order), 2 (4, 1), 3 (5, 2), 10 .. 13 (6 .. 9).
    EXPECT_EQ(Pages(list), (std::vector<uint32_t>{3, 0, 4, 1, 5, 2, 6, 7, 8, 9}));
    EXPECT_EQ(list.SortColumn(), COLUMN_PAGE);
    EXPECT_FALSE(list.SortDescending());
    struct Step {
        int column;
        std::vector<uint32_t> pages;
        bool descending;
    } const steps[] = {
        {COLUMN_PAGE, {9, 8, 7, 6, 5, 2, 4, 1, 3, 0}, true},   {COLUMN_PAGE, {3, 0, 4, 1, 5, 2, 6, 7, 8, 9}, false},
        {COLUMN_HITS, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false},  {COLUMN_HITS, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true},
        {COLUMN_TITLE, {5, 4, 3, 2, 1, 0, 9, 8, 7, 6}, false}, {COLUMN_VOLUME, {2, 1, 0, 5, 4, 3, 9, 8, 7, 6}, false},
        {COLUMN_VOLUME, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, true}, {COLUMN_CATEGORY, {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.column);
        list.OnColumnClick(step.column);
        EXPECT_EQ(Pages(list), step.pages);
        EXPECT_EQ(list.SortColumn(), step.column);
        EXPECT_EQ(list.SortDescending(), step.descending);
        ASSERT_EQ(view.rows.size(), 10u);
        EXPECT_EQ(view.rows[0].itemData, step.pages[0]);
        EXPECT_EQ(view.rows[0].columns[4], DecimalText(step.pages[0] + 1));
    }
    list.OnColumnClick(5);  // no such column
    EXPECT_EQ(list.SortColumn(), COLUMN_CATEGORY);
}

TEST(ResultList, catalogueOrder_listsPagesInReadingOrder)
{
    Tree tree;
    FakePorts view;
    CResultList list(&view);
    FillTree(list, tree);
    list.SetCatalogueOrder(true);
    EXPECT_EQ(Pages(list), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(list.SortColumn(), -1);
    // The next search lists in reading order too; switched off, page labels again.
    FillTree(list, tree);
    EXPECT_EQ(Pages(list), (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    list.SetCatalogueOrder(false);
    EXPECT_EQ(Pages(list), (std::vector<uint32_t>{0, 3, 1, 4, 2, 5, 6, 7, 8, 9}));
    EXPECT_EQ(list.SortColumn(), COLUMN_PAGE);
}

TEST(ResultList, columnClicks_orderManyTiesAsAStableSortDoes)
{
    // A thousand results with four hit counts among them: every click must keep the order
    // that was listed before among equal counts, however long the chains of moves that put
    // each result into its place.
    ContentsNodeTag root;
    ContentsNodeTag* volume = Add(root, u"V", 1, 1000);
    volume->level = 3;
    CResultList list;
    for (uint32_t page = 0; page < 1000; ++page) {
        list.m_scanPages.push_back(page);
        list.m_scanCounts.push_back(page * 7919 % 4);
    }
    list.CollectResults(*volume);
    for (bool descending : {false, true}) {
        SCOPED_TRACE(descending);
        std::vector<SearchNodeTag> expected = list.m_results;
        std::stable_sort(expected.begin(), expected.end(), [&](const SearchNodeTag& a, const SearchNodeTag& b) {
            return descending ? b.hitCount < a.hitCount : a.hitCount < b.hitCount;
        });
        list.OnColumnClick(COLUMN_HITS);
        ASSERT_EQ(list.SortDescending(), descending);
        std::vector<uint32_t> wanted;
        for (const SearchNodeTag& result : expected)
            wanted.push_back(result.pageNumber);
        EXPECT_EQ(Pages(list), wanted);
        // Every result keeps its own names and numbers through the moves.
        for (const SearchNodeTag& result : list.m_results) {
            EXPECT_EQ(result.pageLabel, result.pageNumber + 1);
            EXPECT_EQ(result.hitCount, result.pageNumber * 7919 % 4);
            EXPECT_EQ(result.volumeName, u"V");
        }
    }
}

// Each scope entry takes its share of a hit set: the pages in its range, in the set's order,
// each with its count; the engine's sorted sets and a set out of order give the same shares.
TEST(HitSetShares, eachEntryTakesThePagesOfItsRange)
{
    Tree tree;  // C holds pages 0..9, T1 0..5, V2 3..5, T2 6..9, D 7
    ContentsNodeTag root;
    ContentsNodeTag* empty = Add(root, u"E", 4, 0);
    ContentsNodeTag* beyond = Add(root, u"B", 4000000000u, 300000000u);  // past 2^32 pages
    struct Case {
        const ContentsNodeTag* entry;
        std::vector<uint32_t> pages;
        std::vector<uint32_t> counts;
    } const cases[] = {
        {tree.c, {0, 2, 3, 5, 6, 9}, {10, 12, 13, 15, 16, 19}},
        {tree.t1, {0, 2, 3, 5}, {10, 12, 13, 15}},
        {tree.v2, {3, 5}, {13, 15}},
        {tree.t2, {6, 9}, {16, 19}},
        {tree.d, {}, {}},
        {empty, {}, {}},
        {beyond, {4000000000u, 4294967295u}, {20, 21}},
    };
    const std::vector<uint32_t> sortedPages{0, 2, 3, 5, 6, 9, 10, 3999999998u, 4000000000u, 4294967295u};
    const std::vector<uint32_t> sortedCounts{10, 12, 13, 15, 16, 19, 11, 22, 20, 21};
    // The same set out of order: a share lists its pages in the set's order.
    std::vector<uint32_t> shuffledPages = sortedPages;
    std::vector<uint32_t> shuffledCounts = sortedCounts;
    std::reverse(shuffledPages.begin(), shuffledPages.end());
    std::reverse(shuffledCounts.begin(), shuffledCounts.end());
    const CHitSetShares sorted(sortedPages, sortedCounts);
    const CHitSetShares shuffled(shuffledPages, shuffledCounts);
    std::vector<uint32_t> pages{99};
    std::vector<uint32_t> counts{99};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.entry->name.begin(), c.entry->name.end()));
        sorted.Take(*c.entry, pages, counts);
        EXPECT_EQ(pages, c.pages);
        EXPECT_EQ(counts, c.counts);
        shuffled.Take(*c.entry, pages, counts);
        EXPECT_EQ(pages, std::vector<uint32_t>(c.pages.rbegin(), c.pages.rend()));
        EXPECT_EQ(counts, std::vector<uint32_t>(c.counts.rbegin(), c.counts.rend()));
    }
    // A count list shorter than the page list: the pages past its end have no count in the
    // share either.
    const std::vector<uint32_t> shortCounts{10, 12, 13, 15};
    for (const std::vector<uint32_t>* set :
         std::initializer_list<const std::vector<uint32_t>*>{&sortedPages, &shuffledPages}) {
        CHitSetShares(*set, shortCounts).Take(*tree.t1, pages, counts);
        EXPECT_EQ(pages.size(), 4u);
        EXPECT_EQ(counts.size(), set == &sortedPages ? 4u : 0u);
    }
    CHitSetShares(sortedPages, shortCounts).Take(*tree.t2, pages, counts);
    EXPECT_EQ(pages, (std::vector<uint32_t>{6, 9}));
    EXPECT_TRUE(counts.empty());
}

// The result list's columns share the panel's width by the length of their texts.
TEST(ColumnFit, shortColumnsKeepTheirWidthAndLongNamesShareTheRest)
{
    struct Case {
        std::vector<int> wanted;
        int available;
        std::vector<int> widths;
    };
    const Case cases[] = {
        {{40, 60, 200, 30}, 400, {40, 60, 270, 30}},    // room to spare goes to the longest
        {{40, 300, 600, 30}, 400, {40, 110, 220, 30}},  // long columns split the rest by want
        {{40, 100, 300, 30}, 400, {40, 100, 230, 30}},  // the long one takes what is left
        {{40, 60}, 0, {1, 1}},                          // no room: every column stays visible
        {{}, 300, {}},
    };
    for (const Case& test : cases)
        EXPECT_EQ(FitColumnWidths(test.wanted, test.available), test.widths) << test.available;
}

}  // namespace
}  // namespace varo
