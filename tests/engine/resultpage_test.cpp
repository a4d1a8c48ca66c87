#include "engine/index.h"
#include "store/pagemarkup.h"
#include "tests/support/fixture.h"
#include "text/codeconverter.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using Hits = std::vector<std::pair<int, std::string>>;
using writer::VariantGroups;

const std::string kStart(kHighlightStart);
const std::string kNote(kAnnotationStart);

// The highlighted pieces of a document in document order, each with its anchor number.
Hits HitsOf(const std::string& document)
{
    const std::string open(kAnchorStart);
    Hits hits;
    for (size_t at = document.find(open); at != std::string::npos; at = document.find(open, at + 1)) {
        const size_t number = at + open.size();
        size_t text = document.find(kAnchorEnd, number) + kAnchorEnd.size();
        if (document.compare(text, kStart.size(), kStart) == 0)
            text += kStart.size();
        hits.emplace_back(std::stoi(document.substr(number, document.find('"', number) - number)),
                          document.substr(text, document.find(kHighlightEnd, text) - text));
    }
    return hits;
}

std::u16string Utf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf16(out, c);
    return out;
}

// The hand-off as the variant option defines it: every form of the expansion, joined by U+0020,
// rendered as one query.
int RenderExpansion(const CIndex& index, uint32_t page, std::string& output, std::u16string_view query, int target)
{
    std::vector<std::u16string> forms;
    index.ExpandVariantForms(query, forms);
    std::u16string joined;
    for (size_t i = 0; i < forms.size(); ++i)
        joined += (i == 0 ? u"" : u" ") + forms[i];
    return index.FileList().RenderPage(page, output, joined, target);
}

// Writes a text store of pages labelled 2, 4, 6, ... (each highlighting its first cell) and a
// variant table into dir, and opens them with index.
void WriteCollection(const test::TempDir& dir, const std::vector<std::string>& firstCells, const VariantGroups& groups,
                     CIndex& index)
{
    std::vector<writer::PageInput> pages;
    for (size_t i = 0; i < firstCells.size(); ++i)
        pages.push_back(
            {"vol\\" + std::to_string(2 * i + 2) + ".htm", test::PageHtml("乾干", firstCells[i], "干"), {}});
    writer::StoreImage image;
    ASSERT_EQ(writer::BuildStoreImage(pages, {}, image), "");
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.h", image.list));
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "Index-fl.cnt", image.content));
    ASSERT_TRUE(writer::WriteFileBytes(dir.Path() / "yitizi.txt", writer::FormatVariantTable(groups)));
    ASSERT_TRUE(index.m_fileList.Open(dir.Folder(), u"Index"));
    index.LoadVariantTable(dir.Folder());
}

class ResultPageTest : public ::testing::Test {
protected:
    void Write(const std::vector<std::string>& firstCells, const VariantGroups& groups)
    {
        WriteCollection(m_dir, firstCells, groups, m_index);
    }

    int Render(std::u16string_view query, bool useVariants, uint32_t page = 0, int target = 0)
    {
        m_output.clear();
        return m_index.RenderResultPage(page, m_output, query, target, useVariants);
    }

    test::TempDir m_dir;
    CIndex m_index;
    std::string m_output;
};

const VariantGroups kGan = {{0x4E7E, 0x5E72}};  // 乾, 干

TEST_F(ResultPageTest, withoutVariants_queryReachesRendererUnchanged)
{
    Write({"干乾"}, kGan);
    std::string plain;
    EXPECT_EQ(Render(u"干", false), m_index.FileList().RenderPage(0, plain, u"干", 0));
    EXPECT_EQ(m_output, plain);
    EXPECT_EQ(HitsOf(m_output), (Hits{{0, "干"}}));
}

TEST_F(ResultPageTest, withVariants_everyFormHighlightedInExpansionOrder)
{
    Write({"干乾人"}, kGan);
    EXPECT_EQ(Render(u"干", true), 2);
    EXPECT_EQ(HitsOf(m_output), (Hits{{1, "干"}, {0, "乾"}}));
    // A character in no group stays itself.
    std::string plain;
    EXPECT_EQ(Render(u"人", true), m_index.FileList().RenderPage(0, plain, u"人", 0));
    EXPECT_EQ(m_output, plain);
}

TEST_F(ResultPageTest, nothingToRender_returnsZeroAndLeavesOutput)
{
    Write({"干"}, kGan);
    for (const std::u16string& query : {std::u16string(), std::u16string(u"\u3000 ")}) {
        m_output = "kept";
        EXPECT_EQ(m_index.RenderResultPage(0, m_output, query, 0, true), 0);
        EXPECT_EQ(m_output, "kept");
    }
    EXPECT_EQ(m_index.RenderResultPage(9, m_output, u"干", 0, true), 0);
    EXPECT_EQ(m_output, "kept");
}

