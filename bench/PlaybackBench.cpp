// Playback and stepping through the real window, on the offscreen platform:
// a folder rendered with `rpfgen frames` (8-bit RGBA with Z, C, I and V) is
// opened by the application object, the window fits the picture in a
// 1920 x 1080 client area, and the frames actually painted are counted.
// - 1920 x 1080, 48 frames at 60 frames per second;
// - 3840 x 2160, 24 frames at 24 frames per second;
// each as a cold first pass and then sustained, also in the Z depth view
// and in the colour at an exposure of -1;
// then a step to a cached and
// to an uncached neighbour, key press to the new frame painted; and the
// process's peak memory against the cache's budget.
// Prints figures and how they stand against their targets; asserts nothing.
// Argument: "4k" for the 3840 x 2160 folder alone.
#include "AppCommandIds.h"
#include "BenchTiming.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "FrameMemory.h"
#include "MainFrame.h"
#include "Prompts.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;

// Counts the paints of the view that put a new frame on screen.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(CBrimwellApp& app) : m_app(app) { app.View()->viewport()->installEventFilter(this); }

    int NewFramesPainted() const { return m_newFrames; }
    // Frames per second from the first to the last of the new frames painted
    // since the first'th, and how many of their gaps were over 1.5 frame times at rate.
    double RateSince(int first, int rate, int& late) const
    {
        late = 0;
        const std::size_t from = std::size_t(first);
        if (m_paintTimes.size() < from + 2)
            return 0.0;
        for (std::size_t i = from + 1; i < m_paintTimes.size(); ++i)
            late += Milliseconds(m_paintTimes[i] - m_paintTimes[i - 1]) > 1500.0 / rate;
        const double seconds = Milliseconds(m_paintTimes.back() - m_paintTimes[from]) / 1000.0;
        return double(m_paintTimes.size() - from - 1) / seconds;
    }
    const void* LastPainted() const { return m_lastPainted; }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            const void* frame = m_app.Document()->Frame().get();
            if (frame != m_lastPainted) {
                m_lastPainted = frame;
                ++m_newFrames;
                m_paintTimes.push_back(Clock::now());
            }
        }
        return false;
    }

private:
    CBrimwellApp& m_app;
    int m_newFrames = 0;
    const void* m_lastPainted = nullptr;
    std::vector<Clock::time_point> m_paintTimes;
};

// The process's resident memory now (VmRSS) or at its peak (VmHWM), in MB.
double ResidentMb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return 0.0;
}

// Starts the peak over from the memory resident now.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

QStringList RenderFrames(const QString& folder, int count, const QString& size)
{
    QProcess rpfgen;
    rpfgen.start(QStringLiteral(BRIMWELL_RPFGEN_PATH), {"frames", folder, "--count", QString::number(count), "--size",
                                                        size, "--samples", "1", "--channels", "ZCIV"});
    if (!rpfgen.waitForFinished(-1) || rpfgen.exitCode() != 0) {
        std::fprintf(stderr, "rpfgen frames failed\n");
        std::exit(1);
    }
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({"*.rpf"}, QDir::Files, QDir::Name))
        paths.append(QDir(folder).filePath(name));
    return paths;
}

