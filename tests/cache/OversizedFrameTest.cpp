// Frames too large for the budget, as hostile folders hold them: files of a
// few kilobytes that declare a large image whose every row points at one
// stored row, so that each decodes in full. The cache weighs every file by
// its header before its first read; such a frame is never read ahead, and
// read only when asked for, with no other read beside it.
#include "FrameCache.h"
#include "FrameMemory.h"

#include "RLA.h"
#include "RpfWriter.h"
#include "TempDir.h"
#include "WaitFor.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fstream>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using Cache = FrameCache<RLA>;

void PutBigEndian(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * (size - 1 - i)));
}

// width x height pixels with Z, C, I and V, every row pointing at the one
// record of a single-row image.
std::vector<std::uint8_t> SharedRowFile(int width, int height)
{
    rpfgen::RpfImage row;
    row.width = width;
    row.height = 1;
    row.producer = "Renderer (ZCIV)";
    const std::vector<std::uint8_t> one = rpfgen::EncodeRpf(row);
    const std::size_t tableAt = rpfgen::offsets::kOffsetTable;
    std::vector<std::uint8_t> bytes(one.begin(), one.begin() + long(tableAt));
    PutBigEndian(bytes, rpfgen::offsets::kActiveBottom, 0, 2);
    PutBigEndian(bytes, rpfgen::offsets::kActiveTop, std::uint32_t(height - 1), 2);
    const std::size_t recordAt = tableAt + 4 * std::size_t(height);
    bytes.resize(recordAt);
    for (int r = 0; r < height; ++r)
        PutBigEndian(bytes, tableAt + 4 * std::size_t(r), std::uint32_t(recordAt), 4);
    bytes.insert(bytes.end(), one.begin() + long(tableAt + 4), one.end());
    return bytes;
}

// The reader as the cache's loader, recording what it read and whether any
// read ran beside that of a frame larger than the budget.
class WatchedReader {
public:
    explicit WatchedReader(std::size_t budget) : budget_(budget) {}

    std::shared_ptr<const RLA> Load(const std::string& path)
    {
        const bool oversized = framememory::EstimateFrameBytes(path, -1) > budget_;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            reads_.push_back(path);
            if (oversizedActive_ > 0 || (oversized && active_ > 0))
                overlapped_ = true;
            ++active_;
            oversizedActive_ += oversized;
        }
        auto rla = std::make_shared<RLA>();
        // Nothing kept for reuse, so that what the process holds is what the
        // cache counts.
        rla->KeepReleasedMemoryUpTo(0);
        rla->Leer(path.c_str(), true);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // room for a second read to start
        std::lock_guard<std::mutex> lock(mutex_);
        --active_;
        oversizedActive_ -= oversized;
        return rla;
    }

    Cache MakeCache(Cache::Wake wake = {})
    {
        return Cache([this](const std::string& path, int) { return Load(path); },
                     [](const RLA& rla) { return rla.BytesHeld() + 4 * std::size_t(rla.ancho) * std::size_t(rla.alto); },
                     framememory::EstimateFrameBytes, std::move(wake), budget_, 2);
    }

    std::vector<std::string> Reads()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return reads_;
    }
    bool Overlapped()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return overlapped_;
    }

private:
    const std::size_t budget_;
    std::mutex mutex_;
    std::vector<std::string> reads_;
    int active_ = 0;
    int oversizedActive_ = 0;
    bool overlapped_ = false;
};

bool WaitFor(const std::function<bool()>& done)
{
    return testsupport::WaitFor(done, std::chrono::seconds(30));
}

// 2048 x 2048 with Z, C, I and V is some 110 MB read, far over the budget.
constexpr std::size_t kBudget = std::size_t(32) << 20;
constexpr int kBombSide = 2048;