// Every query of up to four characters over a small alphabet renders exactly as the whole
// expansion joined into one query does, for every search target.
TEST(ResultPage, smallExpansions_equalTheJoinedExpansion)
{
    const VariantGroups plain = {{0x4E7E, 0x5E72},                   // 乾 干
                                 {0x842C, 0x4E07, 0x534D},           // 萬 万 卍
                                 {0x9F8D, 0x9F99, 0x7ADC, 0x9F92}};  // 龍 龙 竜 龒
    // Duplicate members, a group that turns a character into a term separator and back, and a
    // character whose variant is a wildcard.
    const VariantGroups odd = {{0x4E7E, 0x5E72}, {0x842C, 0x4E07, 0x842C}, {0x9F8D, 0x3000}, {0x4EBA, '?'}};
    const std::string cell = "乾萬龍人干万龙。干卍竜乾萬" + kNote + "龍人乾萬</font>万龍干人萬<p>乾干龍　竜乾龒萬干";
    // A hit inside a tag cuts it: the markup closes the tag early, and what follows ("</TD>")
    // then ends the cell at the next pass, even a pass that highlights nothing.
    const std::string cutTag = "乾<q萬龍</TD>人干";
    // The blank's other form is a digit, which the anchors of every highlight bring into the
    // cell: a term of it matches only once an earlier term was highlighted.
    const VariantGroups digit = {{0x4E7E, 0x5E72}, {'0', 0x3000}};
    const std::u16string alphabet = u"干万龍人\u3000?*";
    // Members beyond the basic plane stand in the expansion by their low 16 bits: 𠀀 (U+20000)
    // as U+0000, U+2D840 as the high half of a surrogate pair, so that the first unit of 𠀀 in
    // a query has the forms 己 and U+D840.
    const VariantGroups supplementary = {{0x4E59, 0x20000, 0x4E19}, {0x5DF1, 0x2D840}};  // 乙 𠀀 丙, 己
    const std::string supplementaryCell = "丙𠀀己乙" + kNote + "辛乙庚𠀀己</font>乙?己<p>" + kNote + "𠀀丙</font>";
    const std::u16string supplementaryAlphabet = u"丙己\xD840\xDC00\u3000?*";
    struct Table {
        const char* name;
        const VariantGroups& groups;
        const std::string& cell;
        const std::u16string& alphabet;
    };
    for (const Table& table :
         {Table{"plain", plain, cell, alphabet}, Table{"odd", odd, cell, alphabet},
          Table{"hit inside a tag", plain, cutTag, alphabet}, Table{"markup digits", digit, cell, alphabet},
          Table{"beyond the basic plane", supplementary, supplementaryCell, supplementaryAlphabet}}) {
        SCOPED_TRACE(table.name);
        test::TempDir dir;
        CIndex index;
        WriteCollection(dir, {table.cell}, table.groups, index);
        std::vector<std::u16string> queries = {u""};
        for (size_t length = 1; length <= 4; ++length) {
            std::vector<std::u16string> longer;
            for (const std::u16string& query : queries)
                for (char16_t unit : table.alphabet)
                    longer.push_back(query + unit);
            queries = longer;
            for (const std::u16string& query : queries) {
                for (int target = 0; target <= 2; ++target) {
                    std::string expected, output;
                    bool complete = false;
                    const int anchors = RenderExpansion(index, 0, expected, query, target);
                    ASSERT_EQ(index.RenderResultPage(0, output, query, target, true, &complete), anchors)
                        << CCodeConverter::Utf16ToUtf8(query) << ", target " << target;
                    ASSERT_TRUE(complete);
                    ASSERT_EQ(output, expected) << CCodeConverter::Utf16ToUtf8(query) << ", target " << target;
                }
            }
        }
    }
}

TEST_F(ResultPageTest, markupOfALaterTerm_canMakeAnEarlierTermsGapFit)
{
    // 甲??乙 needs six bytes between 甲 and 乙; the cell has two until the pass of 甲xy closes
    // its highlight after them. That pass comes before the second form of the first term.
    Write({"甲xy乙丁"}, {{0x4E19, 0x4E01}});  // 丙, 丁
    const std::u16string query = u"甲??乙丙\u3000甲xy";
    std::string expected;
    ASSERT_EQ(RenderExpansion(m_index, 0, expected, query, 0), 4);
    EXPECT_EQ(Render(query, true), 4);
    EXPECT_EQ(m_output, expected);
}

