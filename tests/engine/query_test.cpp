#include "tests/engine/searchcollection.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

TEST(CheckQuery, countsTermsOrRejects)
{
    struct Case {
        std::u16string query;
        int terms;
    };
    const Case cases[] = {
        {u"詩", 1},        {u"詩 經", 2}, {u"詩　經", 2},   {u"  詩 \u3000 經  ", 2},
        {u"詩*經 ?書", 2}, {u"", 0},      {u" \u3000 ", 0}, {u"詩 a", 0},
        {u"詩 1", 0},      {u"詩.", 0},   {u"詩\u00E9", 0}, {u"詩\u0100", 1},
        {u"詩\t經", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CIndex::CheckQuery(c.query), c.terms) << testing::PrintToString(c.query.size());
}

class Query : public testing::Test {
protected:
    // 詩 on pages 0 1 3, 經 on 1 2 3 4.
    test::SearchCollection collection{{U"詩", U"詩經經", U"經", U"詩詩經", U"經"}};
    CIndex& index = collection.Index();

    void ExpectHits(const CDWordArray& pages, const CDWordArray& counts)
    {
        EXPECT_EQ(index.GetHitPages(), pages);
        EXPECT_EQ(index.GetHitCounts(), counts);
        EXPECT_EQ(index.m_hitPageCount, pages.size());
    }
};

TEST_F(Query, and_keepsPagesOfEveryTermWithSummedCounts)
{
    std::u16string query = u"詩 經";
    EXPECT_EQ(index.SearchAnd(query, true, false), 3 + 2);
    ExpectHits({1, 3}, {3, 3});
    EXPECT_EQ(query, u"詩\u3000經");
}

TEST_F(Query, or_appendsLaterTermsNewPages)
{
    std::u16string query = u"經 詩";
    EXPECT_EQ(index.SearchOr(query, true, false), 4 + 5);
    ExpectHits({1, 2, 3, 4, 0}, {3, 1, 3, 1, 1});
    EXPECT_EQ(query, u"經\u3000詩");

    query = u"詩 經";
    index.SearchOr(query, false, false);
    ExpectHits({0, 1, 3, 2, 4}, {});
}

TEST_F(Query, blanks_makeNoEmptyTerms)
{
    for (std::u16string query : {u"詩", u"詩  ", u" 詩", u"  詩  詩 "}) {
        index.SearchAnd(query, true, false);
        ExpectHits({0, 1, 3}, query.size() > 3 ? CDWordArray{2, 2, 4} : CDWordArray{1, 1, 2});
        EXPECT_EQ(query.find(u' '), std::u16string::npos);
    }
}

TEST_F(Query, wideBlank_staysInsideItsTerm)
{
    // Only U+0020 separates terms here: 詩　經 is one term, searched as 詩經.
    std::u16string query = u"詩\u3000經";
    EXPECT_EQ(index.SearchOr(query, true, false), 2);
    ExpectHits({1, 3}, {1, 1});
    EXPECT_EQ(query, u"詩\u3000經");
}

TEST_F(Query, rejectedQuery_changesNothing)
{
    std::u16string good = u"詩";
    index.SearchAnd(good, true, false);
    for (std::u16string query : {u"詩 a", u"", u"   ", u"詩 1 經"}) {
        const std::u16string before = query;
        EXPECT_EQ(index.SearchAnd(query, true, false), 0);
        EXPECT_EQ(index.SearchOr(query, true, false), 0);
        EXPECT_EQ(query, before);
        ExpectHits({0, 1, 3}, {1, 1, 2});
    }
}

TEST_F(Query, termThatCannotMatch_emptiesAndButNotOr)
{
    for (std::u16string term : {u"*", u"書", u"、"}) {
        std::u16string query = u"詩 " + term;
        EXPECT_EQ(index.SearchAnd(query, true, false), 3);
        ExpectHits({}, {});
        query = u"詩 " + term;
        EXPECT_EQ(index.SearchOr(query, true, false), 3);
        ExpectHits({0, 1, 3}, {1, 1, 2});
    }
    // Once emptied, an and-query stays empty whatever follows.
    std::u16string query = u"書 詩";
    EXPECT_EQ(index.SearchAnd(query, true, false), 0);
    ExpectHits({}, {});
}

TEST_F(Query, variants_applyToEveryTerm)
{
    // Group 0 = 詩 诗: the simplified form finds the traditional one.
    test::SearchCollection withGroups({U"诗", U"詩經"}, {{U'詩', U'诗'}});
    CIndex& variantIndex = withGroups.Index();
    std::u16string query = u"诗 經";
    variantIndex.SearchOr(query, true, true);
    EXPECT_EQ(variantIndex.GetHitPages(), (CDWordArray{0, 1}));
    query = u"诗 經";
    variantIndex.SearchOr(query, true, false);
    EXPECT_EQ(variantIndex.GetHitPages(), (CDWordArray{0, 1}));
    query = u"诗 經";
    variantIndex.SearchAnd(query, true, false);
    EXPECT_TRUE(variantIndex.GetHitPages().empty());
    query = u"诗 經";
    variantIndex.SearchAnd(query, true, true);
    EXPECT_EQ(variantIndex.GetHitPages(), CDWordArray{1});
}

TEST(QueryClosedIndex, findsNothing)
{
    test::TempDir empty;
    CIndex index;
    EXPECT_FALSE(index.Open(empty.Folder(), u"Index", 0));
    index.m_hitPages = {4};
    index.m_hitCounts = {1};
    std::u16string query = u"詩 經";
    EXPECT_EQ(index.SearchAnd(query, true, true), 0);
    EXPECT_TRUE(index.GetHitPages().empty());
    EXPECT_EQ(query, u"詩\u3000經");
    index.m_hitPages = {4};
    index.m_hitCounts = {1};
    EXPECT_EQ(index.SearchOr(query, true, false), 0);
    EXPECT_TRUE(index.GetHitPages().empty());
    EXPECT_TRUE(index.GetHitCounts().empty());
}

}  // namespace
}  // namespace varo
