#include "store/filelist.h"
#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"
#include "text/querysyntax.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace varo {
namespace {

using test::PageHtml;
using test::TempDir;

const std::string kStart(kHighlightStart);
const std::string kEnd(kHighlightEnd);
const std::string kNote(kAnnotationStart);

std::string Hit(int anchor, const std::string& text)
{
    return AnchorTag(anchor) + kStart + text + kEnd;
}

// The highlighted pieces of a document in document order, each with its anchor number.
std::vector<std::pair<int, std::string>> HitsOf(const std::string& document)
{
    const std::string open(kAnchorStart);
    std::vector<std::pair<int, std::string>> hits;
    for (size_t at = document.find(open); at != std::string::npos; at = document.find(open, at + 1)) {
        const size_t number = at + open.size();
        const size_t text = document.find(kStart, number) + kStart.size();
        hits.emplace_back(std::stoi(document.substr(number, document.find('"', number) - number)),
                          document.substr(text, document.find(kEnd, text) - text));
    }
    return hits;
}

std::string Render(const std::string& page, const std::string& term, int cell, int target, int& counter)
{
    std::string output;
    render::RenderTerm(page, output, term, cell, target, counter);
    return output;
}

TEST(RenderTerm, emitsTheFixedTemplate)
{
    int counter = 0;
    const std::string output =
        Render("junk<html><title>題</title><TD x>甲乙</TD>mid<TD>丙</TD>tail", "乙", 0, 0, counter);
    EXPECT_EQ(output,
              "<html><head>\t\t<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\"><title>題"
              "</title></head><div align=\"center\"><center><BODY>\t\t<TABLE border=1 cellPadding=0 cellSpacing=1 "
              "class=wd_gray height=477 width=635 bordercolor=\"#FFCC66\">\t\t<tr>  <TD height=477 width=80 "
              "vAlign=top align=\"center\" background=\"../Back.gif\">甲" +
                  Hit(0, "乙") +
                  "</TD>\t\t<TD height=477 width=450 vAlign=top align=\"center\">丙"
                  "</TD> \t\t</tr></table></div></div>\t\t</center></BODY></html>");
    EXPECT_EQ(counter, 1);
}

TEST(RenderTerm, searchTargetChoosesItems)
{
    const std::string cell = "甲" + kNote + "甲</font>甲";
    struct Case {
        int target;
        std::string expected;
    };
    const Case cases[] = {
        {0, Hit(0, "甲") + kNote + Hit(1, "甲") + "</font>" + Hit(2, "甲")},
        {1, Hit(0, "甲") + kNote + "甲</font>" + Hit(1, "甲")},
        {2, "甲" + kNote + Hit(0, "甲") + "</font>甲"},
        {7, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        int counter = 0;
        const std::string output = Render(PageHtml("甲", cell, "甲"), "甲", 0, c.target, counter);
        const std::string expectedStart =
            "vAlign=top align=\"center\" background=\"../Back.gif\">" + c.expected + "</TD>";
        EXPECT_NE(output.find(expectedStart), std::string::npos) << output;
    }
}

TEST(RenderTerm, oddCellHighlightsSecondCellOnly)
{
    int counter = 0;
    const std::string output = Render(PageHtml("甲", "甲", "甲"), "甲", 1, 0, counter);
    EXPECT_EQ(HitsOf(output), (std::vector<std::pair<int, std::string>>{{0, "甲"}}));
    EXPECT_NE(output.find("width=450 vAlign=top align=\"center\">" + Hit(0, "甲") + "</TD>"), std::string::npos);
}

TEST(RenderTerm, anyBytes_giveADocument)
{
    static const char withZeros[] = "<title>a\0b</title><TD>\0</TD>";
    const std::string pages[] = {
        "",
        "no tags at all",
        "<title>T</title><TD>a<TD>b</TD>c</TD>",
        "<title>T</title><TD>甲<b",
        "<title>\xFF\xFE</title><TD>\xE7\x94\xB2\xE7\x94</TD>",
        "<TD><TD></TD></TD><title>",
        std::string(withZeros, sizeof withZeros - 1),
    };
    for (const std::string& page : pages) {
        for (int cell : {0, 1}) {
            int counter = 0;
            const std::string output = Render(page, "甲*?", cell, 0, counter);
            EXPECT_EQ(output.rfind("<html><head>", 0), 0u);
            EXPECT_TRUE(output.ends_with("</center></BODY></html>"));
        }
    }
}

TEST(RenderTerm, passWatch_toldWhetherAHighlightCutATag)
{
    struct Case {
        const char* name;
        std::string cell;
        std::string term;
        bool cutTag;
    };
    const Case cases[] = {
        {"hit in the text", "甲<br>乙", "甲", false},
        {"hit inside a tag", "<q甲>乙", "甲", true},
        {"hit that is a whole tag", "甲<br>乙", "<br>", false},
        {"hit that ends inside a tag", "甲<br>乙", "甲<", true},
        {"'?' gap over a whole tag", "甲<p>乙", "甲?乙", false},
        {"no hit", "<q甲>乙", "丙", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int counter = 0;
        std::string output;
        render::PassWatch watch;
        render::RenderTerm(PageHtml("T", c.cell, ""), output, c.term, 0, 0, counter, &watch);
        EXPECT_EQ(watch.cutTag, c.cutTag);
        EXPECT_FALSE(watch.cutShort);
    }
}

TEST(RenderTerm, pageOfHits_stopsGrowingAtTheBound)
{
    // Every byte a hit: unbounded, one pass would make 65 MB of this 1 MB cell.
    const std::string page = PageHtml("T", std::string(size_t{1} << 20, 'a'), "");
    int counter = 0;
    std::string output;
    render::PassWatch watch;
    render::RenderTerm(page, output, "a", 0, 0, counter, &watch);
    EXPECT_TRUE(watch.cutShort);
    EXPECT_LT(output.size(), page.size() + render::kMaxPassGrowth + 1000);
    EXPECT_NE(output.find(std::string(1000, 'a') + "</TD>"), std::string::npos);  // the rest unmarked
    // A query stops after such a pass and says so.
    bool complete = true;
    const int anchors = render::RenderQuery(page, 0, 0, u"a 甲", output, &complete);
    EXPECT_FALSE(complete);
    EXPECT_EQ(anchors, counter);
}

// A store with one page per entry, written by the collection writer.
class RenderPageTest : public ::testing::Test {
protected:
    void Write(const std::vector<std::pair<std::string, std::string>>& pages)
    {
        std::vector<writer::PageInput> inputs;
        for (const auto& [name, html] : pages) {
            writer::PageInput page;
            page.recordName = name;
            page.html = html;
            inputs.push_back(page);
        }
        writer::StoreImage image;
        ASSERT_EQ(writer::BuildStoreImage(inputs, {}, image), "");
        Save(image);
    }

    void Save(const writer::StoreImage& image)
    {
        ASSERT_TRUE(writer::WriteFileBytes(m_dir.Path() / "Index-fl.h", image.list));
        ASSERT_TRUE(writer::WriteFileBytes(m_dir.Path() / "Index-fl.cnt", image.content));
        ASSERT_TRUE(m_store.Open(m_dir.Folder(), u"Index"));
    }

    int Render(uint32_t record, const std::u16string& query, int target = 0)
    {
        m_output.clear();
        return m_store.RenderPage(record, m_output, query, target);
    }

    TempDir m_dir;
    CFileList m_store;
    std::string m_output;
};

TEST_F(RenderPageTest, anchorsRunInTermOrderThenDocumentOrder)
{
    Write({{"a\\0002.htm", PageHtml("甲", "甲乙丁甲乙丙", "甲")}});
    using Hits = std::vector<std::pair<int, std::string>>;
    struct Case {
        std::u16string query;
        int anchors;
        Hits hits;
    };
    const Case cases[] = {
        {u"乙 甲", 4, {{2, "甲"}, {0, "乙"}, {3, "甲"}, {1, "乙"}}},
        {u"甲\u3000\u3000甲", 2, {{0, "甲"}, {1, "甲"}}},
        {u" 甲　乙 甲 丙", 5, {{0, "甲"}, {2, "乙"}, {1, "甲"}, {3, "乙"}, {4, "丙"}}},
        {u"戊", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(test::Utf8(std::u32string(c.query.begin(), c.query.end()))));
        EXPECT_EQ(Render(0, c.query), c.anchors);
        EXPECT_EQ(HitsOf(m_output), c.hits);
        EXPECT_EQ(m_output.rfind("<html><head>", 0), 0u);
    }
}

TEST_F(RenderPageTest, pageLabelParityChoosesTheCell)
{
    Write({{"a\\0002.htm", PageHtml("甲", "甲", "乙甲")},
           {"a\\0003.htm", PageHtml("甲", "甲", "乙甲")},
           {"no-label", PageHtml("甲", "甲", "乙甲")}});
    EXPECT_EQ(Render(0, u"甲"), 1);
    EXPECT_NE(m_output.find("Back.gif\">" + Hit(0, "甲") + "</TD>"), std::string::npos);
    EXPECT_EQ(Render(1, u"甲"), 1);
    EXPECT_NE(m_output.find("align=\"center\">乙" + Hit(0, "甲") + "</TD>"), std::string::npos);
    EXPECT_EQ(Render(2, u"甲"), 1);
    EXPECT_NE(m_output.find("Back.gif\">" + Hit(0, "甲") + "</TD>"), std::string::npos);
}

TEST_F(RenderPageTest, surrogatePairTerm_matchesFourByteCharacter)
{
    Write({{"a\\0002.htm", PageHtml("T", "甲\U00020000乙", "")}});
    EXPECT_EQ(Render(0, u"\U00020000"), 1);
    EXPECT_EQ(HitsOf(m_output), (std::vector<std::pair<int, std::string>>{{0, "\U00020000"}}));
}

TEST_F(RenderPageTest, nothingToRender_returnsZeroAndLeavesOutput)
{
    Write({{"a\\0002.htm", PageHtml("T", "甲", "")}});
    for (const std::u16string& query : {std::u16string(), std::u16string(u" \u3000 ")}) {
        m_output = "kept";
        EXPECT_EQ(m_store.RenderPage(0, m_output, query, 0), 0);
        EXPECT_EQ(m_output, "kept");
    }
    m_output = "kept";
    EXPECT_EQ(m_store.RenderPage(5, m_output, u"甲", 0), 0);
    EXPECT_EQ(m_output, "kept");
    CFileList closed;
    EXPECT_EQ(closed.RenderPage(0, m_output, u"甲", 0), 0);
    EXPECT_EQ(m_output, "kept");
}

TEST_F(RenderPageTest, termsFoundInTheMarkup_stopGrowingThePageAtTheBudget)
{
    // Every pass highlights the letters of the markup the passes before it wrote; unbounded,
    // these terms would grow the page to gigabytes.
    Write({{"a\\0003.htm", PageHtml("T", "", std::string(200, 'a'))}});
    const int anchors = Render(0, u"a n m e b s t y l c o r k g u d i h");
    EXPECT_GE(anchors, 200);
    EXPECT_LT(m_output.size(), size_t{256} << 20);
    EXPECT_EQ(m_output.rfind("<html><head>", 0), 0u);
    EXPECT_TRUE(m_output.ends_with("</center></BODY></html>"));
}

TEST_F(RenderPageTest, recordWithBadOffsets_returnsZero)
{
    writer::StoreImage image;
    ASSERT_EQ(writer::BuildStoreImage({{"a\\0002.htm", PageHtml("T", "甲", ""), {}}}, {}, image), "");
    // End offset of record 0 far past the content file.
    const size_t endOffset = kListHeaderSize + kDefaultNameSize;
    image.list[endOffset + 3] = '\x7F';
    Save(image);
    m_output = "kept";
    EXPECT_EQ(m_store.RenderPage(0, m_output, u"甲", 0), 0);
    EXPECT_EQ(m_output, "kept");
}

}  // namespace
}  // namespace varo

namespace varo {
namespace {

struct QueryRender {
    std::string document;
    int anchors = 0;
    bool complete = true;
    std::vector<AnchorPassTag> passes;
};

// A query rendered as it is defined: every distinct term in a pass of its own over the page as
// the passes before it left it, within the pass budgets.
QueryRender RenderEveryPass(std::string page, int cell, int target, std::u16string_view query)
{
    QueryRender out;
    std::set<std::string> seen;
    uint64_t passBytes = 0;
    bool any = false;
    ForEachTerm(query, [&](std::u16string_view wideTerm) {
        const std::string term = CCodeConverter::Utf16ToUtf8(wideTerm);
        if (!seen.insert(term).second)
            return true;
        if (any && passBytes + page.size() > render::kMaxPassBytes) {
            out.complete = false;
            return false;
        }
        passBytes += page.size();
        std::string pass;
        render::PassWatch watch;
        const int first = out.anchors;
        render::RenderTerm(page, pass, term, cell, target, out.anchors, &watch);
        LogPass(term, first, out.anchors, &out.passes);
        page = std::move(pass);
        any = true;
        out.complete = !watch.cutShort;
        return out.complete;
    });
    if (any)
        out.document = page;
    return out;
}

// RenderQuery leaves out the passes that cannot highlight: the page must come out as though
// every term had its pass, also where a highlight cut a tag open (the next pass then changes
// the page, highlight or not) and where the other cell or the title hold a term's literal.
TEST(RenderQuery, randomPagesAndQueries_renderAsEveryPassWould)
{
    const std::vector<std::string> pieces = {"甲",
                                             "乙",
                                             "丙",
                                             "a",
                                             "x",
                                             "<p>",
                                             "<h4>",
                                             std::string(kAnnotationStart),
                                             std::string(kAnnotationEnd),
                                             "<q甲>",
                                             "<乙</title>",
                                             "<x<TD>",
                                             "<y</TD>",
                                             "<br>",
                                             "><",
                                             "𠀀"};
    const std::vector<std::u16string> units = {u"甲", u"乙", u"丙", u"丁", u"a",      u"x",  u"<", u"p",
                                               u"?",  u"*",  u" ",  u" ",  u"\u3000", u"𠀀", u"b"};
    std::mt19937 random(11);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    for (int round = 0; round < 3000; ++round) {
        std::string texts[3];
        for (std::string& text : texts)
            for (size_t k = pick(10); k > 0; --k)
                text += pieces[pick(pieces.size())];
        const std::string page = PageHtml(texts[0], texts[1], texts[2]);
        std::u16string query;
        for (size_t k = 1 + pick(16); k > 0; --k)
            query += units[pick(units.size())];
        const int cell = static_cast<int>(pick(2));
        const int target = static_cast<int>(pick(5));
        const QueryRender expected = RenderEveryPass(page, cell, target, query);
        QueryRender got;
        got.anchors = render::RenderQuery(page, cell, target, query, got.document, &got.complete, &got.passes);
        SCOPED_TRACE("round " + std::to_string(round) + ", page " + page + ", query " +
                     CCodeConverter::Utf16ToUtf8(query) + ", cell " + std::to_string(cell) + ", target " +
                     std::to_string(target));
        ASSERT_EQ(got.document, expected.document);
        ASSERT_EQ(got.anchors, expected.anchors);
        ASSERT_EQ(got.complete, expected.complete);
        ASSERT_EQ(got.passes.size(), expected.passes.size());
        for (size_t i = 0; i < got.passes.size(); ++i) {
            EXPECT_EQ(got.passes[i].firstAnchor, expected.passes[i].firstAnchor);
            EXPECT_EQ(got.passes[i].endAnchor, expected.passes[i].endAnchor);
            EXPECT_EQ(got.passes[i].anchorsPerHit, expected.passes[i].anchorsPerHit);
        }
    }
}

}  // namespace
}  // namespace varo
