#include "StreamingBench.h"

#include "AppCommandIds.h"
#include "CommandRouter.h"
#include "DisplayBitmap.h"
#include "FrameMemory.h"
#include "LoadedFrame.h"
#include "MainFrame.h"
#include "PlaybackHarness.h"
#include "RLA.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace streamingbench {

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;
using benchtiming::TimeOnce;
using playbackharness::OpenPlaybackWindow;
using playbackharness::PaintCounter;
using playbackharness::RunFor;
using playbackharness::WaitFor;

constexpr int kFrames = 240;
// Distinct frames rendered; the rest of the sequence are copies of them.
// Reading and decoding a copy costs what the original does, and rendering
// 240 frames of 4K would take the benchmark half an hour.
constexpr int kDistinct = 24;
// The frames of the first pass counted apart: about what the cache holds
// of 3840 x 2160 frames.
constexpr int kFilling = 20;

std::string Bytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QStringList MakeSequence(const QString& rpfgenPath, const QString& folder, const QString& size)
{
    const QStringList rendered = playbackharness::RenderFrames(rpfgenPath, folder, kDistinct, size);
    QStringList paths = rendered;
    for (int i = kDistinct; i < kFrames; ++i) {
        const QString copy = QDir(folder).filePath(QStringLiteral("demo_%1.rpf").arg(i, 4, 10, QChar('0')));
        if (!QFile::copy(rendered[i % kDistinct], copy)) {
            std::fprintf(stderr, "could not copy a frame\n");
            std::exit(1);
        }
        paths.append(copy);
    }
    return paths;
}

// Writes the files out and drops their pages from the page cache, so the
// next read of each comes from the disk. Needs no privilege: only these
// files' clean pages go.
bool DropFromPageCache(const QStringList& paths)
{
    bool all = true;
    for (const QString& path : paths) {
        const int fd = ::open(Bytes(path).c_str(), O_RDONLY);
        if (fd < 0) {
            all = false;
            continue;
        }
        ::fdatasync(fd);
        all = ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) == 0 && all;
        ::close(fd);
    }
    return all;
}

struct Faults {
    long minor = 0;
    long major = 0;
};

Faults FaultsNow()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return {usage.ru_minflt, usage.ru_majflt};
}

// What one frame costs on one thread, cold and warm: milliseconds.
void PrintCosts(const QStringList& paths)
{
    std::vector<double> readCold, readWarm, decode, convert, load;
    std::vector<char> buffer;
    for (int i = 0; i < 5; ++i) {
        const std::string path = Bytes(paths[i]);
        DropFromPageCache({paths[i]});
        auto readAll = [&] {
            QFile file(paths[i]);
            file.open(QIODevice::ReadOnly);
            buffer.resize(std::size_t(file.size()));
            file.read(buffer.data(), file.size());
        };
        readCold.push_back(TimeOnce(readAll));
        readWarm.push_back(TimeOnce(readAll));
        RLA image;
        decode.push_back(TimeOnce([&] { image.Leer(path.c_str(), true); }));
        convert.push_back(
            TimeOnce([&] { displaybitmap::Build(image.ImageWords().data(), image.ancho, image.alto); }));
        load.push_back(TimeOnce([&] { LoadFrame(path, FrameDrawing()); }));
    }
    std::printf("  one frame on one thread (%.1f MB file), median ms: read cold %.1f, read from the page cache %.1f,"
                " decode (read included) %.1f, convert for the screen %.1f; the whole load %.1f\n",
                double(buffer.size()) / 1e6, Median(readCold), Median(readWarm), Median(decode), Median(convert),
                Median(load));
}

}  // namespace

void Measure(const QString& rpfgenPath, const QString& size, int rate, double coldTarget)
{
    std::printf("\nStreaming %s, %d frames (8-bit RGBA with Z, C, I and V) at %d frames per second\n",
                qPrintable(size), kFrames, rate);
    QTemporaryDir folder;
    const QStringList frames = MakeSequence(rpfgenPath, folder.path(), size);
    const std::size_t frameBytes = framememory::EstimateFrameBytes(Bytes(frames.first()), -1);
    const std::size_t budget = framememory::SplitBudget(framememory::DefaultBudget()).cache;
    std::printf("  %.0f MB a frame in memory, %.1f GB the sequence, against a cache of %.1f GB (%s)\n",
                frameBytes / 1e6, double(frameBytes) * kFrames / 1e9, budget / 1e9,
                double(frameBytes) * kFrames > double(budget) ? "does not fit: streamed" : "FITS: not streamed");
    const bool dropped = DropFromPageCache(frames);

    auto app = OpenPlaybackWindow(frames.first());
    app->Router()->Execute(ID_VIEW_FIT_WINDOW);
    PaintCounter paints(*app);
    app->Player().SetRate(rate);

    const Faults before = FaultsNow();
    const int start = paints.NewFramesPainted();
    app->Router()->Execute(ID_VIEW_PLAY);
    // The first frames fill the cache with memory the system has never
    // given the process (each page faulted in and cleared); later ones
    // reuse what evicted frames release.
    WaitFor([&] { return paints.NewFramesPainted() - start > kFilling; }, 600000);
    const Faults filled = FaultsNow();
    const int afterFilling = paints.NewFramesPainted();
    int fillingLate = 0;
    const double filling = paints.RateSince(start, rate, fillingLate);
    WaitFor([&] { return paints.NewFramesPainted() - start > kFrames; }, 600000);
    int coldLate = 0;
    const double cold = paints.RateSince(start, rate, coldLate);
    int restLate = 0;
    const double rest = paints.RateSince(afterFilling, rate, restLate);
    const Faults afterCold = FaultsNow();
    const int sustainedStart = paints.NewFramesPainted();
    WaitFor([&] { return paints.NewFramesPainted() - sustainedStart > kFrames; }, 600000);
    int late = 0;
    const double sustained = paints.RateSince(sustainedStart, rate, late);
    const Faults afterSustained = FaultsNow();
    const int skipped = app->Player().Schedule().SkippedCount();
    app->Router()->Execute(ID_VIEW_PLAY);

    std::printf("  first pass (%s) %.1f frames/s painted, %d late", dropped ? "cold" : "WARM: pages not dropped",
                cold, coldLate);
    if (coldTarget > 0)
        std::printf(" (target %.0f: %s)", coldTarget, cold >= coldTarget ? "met" : "MISSED");
    std::printf("; page faults a frame: %.0f minor, %.1f major\n",
                double(afterCold.minor - before.minor) / kFrames, double(afterCold.major - before.major) / kFrames);
    std::printf("    its first %d frames %.1f frames/s, %.0f page faults a frame; the rest %.1f frames/s, %.0f page "
                "faults a frame\n",
                kFilling, filling, double(filled.minor - before.minor) / kFilling, rest,
                double(afterCold.minor - filled.minor) / (kFrames - kFilling));
    std::printf("  second pass %.2f frames/s over %d frames, %d late (target %d: %s); %d skipped; page faults a "
                "frame: %.0f minor, %.1f major\n",
                sustained, kFrames, late, rate, sustained >= rate * 0.99 ? "met" : "MISSED", skipped,
                double(afterSustained.minor - afterCold.minor) / kFrames,
                double(afterSustained.major - afterCold.major) / kFrames);
    std::printf("  cache: peak %.0f MB of its %.0f MB\n", app->ReadAhead().Cache().PeakCachedBytes() / 1e6,
                app->ReadAhead().Cache().Budget() / 1e6);
    app.reset();
    PrintCosts(frames);
}

}  // namespace streamingbench
