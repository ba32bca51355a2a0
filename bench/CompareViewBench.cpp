// Comparing two renders, on the offscreen platform:
// - the difference view of two 3840 x 2160 frames (8-bit RGBA with Z, C, I
//   and V), from the key to the 1920 x 1080 client area painted, in the
//   colour (plain and through sRGB) and in the Z, I and V views (bound
//   100 ms);
// - playback of a 1920 x 1080 folder at 24 frames per second through the
//   real window, without a comparison and with a wipe against a second
//   folder read beside it (target: 24 kept).
// Prints figures and how they stand against their bounds; asserts nothing.
#include "AppCommandIds.h"
#include "BenchTiming.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "CompareController.h"
#include "Comparison.h"
#include "DemoScene.h"
#include "LoadedFrame.h"
#include "MainFrame.h"
#include "PlaybackHarness.h"
#include "Prompts.h"
#include "RpfWriter.h"

#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <functional>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// The processor time of this program, all its threads: on a machine shared
// with other work the wall clock also counts the time others had the
// processors.
double ProcessCpuMilliseconds()
{
    return 1000.0 * double(std::clock()) / CLOCKS_PER_SEC;
}

// The wall and processor time of one run of work, in milliseconds.
struct Times {
    double wall = 0;
    double cpu = 0;
};
Times TimeBoth(const std::function<void()>& work)
{
    const double cpu = ProcessCpuMilliseconds();
    const double wall = benchtiming::TimeOnce(work);
    return {wall, ProcessCpuMilliseconds() - cpu};
}

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;
using benchtiming::TimeOnce;

