// The concordance: lines cut from a page's hits, their orders, and collecting them page by page
// from a search's results.
#include "panel/kwic.h"
#include "panel/kwicjob.h"
#include "tests/panel/panelfixture_model.h"
#include "tests/support/fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace varo {
namespace {

using test::PanelRig;

std::u16string Utf16(const std::u32string& text)
{
    std::u16string out;
    for (char32_t c : text)
        CCodeConverter::AppendUtf16(out, c);
    return out;
}

// A page whose cell reads before + hit + after, with one hit on hit; notes marks annotation text
// by '1' per character of the whole cell.
PageHitsTag PageOf(const std::u32string& before, const std::u32string& hit, const std::u32string& after,
                   const std::string& notes = "")
{
    PageHitsTag page;
    page.text = before + hit + after;
    for (size_t i = 0; i < page.text.size(); ++i)
        page.annotation.push_back(i < notes.size() && notes[i] == '1');
    page.hits.push_back({static_cast<uint32_t>(before.size()), static_cast<uint32_t>(hit.size()), 0, 1});
    return page;
}

TEST(Kwic, lineTakesWidthCharactersOnEitherSideAsAReaderSeesThem)
{
    struct Case {
        const char* name;
        PageHitsTag page;
        int width;
        std::u32string before, hit, after;
    } const cases[] = {
        {"cut to the width", PageOf(U"一二三四", U"君子", U"五六七八"), 2, U"三四", U"君子", U"五六"},
        {"the cell's ends", PageOf(U"一", U"君子", U""), 12, U"一", U"君子", U""},
        {"a character beyond the basic plane is one", PageOf(U"𠀀𠀁", U"君", U"𠀂𠀃"), 1, U"𠀁", U"君", U"𠀂"},
        {"entities are their characters", PageOf(U"一&amp;", U"君", U"&lt;二"), 2, U"一&", U"君", U"<二"},
        {"blanks and line ends are one blank", PageOf(U"一\r\n \t", U"君", U"  二"), 2, U"一 ", U"君", U" 二"},
        {"no context", PageOf(U"一", U"君", U"二"), 0, U"", U"君", U""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<KwicLineTag> lines;
        AppendKwicLines(c.page, 7, c.width, lines);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].Before(), Utf16(c.before));
        EXPECT_EQ(lines[0].Hit(), Utf16(c.hit));
        EXPECT_EQ(lines[0].After(), Utf16(c.after));
        EXPECT_EQ(lines[0].result, 7u);
    }
}

TEST(Kwic, annotationTextIsMarked)
{
    std::vector<KwicLineTag> lines;
    // 子曰{孔𠀀}君子{注}學: the notes around the hit, one of them beyond the basic plane.
    AppendKwicLines(PageOf(U"子曰孔𠀀", U"君子", U"注學", "00110010"), 0, 12, lines);
    ASSERT_EQ(lines.size(), 1u);
    const KwicLineTag& line = lines[0];
    EXPECT_EQ(line.notes, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 3}, {7, 1}}));
    EXPECT_FALSE(line.IsAnnotation(1));
    EXPECT_TRUE(line.IsAnnotation(4));
    EXPECT_FALSE(line.IsAnnotation(5));
}

// Lines of one page each, result i for line i, in the order given.
std::vector<KwicLineTag> Lines(const std::vector<std::array<std::u32string, 3>>& texts)
{
    std::vector<KwicLineTag> lines;
    for (size_t i = 0; i < texts.size(); ++i)
        AppendKwicLines(PageOf(texts[i][0], texts[i][1], texts[i][2]), static_cast<uint32_t>(i), 12, lines);
    return lines;
}

std::vector<uint32_t> Order(const std::vector<KwicLineTag>& lines)
{
    std::vector<uint32_t> results;
    for (const KwicLineTag& line : lines)
        results.push_back(line.result);
    return results;
}

