// The viewer's share of showing a large picture, measured on the offscreen
// platform: open to first paint of a 3840 x 2160 file split into the read,
// the conversion to the display bitmap and the first paint; and repaints of
// a 1920 x 1080 client area at 500 %, 100 % and 50 %, scrolled into the
// picture. Prints figures and how they stand against their bounds; asserts
// nothing.
#include "BenchTiming.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "DemoScene.h"
#include "DisplayBitmap.h"
#include "RLA.h"
#include "RpfWriter.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::Milliseconds;
using benchtiming::TimeOnce;

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    std::printf("Rendering the demo scene at 3840 x 2160 ...\n");
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("frame.rpf"));
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 2;
    if (!rpfgen::WriteRpf(path.toStdString(),
                          rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, /*renderChannels=*/true))) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    const QByteArray encodedPath = QFile::encodeName(path);

    // Open to first paint, in the steps the document takes.
    std::vector<double> reads, conversions, paints;
    for (int run = 0; run < runs; ++run) {
        CommandRouter router;
        CBrimwellDoc document;
        CBrimwellView view(&document, &router);
        view.resize(1920, 1080);
        view.show();
        QCoreApplication::processEvents();

        RLA loader;
        reads.push_back(TimeOnce([&] { loader.Leer(encodedPath.constData(), true); }));
        QImage bitmap;
        conversions.push_back(
            TimeOnce([&] { bitmap = displaybitmap::Build(loader.ImageWords().data(), loader.ancho, loader.alto); }));
        document.rpf_bmp = bitmap;
        document.rpf_width = loader.ancho;
        document.rpf_height = loader.alto;
        view.OnInitialUpdate();
        paints.push_back(TimeOnce([&] { view.viewport()->repaint(); }));
    }
    const double read = Median(reads);
    const double conversion = Median(conversions);
    const double paint = Median(paints);
    std::printf("\nOpen to first paint of 3840 x 2160 (8-bit with Z, C, I, V), median of %d:\n", runs);
    std::printf("  read %8.2f ms\n  conversion %8.2f ms\n  first paint %8.2f ms (1920 x 1080 client area)\n", read,
                conversion, paint);
    std::printf("  conversion + first paint = %.2f ms, %.0f %% of the read (bound: below 100 %%)\n",
                conversion + paint, 100.0 * (conversion + paint) / read);

    // Repaints scrolled into the middle of the picture.
    CommandRouter router;
    CBrimwellDoc document;
    if (!document.OnOpenDocument(path))
        return 1;
    CBrimwellView view(&document, &router);
    view.resize(1920, 1080);
    view.show();
    view.OnInitialUpdate();
    std::printf("\nRepaint of a 1920 x 1080 client area scrolled into the picture, median of %d (bound: 16 ms):\n",
                runs * 3);
    for (int zoomStep : {1, 5, 10}) {
        while (view.Zoom() > zoomStep)
            view.OnZoomIn();
        while (view.Zoom() < zoomStep)
            view.OnZoomOut();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum() / 2);
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
        QCoreApplication::processEvents();
        std::vector<double> times;
        for (int run = 0; run < runs * 3; ++run)
            times.push_back(TimeOnce([&] { view.viewport()->repaint(); }));
        const double median = Median(times);
        std::printf("  k = %2d (%5.1f %%): %6.2f ms, %s\n", zoomStep, 500.0 / zoomStep, median,
                    median < 16.0 ? "within one 60 Hz frame" : "over one 60 Hz frame");
    }
    return 0;
}
