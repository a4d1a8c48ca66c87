// The reader's comforts that hold state without windows: the zoom level and find in the page.
#include "panel/pagefind.h"
#include "panel/readingzoom.h"

#include <gtest/gtest.h>

namespace varo {
namespace {

TEST(ReadingZoom, StepsThroughTheRangeAndStopsAtItsEnds)
{
    CReadingZoom zoom;
    EXPECT_EQ(zoom.Percent(), 100);
    EXPECT_TRUE(zoom.ZoomIn());
    EXPECT_EQ(zoom.Percent(), 110);
    while (zoom.ZoomIn()) {
    }
    EXPECT_EQ(zoom.Percent(), CReadingZoom::kMaximumPercent);
    EXPECT_FALSE(zoom.CanZoomIn());
    while (zoom.ZoomOut()) {
    }
    EXPECT_EQ(zoom.Percent(), CReadingZoom::kMinimumPercent);
    EXPECT_FALSE(zoom.ZoomOut());
    EXPECT_TRUE(zoom.Reset());
    EXPECT_EQ(zoom.Percent(), 100);
    EXPECT_FALSE(zoom.Reset());
}

// The settings store may hold anything: the level comes back on a step inside the range.
TEST(ReadingZoom, StoredLevelIsBroughtOntoAStep)
{
    const struct {
        int stored, percent;
    } cases[] = {{150, 150}, {151, 150}, {0, 50}, {-2147483647 - 1, 50}, {2147483647, 300}, {99, 100}};
    for (const auto& c : cases) {
        CReadingZoom zoom;
        zoom.SetPercent(c.stored);
        EXPECT_EQ(zoom.Percent(), c.percent) << c.stored;
    }
}

TEST(PageFind, FindsWithoutOverlapsAndWrapsAround)
{
    CPageFind find;
    find.Find(u"云云云 詩云", CPageFind::Plain(u"云云"));
    ASSERT_EQ(find.Count(), 1u);
    EXPECT_EQ(find.Matches()[0].position, 0u);

    find.Find(u"云a云b云", CPageFind::Plain(u"云"), 2);
    ASSERT_EQ(find.Count(), 3u);
    EXPECT_EQ(find.Current(), 1);  // the first at or after the position given
    EXPECT_EQ(find.CountText(), u"2 / 3");
    EXPECT_TRUE(find.Next());
    EXPECT_TRUE(find.Next());
    EXPECT_EQ(find.Current(), 0);
    EXPECT_TRUE(find.Previous());
    EXPECT_EQ(find.Current(), 2);

    find.Find(u"云a云", CPageFind::Plain(u"云"), 99);
    EXPECT_EQ(find.Current(), 0);
}

TEST(PageFind, NothingToFindOrNoMatchLeavesNoCurrentMatch)
{
    CPageFind find;
    for (const std::u16string& what : {std::u16string(), std::u16string(u"鹿"), std::u16string(u"云云云云")}) {
        find.Find(u"云a云", CPageFind::Plain(what));
        EXPECT_EQ(find.Count(), 0u);
        EXPECT_EQ(find.Current(), -1);
        EXPECT_FALSE(find.Next());
        EXPECT_EQ(find.CountText(), u"0 / 0");
    }
}

// With variants on, each position accepts every variant of its character.
TEST(PageFind, VariantAlternativesMatchEveryForm)
{
    CPageFind find;
    find.Find(u"學而時習之 学而", {u"学學", u"而"});
    ASSERT_EQ(find.Count(), 2u);
    EXPECT_EQ(find.Matches()[0].position, 0u);
    EXPECT_EQ(find.Matches()[1].position, 6u);
    EXPECT_EQ(find.Matches()[1].length, 2u);
}

TEST(PageFind, KeepsABoundedNumberOfMatches)
{
    CPageFind find;
    find.Find(std::u16string(CPageFind::kMaxMatches + 50, u'云'), CPageFind::Plain(u"云"));
    EXPECT_EQ(find.Count(), CPageFind::kMaxMatches);
}

}  // namespace
}  // namespace varo
