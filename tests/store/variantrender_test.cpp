#include "store/pagemarkup.h"
#include "store/pagerender.h"
#include "store/variantrender.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

#include <random>

namespace varo {
namespace {

// Every combination of the alternatives, the first position turning slowest, joined by blanks:
// the query the variant render stands for.
std::u16string JoinedForms(const QueryAlternatives& alternatives)
{
    std::u16string joined;
    std::vector<size_t> choice(alternatives.size(), 0);
    while (true) {
        if (!joined.empty())
            joined += u' ';
        for (size_t i = 0; i < alternatives.size(); ++i)
            joined += alternatives[i][choice[i]];
        size_t position = alternatives.size();
        while (position > 0 && ++choice[position - 1] == alternatives[position - 1].size())
            choice[--position] = 0;
        if (position == 0)
            return joined;
    }
}

uint64_t FormCount(const QueryAlternatives& alternatives)
{
    uint64_t forms = 1;
    for (const auto& units : alternatives)
        forms *= units.size();
    return forms;
}

std::string Shown(const QueryAlternatives& alternatives)
{
    std::u16string shown;
    for (const auto& position : alternatives)
        shown += u'[' + std::u16string(position.begin(), position.end()) + u']';
    return CCodeConverter::Utf16ToUtf8(shown);
}

struct Rendered {
    std::string document;
    int anchors = 0;
    bool complete = false;
};

Rendered RenderVariants(const std::string& page, int cell, int target, const QueryAlternatives& alternatives)
{
    Rendered rendered;
    rendered.anchors = RenderVariantPage(page, cell, target, alternatives, rendered.document, &rendered.complete);
    return rendered;
}

Rendered RenderJoined(const std::string& page, int cell, int target, const QueryAlternatives& alternatives)
{
    Rendered rendered;
    rendered.anchors =
        render::RenderQuery(page, cell, target, JoinedForms(alternatives), rendered.document, &rendered.complete);
    return rendered;
}

// Markup a pass writes into the cell can make a term match that did not before: a '?' gap
// widened to fit, or a tag cut open that ends the cell or lets the other cell's text in. The
// variant render must then pass exactly the terms the joined render passes, and end with the
// same re-emission.
TEST(VariantRender, markupOfEarlierPasses_decidesAsInTheJoinedRender)
{
    struct Case {
        const char* name;
        std::string firstCell, secondCell;
        int cell;
        QueryAlternatives alternatives;
    };
    const Case cases[] = {
        // 甲??乙 first fails (two bytes between), then the pass of 甲?? closes the highlight of
        // 甲 with "</b>", and the gap is six bytes: named again, 甲??乙 is not passed again.
        {"a member listed twice", "甲xy乙", "", 0, {{u'甲'}, {u'?'}, {u'?'}, {u'乙', u'\u3000', u'乙'}}},
        // The same with a blank member: the second term's forms come between the first term's.
        {"a blank member",
         "甲xy乙",
         "",
         0,
         {{u'甲'},
          {u'?'},
          {u'?'},
          {u'丁', u'乙', u'\u3000'},
          {u' '},
          {u'甲'},
          {u'?'},
          {u'?'},
          {u'丁', u'乙', u'\u3000'}}},
        // Highlighting 乾 cuts "<乾</title>" open: the parser leaves the first cell there and
        // takes the second cell's text into it, so 甲丁 can match afterwards.
        {"a hidden title end brings the other cell in",
         "<乾</title>",
         "甲丁",
         0,
         {{u'甲'}, {u'丙', u'丁'}, {u'\u3000'}, {u'乾'}}},
        // Highlighting x cuts "<x<TD>" open: the next pass drops the cell tag it exposes. The
        // joined render names 丙 (no match) before x and not again after it, so it ends without
        // that re-emission.
        {"a hidden cell start, term named before the cut", "甲<x<TD>", "丙丙", 0, {{u'丙', u'x', u'丙'}}},
        {"a hidden title end, term named before the cut", "乙", "<乙</title>x", 1, {{u'甲', u'乙', u'甲'}}},
        // And a term named for the first time after the cut does re-emit once more.
        {"a hidden cell start, new term after the cut", "甲<x<TD>", "丙丙", 0, {{u'x', u'丙'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string page = test::PageHtml("題", c.firstCell, c.secondCell);
        for (int target = 0; target <= 2; ++target) {
            const Rendered expected = RenderJoined(page, c.cell, target, c.alternatives);
            const Rendered variants = RenderVariants(page, c.cell, target, c.alternatives);
            ASSERT_TRUE(expected.complete && variants.complete);
            EXPECT_EQ(variants.document, expected.document) << "target " << target;
            EXPECT_EQ(variants.anchors, expected.anchors) << "target " << target;
        }
    }
}

// Random pages with annotations, paragraphs, tags hiding the tags the page is cut at, and
// characters beyond the basic plane; random alternatives with wildcards, blanks, markup
// characters, duplicates and surrogates; every cell and target.
TEST(VariantRender, randomPagesAndAlternatives_equalTheJoinedForms)
{
    const std::vector<char16_t> units = {u'甲', u'乙', u'丙',     u'丁', u'x',      u'a',      u'0', u'?',
                                         u'*',  u' ',  u'\u3000', u'<',  u'\xD840', u'\xDC00', u'\0'};
    const std::vector<std::string> pieces = {"甲",
                                             "乙",
                                             "丙",
                                             "丁",
                                             "x",
                                             "a",
                                             "0",
                                             "<p>",
                                             "<h4>",
                                             std::string(kAnnotationStart),
                                             std::string(kAnnotationEnd),
                                             "<q甲>",
                                             "<乙</title>",
                                             "<x<TD>",
                                             "<y</TD>",
                                             "<br>",
                                             "?",
                                             "><",
                                             "\xF0\xA0\x80\x80"};
    std::mt19937 random(7);
    auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int compared = 0;
    for (int round = 0; round < 6000; ++round) {
        std::string cells[2];
        for (std::string& cell : cells)
            for (size_t k = pick(12); k > 0; --k)
                cell += pieces[pick(pieces.size())];
        const std::string page = test::PageHtml("題", cells[0], cells[1]);
        QueryAlternatives alternatives(1 + pick(7));
        for (auto& position : alternatives)
            for (size_t k = 1 + pick(3); k > 0; --k)
                position.push_back(units[pick(units.size())]);
        if (FormCount(alternatives) > 2000)
            continue;
        const int cell = static_cast<int>(pick(2)), target = static_cast<int>(pick(4));
        const Rendered expected = RenderJoined(page, cell, target, alternatives);
        const Rendered variants = RenderVariants(page, cell, target, alternatives);
        // A term of markup letters multiplies the page with every pass until a budget stops
        // both renders, each at its own point.
        if (!expected.complete || !variants.complete)
            continue;
        ASSERT_EQ(variants.document, expected.document)
            << "round " << round << ", cell " << cell << ", target " << target << ", page " << page << ", query "
            << Shown(alternatives);
        ASSERT_EQ(variants.anchors, expected.anchors);
        ++compared;
    }
    EXPECT_GT(compared, 5000);
}

std::string Repeated(std::string_view text, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(VariantRender, hostileAlternatives_stopAtTheBudgetWithAWholeDocument)
{
    const std::vector<char16_t> digits = {u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9'};
    const std::vector<char16_t> letters = {u'a', u'b', u'c', u'e', u'l', u'm', u'n', u'r', u's', u't'};
    struct Case {
        const char* name;
        std::string cell;
        QueryAlternatives alternatives;
    };
    const Case cases[] = {
        // Characters the markup holds may match once earlier passes wrote it: no prefix can be
        // given up, and the terms are countless.
        {"digits", "詩云<p>書曰", QueryAlternatives(40, digits)},
        {"letters of the markup", "詩云<br>書曰", QueryAlternatives(40, letters)},
        {"wildcards between every form", Repeated("甲乙丙丁", 100), QueryAlternatives(30, {u'甲', u'乙', u'*'})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rendered rendered = RenderVariants(test::PageHtml("題", c.cell, ""), 0, 0, c.alternatives);
        EXPECT_FALSE(rendered.complete);
        EXPECT_TRUE(rendered.document.starts_with("<html><head>"));
        EXPECT_TRUE(rendered.document.ends_with("</BODY></html>"));
    }
    // An ordinary query renders whole.
    const Rendered ordinary =
        RenderVariants(test::PageHtml("題", "甲乙丙丁", ""), 0, 0, QueryAlternatives(4, {u'甲', u'乙', u'丙', u'丁'}));
    EXPECT_TRUE(ordinary.complete);
    EXPECT_EQ(ordinary.anchors, 1);
}

// A render that runs out of budget is the joined render cut after its first terms.
TEST(VariantRender, stoppedRender_isTheJoinedRenderAfterItsFirstTerms)
{
    const std::vector<char16_t> forms = {u'甲', u'乙', u'丙', u'丁', u'戊', u'己', u'庚', u'辛'};
    const std::string page = test::PageHtml("題", Repeated("人", 800000) + "甲乙丙丁戊己庚辛", "");  // 2.4 MB
    const Rendered variants = RenderVariants(page, 0, 0, {forms});
    EXPECT_FALSE(variants.complete);
    // Each form matches once, so the anchors tell how many terms came before the stop.
    ASSERT_GE(variants.anchors, 1);
    ASSERT_LT(variants.anchors, 8);
    const QueryAlternatives firstTerms = {{forms.begin(), forms.begin() + variants.anchors}};
    EXPECT_TRUE(variants.document == RenderJoined(page, 0, 0, firstTerms).document);
}

}  // namespace
}  // namespace varo