QString WriteDemo(const QString& folder, const QString& name, int frame)
{
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 1;
    settings.frame = frame;
    const QString path = QDir(folder).filePath(name);
    if (!rpfgen::WriteRpf(path.toStdString(), rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
    return path;
}

void MeasureDifference(int runs)
{
    std::printf("Rendering two frames of the demo scene at 3840 x 2160 with Z, C, I and V ...\n");
    QTemporaryDir folder;
    const QString pathA = WriteDemo(folder.path(), "a.rpf", 0);
    const QString pathB = WriteDemo(folder.path(), "b.rpf", 1);
    const auto a = LoadFrame(pathA.toStdString(), FrameDrawing{});
    const auto b = LoadFrame(pathB.toStdString(), FrameDrawing{});
    // B once more, as another frame: the next pair of a played difference.
    const auto bAgain = LoadFrame(pathB.toStdString(), FrameDrawing{});

    CommandRouter router;
    CBrimwellDoc document;
    QMainWindow window;
    auto* view = new CBrimwellView(&document, &router, nullptr, &window);
    window.setCentralWidget(view);
    window.resize(1920, 1080);
    window.show();
    QCoreApplication::processEvents();
    document.ShowFrame(a, pathA);
    view->OnInitialUpdate();
    Comparison comparison;
    view->SetComparison(&comparison);

    struct Case {
        const char* name;
        ChannelView view;
        bool srgb;
    };
    const Case cases[] = {{"colour", ChannelView::Colour(), false},
                          {"colour, sRGB", ChannelView::Colour(), true},
                          {"Z depth", ChannelView::Channel(kChannelZ), false},
                          {"node render ID", ChannelView::Channel(kChannelI), false},
                          {"velocity", ChannelView::Channel(kChannelV), false}};
    std::printf("\nDifference view, 1920 x 1080 client area at 100 %%, median of %d (bound: 100 ms); the switch "
                "to painted, then the next pair of frames painted in it:\n",
                runs);
    for (const Case& c : cases) {
        Look look;
        if (c.srgb)
            look.transform = DisplayTransform::Srgb();
        document.SetLook(look);
        document.SetWantedView(c.view);
        std::vector<double> times, cpuTimes;
        for (int run = 0; run < runs; ++run) {
            // A reference loaded anew: nothing of the last run is kept.
            comparison.Stop();
            comparison.Start();
            comparison.SetReference(b, pathB);
            comparison.SetMode(Comparison::Mode::Plain);
            view->viewport()->repaint();
            const Times switched = TimeBoth([&] {
                comparison.SetMode(Comparison::Mode::Difference);
                view->viewport()->repaint();
            });
            times.push_back(switched.wall);
            cpuTimes.push_back(switched.cpu);
        }
        // The peer, in the same run: A alone drawn anew in that view and look,
        // as a step to a new frame draws it.
        std::vector<double> peer, peerCpu;
        comparison.Stop();
        for (int run = 0; run < runs; ++run) {
            const Times drawn = TimeBoth([&] {
                document.ShowFrame(a, pathA);
                view->viewport()->repaint();
            });
            peer.push_back(drawn.wall);
            peerCpu.push_back(drawn.cpu);
        }
        comparison.Start();
        comparison.SetReference(b, pathB);
        comparison.SetMode(Comparison::Mode::Difference);
        view->viewport()->repaint();
        std::vector<double> nextPair, nextCpu;
        for (int run = 0; run < runs; ++run) {
            const Times drawn = TimeBoth([&] {
                comparison.SetReference(run % 2 == 0 ? bAgain : b, pathB);
                view->viewport()->repaint();
            });
            nextPair.push_back(drawn.wall);
            nextCpu.push_back(drawn.cpu);
        }
        const double median = Median(times), next = Median(nextPair), alone = Median(peer);
        std::printf("  %-15s switch %6.1f ms %-6s (processor %6.1f ms)  next pair %6.1f ms (processor %6.1f ms)  "
                    "A alone %6.1f ms (processor %6.1f ms)\n",
                    c.name, median, median < 100 ? "within" : "OVER", Median(cpuTimes), next, Median(nextCpu), alone,
                    Median(peerCpu));
    }

}

// Plays the folder twice over from its first frame; the rate of new frames
// shown over the second pass.
double PlayedRate(CBrimwellApp& app, int count)
{
    const void* last = nullptr;
    std::vector<Clock::time_point> shown;
    QObject::connect(&app.Controller(), &Viewer::FrameShown, &app, [&] {
        if (app.Document()->Frame().get() != last) {
            last = app.Document()->Frame().get();
            shown.push_back(Clock::now());
        }
    });
    app.Router()->Execute(ID_VIEW_PLAY);
    playbackharness::WaitFor([&] { return int(shown.size()) > 2 * count; }, 120000);
    app.Router()->Execute(ID_VIEW_PLAY);
    QObject::disconnect(&app.Controller(), &Viewer::FrameShown, &app, nullptr);
    const std::size_t from = std::size_t(count);
    return double(shown.size() - from - 1) / (Milliseconds(shown.back() - shown[from]) / 1000.0);
}

void MeasurePlayback()
{
    constexpr int kCount = 24;
    std::printf("\nPlayback of 1920 x 1080 frames, 8-bit RGBA with Z, C, I and V, %d frames at 24 frames per "
                "second:\n",
                kCount);
    QTemporaryDir folderA, folderB;
    const QString rpfgen = QStringLiteral(BRIMWELL_RPFGEN_PATH);
    const QStringList frames = playbackharness::RenderFrames(rpfgen, folderA.path(), kCount, "1920x1080", 0, 1);
    playbackharness::RenderFrames(rpfgen, folderB.path(), kCount, "1920x1080", 0, 2);
    auto app = playbackharness::OpenPlaybackWindow(frames.first());
    app->Player().SetRate(24);
    const double alone = PlayedRate(*app, kCount);
    std::printf("  alone:                       %.2f frames/s (target 24: %s)\n", alone,
                alone >= 24 * 0.99 ? "met" : "MISSED");
    app->Compare().CompareWith(folderB.path());
    playbackharness::RunFor(200);
    const double wiped = PlayedRate(*app, kCount);
    std::printf("  wipe against a second folder: %.2f frames/s (target 24: %s)\n", wiped,
                wiped >= 24 * 0.99 ? "met" : "MISSED");
    app->Compare().ToggleDifference();
    const double differenced = PlayedRate(*app, kCount);
    std::printf("  difference, the same:        %.2f frames/s\n", differenced);
    app->Compare().Stop();
    const double after = PlayedRate(*app, kCount);
    std::printf("  alone again after comparing: %.2f frames/s (%.0f %% of the first)\n", after, 100 * after / alone);
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("brimwell-compare-bench"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QDir::tempPath() + "/brimwell-compare-bench");
    prompts::Hooks quiet;
    quiet.messageBox = [](const QString& text) { std::fprintf(stderr, "message: %s\n", qPrintable(text)); };
    quiet.beep = [] {};
    prompts::SetHooks(quiet);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    MeasureDifference(runs);
    // "difference" measures the difference view alone. The figures' cost is
    // compare_bench's.
    if (argc <= 2 || std::string(argv[2]) != "difference")
        MeasurePlayback();
    return 0;
}
