#include "tests/engine/searchcollection.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::SearchCollection;

std::u32string Repeat(char32_t c, size_t count)
{
    return std::u32string(count, c);
}

// A page of filler 丁 as long as length with the given characters at their positions.
std::u32string Spread(size_t length, std::initializer_list<std::pair<size_t, char32_t>> placed)
{
    std::u32string text = Repeat(U'丁', length);
    for (const auto& [position, c] : placed)
        text[position] = c;
    return text;
}

// 甲 乙 丙 are searched; 丁 fills; 'a' and 、 have no slot.
struct TermCase {
    const char* name;
    std::vector<std::u32string> texts;
    std::u16string term;
    CDWordArray pages;
    CDWordArray counts;
};

const TermCase kTermCases[] = {
    {"one character: every page, count = positions", {U"甲丁甲", U"丁", U"甲"}, u"甲", {0, 2}, {2, 1}},
    {"adjacent occurrences", {U"甲乙甲乙", U"乙甲"}, u"甲乙", {0}, {2}},
    {"overlapping occurrences count", {U"甲甲甲"}, u"甲甲", {0}, {2}},
    {"overlapping three-character term", {U"甲乙甲乙甲乙甲"}, u"甲乙甲", {0}, {3}},
    {"? is exactly one character", {U"甲丁乙", U"甲乙", U"甲丁丁乙"}, u"甲?乙", {0}, {1}},
    {"full-width ？ too", {U"甲丁乙", U"甲乙", U"甲丁丁乙"}, u"甲？乙", {0}, {1}},
    {"? before the term imposes nothing", {U"甲", U"丁甲"}, u"?甲", {0, 1}, {1, 1}},
    {"? after the term imposes nothing", {U"甲", U"甲丁"}, u"甲?", {0, 1}, {1, 1}},
    {"* allows 0 to 300 between",
     {U"甲乙", U"甲" + Repeat(U'丁', 300) + U"乙", U"甲" + Repeat(U'丁', 301) + U"乙", U"乙甲"},
     u"甲*乙",
     {0, 1},
     {1, 1}},
    {"* counts every pairing the passes reach", {U"甲甲乙乙"}, u"甲*乙", {0}, {2}},
    {"three segments: a later first-segment occurrence starts the arrangement",
     {Spread(800, {{83, U'甲'}, {359, U'甲'}, {490, U'乙'}, {775, U'丙'}})},
     u"甲*乙*丙",
     {0},
     {1}},
    {"three segments: a later middle occurrence than the nearest",
     {Spread(600, {{0, U'甲'}, {10, U'乙'}, {300, U'乙'}, {550, U'丙'}}),
      Spread(600, {{0, U'甲'}, {10, U'乙'}, {302, U'乙'}, {550, U'丙'}})},
     u"甲*乙*丙",
     {0},
     {1}},
    {"leading and repeated * are dropped", {U"甲丁", U"丁"}, u"**甲", {0}, {1}},
    {"a run of * is one gap", {U"甲" + Repeat(U'丁', 301) + U"乙"}, u"甲***乙", {}, {}},
    {"characters without a slot are dropped", {U"甲乙", U"甲a乙", U"甲　乙"}, u"甲a　乙", {0}, {1}},
    {"wildcard-only segment widens the gap",
     {U"甲丁乙", U"甲丁丁乙", U"甲" + Repeat(U'丁', 602) + U"乙", U"甲" + Repeat(U'丁', 603) + U"乙"},
     u"甲*??*乙",
     {1, 2},
     {1, 1}},
    {"segment emptied by a dropped character", {U"甲、", U"甲"}, u"甲*、", {0, 1}, {1, 1}},
    {"empty leading segment", {U"丁甲"}, u"、*甲", {0}, {1}},
    {"supplementary characters count once",
     {U"\U00020000丁甲", U"\U00020000\U00020000甲"},
     u"\U00020000?甲",
     {0, 1},
     {1, 1}},
    {"kana and compatibility ideographs", {U"あ\uF900", U"\uF900あ"}, u"あ\uF900", {0}, {1}},
    {"a character that occurs nowhere", {U"甲乙"}, u"甲丙", {}, {}},
    {"only wildcards", {U"甲"}, u"?*？", {}, {}},
    {"empty term", {U"甲"}, u"", {}, {}},
    {"only characters without a slot", {U"甲"}, u"a、", {}, {}},
};

