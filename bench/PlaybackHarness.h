// What the playback benchmarks share: a counter of the frames the view
// actually paints, the process's resident memory, rendering a folder of
// demo frames, and running the event loop for a time or until something
// holds.
#pragma once

#include "BenchTiming.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "MainFrame.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace playbackharness {

using benchtiming::Clock;
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
inline double ResidentMb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::atof(line.c_str() + std::strlen(field)) / 1024.0;
    return 0.0;
}

// Starts the peak over from the memory resident now.
inline void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Renders frames first .. first+count-1 of the demo into folder with rpfgen
// (8-bit RGBA with Z, C, I and V, at samples a pixel: folders rendered at
// other samples differ slightly, as two renders of one shot do); the paths
// of every .rpf in folder.
inline QStringList RenderFrames(const QString& rpfgenPath, const QString& folder, int count, const QString& size,
                                int first = 0, int samples = 1)
{
    QProcess rpfgen;
    rpfgen.start(rpfgenPath, {"frames", folder, "--first", QString::number(first), "--count", QString::number(count),
                              "--size", size, "--samples", QString::number(samples), "--channels", "ZCIV"});
    if (!rpfgen.waitForFinished(-1) || rpfgen.exitCode() != 0) {
        std::fprintf(stderr, "rpfgen frames failed\n");
        std::exit(1);
    }
    QStringList paths;
    for (const QString& name : QDir(folder).entryList({"*.rpf"}, QDir::Files, QDir::Name))
        paths.append(QDir(folder).filePath(name));
    return paths;
}

// Runs the window's events for a millisecond, sleeping while there are
// none: a loop of processEvents would spin and take a core from the readers
// whose rate is being measured.
inline void RunEventsForAMillisecond()
{
    QEventLoop loop;
    QTimer::singleShot(1, &loop, &QEventLoop::quit);
    loop.exec();
}

inline void RunFor(double ms)
{
    const Clock::time_point end = Clock::now() + std::chrono::microseconds(static_cast<long long>(ms * 1000));
    while (Clock::now() < end)
        RunEventsForAMillisecond();
}

inline bool WaitFor(const std::function<bool()>& condition, double timeoutMs = 60000)
{
    const Clock::time_point end = Clock::now() + std::chrono::microseconds(static_cast<long long>(timeoutMs * 1000));
    while (!condition()) {
        if (Clock::now() > end)
            return false;
        RunEventsForAMillisecond();
    }
    return true;
}

// The viewer opened on path in a window whose client area is 1920 x 1080,
// once it has settled; ends the program when the file does not open.
inline std::unique_ptr<CBrimwellApp> OpenPlaybackWindow(const QString& path)
{
    auto app = std::make_unique<CBrimwellApp>(QStringList{path});
    if (!app->InitInstance()) {
        std::fprintf(stderr, "the first frame did not open\n");
        std::exit(1);
    }
    app->Frame()->showNormal();
    app->Frame()->resize(1920 + 40, 1080 + 160);
    RunFor(200);
    return app;
}

}  // namespace playbackharness
