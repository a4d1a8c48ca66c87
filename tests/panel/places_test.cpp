// The places the reader has been: the history of pages seen, back and forward through it, the
// neighbours of a result page, and showing a page kept earlier.
#include "panel/readinghistory.h"
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::PanelRig;

constexpr int kJingBu = 1;
constexpr int kXueEr = 3;     // pages 0..19, labels 5..24
constexpr int kWeiZheng = 4;  // pages 20..22, labels 1..3

ReadingPlaceTag Stored(int slot, int label)
{
    ReadingPlaceTag place;
    place.slot = slot;
    place.label = label;
    place.page = static_cast<uint32_t>(label);
    return place;
}

TEST(ReadingHistory, newPageDropsThePagesAheadAndTheSamePageIsOneEntry)
{
    CReadingHistory history;
    EXPECT_EQ(history.Back(), nullptr);
    for (int label : {1, 2, 3})
        history.Visit(Stored(kXueEr, label));
    ASSERT_TRUE(history.CanGoBack());
    EXPECT_EQ(history.Back()->label, 2);
    EXPECT_EQ(history.Back()->label, 1);
    EXPECT_FALSE(history.CanGoBack());
    EXPECT_EQ(history.Forward()->label, 2);

    history.Visit(Stored(kXueEr, 9));  // 3 is dropped
    EXPECT_FALSE(history.CanGoForward());
    ASSERT_EQ(history.Entries().size(), 3u);
    EXPECT_EQ(history.Entries().back().label, 9);

    // A result page of the same record is another page; the same result page with another hit
    // is the same entry, which keeps the hit last seen.
    ReadingPlaceTag result = Stored(kXueEr, 9);
    result.result = true;
    result.query = u"詩";
    history.Visit(result);
    result.anchor = 2;
    history.Visit(result);
    ASSERT_EQ(history.Entries().size(), 4u);
    EXPECT_EQ(history.Current()->anchor, 2);
    result.query = u"經";
    history.Visit(result);
    EXPECT_EQ(history.Entries().size(), 5u);
}

TEST(ReadingHistory, keepsTheNewestEntriesWithinItsBound)
{
    CReadingHistory history;
    const int visits = static_cast<int>(CReadingHistory::kMaxEntries) + 30;
    for (int label = 0; label < visits; ++label)
        history.Visit(Stored(kXueEr, label));
    ASSERT_EQ(history.Entries().size(), CReadingHistory::kMaxEntries);
    EXPECT_EQ(history.Entries().front().label, 30);
    EXPECT_EQ(history.Current()->label, visits - 1);
    EXPECT_FALSE(history.CanGoForward());
}

int RowOf(const CLeftFormModel& panel, uint32_t page)
{
    const std::vector<ResultRowTag>& rows = panel.m_resultList.Rows();
    for (size_t row = 0; row < rows.size(); ++row) {
        if (rows[row].itemData == page)
            return static_cast<int>(row);
    }
    return -1;
}

CLeftFormModel& SearchShiInJingBu(PanelRig& rig)
{
    CLeftFormModel& panel = rig.model ? *rig.model : rig.Start();
    panel.OnContentsSelect(kJingBu);
    rig.ports.Type(u"詩");
    panel.RunSearch();
    return panel;
}

// Catalogue pages, page steps and result pages with their hit come back in order, each as the
// reader left it: the same file kind, the same hit, the same place in the text.
TEST(BackAndForward, walksCataloguePagesAndResultPagesAsTheyWereLeft)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    panel.NextPage();        // label 6
    rig.ports.top = 40;      // the reader scrolled down
    SearchShiInJingBu(rig);  // selecting 經部 shows nothing new
    panel.OnResultSelected(RowOf(panel, 0));
    panel.NextHit();
    panel.NextHit();  // hit 3 of 3 on page 0
    rig.ports.top = 0;

    EXPECT_EQ(panel.GoBack(), kXueEr);
    EXPECT_EQ(rig.ports.navigations.back().first, panel.m_pageDisplay.PageFilePath());
    EXPECT_EQ(panel.m_curPage, 6);
    EXPECT_EQ(rig.ports.scrolledTo, 40);
    EXPECT_EQ(rig.ports.position, 6);
    EXPECT_EQ(panel.GoBack(), kXueEr);
    EXPECT_EQ(panel.m_curPage, 5);
    EXPECT_FALSE(panel.CanGoBack());

    panel.GoForward();
    EXPECT_EQ(panel.GoForward(), kXueEr);
    EXPECT_EQ(rig.ports.navigations.back().second, u"0002");
    EXPECT_EQ(panel.m_pageDisplay.m_hitIndex, 2);
    EXPECT_NE(panel.ReaderPositionText().find(u"検索結果 3 / 3"), std::u16string::npos);
    EXPECT_FALSE(panel.CanGoForward());
    EXPECT_TRUE(rig.ports.messages.empty());
}

// A place that cannot be shown (a slot or label the collection lacks) changes nothing.
TEST(BackAndForward, placeThatCannotBeShownChangesNothing)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    const size_t navigations = rig.ports.navigations.size();
    for (const ReadingPlaceTag& gone : {Stored(kWeiZheng, 99), Stored(9999, 1), Stored(0, 1)})
        EXPECT_FALSE(panel.ShowPlace(gone));
    EXPECT_EQ(rig.ports.navigations.size(), navigations);
    EXPECT_EQ(panel.CurrentVolumeSlot(), kXueEr);
    EXPECT_EQ(panel.m_readingHistory.Entries().size(), 1u);
    EXPECT_TRUE(panel.ShowPlace(Stored(kWeiZheng, 2)));
    EXPECT_EQ(panel.m_pageDisplay.m_shownPage, 21u);
    EXPECT_EQ(panel.GoBack(), kXueEr);
}

// From a result page the page commands and the slider step through the volume the page is
// read in; the pages they reach are that volume's stored pages.
TEST(ResultNeighbours, pageCommandsStepThroughTheResultPagesVolume)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    SearchShiInJingBu(rig);
    panel.OnResultSelected(RowOf(panel, 22));  // 爲政, label 3, its last page
    EXPECT_EQ(panel.CurrentVolumeSlot(), kWeiZheng);
    EXPECT_EQ(rig.ports.range, std::make_pair(1, 3));
    EXPECT_EQ(rig.ports.position, 3);
    EXPECT_TRUE(panel.CanPreviousPage());
    EXPECT_FALSE(panel.CanNextPage());
    EXPECT_TRUE(panel.CanNextVolume());

    panel.PreviousPage();
    EXPECT_EQ(panel.m_pageDisplay.m_shownPage, 21u);
    EXPECT_EQ(rig.ports.navigations.back().first, panel.m_pageDisplay.PageFilePath());
    EXPECT_EQ(panel.ReaderPositionText(), u"論語\u3000爲政\u3000第 2 頁");
    panel.OnSliderReleased(1);
    EXPECT_EQ(panel.m_pageDisplay.m_shownPage, 20u);

    // A concordance line's hit follows its volume as well.
    panel.ShowHit(23, 0);
    EXPECT_EQ(panel.CurrentVolumeSlot(), 6);
    EXPECT_EQ(rig.ports.position, 1);
}

}  // namespace
}  // namespace varo