TEST(TermSearch, termCases_findPagesAndCounts)
{
    for (const TermCase& c : kTermCases) {
        SCOPED_TRACE(c.name);
        SearchCollection collection(c.texts);
        CIndex& index = collection.Index();
        index.m_hitPages = {99};
        index.m_hitCounts = {1};
        EXPECT_EQ(index.SearchTerm(c.term, SEARCH_REPLACE, true, false), c.pages.size());
        EXPECT_EQ(index.GetHitPages(), c.pages);
        EXPECT_EQ(index.GetHitCounts(), c.counts);
        EXPECT_EQ(index.m_hitPageCount, c.pages.size());

        EXPECT_EQ(index.SearchTerm(c.term, SEARCH_REPLACE, false, false), c.pages.size());
        EXPECT_EQ(index.GetHitPages(), c.pages);
        EXPECT_TRUE(index.GetHitCounts().empty());
    }
}

TEST(TermSearch, longTerm_isSearchedWhole)
{
    std::u32string text;
    std::u16string term;
    for (int i = 0; i < 400; ++i) {
        text += i % 3 == 0 ? U'甲' : U'乙';
        term += i % 3 == 0 ? u'甲' : u'乙';
    }
    SearchCollection collection({text, text.substr(1), text + text});
    CIndex& index = collection.Index();
    EXPECT_EQ(index.SearchTerm(term, SEARCH_REPLACE, true, false), 2u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{0, 2}));
    EXPECT_EQ(index.GetHitCounts(), (CDWordArray{1, 2}));

    // Hundreds of wildcards before the one character impose nothing.
    EXPECT_EQ(index.SearchTerm(std::u16string(500, u'?') + u"丙", SEARCH_REPLACE, true, false), 0u);
    EXPECT_EQ(index.SearchTerm(std::u16string(500, u'?') + u"甲", SEARCH_REPLACE, true, false), 3u);
}

TEST(TermSearch, positionListEndingOnBlockEnd_continuesInChainedBlock)
{
    // Page 0's entry is 1 + 2 + 4093 bytes: it ends on the block's last byte, and page 1's
    // entry starts the block the chain leads to.
    for (bool scramble : {false, true}) {
        SCOPED_TRACE(scramble);
        writer::WriterOptions options;
        options.scrambleBlocks = scramble;
        options.scrambleSeed = 7;
        SearchCollection collection({Repeat(U'甲', 4093), U"丁甲", Repeat(U'乙', 9000) + U"甲"}, {}, options);
        CIndex& index = collection.Index();
        EXPECT_EQ(index.SearchTerm(u"甲", SEARCH_REPLACE, true, false), 3u);
        EXPECT_EQ(index.GetHitCounts(), (CDWordArray{4093, 1, 1}));
        EXPECT_EQ(index.SearchTerm(u"乙甲", SEARCH_REPLACE, true, false), 1u);
        EXPECT_EQ(index.GetHitPages(), CDWordArray{2});
    }
}

TEST(TermSearch, variants_searchTheGroupStream)
{
    // Group 0 = 乾 干; 丙 is in no group.
    SearchCollection collection({U"乾", U"干", U"丙", U"乾干"}, {{U'乾', U'干'}});
    CIndex& index = collection.Index();
    struct Case {
        std::u16string term;
        bool variants;
        CDWordArray pages;
        CDWordArray counts;
    };
    const Case cases[] = {
        {u"干", false, {1, 3}, {1, 1}}, {u"干", true, {0, 1, 3}, {1, 1, 2}},
        {u"乾乾", true, {3}, {1}},      {u"乾乾", false, {}, {}},
        {u"丙", true, {2}, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.variants << " " << c.pages.size());
        index.SearchTerm(c.term, SEARCH_REPLACE, true, c.variants);
        EXPECT_EQ(index.GetHitPages(), c.pages);
        EXPECT_EQ(index.GetHitCounts(), c.counts);
    }
}