TEST(OversizedFrames, AreWeighedBeforeTheirFirstReadAndNeverReadAhead)
{
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> bomb = SharedRowFile(kBombSide, kBombSide);
    ASSERT_LT(bomb.size(), std::size_t(100'000));
    const std::vector<std::string> folder = {dir.Write("a.rpf", bomb), dir.Write("b.rpf", bomb),
                                             dir.Write("c.rpf", bomb)};
    ASSERT_GT(framememory::EstimateFrameBytes(folder[0], -1), kBudget);

    WatchedReader reader(kBudget);
    std::atomic<int> wakes{0};
    Cache cache = reader.MakeCache([&] { ++wakes; });
    cache.SetSequence(folder, 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_TRUE(reader.Reads().empty()) << "no frame of the folder fits: none is read ahead";

    // Asked for, it is read, alone, handed over and not kept.
    cache.Request(folder[1]);
    ASSERT_TRUE(WaitFor([&] { return wakes.load() == 1; }));
    const std::vector<Cache::Result> results = cache.TakeResults();
    ASSERT_EQ(results.size(), 1u);
    ASSERT_NE(results[0].frame, nullptr) << results[0].failure;
    EXPECT_EQ(results[0].frame->ancho, kBombSide);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    EXPECT_EQ(reader.Reads(), std::vector<std::string>{folder[1]});
    EXPECT_EQ(cache.CachedBytes(), 0u);
    EXPECT_FALSE(reader.Overlapped());
}

TEST(OversizedFrames, BesideSmallFramesOnlyTheSmallOnesAreReadAheadAndTheLargeOneIsReadAlone)
{
    testsupport::TempDir dir;
    rpfgen::RpfImage small;
    small.width = 64;
    small.height = 48;
    small.producer = "Renderer (ZCIV)";
    const std::vector<std::uint8_t> smallBytes = rpfgen::EncodeRpf(small);
    const std::vector<std::string> folder = {dir.Write("1.rpf", smallBytes),
                                             dir.Write("2.rpf", SharedRowFile(kBombSide, kBombSide)),
                                             dir.Write("3.rpf", smallBytes), dir.Write("4.rpf", smallBytes)};

    WatchedReader reader(kBudget);
    std::atomic<int> wakes{0};
    Cache cache = reader.MakeCache([&] { ++wakes; });
    // The small first frame is on screen, read by the window itself: the
    // cache keeps it rather than reading it again.
    auto shown = std::make_shared<RLA>();
    shown->Leer(folder[0].c_str(), true);
    cache.SetShown(folder[0], shown);
    cache.SetSequence(folder, 0, 1);
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    std::vector<std::string> reads = reader.Reads();
    std::sort(reads.begin(), reads.end());
    EXPECT_EQ(reads, (std::vector<std::string>{folder[2], folder[3]}));
    EXPECT_EQ(cache.Find(folder[0]), shown);
    EXPECT_NE(cache.Find(folder[2]), nullptr);

    // A step onto it: read with nothing beside it; the small frames wanted
    // before it stay.
    cache.SetCurrent(1, 1);
    cache.Request(folder[1]);
    ASSERT_TRUE(WaitFor([&] { return wakes.load() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return cache.Idle(); }));
    const std::vector<Cache::Result> results = cache.TakeResults();
    ASSERT_EQ(results.size(), 1u);
    ASSERT_NE(results[0].frame, nullptr) << results[0].failure;
    EXPECT_FALSE(reader.Overlapped());
    EXPECT_EQ(cache.Find(folder[1]), nullptr) << "larger than the budget: not kept";
    EXPECT_LE(cache.CachedBytes(), kBudget);
}

#if !defined(__SANITIZE_THREAD__) && !defined(__SANITIZE_ADDRESS__)

// Resident memory in bytes, now (VmRSS) or at its peak (VmHWM).
double Resident(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) * 1024.0;
    return 0.0;
}

// Runs `play` in a forked child, where nothing else of the test program
// moves the memory measured, and gives back how far the child's resident
// memory rose above where it stood when `play` began.
double PeakGrowthOf(const std::function<void()>& play)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        malloc_trim(0);
        std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts over from now
        const double baseline = Resident("VmRSS:");
        play();
        const double growth = Resident("VmHWM:") - baseline;
        _exit(write(fds[1], &growth, sizeof growth) == ssize_t(sizeof growth) ? 0 : 4);
    }
    close(fds[1]);
    double growth = -1;
    const ssize_t got = read(fds[0], &growth, sizeof growth);
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return got == ssize_t(sizeof growth) && WIFEXITED(status) && WEXITSTATUS(status) == 0 ? growth : -1;
}

// What the process holds for hostile folders, measured rather than taken
// from the cache's word: one oversized frame at a time, however the folder
// is stepped through.
TEST(OversizedFrames, TheProcessNeverHoldsMoreThanTheLargestFrameOrTheBudget)
{
    testsupport::TempDir dir;
    const std::vector<std::uint8_t> bomb = SharedRowFile(kBombSide, kBombSide);
    const std::vector<std::string> bombs = {dir.Write("a.rpf", bomb), dir.Write("b.rpf", bomb),
                                            dir.Write("c.rpf", bomb)};
    rpfgen::RpfImage small;
    small.width = 64;
    small.height = 48;
    small.producer = "Renderer (ZCIV)";
    const std::vector<std::string> beside = {dir.Write("1.rpf", rpfgen::EncodeRpf(small)),
                                             dir.Write("2.rpf", SharedRowFile(kBombSide, kBombSide))};
    const double frameBytes = double(framememory::EstimateFrameBytes(bombs[0], -1));
    const double bound = std::max(double(kBudget), frameBytes) + 16.0 * (1 << 20);

    // Every frame of the folder stepped onto in turn, and round again.
    const double bombFolder = PeakGrowthOf([&] {
        WatchedReader reader(kBudget);
        std::atomic<int> wakes{0};
        Cache cache = reader.MakeCache([&] { ++wakes; });
        cache.SetSequence(bombs, 0, 1);
        for (std::size_t step = 0; step < 2 * bombs.size(); ++step) {
            const std::size_t index = step % bombs.size();
            cache.SetCurrent(index, 1);
            cache.Request(bombs[index]);
            WaitFor([&] { return wakes.load() == int(step) + 1; });
            cache.TakeResults();
        }
        WaitFor([&] { return cache.Idle(); });
    });
    // A small file opened beside one: its neighbour is not read unasked.
    const double besideSmall = PeakGrowthOf([&] {
        WatchedReader reader(kBudget);
        Cache cache = reader.MakeCache();
        cache.SetSequence(beside, 0, 1);
        cache.Request(beside[0]);
        WaitFor([&] { return cache.Idle(); });
        cache.TakeResults();
    });
    std::printf("one oversized frame %.0f MB, budget %.0f MB; peak growth: folder of them %.0f MB, "
                "small file beside one %.0f MB\n",
                frameBytes / 1e6, kBudget / 1e6, bombFolder / 1e6, besideSmall / 1e6);
    ASSERT_GE(bombFolder, 0) << "the child failed";
    ASSERT_GE(besideSmall, 0) << "the child failed";
    // The folder's frames are read, so the bound is not idle.
    EXPECT_GT(bombFolder, 0.5 * frameBytes);
    EXPECT_LE(bombFolder, bound);
    EXPECT_LE(besideSmall, double(kBudget) + 16.0 * (1 << 20));
}

#endif

}  // namespace
