#include "PlaybackSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Clock = PlaybackSchedule::Clock;
using std::chrono::milliseconds;

const Clock::time_point kStart = Clock::time_point() + std::chrono::hours(1);

// Milliseconds from the start, as the schedule's time.
Clock::time_point At(double ms)
{
    return kStart + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

double MsOf(Clock::time_point time)
{
    return std::chrono::duration<double, std::milli>(time - kStart).count();
}

}  // namespace

TEST(PlaybackSchedule, PlaysOnFromTheFrameShownAndLoopsAtTheEnd)
{
    PlaybackSchedule schedule;
    schedule.Start(4, 2, At(0), 25, false);
    std::vector<std::size_t> order;
    std::vector<double> dues;
    for (int i = 0; i < 6; ++i) {
        order.push_back(schedule.Target());
        dues.push_back(MsOf(schedule.Due()));
        schedule.Shown(schedule.Due());
    }
    EXPECT_EQ(order, (std::vector<std::size_t>{3, 0, 1, 2, 3, 0}));
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(dues[std::size_t(i)], 40.0 * (i + 1), 1e-3);
    EXPECT_TRUE(schedule.Wrapped());
    schedule.Relist(4, schedule.Target());
    EXPECT_FALSE(schedule.Wrapped());
}

TEST(PlaybackSchedule, TwentyFourFramesASecondDoNotDrift)
{
    PlaybackSchedule schedule;
    schedule.Start(10, 0, At(0), 24, false);
    for (int i = 0; i < 24 * 60; ++i)
        schedule.Shown(schedule.Due());
    // A minute later, frame 24 * 60 + 1 is due one frame after the minute.
    EXPECT_NEAR(MsOf(schedule.Due()), 60000.0 + 1000.0 / 24.0, 1e-3);
}

TEST(PlaybackSchedule, ALateFrameIsShownLateAndTheCadenceStartsAgainFromIt)
{
    PlaybackSchedule schedule;
    schedule.Start(8, 0, At(0), 25, false);
    // A few milliseconds of timer lateness keep the cadence.
    schedule.Shown(At(43));
    EXPECT_NEAR(MsOf(schedule.Due()), 80.0, 1e-3);
    // Frame 2 ready only at 200 ms: shown then, nothing dropped, and frame 3
    // follows a whole frame later instead of at once.
    EXPECT_EQ(schedule.Target(), 2u);
    schedule.CatchUp(At(200));
    EXPECT_EQ(schedule.Target(), 2u);
    schedule.Shown(At(200));
    EXPECT_EQ(schedule.Target(), 3u);
    EXPECT_NEAR(MsOf(schedule.Due()), 240.0, 1e-3);
    EXPECT_EQ(schedule.DroppedCount(), 0);
}

TEST(PlaybackSchedule, KeepingTimeDropsTheFramesWhoseSlotsWentBy)
{
    PlaybackSchedule schedule;
    schedule.Start(10, 0, At(0), 25, true);
    schedule.Shown(At(41));  // frame 1 in its slot [40, 80)
    // Frame 2's slot is [80, 120). Still waiting for it at 119 ms: kept.
    schedule.CatchUp(At(119));
    EXPECT_EQ(schedule.Target(), 2u);
    EXPECT_NEAR(MsOf(schedule.SlotEnd()), 120.0, 1e-3);
    // At 210 ms the clock is in frame 5's slot: frames 2, 3 and 4 are dropped.
    schedule.CatchUp(At(210));
    EXPECT_EQ(schedule.Target(), 5u);
    EXPECT_EQ(schedule.DroppedCount(), 3);
    EXPECT_NEAR(MsOf(schedule.Due()), 200.0, 1e-3);
    // Shown late within its own slot, the next keeps the clock's time.
    schedule.Shown(At(230));
    EXPECT_NEAR(MsOf(schedule.Due()), 240.0, 1e-3);
    // A drop past the loop's end wraps.
    schedule.CatchUp(At(40.0 * 13 + 1));
    EXPECT_EQ(schedule.Target(), 3u);
    EXPECT_TRUE(schedule.Wrapped());
    EXPECT_EQ(schedule.DroppedCount(), 3 + 7);
}

TEST(PlaybackSchedule, UnreadableFramesAreSkippedAndCounted)
{
    PlaybackSchedule playing;
    playing.Start(5, 0, At(0), 25, false);
    playing.Skipped();
    // The next frame takes the unreadable one's time.
    EXPECT_EQ(playing.Target(), 2u);
    EXPECT_NEAR(MsOf(playing.Due()), 40.0, 1e-3);
    playing.Skipped();
    EXPECT_EQ(playing.SkippedCount(), 2);
    EXPECT_EQ(playing.FailuresInARow(), 2u);
    playing.Shown(At(40));
    EXPECT_EQ(playing.FailuresInARow(), 0u);
    EXPECT_EQ(playing.DroppedCount(), 0);

    PlaybackSchedule keeping;
    keeping.Start(5, 0, At(0), 25, true);
    keeping.Skipped();
    // Keeping time, the unreadable frame keeps its slot.
    EXPECT_EQ(keeping.Target(), 2u);
    EXPECT_NEAR(MsOf(keeping.Due()), 80.0, 1e-3);
    EXPECT_EQ(keeping.SkippedCount(), 1);
    EXPECT_EQ(keeping.DroppedCount(), 0);
}

TEST(PlaybackSchedule, ActualRateFollowsTheLastSecond)
{
    PlaybackSchedule schedule;
    schedule.Start(100, 0, At(0), 24, false);
    EXPECT_EQ(schedule.ActualRate(At(0)), 0.0);
    // Every 50 ms for two seconds: 20 frames a second, whatever was chosen.
    for (int i = 1; i <= 40; ++i)
        schedule.Shown(At(50.0 * i));
    EXPECT_NEAR(schedule.ActualRate(At(2000)), 20.0, 1e-9);
    // Half a second in, the rate is over that half second.
    PlaybackSchedule young;
    young.Start(100, 0, At(0), 24, false);
    for (int i = 1; i <= 5; ++i)
        young.Shown(At(100.0 * i));
    EXPECT_NEAR(young.ActualRate(At(500)), 10.0, 1e-9);
    // A stall shows at once.
    EXPECT_NEAR(schedule.ActualRate(At(2500)), 10.0, 1e-9);
    EXPECT_EQ(schedule.ActualRate(At(3500)), 0.0);
}
