// Hit positions: every hit of a rendered page with its place in the text of the highlighted
// cell, checked on small pages case by case and against the anchors of rendered pages over a
// random collection.

#include "engine/index.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace varo {
namespace {

const std::string kNote = "<font size=-1 color=\"#993366\">";

// A store of pages labelled 2, 4, 6, ... (each highlighting its first cell) with their variant
// table, opened by index.
void WriteStore(const test::TempDir& dir, const std::vector<std::string>& cells, const writer::VariantGroups& groups,
                CIndex& index)
{
    std::vector<writer::PageInput> pages;
    for (size_t i = 0; i < cells.size(); ++i) {
        const bool odd = i % 2 == 1;
        pages.push_back({"v\\" + std::to_string(2 * i + 2 + (odd ? 1 : 0)) + ".htm",
                         odd ? test::PageHtml("題", "margin", cells[i]) : test::PageHtml("題", cells[i], "margin"),
                         {}});
    }
    writer::StoreImage image;
    ASSERT_EQ(writer::BuildStoreImage(pages, {}, image), "");
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.h", image.list));
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.cnt", image.content));
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", writer::FormatVariantTable(groups)));
    ASSERT_TRUE(index.m_fileList.Open(dir.Folder(), u"Index"));
    index.LoadVariantTable(dir.Folder());
}

std::u16string Utf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf16(out, c);
    return out;
}

struct Expected {
    uint32_t offset;
    uint32_t length;
    int anchor;
    int anchors;
};

struct Case {
    const char* name;
    std::string cell;
    std::u32string query;
    int target;
    bool variants;
    std::vector<Expected> hits;
};

class HitPositionsTest : public ::testing::Test {
protected:
    PageHitsTag Locate(const std::string& cell, const std::u32string& query, int target = 0, bool variants = false)
    {
        test::TempDir dir;
        CIndex index;
        WriteStore(dir, {cell}, {{U'乾', U'干'}}, index);
        PageHitsTag hits;
        EXPECT_TRUE(index.LocateHits(0, Utf16(query), target, variants, hits));
        return hits;
    }
};

