// The frames' memory as the cache counts it against what the process
// actually takes: a folder of frames holding every render channel is played
// round twice through the cache, in a forked child so that nothing else of
// the test program moves its resident memory, and the growth of that memory
// is compared with the frames cached plus the memory kept for reuse.
#include "FrameCache.h"
#include "FrameMemory.h"
#include "LoadedFrame.h"
#include "RpfWriter.h"
#include "TempDir.h"
#include "ZeroedBuffer.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

namespace {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;  // shadow memory swamps what is measured
#else
constexpr bool kSanitized = false;
#endif

double ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atof(line.c_str() + 6) * 1024.0;
    return 0.0;
}

struct Measured {
    double estimate = 0;   // of one frame, from its header
    double frameBytes = 0; // of the same frame, once read
    double accounted = 0;  // cached frames and kept memory, at the end
    double growth = 0;     // resident memory gained meanwhile
};

// Plays folder round twice with a cache of room for four frames; runs in
// the child.
Measured Play(const std::vector<std::string>& folder)
{
    using Cache = FrameCache<LoadedFrame>;
    Measured measured;
    measured.estimate = double(framememory::EstimateFrameBytes(folder[0], -1));
    malloc_trim(0);
    const double baseline = ResidentBytes();
    {
        Cache cache([](const std::string& path, int) { return LoadFrame(path, FrameDrawing()); },
                    [](const LoadedFrame& frame) { return frame.Bytes(); }, framememory::EstimateFrameBytes, {},
                    std::size_t(4.5 * measured.estimate), 2);
        cache.SetSequence(folder, 0, 1);
        std::shared_ptr<const LoadedFrame> shown;
        for (std::size_t step = 0; step < 2 * folder.size(); ++step) {
            const std::size_t index = step % folder.size();
            cache.SetCurrent(index, 1);
            cache.Request(folder[index]);
            while (!(shown = cache.Find(folder[index])))
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            cache.SetShown(folder[index], shown);
            cache.TakeResults();
        }
        while (!cache.Idle())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        measured.frameBytes = double(shown->Bytes());
        malloc_trim(0);
        measured.accounted = double(cache.CachedBytes() + ZeroedBuffer::KeptBytes());
        measured.growth = ResidentBytes() - baseline;
    }
    return measured;
}

TEST(FrameMemory, TheCachesAccountOfFramesWithEveryChannelMatchesTheMemoryTheyTake)
{
    if (kSanitized)
        GTEST_SKIP() << "resident memory is not the program's own under a sanitizer";
    testsupport::TempDir dir;
    rpfgen::RpfImage image;
    image.width = 1024;
    image.height = 768;
    image.alpha = true;
    image.producer = std::string("Renderer (") + kChannelLetters + ")";  // every render channel, zeros
    const std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    std::vector<std::string> folder;
    for (int i = 0; i < 7; ++i)
        folder.push_back(dir.Write("shot_" + std::to_string(i) + ".rpf", bytes));

    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const Measured measured = Play(folder);
        const ssize_t written = write(fds[1], &measured, sizeof measured);
        _exit(written == ssize_t(sizeof measured) ? 0 : 4);
    }
    close(fds[1]);
    Measured measured;
    const ssize_t got = read(fds[0], &measured, sizeof measured);
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed";
    ASSERT_EQ(got, ssize_t(sizeof measured));

    std::printf("frame %.1f MB (header's estimate %.1f MB); accounted %.1f MB, resident memory grew %.1f MB\n",
                measured.frameBytes / 1e6, measured.estimate / 1e6, measured.accounted / 1e6, measured.growth / 1e6);
    // The header's weight is the frame's: the same bytes per pixel count both.
    EXPECT_NEAR(measured.estimate, measured.frameBytes, 0.01 * measured.frameBytes);
    const double tolerance = std::max(0.10 * measured.growth, 16.0 * (1 << 20));
    EXPECT_NEAR(measured.accounted, measured.growth, tolerance)
        << "accounted " << measured.accounted / 1e6 << " MB, resident memory grew " << measured.growth / 1e6 << " MB";
}

}  // namespace
