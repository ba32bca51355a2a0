// The read-ahead frame cache with small fake frames: each file holds the
// frame's size in bytes as text, or "fail" and a reason, so the tests decide
// sizes and failures by writing files and change them on disk.
#include "FrameCache.h"

#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct FakeFrame {
    std::string path;
    std::size_t bytes = 0;
};

using Cache = FrameCache<FakeFrame>;

using testsupport::WaitFor;

// The fake reader: records every read in order, and can hold reads at a
// gate until the test opens it.
class FakeReader {
public:
    Cache::FramePtr Load(const std::string& path)
    {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            reads_.push_back(path);
            ++waiting_;
            gateChanged_.notify_all();
            gateChanged_.wait(lock, [&] { return open_; });
            --waiting_;
        }
        if (delay_.count() > 0)
            std::this_thread::sleep_for(delay_);
        std::ifstream in(path);
        std::string word;
        if (!(in >> word))
            throw std::runtime_error("cannot open " + path);
        if (word == "fail") {
            std::string reason;
            std::getline(in, reason);
            throw std::runtime_error("bad frame:" + reason);
        }
        auto frame = std::make_shared<FakeFrame>();
        frame->path = path;
        frame->bytes = std::stoul(word);
        return frame;
    }

    Cache MakeCache(std::size_t budget, int workers = 1, Cache::Wake wake = {})
    {
        return Cache([this](const std::string& path, int) { return Load(path); },
                     [](const FakeFrame& frame) { return frame.bytes; }, {}, std::move(wake), budget, workers);
    }

    void Close()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = false;
    }
    void Open()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        gateChanged_.notify_all();
    }
    bool WaitUntilHeld(int count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return gateChanged_.wait_for(lock, std::chrono::seconds(10), [&] { return waiting_ >= count; });
    }
    void SetDelay(std::chrono::milliseconds delay) { delay_ = delay; }

    std::vector<std::string> Reads()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }
    int ReadsOf(const std::string& path)
    {
        const std::vector<std::string> reads = Reads();
        return int(std::count(reads.begin(), reads.end(), path));
    }

private:
    std::mutex mutex_;
    std::condition_variable gateChanged_;
    std::vector<std::string> reads_;
    bool open_ = true;
    int waiting_ = 0;
    std::chrono::milliseconds delay_{0};
};

// A folder of fake frames frame_00.txt .. frame_NN.txt, each `bytes` big.
class FakeFolder {
public:
    FakeFolder(int count, std::size_t bytes)
    {
        for (int i = 0; i < count; ++i)
            paths_.push_back(Write(i, std::to_string(bytes)));
    }
    std::string Write(int frame, const std::string& content) const
    {
        const std::string name = "frame_" + std::string(frame < 10 ? "0" : "") + std::to_string(frame) + ".txt";
        const std::string path = dir_.File(name);
        std::ofstream(path, std::ios::trunc) << content << "\n";
        return path;
    }
    const std::vector<std::string>& Paths() const { return paths_; }
    const std::string& operator[](int frame) const { return paths_[std::size_t(frame)]; }

private:
    testsupport::TempDir dir_;
    std::vector<std::string> paths_;
};

std::vector<int> CachedFrames(Cache& cache, const FakeFolder& folder)
{
    std::vector<int> cached;
    for (int i = 0; i < int(folder.Paths().size()); ++i)
        if (cache.Find(folder[i]))
            cached.push_back(i);
    return cached;
}