// 30 groups of three forms: group i holds U+4E00 + 3i, + 1, + 2.
VariantGroups ThirtyGroups()
{
    VariantGroups groups;
    for (uint32_t i = 0; i < 30; ++i)
        groups.push_back({0x4E00 + 3 * i, 0x4E01 + 3 * i, 0x4E02 + 3 * i});
    return groups;
}

// The spelling of groups first, first + 1, ... that takes form choice[k] of each.
std::u32string Spelling(size_t first, const std::vector<int>& choice)
{
    std::u32string text;
    for (size_t k = 0; k < choice.size(); ++k)
        text += static_cast<char32_t>(0x4E00 + 3 * (first + k) + static_cast<size_t>(choice[k]));
    return text;
}

TEST_F(ResultPageTest, longQuery_highlightsEveryOccurringFormInExpansionOrder)
{
    std::vector<int> middle(30, 1);
    std::vector<int> early(30, 0), late(30, 0);
    early[29] = 2;  // differs from the expansion's first form in its last character
    late[0] = 2;    // differs in its first character, so it comes much later
    const std::u32string lateForm = Spelling(0, late), earlyForm = Spelling(0, early);
    Write({test::Utf8(lateForm + U"。" + earlyForm)}, ThirtyGroups());
    EXPECT_EQ(Render(Utf16(Spelling(0, middle)), true), 2);
    EXPECT_EQ(HitsOf(m_output), (Hits{{1, test::Utf8(lateForm)}, {0, test::Utf8(earlyForm)}}));
}

TEST_F(ResultPageTest, longTwoTermQuery_keepsTermOrderThenDocumentOrder)
{
    // The expansion names the first form of each term first, then the other forms of the last
    // term, then those of the first term.
    std::vector<int> first(15, 0), firstLater(15, 0), firstLatest(15, 0), second(15, 0);
    firstLater[14] = 1;
    firstLatest[0] = 2;
    second[3] = 1;
    const std::u32string a = Spelling(0, firstLatest), b = Spelling(15, second), c = Spelling(0, firstLater),
                         d = Spelling(0, first);
    Write({test::Utf8(a + U"。" + b + U"。" + c + U"。" + d)}, ThirtyGroups());
    const std::vector<int> middle(15, 1);
    EXPECT_EQ(Render(Utf16(Spelling(0, middle) + U"\u3000" + Spelling(15, middle)), true), 4);
    EXPECT_EQ(HitsOf(m_output), (Hits{{3, test::Utf8(a)}, {1, test::Utf8(b)}, {2, test::Utf8(c)}, {0, test::Utf8(d)}}));
}

// Every form of every character, in group order, three times over.
std::u32string EveryForm()
{
    std::u32string all;
    for (char32_t c = 0x4E00; c < 0x4E00 + 90; ++c)
        all += c;
    return all + all + all;
}

TEST_F(ResultPageTest, wildcardQueryOnPageWithEveryForm_highlightsTheMatchingForm)
{
    // Each character of the query may stand apart from its neighbours, so the cell holds every
    // form of every one of them; only one combination has them at the distances '?' demands.
    const std::vector<int> choice = {2, 0, 1, 1, 0, 2, 2, 1, 0, 0, 1, 2, 0, 1, 2, 2, 1, 0, 0, 1};
    std::u32string planted, query;
    Hits expected;
    for (size_t i = 0; i < choice.size(); ++i) {
        const std::u32string form = Spelling(i, {choice[i]});
        planted += form;
        query += Spelling(i, {1});
        expected.emplace_back(static_cast<int>(2 * i), test::Utf8(form));
        if (i + 1 < choice.size()) {
            planted += U"人";
            query += U"?";
            expected.emplace_back(static_cast<int>(2 * i + 1), "人");
        }
    }
    Write({test::Utf8(EveryForm() + U"。" + planted)}, ThirtyGroups());
    EXPECT_EQ(Render(Utf16(query), true), 39);
    EXPECT_EQ(HitsOf(m_output), expected);
}

TEST_F(ResultPageTest, starQueryWithCountlessMatchingForms_rendersWithinItsBudget)
{
    // With '*' between them every combination of forms matches in one paragraph: far more
    // distinct terms than any page can be highlighted for.
    Write({test::Utf8(EveryForm())}, ThirtyGroups());
    std::u32string query;
    for (size_t i = 0; i < 20; ++i)
        query += Spelling(i, {1}) + U"*";
    bool complete = true;
    EXPECT_GT(m_index.RenderResultPage(0, m_output, Utf16(query), 0, true, &complete), 0);
    EXPECT_FALSE(complete);
    EXPECT_EQ(m_output.rfind("<html><head>", 0), 0u);
    EXPECT_TRUE(m_output.ends_with("</BODY></html>"));
}

}  // namespace
}  // namespace varo
