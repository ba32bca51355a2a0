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

#include <gtest/gtest.h>

#include <algorithm>
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
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
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

}  // namespace