class TermMerge : public testing::Test {
protected:
    // 甲 on pages 1 3 5, 乙 on 0 1 2 5, 丙 on 4.
    SearchCollection collection{{U"乙", U"甲乙乙", U"乙", U"甲", U"丙", U"甲甲乙"}};
    CIndex& index = collection.Index();
};

TEST_F(TermMerge, union_keepsEarlierOrderAndAppendsNewPagesAscending)
{
    EXPECT_EQ(index.SearchTerm(u"甲", SEARCH_UNION, true, false), 3u);
    EXPECT_EQ(index.SearchTerm(u"乙", SEARCH_UNION, true, false), 5u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{1, 3, 5, 0, 2}));
    EXPECT_EQ(index.GetHitCounts(), (CDWordArray{3, 1, 3, 1, 1}));
    EXPECT_EQ(index.m_hitPageCount, 5u);

    // A term that cannot match leaves the union as it is.
    EXPECT_EQ(index.SearchTerm(u"戊", SEARCH_UNION, true, false), 0u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{1, 3, 5, 0, 2}));

    EXPECT_EQ(index.SearchTerm(u"甲", SEARCH_UNION, false, false), 5u);
    EXPECT_TRUE(index.GetHitCounts().empty());
}

TEST_F(TermMerge, unionIntoUnsortedHitSet_findsEveryEarlierPage)
{
    index.m_hitPages = {5, 0, 3};
    index.m_hitCounts = {10, 20, 30};
    index.SearchTerm(u"甲", SEARCH_UNION, true, false);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{5, 0, 3, 1}));
    EXPECT_EQ(index.GetHitCounts(), (CDWordArray{12, 20, 31, 1}));
}

TEST_F(TermMerge, intersect_keepsTermOrderAndSumsCounts)
{
    index.m_hitPages = {5, 2, 1, 4};
    index.m_hitCounts = {10, 20, 30, 40};
    EXPECT_EQ(index.SearchTerm(u"乙", SEARCH_INTERSECT, true, false), 3u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{1, 2, 5}));
    EXPECT_EQ(index.GetHitCounts(), (CDWordArray{32, 21, 11}));

    EXPECT_EQ(index.SearchTerm(u"甲", SEARCH_INTERSECT, false, false), 2u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{1, 5}));
    EXPECT_TRUE(index.GetHitCounts().empty());

    // A term that cannot match empties the hit set.
    EXPECT_EQ(index.SearchTerm(u"戊", SEARCH_INTERSECT, false, false), 0u);
    EXPECT_TRUE(index.GetHitPages().empty());
}

TEST_F(TermMerge, countsAskedOfUncountedHitSet)
{
    index.SearchTerm(u"甲", SEARCH_REPLACE, false, false);
    // Replacing or intersecting refuses: the hit set is emptied.
    EXPECT_EQ(index.SearchTerm(u"乙", SEARCH_REPLACE, true, false), 0u);
    EXPECT_TRUE(index.GetHitPages().empty());
    EXPECT_EQ(index.m_hitPageCount, 0u);

    // A union goes on, giving the earlier pages no hits of their own.
    index.SearchTerm(u"甲", SEARCH_REPLACE, false, false);
    EXPECT_EQ(index.SearchTerm(u"乙", SEARCH_UNION, true, false), 5u);
    EXPECT_EQ(index.GetHitPages(), (CDWordArray{1, 3, 5, 0, 2}));
    EXPECT_EQ(index.GetHitCounts(), (CDWordArray{2, 0, 1, 1, 1}));
}

TEST(TermSearch, closedIndex_findsNothing)
{
    test::TempDir empty;
    CIndex index;
    EXPECT_FALSE(index.Open(empty.Folder(), u"Index", 0));
    for (int mode : {SEARCH_REPLACE, SEARCH_UNION, SEARCH_INTERSECT}) {
        index.m_hitPages = {1};
        index.m_hitCounts = {1};
        index.m_hitPageCount = 1;
        EXPECT_EQ(index.SearchTerm(u"甲", mode, true, true), 0u);
        EXPECT_TRUE(index.GetHitPages().empty());
        EXPECT_TRUE(index.GetHitCounts().empty());
        EXPECT_EQ(index.m_hitPageCount, 0u);
    }
}

}  // namespace
}  // namespace varo
