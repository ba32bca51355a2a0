// The window's side of the channel views on a 3840 x 2160 ZCIV frame, on the
// offscreen platform: a switch of view end to end through the document and
// the view (rendering and the repaint of a 1920 x 1080 client area), the
// status bar's readout on a pointer move, and the memory an open frame
// holds against what its channels and display bitmap take. Prints figures
// and how they stand against their bounds; asserts nothing.
#include "BenchTiming.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "DemoScene.h"
#include "FrameChannels.h"
#include "PictureStatusBar.h"
#include "RpfWriter.h"

#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::TimeOnce;

// Resident memory of this process in bytes (Linux; 0 elsewhere).
double ResidentBytes()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

void ReleaseFreedMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    std::printf("Rendering the demo scene at 3840 x 2160 with Z, C, I and V ...\n");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("frame.rpf"));
    {
        rpfgen::DemoSettings settings;
        settings.width = 3840;
        settings.height = 2160;
        settings.samples = 1;
        if (!rpfgen::WriteRpf(path.toStdString(), rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    ReleaseFreedMemory();

    CommandRouter router;
    CBrimwellDoc document;
    QMainWindow window;
    auto* view = new CBrimwellView(&document, &router, nullptr, &window);
    window.setCentralWidget(view);
    auto* bar = new CPictureStatusBar(view, &window);
    window.setStatusBar(bar);
    window.resize(1920, 1120);
    window.show();
    QCoreApplication::processEvents();

    const double before = ResidentBytes();
    if (!document.OnOpenDocument(path))
        return 1;
    // Before the first paint, whose window surface is the window's and not
    // the frame's.
    const double after = ResidentBytes();
    view->OnInitialUpdate();
    view->viewport()->repaint();
    QCoreApplication::processEvents();
    const FrameChannels& frame = document.Frame()->channels;
    double decoded = double(frame.PixelCount()) * 8;  // the colour words
    for (int bit = 0; bit < kChannelCount; ++bit)
        decoded += frame.Has(bit) ? double(frame.PixelCount()) * FrameChannels::ElementSize(bit) : 0;
    const double bitmap = double(document.rpf_bmp.sizeInBytes());
    std::printf("\nMemory of the open frame: resident growth %.1f MB; channels %.1f MB + display bitmap %.1f MB = "
                "%.1f MB (bound), %.0f %% of it\n",
                (after - before) / 1e6, decoded / 1e6, bitmap / 1e6, (decoded + bitmap) / 1e6,
                100.0 * (after - before) / (decoded + bitmap));

    // Each switch renders the view (nothing is kept for views not shown)
    // and repaints the client area.
    const ChannelView views[] = {ChannelView::Channel(kChannelZ), ChannelView::Channel(kChannelI),
                                 ChannelView::Channel(kChannelV), ChannelView::Channel(kChannelC),
                                 ChannelView::Alpha(), ChannelView::Colour()};
    std::printf("\nSwitch of view end to end, 1920 x 1080 client area at 100 %%, median of %d (bound: 50 ms):\n",
                runs);
    for (const ChannelView& shown : views) {
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            view->OnChannel(ChannelView::Colour());
            view->viewport()->repaint();
            // The frame shown anew drops the cached rendering: every run
            // renders.
            document.ShowFrame(document.Frame(), path);
            times.push_back(TimeOnce([&] {
                view->OnChannel(shown);
                view->viewport()->repaint();
            }));
        }
        const double median = Median(times);
        std::printf("  %-16s %7.2f ms  %s\n", qPrintable(shown.Name()), median, median < 50 ? "within" : "OVER");
    }

    // The readout: pointer moves over the picture, with the label's own
    // repaint.
    view->OnChannel(ChannelView::Colour());
    QWidget* viewport = view->viewport();
    std::vector<double> moves;
    for (int i = 0; i < 400; ++i) {
        const QPointF at(100 + (i * 37) % 1500, 100 + (i * 53) % 800);
        QMouseEvent move(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        moves.push_back(TimeOnce([&] {
            QCoreApplication::sendEvent(viewport, &move);
            QCoreApplication::processEvents();
        }));
    }
    const double move = Median(moves);
    std::printf("\nReadout on a pointer move, median of %zu: %.3f ms (bound: 1 ms) %s\n", moves.size(), move,
                move < 1 ? "within" : "OVER");
    return 0;
}