TEST(FrameCache, ReadsAheadInTheDirectionOfTravelWithinTheBudget)
{
    FakeFolder folder(10, 100);
    FakeReader reader;
    Cache cache = reader.MakeCache(350);
    cache.SetSequence(folder.Paths(), 5, -1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(reader.Reads(), (std::vector<std::string>{folder[5], folder[4], folder[3]}));
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(cache.CachedBytes(), 300u);

    // Turning round reads on the other side and wraps at the end, as
    // playback loops; every frame is read once.
    FakeFolder small(4, 100);
    FakeReader smallReader;
    Cache looping = smallReader.MakeCache(1000);
    looping.SetSequence(small.Paths(), 2, 1);
    ASSERT_TRUE(WaitFor([&] { return looping.Idle(); }));
    EXPECT_EQ(smallReader.Reads(), (std::vector<std::string>{small[2], small[3], small[0], small[1]}));
}

TEST(FrameCache, EvictsFramesBehindFirstThenTheFarthestAheadAndNeverExceedsTheBudget)
{
    FakeFolder folder(10, 100);
    FakeReader reader;
    Cache cache = reader.MakeCache(350, 2);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{0, 1, 2}));

    // One step on: the frame left behind goes to make room for the next.
    cache.SetCurrent(1, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{1, 2, 3}));

    // A smaller budget takes the farthest ahead first.
    cache.SetBudget(250);
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{1, 2}));
    EXPECT_LE(cache.CachedBytes(), 250u);

    // Stepping through the whole folder both ways never holds more.
    cache.SetBudget(350);
    for (int i = 0; i < 10; ++i) {
        cache.SetCurrent(std::size_t(i), 1);
        ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    }
    for (int i = 9; i >= 0; --i) {
        cache.SetCurrent(std::size_t(i), -1);
        ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    }
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{0, 8, 9}));
    EXPECT_LE(cache.PeakCachedBytes(), 350u);
    EXPECT_GE(cache.PeakCachedBytes(), 300u);
}

TEST(FrameCache, RoomForAFrameIsMadeBeforeItIsRead)
{
    FakeFolder folder(6, 100);
    FakeReader reader;
    Cache cache = reader.MakeCache(350);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    ASSERT_EQ(CachedFrames(cache, folder), (std::vector<int>{0, 1, 2}));

    // While frame 3 is being read, the frame left behind is gone already:
    // what is cached and what is being read fit the budget together.
    reader.Close();
    cache.SetCurrent(1, 1);
    ASSERT_TRUE(reader.WaitUntilHeld(1));
    EXPECT_EQ(reader.Reads().back(), folder[3]);
    EXPECT_LE(cache.CachedBytes() + 100, 350u);
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{1, 2}));
    reader.Open();
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{1, 2, 3}));
}

TEST(FrameCache, FrameLargerThanTheBudgetIsHandedOverButNotKept)
{
    FakeFolder folder(3, 100);
    const std::string huge = folder.Write(1, "5000");
    FakeReader reader;
    Cache cache = reader.MakeCache(1000);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(cache.Find(huge), nullptr);

    cache.Request(huge);
    std::vector<Cache::Result> results;
    ASSERT_TRUE(WaitFor([&] {
        for (Cache::Result& result : cache.TakeResults())
            results.push_back(std::move(result));
        return !results.empty();
    }));
    ASSERT_EQ(results.size(), 1u);
    ASSERT_NE(results[0].frame, nullptr);
    EXPECT_EQ(results[0].frame->bytes, 5000u);
    EXPECT_EQ(cache.Find(huge), nullptr);
    EXPECT_LE(cache.PeakCachedBytes(), 1000u);
}

