// Scrubbing a sequence on the timeline faster than its frames can be read,
// measured on the offscreen platform through the window's own controller: a
// place asked every 2 ms over a sequence of 1920 x 1080 frames with render
// channels, against the peer of reading the same frames one after another on
// one thread. Prints the frames shown per second and their ratio to the
// reads per second alone, and whether the scrub ended on the last place
// asked; asserts nothing.
//
// Two peers: the reads one after another as a loop of reads does them, each
// frame released before the next, whose buffers then reuse its memory; and
// the same reads with every frame kept, as the window's cache keeps them, so
// that each read fills memory the process never touched. The system clears
// such memory on first touch, and where that is dear (a virtual machine
// backing its memory only when first written) it dominates a read: the
// window's first pass over a sequence goes at the second peer's rate.
#include "BenchTiming.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "ChannelView.h"
#include "DemoScene.h"
#include "LoadedFrame.h"
#include "MainFrame.h"
#include "RpfWriter.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

using benchtiming::Clock;
using benchtiming::Milliseconds;
using benchtiming::TimeOnce;

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int count = argc > 1 ? std::max(8, std::atoi(argv[1])) : 48;
    // A second argument WxH gives the frames' size: small frames over a long
    // sequence show what the window's own work costs a step.
    int width = 1920, height = 1080;
    if (argc > 2 && std::sscanf(argv[2], "%dx%d", &width, &height) != 2) {
        std::fprintf(stderr, "usage: scrub_bench [frames [WxH]]\n");
        return 2;
    }

    std::printf("Rendering the demo scene at %d x %d and writing %d frames ...\n", width, height, count);
    QTemporaryDir folder;
    rpfgen::DemoSettings settings;
    settings.width = std::max(1, width);
    settings.height = std::max(1, height);
    settings.samples = 1;
    const QString first = folder.filePath(QStringLiteral("scrub_0001.rpf"));
    if (!rpfgen::WriteRpf(first.toStdString(),
                          rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, /*renderChannels=*/true))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(first));
        return 1;
    }
    QStringList paths{first};
    QStringList stepPaths;
    for (int i = 1; i <= count; ++i) {
        if (i > 1) {
            paths.append(folder.filePath(QStringLiteral("scrub_%1.rpf").arg(i, 4, 10, QLatin1Char('0'))));
            QFile::copy(first, paths.back());
        }
        stepPaths.append(folder.filePath(QStringLiteral("step_%1.rpf").arg(i, 4, 10, QLatin1Char('0'))));
        QFile::copy(first, stepPaths.back());
    }

    // The peer: every frame read in turn on this thread, as nothing else runs.
    const double readAll = TimeOnce([&] {
        for (const QString& path : paths)
            LoadFrame(QFile::encodeName(path).toStdString(), FrameDrawing());
    });
    const double readsPerSecond = count * 1000.0 / readAll;

    CBrimwellApp app({stepPaths.front()});
    if (!app.InitInstance())
        return 1;
    app.Frame()->show();
    QCoreApplication::processEvents();
    std::set<QString> shown;
    QObject::connect(&app.Controller(), &Viewer::FileShown, &app,
                     [&] { shown.insert(app.Document()->GetPathName()); });
    shown.clear();

    // Each place asked once the one before is on screen: the rate the window
    // can show frames at, read included.
    const auto waitShown = [&](const QString& name) {
        const Clock::time_point begin = Clock::now();
        while (QFileInfo(app.Document()->GetPathName()).fileName() != name &&
               Milliseconds(Clock::now() - begin) < 60000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
            QThread::usleep(200);
        }
    };
    const double stepAll = TimeOnce([&] {
        for (int number = 2; number <= count; ++number) {
            app.Sequences().ShowNumber(number, 1);
            waitShown(QFileInfo(stepPaths[number - 1]).fileName());
        }
    });
    const double stepsPerSecond = (count - 1) * 1000.0 / stepAll;
    // Another sequence, not read yet.
    app.Controller().Open(first);
    waitShown(QFileInfo(first).fileName());
    shown.clear();

    // The mouse runs over the whole sequence at a place every 2 ms.
    const Clock::time_point start = Clock::now();
    for (int number = 2; number <= count; ++number) {
        app.Sequences().ShowNumber(number, 1);
        const Clock::time_point until = Clock::now() + std::chrono::milliseconds(2);
        while (Clock::now() < until)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    const QString last = QFileInfo(paths.back()).fileName();
    while (QFileInfo(app.Document()->GetPathName()).fileName() != last &&
           Milliseconds(Clock::now() - start) < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        QThread::usleep(200);
    }
    const double scrub = Milliseconds(Clock::now() - start);
    const bool endedOnLast = QFileInfo(app.Document()->GetPathName()).fileName() == last;
    const double shownPerSecond = double(shown.size()) * 1000.0 / scrub;

    // The second peer last, while the window still holds its frames: the
    // memory its reads fill is fresh, as the window's were.
    double readKept = 0;
    {
        std::vector<std::shared_ptr<const LoadedFrame>> kept;
        readKept = TimeOnce([&] {
            for (const QString& path : paths)
                kept.push_back(LoadFrame(QFile::encodeName(path).toStdString(), FrameDrawing()));
        });
    }
    const double keptPerSecond = count * 1000.0 / readKept;

    std::printf("read one after another: %.1f ms a frame, %.1f frames/s\n", readAll / count, readsPerSecond);
    std::printf("read one after another, each kept (fresh memory): %.1f ms a frame, %.1f frames/s\n",
                readKept / count, keptPerSecond);
    std::printf("shown one after another through the window: %.1f frames/s (%.2f x the reads alone, %.2f x the reads "
                "kept)\n",
                stepsPerSecond, stepsPerSecond / readsPerSecond, stepsPerSecond / keptPerSecond);
    std::printf("scrub of %d places in %.0f ms: %zu frames shown, %.1f frames/s (%.2f x the reads alone)\n",
                count - 1, scrub, shown.size(), shownPerSecond, shownPerSecond / readsPerSecond);
    std::printf("ended on the last place asked: %s\n", endedOnLast ? "yes" : "NO");
    return endedOnLast ? 0 : 1;
}
