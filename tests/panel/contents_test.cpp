// Selecting entries of the contents tree, the page and volume commands, the page slider and
// the page file they write.
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::PanelRig;

constexpr int kXueEr = 3;     // 學而: page records 0..19, labels 5..24
constexpr int kWeiZheng = 4;  // 爲政: records 20..22, labels 1..3
constexpr int kBenJi = 9;     // 本紀: records 25..26, labels 7..8

TEST(Contents, selectingAVolume_showsItsFirstPageAndSetsTheSlider)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    EXPECT_EQ(rig.ports.scopeLabel, u"經部");  // the scope is named from the start
    EXPECT_EQ(rig.ports.summary, u"検索集計：");
    EXPECT_EQ(panel.m_scopeRecord, 1);

    panel.OnContentsSelect(kXueEr);
    EXPECT_EQ(panel.m_scopeRecord, kXueEr);
    EXPECT_EQ(rig.ports.scopeLabel, u"經部\\論語\\學而");
    EXPECT_EQ(panel.m_curRecord, kXueEr);
    EXPECT_EQ(panel.m_curPage, 5);
    ASSERT_EQ(rig.ports.navigations.size(), 1u);
    EXPECT_EQ(rig.ports.navigations[0].first, panel.m_pageDisplay.PageFilePath());
    EXPECT_EQ(rig.ports.navigations[0].second, u"");
    EXPECT_NE(rig.ShownFile().find(test::Utf8(U"詩云詩云詩")), std::string::npos);
    EXPECT_EQ(rig.ports.range, std::make_pair(5, 24));
    EXPECT_EQ(rig.ports.position, 5);
    EXPECT_EQ(rig.ports.pageText, u"27/5");

    // A title only moves the scope.
    panel.OnContentsSelect(2);
    EXPECT_EQ(panel.m_scopeRecord, 2);
    EXPECT_EQ(rig.ports.scopeLabel, u"經部\\論語");
    EXPECT_EQ(panel.m_curRecord, kXueEr);
    EXPECT_EQ(rig.ports.navigations.size(), 1u);

    // Slots the tree never holds change nothing.
    panel.OnContentsSelect(0);
    panel.OnContentsSelect(10);
    EXPECT_EQ(panel.m_scopeRecord, 2);
}

TEST(Contents, pageCommands_followTheVolumesLabels)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    EXPECT_FALSE(panel.CanPreviousPage() || panel.CanNextPage() || panel.CanPreviousVolume() || panel.CanNextVolume() ||
                 panel.CanPreviousHit() || panel.CanNextHit());

    panel.OnContentsSelect(kXueEr);
    EXPECT_FALSE(panel.CanPreviousPage());
    panel.PreviousPage();  // not enabled: nothing
    EXPECT_EQ(panel.m_curPage, 5);
    panel.NextPage();
    EXPECT_EQ(panel.m_curPage, 6);
    EXPECT_EQ(rig.ports.position, 6);
    EXPECT_EQ(rig.ports.pageText, u"27/6");
    EXPECT_NE(rig.ShownFile().find(test::Utf8(U"學而之")), std::string::npos);
    EXPECT_TRUE(panel.CanPreviousPage());

    panel.OnSliderReleased(23);
    EXPECT_EQ(panel.m_curPage, 23);
    EXPECT_TRUE(panel.CanNextPage());
    panel.NextPage();
    EXPECT_EQ(panel.m_curPage, 24);
    EXPECT_FALSE(panel.CanNextPage());
    panel.NextPage();
    EXPECT_EQ(panel.m_curPage, 24);
    panel.PreviousPage();
    EXPECT_EQ(panel.m_curPage, 23);
}

TEST(Contents, aLabelOutsideTheVolume_keepsTheViewAndTheCurrentPage)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kWeiZheng);
    const size_t shown = rig.ports.navigations.size();
    // Label 7 exists only in a later volume (本紀), label 40 nowhere.
    for (int label : {7, 40}) {
        panel.OnSliderReleased(label);
        EXPECT_EQ(rig.ports.navigations.size(), shown);
        EXPECT_EQ(panel.m_curPage, 1);
        EXPECT_EQ(rig.ports.position, 1);
        EXPECT_EQ(rig.ports.pageText, u"27/1");
    }
    EXPECT_FALSE(panel.ShowPage(kWeiZheng, false, 7));
    EXPECT_TRUE(panel.ShowPage(kBenJi, false, 7));
    EXPECT_FALSE(panel.ShowPage(0, true, 1));
    EXPECT_FALSE(panel.ShowPage(10, true, 1));
}