TEST(FrameCache, AFrameAskedForWhileItsFileIsWeighedIsReadEvenWhenTooLargeToReadAhead)
{
    FakeFolder folder(3, 100);
    const std::string huge = folder.Write(1, "5000");
    FakeReader reader;
    std::mutex gate;
    std::condition_variable gateChanged;
    bool weighing = false;
    bool weighed = false;
    auto estimate = [&](const std::string& path, int) -> std::size_t {
        if (path != huge)
            return 100;
        std::unique_lock<std::mutex> lock(gate);
        weighing = true;
        gateChanged.notify_all();
        gateChanged.wait(lock, [&] { return weighed; });
        return 5000;
    };
    Cache cache([&](const std::string& path, int) { return reader.Load(path); },
                [](const FakeFrame& frame) { return frame.bytes; }, estimate, {}, 1000, 1);
    cache.SetSequence(folder.Paths(), 0, 1);
    {
        std::unique_lock<std::mutex> lock(gate);
        ASSERT_TRUE(gateChanged.wait_for(lock, std::chrono::seconds(10), [&] { return weighing; }));
    }
    // Asked for while read-ahead weighs it: merged with the weighing, which
    // finds it larger than the budget, so read-ahead passes it over.
    cache.Request(huge);
    {
        std::lock_guard<std::mutex> lock(gate);
        weighed = true;
    }
    gateChanged.notify_all();
    std::vector<Cache::Result> results;
    ASSERT_TRUE(WaitFor([&] {
        for (Cache::Result& result : cache.TakeResults())
            results.push_back(std::move(result));
        return !results.empty();
    })) << "the request was never answered";
    ASSERT_NE(results[0].frame, nullptr);
    EXPECT_EQ(results[0].frame->bytes, 5000u);
}

TEST(FrameCache, FileChangedOnDiskIsReadAgainAndDeletedFileIsDropped)
{
    FakeFolder folder(2, 100);
    FakeReader reader;
    Cache cache = reader.MakeCache(1000);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    ASSERT_NE(cache.Find(folder[0]), nullptr);

    // Rewritten in place at the same size, within the same second.
    folder.Write(0, "200");
    folder.Write(0, "300");
    EXPECT_EQ(cache.Find(folder[0]), nullptr);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    Cache::FramePtr reread = cache.Find(folder[0]);
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(reread->bytes, 300u);
    EXPECT_EQ(reader.ReadsOf(folder[0]), 2);
    EXPECT_EQ(cache.CachedBytes(), 400u);

    // Replaced by another file under the same name, same size and content.
    const std::string swapped = folder[1] + ".new";
    std::filesystem::copy_file(folder[1], swapped);
    std::filesystem::rename(swapped, folder[1]);
    EXPECT_EQ(cache.Find(folder[1]), nullptr);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_NE(cache.Find(folder[1]), nullptr);

    std::filesystem::remove(folder[1]);
    EXPECT_EQ(cache.Find(folder[1]), nullptr);
    EXPECT_EQ(cache.Find(folder[1]), nullptr);
    EXPECT_EQ(cache.CachedBytes(), 300u);
}

TEST(FrameCache, FailedReadIsRememberedUntilTheFileChanges)
{
    FakeFolder folder(3, 100);
    folder.Write(1, "fail truncated record");
    FakeReader reader;
    Cache cache = reader.MakeCache(1000);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(cache.Find(folder[1]), nullptr);
    EXPECT_EQ(cache.FindFailure(folder[1]), std::optional<std::string>("bad frame: truncated record"));
    EXPECT_EQ(cache.FindFailure(folder[0]), std::nullopt);

    // Moving about does not read it again, and asking for it is answered
    // from memory.
    cache.SetCurrent(1, 1);
    cache.Request(folder[1]);
    std::vector<Cache::Result> results;
    ASSERT_TRUE(WaitFor([&] {
        results = cache.TakeResults();
        return !results.empty();
    }));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].frame, nullptr);
    EXPECT_EQ(results[0].failure, "bad frame: truncated record");
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(reader.ReadsOf(folder[1]), 1);

    // Once the renderer has rewritten it, it is read again.
    folder.Write(1, "150");
    EXPECT_EQ(cache.Find(folder[1]), nullptr);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    Cache::FramePtr fixed = cache.Find(folder[1]);
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->bytes, 150u);
    EXPECT_EQ(cache.FindFailure(folder[1]), std::nullopt);
}

