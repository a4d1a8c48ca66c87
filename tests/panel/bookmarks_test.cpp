// Bookmarks: named by what survives a rebuild of the collection, kept as versioned lines, and
// told when the collection no longer has their page.
#include "panel/bookmarks.h"
#include "tests/panel/panelfixture_model.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

using test::PanelRig;
using test::VolumeSpec;

constexpr uint32_t kWeiZheng2 = 21;  // 爲政, label 2

TEST(Bookmarks, linesKeepEveryFieldAndSkipLinesOfAnotherShape)
{
    CBookmarks bookmarks;
    const BookmarkTag odd{u"經\\部", u"論\t語", u"爲政", 2, 4, 4000000000u, u"note\nwith\\tab\there"};
    EXPECT_TRUE(bookmarks.Toggle(odd));
    EXPECT_TRUE(bookmarks.Toggle({u"史部", u"史記", u"", 7, 8, 25, u""}));
    std::vector<std::u16string> lines = bookmarks.ToLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], u"史部\t史記\t\t7\t8\t25\t");
    lines.insert(lines.begin() + 1, {u"", u"a\tb\tc\t1\t2\t3", u"a\tb\tc\tx\t2\t3\t", u"a\tb\tc\t1\t2\t4294967296\t",
                                     u"a\tb\tc\t1\t2\t3\tnote\textra"});

    CBookmarks read;
    ASSERT_TRUE(read.FromLines(CBookmarks::kFormatVersion, lines));
    ASSERT_EQ(read.Entries().size(), 3u);  // the last odd line's extra tab belongs to its note
    const BookmarkTag& back = read.Entries()[0];
    EXPECT_TRUE(back.SamePage(odd));
    EXPECT_EQ(back.note, odd.note);
    EXPECT_EQ(back.pageHint, odd.pageHint);
    EXPECT_EQ(read.Entries()[1].note, u"note\textra");

    // A store of a format this program does not know is not read.
    EXPECT_FALSE(read.FromLines(CBookmarks::kFormatVersion + 1, lines));
    EXPECT_TRUE(read.Entries().empty());
}

TEST(Bookmarks, toggleAddsAndRemovesThePageWhateverItsNote)
{
    CBookmarks bookmarks;
    BookmarkTag page{u"經部", u"論語", u"爲政", 2, 4, 21, u""};
    EXPECT_TRUE(bookmarks.Toggle(page));
    bookmarks.SetNote(0, u"君子");
    page.slotHint = 99;
    EXPECT_EQ(bookmarks.IndexOf(page), 0u);
    EXPECT_FALSE(bookmarks.Toggle(page));
    EXPECT_TRUE(bookmarks.Entries().empty());
}

// The collection is rebuilt with a volume before 爲政: its slot and page records move, and the
// bookmark still finds its page by the names and the label.
TEST(Bookmarks, findTheirPageInACollectionRebuiltWithTheSameCatalogue)
{
    PanelRig before;
    CLeftFormModel& old = before.Start();
    const std::optional<BookmarkTag> bookmark = BookmarkOf(old.m_catalogue, kWeiZheng2);
    ASSERT_TRUE(bookmark);
    EXPECT_EQ(bookmark->volume, u"爲政");
    EXPECT_EQ(bookmark->label, 2u);

    std::vector<VolumeSpec> volumes = test::StandardVolumes();
    volumes.insert(volumes.begin(), VolumeSpec{u"總部", u"目錄", u"卷一", 1, {U"目", U"錄"}});
    PanelRig after(volumes);
    CLeftFormModel& panel = after.Start();
    const std::optional<BookmarkPlaceTag> place = FindBookmark(panel.m_catalogue, *bookmark);
    ASSERT_TRUE(place);
    EXPECT_EQ(place->page, kWeiZheng2 + 2);
    EXPECT_NE(place->slot, bookmark->slotHint);
    EXPECT_EQ(panel.ShowBookmark(*bookmark), place->slot);
    EXPECT_EQ(panel.m_pageDisplay.m_shownPage, kWeiZheng2 + 2);
    EXPECT_EQ(panel.m_curPage, 2);
    EXPECT_TRUE(after.ports.messages.empty());
}

// A changed collection: the volume renamed, the page beyond the volume's range, no catalogue.
TEST(Bookmarks, changedOrMissingCollectionIsToldAndShowsNothing)
{
    std::vector<VolumeSpec> volumes = test::StandardVolumes();
    volumes[1].volume = u"爲政篇";
    PanelRig rig(volumes);
    CLeftFormModel& panel = rig.Start();
    const BookmarkTag renamed{u"經部", u"論語", u"爲政", 2, 4, 21, u""};
    const BookmarkTag beyond{u"經部", u"論語", u"爲政篇", 4, 4, 23, u""};
    const BookmarkTag before{u"經部", u"論語", u"學而", 4, 3, 0, u""};
    for (const BookmarkTag& gone : {renamed, beyond, before}) {
        EXPECT_FALSE(FindBookmark(panel.m_catalogue, gone)) << gone.label;
        EXPECT_EQ(panel.ShowBookmark(gone), 0);
    }
    EXPECT_TRUE(rig.ports.navigations.empty());
    ASSERT_EQ(rig.ports.messages.size(), 3u);
    EXPECT_EQ(rig.ports.messages[0], kBookmarkGoneMessage);

    CCatalogue empty;
    EXPECT_FALSE(FindBookmark(empty, renamed));
    EXPECT_FALSE(BookmarkOf(empty, 21));
}

// The page of the last run: a result page comes back rendered with its search, at its hit and
// place in the text, also from a line of the settings store; a page the collection lost does not.
TEST(LastPlace, reopensAResultPageAsItWasLeft)
{
    PanelRig first;
    CLeftFormModel& panel = first.Start();
    panel.OnContentsSelect(1);
    first.ports.Type(u"詩");
    panel.RunSearch();
    panel.ShowHit(0, 2);
    first.ports.top = 12;
    const std::optional<LastPlaceTag> last = panel.LastPlace();
    ASSERT_TRUE(last);
    EXPECT_TRUE(last->result);
    EXPECT_EQ(last->anchor, 2);
    const std::optional<LastPlaceTag> read = ParseLastPlaceLine(LastPlaceLine(*last));
    ASSERT_TRUE(read);

    PanelRig second;
    CLeftFormModel& again = second.Start();
    ASSERT_TRUE(again.Reopen(*read));
    EXPECT_EQ(second.ports.navigations.back().second, u"0002");
    EXPECT_EQ(again.m_pageDisplay.m_shownPage, 0u);
    EXPECT_EQ(second.ports.scrolledTo, 12);
    EXPECT_EQ(again.CurrentVolumeSlot(), 3);
    EXPECT_NE(again.ReaderPositionText().find(u"検索結果 3 / 3"), std::u16string::npos);

    LastPlaceTag gone = *read;
    gone.page.volume = u"大雅";
    EXPECT_FALSE(again.Reopen(gone));
    // Lines of another shape: too few fields, a flag that is not 0 or 1, a target out of range.
    for (const std::u16string line : {u"", u"a\tb\tc\t1\t2\t3\t\t1\t0\t1\t0\t0",
                                      u"a\tb\tc\t1\t2\t3\t\t2\t0\t1\t0\t0\tq", u"a\tb\tc\t1\t2\t3\t\t1\t7\t1\t0\t0\tq"})
        EXPECT_FALSE(ParseLastPlaceLine(line)) << line.size();
    EXPECT_TRUE(ParseLastPlaceLine(u"a\tb\tc\t1\t2\t3\t\t1\t2\t1\t0\t0\tq"));
}

}  // namespace
}  // namespace varo
