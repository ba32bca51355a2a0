// The read-ahead frame cache as the window runs it: FrameCache<LoadedFrame>
// with the real loader (LoadFrame) and the frames' own accounting
// (LoadedFrame::Bytes, FrameMemory.h), on folders of 1920 x 1080 and 3840 x 2160
// frames with Z, C, I and V and the D block's names:
// - what one LoadFrame costs, stage by stage (the read, the display bitmap),
//   each as wall time and as the processor time of user code and of the
//   kernel (fresh pages), so that the stage bounding the rate shows; and the
//   passes a frame makes only when first shown in a channel view or pointed
//   at (the channel ranges, the readout's node ID check);
// - a request for an uncached neighbour: request to frame in hand;
// - a step to a cached neighbour: the lookup that hands it over;
// - read-ahead with one and with two workers: frames per second from a
//   cold cache until the whole folder is in, against the playback rates,
//   with the processor time each frame took;
// - playback with one and with two workers: frames per second stepping on
//   as soon as the next frame is in, round a folder larger than the budget.
// Prints figures; asserts nothing. Argument: the number of runs (default 7).
#include "BenchTiming.h"
#include "ChannelRenderer.h"
#include "DemoScene.h"
#include "DisplayBitmap.h"
#include "FrameCache.h"
#include "FrameChannels.h"
#include "FrameMemory.h"
#include "LoadedFrame.h"
#include "PixelReadout.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "TempDir.h"

#include <sys/resource.h>

#include <QImage>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;

using Cache = FrameCache<LoadedFrame>;

std::shared_ptr<const LoadedFrame> LoadColour(const std::string& path, int = -1)
{
    return LoadFrame(path, FrameDrawing());
}

std::size_t BytesOf(const LoadedFrame& frame)
{
    return frame.Bytes();
}

std::size_t Estimate(const std::string& path, int)
{
    return framememory::EstimateFrameBytes(path, -1);
}

// Processor time of the whole process so far, user code and kernel apart,
// in milliseconds (every thread counted: the loader's helpers too).
struct CpuTime {
    double user = 0;
    double system = 0;

    static CpuTime Now()
    {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
        return {ms(usage.ru_utime), ms(usage.ru_stime)};
    }
};

// Medians over runs of the wall time and the processor time of one stage.
class StageTimes {
public:
    void Add(double wall, const CpuTime& before, const CpuTime& after)
    {
        walls_.push_back(wall);
        users_.push_back(after.user - before.user);
        systems_.push_back(after.system - before.system);
    }
    void Print(const char* name) const
    {
        std::printf("    %-34s %7.1f ms   user %6.1f ms  kernel %6.1f ms\n", name, Median(walls_), Median(users_),
                    Median(systems_));
    }

private:
    std::vector<double> walls_, users_, systems_;
};

// Times work() into times.
template <typename Work>
void TimeStage(StageTimes& times, const Work& work)
{
    const CpuTime before = CpuTime::Now();
    const Clock::time_point start = Clock::now();
    work();
    const double wall = Milliseconds(Clock::now() - start);
    times.Add(wall, before, CpuTime::Now());
}

// One LoadFrame as a whole, and the same work stage by stage, each stage
// calling what LoadFrame calls. Every run reads another file of the folder,
// and the frames of earlier runs are released first, as the cache releases
// frames it evicts.
void MeasureStages(const std::vector<std::string>& paths, int runs)
{
    StageTimes whole, read, bitmap, ranges, readout;
    for (int run = 0; run < runs; ++run) {
        const std::string& path = paths[std::size_t(run) % paths.size()];
        {
            std::shared_ptr<const LoadedFrame> frame;
            TimeStage(whole, [&] { frame = LoadColour(path); });
        }
        RLA loader;
        TimeStage(read, [&] { loader.Leer(path.c_str(), true); });
        QImage picture;
        TimeStage(bitmap,
                  [&] { picture = displaybitmap::Build(loader.ImageWords().data(), loader.ancho, loader.alto); });
        const FrameChannels channels = FrameChannelsOf(loader);
        TimeStage(ranges, [&] { channelrenderer::MeasureRanges(channels); });
        TimeStage(readout, [&] {
            PixelReadout built(channels);
            built.IdsIndexNames();
        });
    }
    std::printf("  one frame loaded on one thread, median of %d:\n", runs);
    whole.Print("LoadFrame as the workers call it");
    read.Print("read (RLA::Leer)");
    bitmap.Print("display bitmap (displaybitmap::Build)");
    std::printf("  not in LoadFrame, done on first use (a channel view shown, a name in the readout):\n");
    ranges.Print("channel ranges (MeasureRanges)");
    readout.Print("readout's node ID check");
}

// Wakes the measuring thread when a requested frame is ready, as the
// window's event loop would be woken.
class ResultSignal {
public:
    void Notify()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++count_;
        }
        ready_.notify_all();
    }
    void WaitFor(int count)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ready_.wait(lock, [&] { return count_ >= count; });
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    int count_ = 0;
};

