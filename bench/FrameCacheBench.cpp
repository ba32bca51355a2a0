// The read-ahead frame cache on folders of 1920 x 1080 and 3840 x 2160
// frames with Z, C, I and V, read by the real reader and converted to the
// display bitmap as the window shows them:
// - a request for an uncached neighbour: request to frame in hand;
// - a step to a cached neighbour: the lookup that hands it over;
// - read-ahead with one and with two workers: frames per second from a
//   cold cache until the budget is full, against the playback rates.
// Prints figures; asserts nothing. Argument: the number of runs (default 7).
#include "BenchTiming.h"
#include "DemoScene.h"
#include "DisplayBitmap.h"
#include "FrameCache.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "TempDir.h"

#include <QImage>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;

// What the window keeps of a file: the reader with its channels, and the
// picture converted for the screen.
struct BenchFrame {
    RLA rla;
    QImage bitmap;
};

std::shared_ptr<const BenchFrame> LoadBenchFrame(const std::string& path)
{
    auto frame = std::make_shared<BenchFrame>();
    frame->rla.Leer(path.c_str(), true);
    frame->bitmap = displaybitmap::Build(frame->rla.image_buf, frame->rla.ancho, frame->rla.alto);
    return frame;
}

std::size_t BenchFrameBytes(const BenchFrame& frame)
{
    const std::size_t pixels = std::size_t(frame.rla.ancho) * std::size_t(frame.rla.alto);
    return pixels * (8 + 4 + 1 + 2 + 8) + std::size_t(frame.bitmap.sizeInBytes());
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

void WaitUntilIdle(const FrameCache<BenchFrame>& cache)
{
    while (!cache.Idle())
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void Measure(int width, int height, int frameCount, int runs)
{
    std::printf("\n%d x %d, 8-bit RGBA with Z, C, I and V, %d frames\n", width, height, frameCount);
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
    const std::size_t frameBytes = BenchFrameBytes(*LoadBenchFrame(paths[0]));
    std::printf("  file %.1f MB, frame in memory %.1f MB\n", bytes.size() / 1e6, frameBytes / 1e6);

    // Request to frame in hand, nothing cached, nothing else being read.
    std::vector<double> uncached;
    for (int run = 0; run < runs; ++run) {
        ResultSignal signal;
        FrameCache<BenchFrame> cache(LoadBenchFrame, BenchFrameBytes, [&] { signal.Notify(); }, 4 * frameBytes);
        const Clock::time_point start = Clock::now();
        cache.Request(paths[std::size_t(run % frameCount)]);
        signal.WaitFor(1);
        const std::vector<FrameCache<BenchFrame>::Result> results = cache.TakeResults();
        uncached.push_back(Milliseconds(Clock::now() - start));
        if (results.size() != 1 || !results[0].frame)
            std::printf("  request failed\n");
    }
    std::printf("  uncached neighbour, request to frame: median %.1f ms\n", Median(uncached));

    // A step onto a neighbour the cache has read ahead.
    std::vector<double> cached;
    {
        FrameCache<BenchFrame> cache(LoadBenchFrame, BenchFrameBytes, {}, 3 * frameBytes + frameBytes / 2);
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
        std::vector<double> rates;
        for (int run = 0; run < std::max(1, runs / 3); ++run) {
            FrameCache<BenchFrame> cache(LoadBenchFrame, BenchFrameBytes, {}, std::size_t(frameCount + 1) * frameBytes,
                                         workers);
            const Clock::time_point start = Clock::now();
            cache.SetSequence(paths, 0, 1);
            WaitUntilIdle(cache);
            rates.push_back(frameCount / (Milliseconds(Clock::now() - start) / 1000.0));
        }
        std::printf("  read-ahead, %d worker%s: median %.1f frames per second\n", workers, workers == 1 ? "" : "s",
                    Median(rates));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::printf("Default cache budget: %.2f GiB (physical memory %.2f GiB)\n",
                DefaultFrameCacheBudget() / double(1 << 30), PhysicalMemoryBytes() / double(1 << 30));
    Measure(1920, 1080, 12, runs);
    Measure(3840, 2160, 8, runs);
    return 0;
}
