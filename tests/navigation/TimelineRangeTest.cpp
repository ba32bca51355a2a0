#include "TimelineRange.h"

#include <gtest/gtest.h>

namespace {

// A sequence of the numbers given, padded to four digits: "/r/b_0001.rpf".
TimelineRange RangeOf(std::initializer_list<int> numbers)
{
    std::vector<std::string> paths;
    for (int number : numbers) {
        std::string digits = std::to_string(number);
        digits.insert(0, 4 - std::min<std::size_t>(4, digits.size()), '0');
        paths.push_back("/r/b_" + digits + ".rpf");
    }
    std::sort(paths.begin(), paths.end());
    return TimelineRange(FrameSequence::Of(paths, paths.front()));
}

std::vector<std::int64_t> Numbers(std::initializer_list<std::int64_t> numbers)
{
    return numbers;
}

}  // namespace

TEST(TimelineRange, InAndOutPointsLimitThePlayingOrderInEveryMode)
{
    TimelineRange range = RangeOf({1, 2, 3, 4, 5, 6});
    EXPECT_EQ(range.PlayOrder(), Numbers({1, 2, 3, 4, 5, 6}));
    range.SetIn(2);
    range.SetOut(5);
    EXPECT_EQ(range.PlayOrder(), Numbers({2, 3, 4, 5}));
    range.SetMode(PlayMode::Once);
    EXPECT_EQ(range.PlayOrder(), Numbers({2, 3, 4, 5}));
    // Back short of each end, so that neither shows twice running as the
    // order goes round.
    range.SetMode(PlayMode::PingPong);
    EXPECT_EQ(range.PlayOrder(), Numbers({2, 3, 4, 5, 4, 3}));
    range.SetOut(3);
    EXPECT_EQ(range.PlayOrder(), Numbers({2, 3}));
    range.ClearInOut();
    EXPECT_FALSE(range.HasIn());
    EXPECT_EQ(range.In(), 1);
    EXPECT_EQ(range.Out(), 6);
}

TEST(TimelineRange, PointsStayInOrderAndWithinTheSequence)
{
    TimelineRange range = RangeOf({10, 11, 12, 13, 14});
    range.SetOut(12);
    // An in point after the out point clears the out point, and the other
    // way round: playback never gets an empty range.
    range.SetIn(13);
    EXPECT_EQ(range.In(), 13);
    EXPECT_FALSE(range.HasOut());
    EXPECT_EQ(range.Out(), 14);
    range.SetOut(11);
    EXPECT_FALSE(range.HasIn());
    EXPECT_EQ(range.Out(), 11);
    range.SetIn(-5);
    EXPECT_EQ(range.In(), 10);
    range.SetOut(500);
    EXPECT_EQ(range.Out(), 14);
}

TEST(TimelineRange, StartPlaceBeginsAtTheInPointFromOutsideOrFromTheEnd)
{
    TimelineRange range = RangeOf({1, 2, 3, 4, 5, 6, 7, 8});
    range.SetIn(3);
    range.SetOut(6);
    const std::vector<std::int64_t> order = range.PlayOrder();
    // Playback shows the place after the start place first.
    EXPECT_EQ(order[(TimelineRange::StartPlace(order, 4) + 1) % order.size()], 5);
    EXPECT_EQ(order[(TimelineRange::StartPlace(order, 1) + 1) % order.size()], 3);
    EXPECT_EQ(order[(TimelineRange::StartPlace(order, 8) + 1) % order.size()], 3);
    EXPECT_EQ(order[(TimelineRange::StartPlace(order, 6) + 1) % order.size()], 3);
    // Ping-pong from a frame goes outwards first.
    range.SetMode(PlayMode::PingPong);
    const std::vector<std::int64_t> pingPong = range.PlayOrder();
    EXPECT_EQ(pingPong[TimelineRange::StartPlace(pingPong, 5) + 1], 6);
}

TEST(TimelineRange, MissingNumbersArePlacesThatShowTheFrameBefore)
{
    TimelineRange range = RangeOf({1, 2, 5, 6, 10});
    EXPECT_EQ(range.PlayOrder(), Numbers({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_FALSE(range.IsMissing(2));
    EXPECT_TRUE(range.IsMissing(3));
    EXPECT_FALSE(range.IsMissing(11));  // outside, not missing
    ASSERT_NE(range.FrameShownFor(4), nullptr);
    EXPECT_EQ(range.FrameShownFor(4)->number, 2);
    EXPECT_EQ(range.FrameShownFor(9)->number, 6);
    EXPECT_EQ(range.FrameShownFor(10)->number, 10);
    EXPECT_EQ(range.FrameShownFor(0), nullptr);
    EXPECT_EQ(range.FrameShownFor(11), nullptr);
    // Steps go through every number, missing or not, and stop at the ends.
    EXPECT_EQ(range.Next(2), 3);
    EXPECT_EQ(range.Previous(5), 4);
    EXPECT_EQ(range.Next(10), std::nullopt);
    EXPECT_EQ(range.Previous(1), std::nullopt);
    EXPECT_EQ(range.PositionText(5), "0005 of 0001\u20130010");
    EXPECT_EQ(range.PositionText(3), "missing 0003 of 0001\u20130010");
}

TEST(TimelineRange, AHugeSpanPlaysItsFramesWithoutASlotForEachMissingNumber)
{
    const std::vector<std::string> paths = {"/r/f1.rpf", "/r/f2.rpf", "/r/f999999999.rpf"};
    TimelineRange range(FrameSequence::Of(paths, paths[0]));
    EXPECT_EQ(range.PlayOrder(), Numbers({1, 2, 999999999}));
    EXPECT_TRUE(range.IsMissing(500000000));
    EXPECT_EQ(range.FrameShownFor(500000000)->number, 2);
    // Narrowed by in and out points, the missing numbers play again.
    range.SetIn(2);
    range.SetOut(6);
    EXPECT_EQ(range.PlayOrder(), Numbers({2, 3, 4, 5, 6}));
}

TEST(TimelineRange, ListedAgainThePointsStayForTheSameSequenceOnly)
{
    TimelineRange range = RangeOf({1, 2, 3, 4, 5, 6});
    range.SetIn(2);
    range.SetOut(5);
    // The render has written more frames, and frame 5 went.
    const std::vector<std::string> more = {"/r/b_0001.rpf", "/r/b_0002.rpf", "/r/b_0003.rpf", "/r/b_0004.rpf"};
    range.Replace(FrameSequence::Of(more, more[0]));
    EXPECT_EQ(range.In(), 2);
    EXPECT_EQ(range.Out(), 4);
    const std::vector<std::string> other = {"/r/s_0001.rpf", "/r/s_0002.rpf", "/r/s_0003.rpf"};
    range.Replace(FrameSequence::Of(other, other[0]));
    EXPECT_FALSE(range.HasIn());
    EXPECT_FALSE(range.HasOut());
    // One file alone is no sequence: it plays the folder.
    const std::vector<std::string> single = {"/r/s_0001.rpf"};
    range.Replace(FrameSequence::Of(single, single[0]));
    EXPECT_FALSE(range.IsSequence());
    EXPECT_TRUE(range.PlayOrder().empty());
    EXPECT_EQ(range.PositionText(1), "");
}