void WaitUntilIdle(const Cache& cache)
{
    while (!cache.Idle())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void Measure(int width, int height, int frameCount, double playbackRate, int runs)
{
    std::printf("\n%d x %d, 8-bit RGBA with Z, C, I and V and node names, %d frames\n", width, height, frameCount);
    rpfgen::DemoSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frame = 114;
    settings.samples = 1;
    const std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true));
    testsupport::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < frameCount; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "shot_%04d.rpf", i);
        paths.push_back(dir.Write(name, bytes));
    }
    const std::size_t frameBytes = LoadColour(paths[0])->Bytes();
    std::printf("  file %.1f MB, frame in memory %.1f MB (as the cache counts it)\n", bytes.size() / 1e6,
                frameBytes / 1e6);

    MeasureStages(paths, runs);

    // Request to frame in hand, nothing cached, nothing else being read.
    std::vector<double> uncached;
    for (int run = 0; run < runs; ++run) {
        ResultSignal signal;
        Cache cache(LoadColour, BytesOf, Estimate, [&] { signal.Notify(); }, 4 * frameBytes);
        const Clock::time_point start = Clock::now();
        cache.Request(paths[std::size_t(run % frameCount)]);
        signal.WaitFor(1);
        const std::vector<Cache::Result> results = cache.TakeResults();
        uncached.push_back(Milliseconds(Clock::now() - start));
        if (results.size() != 1 || !results[0].frame)
            std::printf("  request failed\n");
    }
    std::printf("  uncached neighbour, request to frame: median %.1f ms\n", Median(uncached));

    // A step onto a neighbour the cache has read ahead.
    std::vector<double> cached;
    {
        Cache cache(LoadColour, BytesOf, Estimate, {}, 3 * frameBytes + frameBytes / 2);
        for (int run = 0; run < runs; ++run) {
            const std::size_t current = std::size_t(run % (frameCount - 1));
            cache.SetSequence(paths, current, 1);
            WaitUntilIdle(cache);
            const Clock::time_point start = Clock::now();
            const auto frame = cache.Find(paths[current + 1]);
            cached.push_back(Milliseconds(Clock::now() - start));
            if (!frame)
                std::printf("  neighbour not cached\n");
        }
    }
    std::printf("  cached neighbour, lookup: median %.3f ms\n", Median(cached));

    // Read-ahead from cold until the whole folder is in.
    for (int workers : {1, 2}) {
        std::vector<double> rates, users, systems;
        for (int run = 0; run < std::max(1, runs / 3); ++run) {
            Cache cache(LoadColour, BytesOf, Estimate, {}, std::size_t(frameCount + 1) * frameBytes, workers);
            const CpuTime before = CpuTime::Now();
            const Clock::time_point start = Clock::now();
            cache.SetSequence(paths, 0, 1);
            WaitUntilIdle(cache);
            const double seconds = Milliseconds(Clock::now() - start) / 1000.0;
            const CpuTime after = CpuTime::Now();
            rates.push_back(frameCount / seconds);
            users.push_back((after.user - before.user) / frameCount);
            systems.push_back((after.system - before.system) / frameCount);
        }
        std::printf("  read-ahead, %d worker%s: median %.1f frames per second (playback wants %.0f); per frame"
                    " user %.1f ms, kernel %.1f ms\n",
                    workers, workers == 1 ? "" : "s", Median(rates), playbackRate, Median(users), Median(systems));
    }

    // Playback: the window steps to the next frame as soon as the cache has
    // it, holding the frame it shows as the window does, round and round a
    // folder larger than the budget, so that frames read ahead evict frames
    // played, as in a long sequence. Measured after one lap, once frames
    // come and go.
    for (int workers : {1, 2}) {
        std::vector<double> rates, users, systems;
        for (int run = 0; run < std::max(1, runs / 3); ++run) {
            Cache cache(LoadColour, BytesOf, Estimate, {}, 3 * frameBytes + frameBytes / 2, workers);
            std::shared_ptr<const LoadedFrame> shown;
            const auto play = [&](int steps, int first) {
                for (int step = first; step < first + steps; ++step) {
                    const std::size_t index = std::size_t(step % frameCount);
                    cache.SetCurrent(index, 1);
                    while (!(shown = cache.Find(paths[index])))
                        std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
            };
            cache.SetSequence(paths, 0, 1);
            play(frameCount, 0);
            const CpuTime before = CpuTime::Now();
            const Clock::time_point start = Clock::now();
            const int steps = 2 * frameCount;
            play(steps, frameCount);
            const double seconds = Milliseconds(Clock::now() - start) / 1000.0;
            const CpuTime after = CpuTime::Now();
            rates.push_back(steps / seconds);
            users.push_back((after.user - before.user) / steps);
            systems.push_back((after.system - before.system) / steps);
        }
        std::printf("  playback, %d worker%s: median %.1f frames per second (wants %.0f); per frame user %.1f ms,"
                    " kernel %.1f ms\n",
                    workers, workers == 1 ? "" : "s", Median(rates), playbackRate, Median(users), Median(systems));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::printf("Default cache budget: %.2f GiB (physical memory %.2f GiB)\n",
                framememory::DefaultBudget() / double(1 << 30), framememory::PhysicalMemoryBytes() / double(1 << 30));
    Measure(1920, 1080, 12, 60, runs);
    Measure(3840, 2160, 8, 24, runs);
    return 0;
}
