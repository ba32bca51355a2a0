// The read-ahead cache when what is wanted of a frame changes (for the
// window: the view and look it is drawn in): frames read for the old value
// are drawn again from what was read, never read again, nearest first, and
// only frames drawn for the value wanted now are handed out.
#include "FrameCache.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

struct DrawnFrame {
    std::string path;
    int drawnFor = 0;
};

using Cache = FrameCache<DrawnFrame, int>;

using testsupport::WaitFor;

class Folder {
public:
    explicit Folder(int count)
    {
        for (int i = 0; i < count; ++i) {
            paths_.push_back(dir_.File("frame_" + std::to_string(i) + ".txt"));
            std::ofstream(paths_.back()) << "frame\n";
        }
    }
    const std::vector<std::string>& Paths() const { return paths_; }
    const std::string& operator[](int i) const { return paths_[std::size_t(i)]; }

private:
    testsupport::TempDir dir_;
    std::vector<std::string> paths_;
};

Cache MakeCache(std::size_t budget, int wanted)
{
    auto load = [](const std::string& path, int drawFor) {
        return std::make_shared<const DrawnFrame>(DrawnFrame{path, drawFor});
    };
    auto redraw = [](const Cache::FramePtr& frame, int drawFor) {
        return std::make_shared<const DrawnFrame>(DrawnFrame{frame->path, drawFor});
    };
    return Cache(load, [](const DrawnFrame&) { return std::size_t(100); }, {}, {}, budget, 2, redraw, wanted);
}

// The value every frame of the folder is handed out drawn for; -1 when
// some frame is not handed out.
int DrawnForAll(Cache& cache, const Folder& folder, int from = 0)
{
    int drawnFor = -2;
    for (int i = from; i < int(folder.Paths().size()); ++i) {
        Cache::FramePtr frame = cache.Find(folder[i]);
        if (!frame || (drawnFor != -2 && frame->drawnFor != drawnFor))
            return -1;
        drawnFor = frame->drawnFor;
    }
    return drawnFor;
}

}  // namespace

TEST(FrameRedraw, AChangeOfWhatIsWantedRedrawsTheFramesAheadWithoutReadingThemAgain)
{
    Folder folder(5);
    Cache cache = MakeCache(1000, 1);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(DrawnForAll(cache, folder), 1);
    EXPECT_EQ(cache.Done().reads, 5u);

    cache.SetWanted(2);
    // From now on a frame drawn for 1 is never handed out.
    for (int i = 0; i < 5; ++i) {
        if (Cache::FramePtr frame = cache.Find(folder[i])) {
            EXPECT_EQ(frame->drawnFor, 2) << i;
        }
    }
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(DrawnForAll(cache, folder), 2);
    EXPECT_EQ(cache.Done().reads, 5u) << "redrawn, not read again";
    EXPECT_EQ(cache.Done().redraws, 5u);
    EXPECT_EQ(cache.CachedBytes(), 500u);

    // A frame asked for while stale comes back drawn as wanted.
    cache.SetWanted(3);
    cache.Request(folder[3]);
    std::vector<Cache::Result> results;
    ASSERT_TRUE(WaitFor([&] {
        for (Cache::Result& result : cache.TakeResults())
            results.push_back(result);
        return !results.empty();
    }));
    ASSERT_NE(results[0].frame, nullptr);
    EXPECT_EQ(results[0].path, folder[3]);
    EXPECT_EQ(results[0].frame->drawnFor, 3);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(cache.Done().reads, 5u);
}

TEST(FrameRedraw, TheFrameOnScreenIsLeftToTheWindowAndAFrameShownFromElsewhereIsRedrawnWhenAskedFor)
{
    Folder folder(4);
    Cache cache = MakeCache(1000, 1);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    // The window shows frame 0 as it read it itself, drawn for 1.
    cache.SetShown(folder[0], std::make_shared<const DrawnFrame>(DrawnFrame{folder[0], 1}), 1);
    const Cache::WorkDone before = cache.Done();

    cache.SetWanted(7);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(cache.Done().redraws - before.redraws, 3u) << "the frame shown is drawn by the window";
    EXPECT_EQ(cache.Find(folder[0]), nullptr);
    EXPECT_EQ(DrawnForAll(cache, folder, 1), 7);

    // Stepped back to later, it is redrawn, still not read.
    cache.Request(folder[0]);
    ASSERT_TRUE(WaitFor([&] { return cache.Find(folder[0]) != nullptr; }));
    EXPECT_EQ(cache.Find(folder[0])->drawnFor, 7);
    EXPECT_EQ(cache.Done().reads, before.reads);
}