TEST(Kwic, sortOrders)
{
    // 丙 U+4E19 < 甲 U+7532 < ， U+FF0C < 𠀀 U+20000, whose first UTF-16 unit is below ，'s.
    const std::vector<std::array<std::u32string, 3>> texts = {
        {U"甲乙", U"君", U"丙"},  // 0
        {U"𠀀乙", U"君", U"，"},  // 1
        {U"乙", U"君", U"𠀀"},    // 2
        {U"，乙", U"君", U""},    // 3
        {U"丙乙", U"君", U"甲"},  // 4
        {U"", U"君", U"丙"},      // 5
        {U"丙乙", U"君", U"丙"},  // 6: same context as 4 but after; ties go by page
        {U"丙乙", U"臣", U"甲"},  // 7: another hit of the same context as 4
    };
    const std::vector<uint64_t> ranks = {7, 6, 5, 4, 3, 2, 1, 0};
    struct Case {
        KwicOrder order;
        std::vector<uint32_t> expected;
    } const cases[] = {
        // Nearest character first: "" < 乙; then 丙乙 (4, 6, 7 by hit, then after) < 甲乙 < ，乙 < 𠀀乙.
        {KwicOrder::Before, {5, 2, 6, 4, 7, 0, 3, 1}},
        {KwicOrder::After, {3, 5, 6, 0, 4, 7, 1, 2}},
        {KwicOrder::Page, {0, 1, 2, 3, 4, 5, 6, 7}},
        {KwicOrder::Catalogue, {7, 6, 5, 4, 3, 2, 1, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.order));
        std::vector<KwicLineTag> lines = Lines(texts);
        std::reverse(lines.begin(), lines.end());
        SortKwicLines(lines, c.order, ranks);
        EXPECT_EQ(Order(lines), c.expected);
    }
}

TEST(Kwic, hitsOfOnePage_sortByPageInReadingOrder)
{
    PageHitsTag page = PageOf(U"甲", U"乙", U"甲乙");
    page.hits.insert(page.hits.begin(), HitPositionTag{2, 1, 0, 1});  // anchor order: the later one first
    page.hits[1].anchor = 1;
    std::vector<KwicLineTag> lines;
    AppendKwicLines(page, 0, 1, lines);
    SortKwicLines(lines, KwicOrder::Page, {});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].offset, 1u);
    EXPECT_EQ(lines[0].anchor, 1);
    EXPECT_EQ(lines[1].After(), u"乙");
}

TEST(KwicJob, givesEveryHitOfTheResultsInPageOrderWhateverTheWorkers)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(1);  // 經部
    rig.ports.Type(u"詩");
    panel.RunSearch();
    std::vector<uint32_t> pages;
    for (const SearchNodeTag& result : panel.m_resultList.m_results)
        pages.push_back(result.pageNumber);
    ASSERT_EQ(pages, (std::vector<uint32_t>{20, 23, 22, 0}));
    // Every result page a few times over, so that there are several blocks to share.
    std::vector<uint32_t> many;
    for (int i = 0; i < 50; ++i)
        many.insert(many.end(), pages.begin(), pages.end());

    std::vector<KwicLineTag> one;
    CKwicJob single(panel.m_index, panel.m_keyWords, panel.m_target, true, 2, many, 1);
    single.Wait();
    EXPECT_TRUE(single.TakeLines(one));
    EXPECT_EQ(single.PagesDone(), many.size());
    ASSERT_EQ(one.size(), 300u);  // the six hits the summary counts, fifty times

    std::vector<KwicLineTag> two;
    CKwicJob pair(panel.m_index, panel.m_keyWords, panel.m_target, true, 2, many, 2);
    while (!pair.TakeLines(two))
        std::this_thread::yield();
    ASSERT_EQ(two.size(), one.size());
    for (size_t i = 0; i < one.size(); ++i) {
        EXPECT_EQ(two[i].result, one[i].result);
        EXPECT_EQ(two[i].text, one[i].text);
    }
    // Page 0 reads 詩云詩云詩: its three hits in order, result 3 of the list.
    const KwicLineTag& third = one[5];
    EXPECT_EQ(third.result, 3u);
    EXPECT_EQ(third.anchor, 2);
    EXPECT_EQ(third.Before(), u"詩云");
    EXPECT_EQ(third.After(), u"");
    EXPECT_EQ(one[0].After(), u"經");
}

TEST(KwicJob, cancelled_claimsToBeDoneOnlyWithEveryPageDone)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(1);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    CKwicJob job(panel.m_index, panel.m_keyWords, panel.m_target, true, 2, std::vector<uint32_t>(5000, 0), 2);
    job.Cancel();
    job.Wait();
    std::vector<KwicLineTag> lines;
    EXPECT_EQ(job.TakeLines(lines), job.PagesDone() == job.PageCount());
    EXPECT_LE(lines.size(), 3 * job.PagesDone());
}

}  // namespace
}  // namespace varo