TEST(Contents, volumeCommands_stepThroughVolumeRecords)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    EXPECT_FALSE(panel.CanPreviousVolume());
    EXPECT_TRUE(panel.CanNextVolume());

    EXPECT_EQ(panel.NextVolume(), kWeiZheng);
    EXPECT_EQ(panel.m_curRecord, kWeiZheng);
    EXPECT_EQ(panel.m_curPage, 1);
    EXPECT_EQ(rig.ports.range, std::make_pair(1, 3));
    EXPECT_EQ(rig.ports.pageText, u"27/1");
    EXPECT_NE(rig.ShownFile().find(test::Utf8(U"詩經")), std::string::npos);

    EXPECT_EQ(panel.NextVolume(), 6);  // skips the title 孟子
    EXPECT_EQ(panel.NextVolume(), kBenJi);
    EXPECT_EQ(rig.ports.range, std::make_pair(7, 8));
    EXPECT_FALSE(panel.CanNextVolume());
    EXPECT_EQ(panel.NextVolume(), 0);
    EXPECT_EQ(rig.ports.messages, std::vector<std::u16string>{u"もう最後の巻まで至りました。"});
    EXPECT_EQ(panel.m_curRecord, kBenJi);

    EXPECT_EQ(panel.PreviousVolume(), 6);
    panel.OnContentsSelect(kXueEr);
    const size_t shown = rig.ports.navigations.size();
    EXPECT_EQ(panel.PreviousVolume(), 0);
    EXPECT_EQ(rig.ports.messages.back(), u"これ以上戻れません。もう巻一に至っています。");
    EXPECT_EQ(panel.m_curRecord, 0);
    EXPECT_EQ(rig.ports.navigations.size(), shown);
    EXPECT_FALSE(panel.CanNextPage());
}

TEST(Contents, closedIndexSet_showsNothingAndKeepsThePage)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    std::filesystem::remove(rig.dir.Path() / "Index_content-idx.h");
    panel.OnTargetClicked(TARGET_MAIN_TEXT);  // the reopen fails: the index set stays closed
    ASSERT_FALSE(panel.m_index.IsOpen());
    const size_t shown = rig.ports.navigations.size();
    panel.NextPage();
    panel.OnSliderReleased(10);
    EXPECT_EQ(panel.NextVolume(), kWeiZheng);
    EXPECT_EQ(rig.ports.navigations.size(), shown);
    EXPECT_EQ(panel.m_curPage, 1);  // the new volume is current, its page not shown
}

TEST(Contents, pageFiles_liveInAPrivateFolderThatGoesWithThePanel)
{
    PanelRig rig;
    CLeftFormModel& panel = rig.Start();
    panel.OnContentsSelect(kXueEr);
    const std::filesystem::path folder = PanelRig::Native(panel.m_pageDisplay.FolderPath());
    EXPECT_EQ(folder.parent_path(), rig.dir.Path());
    EXPECT_EQ(std::filesystem::status(folder).permissions(), std::filesystem::perms::owner_all);
    EXPECT_TRUE(std::filesystem::exists(folder / "windows.html"));
    EXPECT_TRUE(std::filesystem::exists(rig.dir.Path() / "zlq.txt"));
    rig.model.reset();
    EXPECT_FALSE(std::filesystem::exists(folder));
}

TEST(Contents, missingCatalogue_leavesAnEmptyTreeAndAWorkingPanel)
{
    PanelRig rig;
    std::filesystem::remove(rig.dir.Path() / "zlq.dir");
    CLeftFormModel& panel = rig.Start();
    EXPECT_EQ(rig.ports.messages, std::vector<std::u16string>{u"you delete data file!"});
    EXPECT_EQ(panel.m_catalogue.m_nodeCount, 1);
    panel.OnContentsSelect(1);
    EXPECT_FALSE(panel.ShowPage(1, true, 1));
    EXPECT_EQ(panel.NextVolume(), 0);
    EXPECT_TRUE(rig.ports.navigations.empty());
}

}  // namespace
}  // namespace varo