TEST(FrameCache, RequestsGoFirstAndRepeatedRequestsAreMerged)
{
    FakeFolder folder(10, 100);
    FakeReader reader;
    std::atomic<int> wakes{0};
    Cache cache = reader.MakeCache(1000, 1, [&] { ++wakes; });
    reader.Close();
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(reader.WaitUntilHeld(1));

    // Frame 0 is being read; meanwhile the user asks for 7 again and again,
    // then for 0, which is in flight.
    for (int i = 0; i < 5; ++i)
        cache.Request(folder[7]);
    cache.Request(folder[0]);
    reader.Open();
    std::vector<Cache::Result> results;
    ASSERT_TRUE(WaitFor([&] {
        for (Cache::Result& result : cache.TakeResults())
            results.push_back(std::move(result));
        return results.size() >= 2 && cache.Idle();
    }));

    const std::vector<std::string> reads = reader.Reads();
    ASSERT_GE(reads.size(), 3u);
    EXPECT_EQ(reads[0], folder[0]);
    EXPECT_EQ(reads[1], folder[7]);
    EXPECT_EQ(reads[2], folder[1]);
    EXPECT_EQ(reader.ReadsOf(folder[7]), 1);
    EXPECT_EQ(reader.ReadsOf(folder[0]), 1);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].path, folder[0]);
    EXPECT_EQ(results[1].path, folder[7]);
    EXPECT_EQ(wakes.load(), 2);
    // Read-ahead results are not queued for the window: it finds them.
    EXPECT_TRUE(cache.TakeResults().empty());
}

TEST(FrameCache, OnlyTheLatestRequestsWait)
{
    FakeFolder folder(20, 100);
    FakeReader reader;
    Cache cache = reader.MakeCache(1);  // no read-ahead beyond one frame
    reader.Close();
    cache.Request(folder[0]);
    ASSERT_TRUE(reader.WaitUntilHeld(1));
    for (int i = 1; i < 20; ++i)
        cache.Request(folder[i]);
    reader.Open();
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    // The newest first, and no more than the limit after the one in flight.
    const std::vector<std::string> reads = reader.Reads();
    ASSERT_EQ(reads.size(), 1 + Cache::kMaxPendingRequests);
    EXPECT_EQ(reads[1], folder[19]);
    EXPECT_EQ(reads.back(), folder[int(20 - Cache::kMaxPendingRequests)]);
}

TEST(FrameCache, DestructionWhileReadsAreInFlightStartsNoMoreReads)
{
    FakeFolder folder(40, 100);
    FakeReader reader;
    reader.SetDelay(std::chrono::milliseconds(30));
    std::atomic<bool> destroyed{false};
    std::atomic<int> wakesAfterDestruction{0};
    std::size_t readsStarted = 0;
    {
        Cache cache = reader.MakeCache(100000, 2, [&] {
            if (destroyed)
                ++wakesAfterDestruction;
        });
        cache.SetSequence(folder.Paths(), 0, 1);
        cache.Request(folder[30]);
        ASSERT_TRUE(WaitFor([&] { return reader.Reads().size() >= 3; }));
        readsStarted = reader.Reads().size();
    }
    destroyed = true;
    // Each of the two workers finishes at most the read it was in.
    EXPECT_LE(reader.Reads().size(), readsStarted + 2);
    EXPECT_LT(reader.Reads().size(), folder.Paths().size());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(wakesAfterDestruction.load(), 0);
}

}  // namespace

TEST(FrameCache, TheComparedFrameOnScreenCountsAgainstTheBudgetUntilItGoes)
{
    FakeFolder folder(6, 100);
    FakeFolder reference(1, 200);
    FakeReader reader;
    Cache cache = reader.MakeCache(350);
    auto compared = std::make_shared<FakeFrame>();
    compared->path = reference[0];
    compared->bytes = 200;
    cache.SetShownCompanion(reference[0], compared);
    cache.SetSequence(folder.Paths(), 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    // Beside the 200 bytes compared, one frame of 100 fits in 350.
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{0}));
    EXPECT_EQ(reader.ReadsOf(reference[0]), 0);  // handed over, not read again

    cache.SetShownCompanion(std::string(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(CachedFrames(cache, folder), (std::vector<int>{0, 1, 2}));
}