void RunFor(double ms)
{
    const Clock::time_point end = Clock::now() + std::chrono::microseconds(static_cast<long long>(ms * 1000));
    while (Clock::now() < end)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

bool WaitFor(const std::function<bool()>& condition, double timeoutMs = 60000)
{
    const Clock::time_point end = Clock::now() + std::chrono::microseconds(static_cast<long long>(timeoutMs * 1000));
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

// Key press to the frame after it painted, in milliseconds.
double StepToPaint(CBrimwellApp& app, PaintCounter& paints, Qt::Key key)
{
    const int before = paints.NewFramesPainted();
    const Clock::time_point start = Clock::now();
    QTest::keyClick(app.Frame(), key);
    if (!WaitFor([&] { return paints.NewFramesPainted() > before; }, 10000))
        return -1;
    return Milliseconds(Clock::now() - start);
}

void Measure(const QString& size, int count, int rate, double targetRate, double uncachedTargetMs)
{
    std::printf("\n%s, 8-bit RGBA with Z, C, I and V, %d frames at %d frames per second\n", qPrintable(size), count,
                rate);
    QTemporaryDir folder;
    const QStringList frames = RenderFrames(folder.path(), count, size);
    ResetPeak();
    const double baseline = ResidentMb("VmRSS:");

    auto app = std::make_unique<CBrimwellApp>(QStringList{frames.first()});
    if (!app->InitInstance()) {
        std::fprintf(stderr, "the first frame did not open\n");
        std::exit(1);
    }
    app->Frame()->showNormal();
    app->Frame()->resize(1920 + 40, 1080 + 160);
    RunFor(200);
    app->Router()->Execute(ID_VIEW_FIT_WINDOW);
    PaintCounter paints(*app);
    app->Player().SetRate(rate);

    // Cold: from the first frame, nothing read ahead yet but its neighbours.
    const int start = paints.NewFramesPainted();
    app->Router()->Execute(ID_VIEW_PLAY);
    WaitFor([&] { return paints.NewFramesPainted() - start > count; });
    int lateFirst = 0;
    const double firstPass = paints.RateSince(start, rate, lateFirst);
    // Sustained: two more passes.
    const int sustainedStart = paints.NewFramesPainted();
    WaitFor([&] { return paints.NewFramesPainted() - sustainedStart > 2 * count; });
    int late = 0;
    const double sustained = paints.RateSince(sustainedStart, rate, late);
    const int skipped = app->Player().Schedule().SkippedCount();
    app->Router()->Execute(ID_VIEW_PLAY);
    // Playback never runs ahead of the rate chosen: keeping it, less a
    // timer's rounding, is meeting it.
    const bool kept = sustained >= targetRate * 0.99;
    std::printf("  first pass (cold) %.1f frames/s painted\n", firstPass);
    std::printf("  sustained %.2f frames/s over %d frames, %d shown over half a frame late (target %.0f: %s); "
                "%d skipped\n",
                sustained, 2 * count, late, targetRate, kept ? "met" : "MISSED", skipped);

    // The same in the Z depth view: frames read from now on come drawn in
    // it; those cached in colour are drawn on the window's thread.
    QTest::keyClick(app->Frame(), Qt::Key_Z);
    const int depthStart = paints.NewFramesPainted();
    app->Router()->Execute(ID_VIEW_PLAY);
    WaitFor([&] { return paints.NewFramesPainted() - depthStart > 3 * count; });
    int depthLate = 0;
    const double depthRate = paints.RateSince(depthStart + count, rate, depthLate);
    app->Router()->Execute(ID_VIEW_PLAY);
    QTest::keyClick(app->Frame(), Qt::Key_1);
    std::printf("  in the Z depth view, after a first pass: %.2f frames/s, %d late\n", depthRate, depthLate);

    // The colour one stop down: every frame is drawn in the look.
    QTest::keyClick(app->Frame(), Qt::Key_BracketLeft);
    QTest::keyClick(app->Frame(), Qt::Key_BracketLeft);
    const int exposedStart = paints.NewFramesPainted();
    app->Router()->Execute(ID_VIEW_PLAY);
    WaitFor([&] { return paints.NewFramesPainted() - exposedStart > 3 * count; });
    int exposedLate = 0;
    const double exposedRate = paints.RateSince(exposedStart + count, rate, exposedLate);
    app->Router()->Execute(ID_VIEW_PLAY);
    QTest::keyClick(app->Frame(), Qt::Key_Backslash);
    std::printf("  at exposure -1, after a first pass: %.2f frames/s, %d late (target %.0f: %s)\n", exposedRate,
                exposedLate, targetRate, exposedRate >= targetRate * 0.99 ? "met" : "MISSED");

    // Steps onwards from the first frame, each onto the neighbour the cache
    // has read ahead meanwhile.
    StepToPaint(*app, paints, Qt::Key_Down);
    std::vector<double> cached;
    for (int i = 0; i < 9; ++i) {
        WaitFor([&] { return app->ReadAhead().Cache().Idle(); });
        cached.push_back(StepToPaint(*app, paints, Qt::Key_Right));
    }
    std::printf("  cached step, key to painted: median %.1f ms (target 16: %s)\n", Median(cached),
                Median(cached) < 16 ? "met" : "MISSED");

    // Nothing kept: every step reads its frame.
    app->ReadAhead().Cache().SetBudget(0);
    std::vector<double> uncached;
    for (int i = 0; i < 7; ++i) {
        WaitFor([&] { return app->ReadAhead().Cache().Idle(); });
        uncached.push_back(StepToPaint(*app, paints, i % 2 == 0 ? Qt::Key_Left : Qt::Key_Right));
    }
    std::printf("  uncached step, key to painted: median %.1f ms", Median(uncached));
    if (uncachedTargetMs > 0)
        std::printf(" (target %.0f: %s)", uncachedTargetMs, Median(uncached) < uncachedTargetMs ? "met" : "MISSED");
    std::printf("\n");

    const double budget = framememory::DefaultBudget() / 1e6;
    const double peak = ResidentMb("VmHWM:");
    std::printf("  peak resident %.0f MB: %.0f MB before the window, %.0f MB more while playing and stepping; "
                "budget %.0f MB (%s)\n",
                peak, baseline, peak - baseline, budget, peak - baseline <= budget ? "within" : "OVER");
    app.reset();
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    // Settings of a scratch organisation: the bench leaves the user's alone.
    QCoreApplication::setOrganizationName(QStringLiteral("brimwell-playback-bench"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::tempPath() + "/brimwell-playback-bench");
    prompts::Hooks quiet;
    quiet.messageBox = [](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
    quiet.beep = [] {};
    prompts::SetHooks(quiet);
    std::printf("Cache budget %.2f GiB (physical memory %.2f GiB); %u cores\n",
                framememory::DefaultBudget() / double(1 << 30), framememory::PhysicalMemoryBytes() / double(1 << 30),
                std::thread::hardware_concurrency());
    // "4k" measures the 3840 x 2160 folder only.
    const bool only4k = argc > 1 && std::string(argv[1]) == "4k";
    if (!only4k)
        Measure(QStringLiteral("1920x1080"), 48, 60, 60, 0);
    Measure(QStringLiteral("3840x2160"), 24, 24, 24, 100);
    return 0;
}