TEST_F(HitPositionsTest, hitsOfSmallPages_standWhereTheHighlighterPutThem)
{
    const std::string note = kNote;
    const Case cases[] = {
        {"one character", "甲乙甲", U"甲", 0, false, {{0, 1, 0, 1}, {2, 1, 1, 1}}},
        {"adjacent hits", "甲乙甲乙", U"甲乙", 0, false, {{0, 2, 0, 1}, {2, 2, 1, 1}}},
        {"overlapping occurrences are one hit", "甲甲甲", U"甲甲", 0, false, {{0, 2, 0, 1}}},
        {"tags take no characters", "<h4>甲</h4><p>乙丙</p>", U"丙", 0, false, {{2, 1, 0, 1}}},
        {"entities count as written", "&amp;乙", U"乙", 0, false, {{5, 1, 0, 1}}},
        {"a character beyond the basic plane is one", "甲𠀀乙𠀀", U"𠀀", 0, false, {{1, 1, 0, 1}, {3, 1, 1, 1}}},
        {"a '*' hit spans its pieces", "乙甲乙乙丙乙", U"甲*丙", 0, false, {{1, 4, 0, 2}}},
        {"a '?' hit spans the character between", "甲乙丙", U"甲?丙", 0, false, {{0, 3, 0, 3}}},
        {"terms in query order, then document order",
         "甲丙甲",
         U"丙 甲",
         0,
         false,
         {{1, 1, 0, 1}, {0, 1, 1, 1}, {2, 1, 2, 1}}},
        {"a later term inside an earlier hit", "甲乙", U"甲乙 乙", 0, false, {{0, 2, 0, 1}, {1, 1, 1, 1}}},
        {"an earlier hit splits a later term", "甲乙", U"乙 甲乙", 0, false, {{1, 1, 0, 1}}},
        {"full text highlights annotations",
         "甲" + note + "乙丙</font>乙",
         U"乙",
         0,
         false,
         {{1, 1, 0, 1}, {3, 1, 1, 1}}},
        {"main text leaves annotations", "甲" + note + "乙丙</font>乙", U"乙", 1, false, {{3, 1, 0, 1}}},
        {"annotations leave main text", "甲" + note + "乙丙</font>乙", U"乙", 2, false, {{1, 1, 0, 1}}},
        {"variant forms in the order of the expansion", "干乾", U"干", 0, true, {{1, 1, 0, 1}, {0, 1, 1, 1}}},
        {"a page's own anchors are not hits", "<a name=\"0000\"></a>乙甲", U"甲", 0, false, {{1, 1, 0, 1}}},
        {"no hit", "甲乙", U"丙", 0, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PageHitsTag hits = Locate(c.cell, c.query, c.target, c.variants);
        ASSERT_EQ(hits.hits.size(), c.hits.size());
        for (size_t i = 0; i < c.hits.size(); ++i) {
            EXPECT_EQ(hits.hits[i].offset, c.hits[i].offset) << i;
            EXPECT_EQ(hits.hits[i].length, c.hits[i].length) << i;
            EXPECT_EQ(hits.hits[i].anchor, c.hits[i].anchor) << i;
            EXPECT_EQ(hits.hits[i].anchors, c.hits[i].anchors) << i;
        }
    }
}

TEST_F(HitPositionsTest, cellText_isTheHighlightedCellWithoutTags)
{
    const PageHitsTag hits = Locate("<p>甲" + kNote + "乙</font>丙</p>", U"丙");
    EXPECT_EQ(hits.cell, 0);
    EXPECT_EQ(hits.text, U"甲乙丙");
    EXPECT_EQ(hits.annotation, (std::vector<bool>{false, true, false}));
}

TEST_F(HitPositionsTest, refusedQueryOrMissingPage_giveNoHits)
{
    test::TempDir dir;
    CIndex index;
    WriteStore(dir, {"甲a"}, {}, index);
    PageHitsTag hits;
    EXPECT_FALSE(index.LocateHits(0, u"甲a", 0, false, hits));
    EXPECT_FALSE(index.LocateHits(7, u"甲", 0, false, hits));
    EXPECT_TRUE(hits.hits.empty());
    EXPECT_TRUE(index.LocateHits(0, u"甲", 0, false, hits));
    EXPECT_EQ(hits.hits.size(), 1u);
}

// ---- Against the anchors of rendered pages ----

using Random = std::mt19937;

int Between(Random& random, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(random);
}

const std::u32string kAlphabet = U"甲甲甲乙乙丙丁乾干𠀀あ、";

std::string RandomRun(Random& random)
{
    std::u32string run;
    for (int i = Between(random, 1, 12); i > 0; --i)
        run += kAlphabet[static_cast<size_t>(Between(random, 0, static_cast<int>(kAlphabet.size()) - 1))];
    return test::Utf8(run);
}

// Paragraphs and headings of runs, annotations among them, now and then an entity.
std::string RandomCell(Random& random)
{
    std::string cell;
    for (int block = Between(random, 1, 4); block > 0; --block) {
        const bool heading = Between(random, 0, 4) == 0;
        cell += heading ? "<h4>" : "<p>";
        for (int piece = Between(random, 1, 4); piece > 0; --piece) {
            const int kind = Between(random, 0, 5);
            if (kind == 0)
                cell += kNote + RandomRun(random) + "</font>";
            else if (kind == 1)
                cell += "&amp;";
            else
                cell += RandomRun(random);
        }
        cell += heading ? "</h4>" : "</p>";
    }
    return cell;
}

std::u16string RandomQuery(Random& random)
{
    std::u16string query;
    for (int term = Between(random, 1, 3); term > 0; --term) {
        if (!query.empty())
            query += u'\u3000';
        for (int i = Between(random, 1, 4); i > 0; --i) {
            const int kind = Between(random, 0, 9);
            if (kind == 0)
                query += u'?';
            else if (kind == 1)
                query += u'*';
            else
                CCodeConverter::AppendUtf16(query, kAlphabet[static_cast<size_t>(Between(random, 0, 10))]);
        }
    }
    return query;
}

// The hits take the anchors of the page one after the other, every anchor once, and lie in the
// cell's text.
void ExpectHitsCoverAnchors(const PageHitsTag& hits, int anchors)
{
    std::vector<HitPositionTag> byAnchor = hits.hits;
    std::sort(byAnchor.begin(), byAnchor.end(),
              [](const HitPositionTag& a, const HitPositionTag& b) { return a.anchor < b.anchor; });
    int next = 0;
    for (const HitPositionTag& hit : byAnchor) {
        EXPECT_EQ(hit.anchor, next);
        EXPECT_GE(hit.anchors, 1);
        EXPECT_LE(uint64_t{hit.offset} + hit.length, hits.text.size());
        next = hit.anchor + hit.anchors;
    }
    EXPECT_EQ(next, anchors);
}

// A term of characters only, without variants, is exactly the text its hit covers.
void ExpectLiteralHits(const PageHitsTag& hits, std::u16string_view query)
{
    if (query.find_first_of(u"*?\u3000") != std::u16string_view::npos)
        return;
    std::u32string term;
    for (size_t i = 0; i < query.size();)
        term += static_cast<char32_t>(CCodeConverter::DecodeUtf16(query, i));
    for (const HitPositionTag& hit : hits.hits)
        EXPECT_EQ(hits.text.substr(hit.offset, hit.length), term);
}

TEST(HitPositionsRandomTest, hitsOfRandomPages_takeEveryRenderedAnchorOnce)
{
    Random random(20261210);
    std::vector<std::string> cells;
    for (int i = 0; i < 40; ++i)
        cells.push_back(RandomCell(random));
    test::TempDir dir;
    CIndex index;
    WriteStore(dir, cells, {{U'乾', U'干'}, {U'甲', U'あ'}, {U'𠀀', U'丁'}}, index);

    int pagesWithHits = 0;
    for (int round = 0; round < 60; ++round) {
        const std::u16string query = RandomQuery(random);
        const int target = Between(random, 0, 2);
        const bool variants = Between(random, 0, 1) == 1;
        SCOPED_TRACE(CCodeConverter::Utf16ToUtf8(query) + " target " + std::to_string(target) +
                     (variants ? " variants" : ""));
        for (uint32_t page = 0; page < cells.size(); ++page) {
            std::string document;
            const int anchors = index.RenderResultPage(page, document, query, target, variants);
            PageHitsTag hits;
            ASSERT_TRUE(index.LocateHits(page, query, target, variants, hits));
            EXPECT_EQ(hits.cell, static_cast<int>(page % 2));
            ExpectHitsCoverAnchors(hits, anchors);
            if (!variants)
                ExpectLiteralHits(hits, query);
            pagesWithHits += hits.hits.empty() ? 0 : 1;
        }
    }
    EXPECT_GT(pagesWithHits, 200);
}

}  // namespace
}  // namespace varo
