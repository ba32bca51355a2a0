// A change of look in the window, key to painted, on the offscreen platform:
// exposure up and down and a change of display transform on a 3840 x 2160
// frame, float and 8-bit, through the look commands, the document and a
// repaint of a 1920 x 1080 client area; then the renderer alone. The
// OpenColorIO figures come from a config written here with two views: an
// exponent and a matrix (channels mixed: the library draws every pixel), and
// the exponent alone (each channel its own: drawn from steps found once).
// Prints figures and how they stand against the 50 ms bound; asserts
// nothing.
#include "AppCommandIds.h"
#include "BenchTiming.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "DemoScene.h"
#include "LookControls.h"
#include "LookRenderer.h"
#include "PictureStatusBar.h"
#include "RpfWriter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMainWindow>
#include <QSettings>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;
using benchtiming::TimeOnce;

const char kConfig[] = R"(ocio_profile_version: 1
roles:
  default: linear
  scene_linear: linear
displays:
  Screen:
    - !<View> {name: Film, colorspace: film}
    - !<View> {name: Gamma, colorspace: gamma}
colorspaces:
  - !<ColorSpace>
    name: linear
    bitdepth: 32f
  - !<ColorSpace>
    name: film
    bitdepth: 32f
    from_reference: !<GroupTransform>
      children:
        - !<MatrixTransform> {matrix: [0.9, 0.1, 0, 0, 0.05, 0.9, 0.05, 0, 0, 0.1, 0.9, 0, 0, 0, 0, 1]}
        - !<ExponentTransform> {value: [0.4545, 0.4545, 0.4545, 1]}
  - !<ColorSpace>
    name: gamma
    bitdepth: 32f
    from_reference: !<ExponentTransform> {value: [0.4545, 0.4545, 0.4545, 1]}
)";

void Measure(const char* title, const QString& path, const QString& configPath, int runs)
{
    std::printf("\n%s, 1920 x 1080 client area at 100 %%, median of %d (bound: 50 ms for the built-in transforms):\n",
                title, runs);
    CommandRouter router;
    CBrimwellDoc document;
    QMainWindow window;
    auto* view = new CBrimwellView(&document, &router, nullptr, &window);
    window.setCentralWidget(view);
    auto* bar = new CPictureStatusBar(view, &window);
    window.setStatusBar(bar);
    window.resize(1920, 1120);
    window.show();
    LookControls::Start start;
    start.transformKey = QStringLiteral("stored");
    auto* looks = new LookControls(view, &router, bar, OcioConfig::Load(configPath), start,
                                   QStringLiteral("brimwell-look-bench"), QStringLiteral("Brimwell"));
    if (!document.OnOpenDocument(path))
        std::exit(1);
    view->OnInitialUpdate();
    view->viewport()->repaint();
    QCoreApplication::processEvents();

    const auto report = [](const char* what, const std::vector<double>& times, bool bounded) {
        const double median = Median(times);
        std::printf("  %-34s %7.2f ms  %s\n", what, median, !bounded ? "" : median < 50 ? "within" : "OVER");
    };
    // From one stop down, so that no step lands on the plain look, which
    // draws nothing.
    router.Execute(ID_VIEW_EXPOSURE_DOWN);
    router.Execute(ID_VIEW_EXPOSURE_DOWN);
    for (const char* transform : {"stored", "srgb", "Screen/Film", "Screen/Gamma"}) {
        looks->ChooseTransform(QString::fromLatin1(transform));
        std::vector<double> exposure;
        for (int run = 0; run < runs; ++run) {
            exposure.push_back(TimeOnce([&] {
                router.Execute(run % 2 == 0 ? ID_VIEW_EXPOSURE_DOWN : ID_VIEW_EXPOSURE_UP);
                view->viewport()->repaint();
            }));
        }
        const QByteArray what = QByteArray("exposure step, ") + transform;
        report(what.constData(), exposure, transform[0] != 'S');
    }
    // The plain look as the display bitmap: no drawing, for comparison.
    std::vector<double> plain;
    looks->ChooseTransform(QStringLiteral("stored"));
    for (int run = 0; run < runs; ++run) {
        router.Execute(ID_VIEW_EXPOSURE_DOWN);
        view->viewport()->repaint();
        plain.push_back(TimeOnce([&] {
            router.Execute(ID_VIEW_EXPOSURE_RESET);
            view->viewport()->repaint();
        }));
    }
    report("back to exposure 0 (nothing drawn)", plain, false);
    router.Execute(ID_VIEW_EXPOSURE_DOWN);
    std::vector<double> switches;
    for (int run = 0; run < runs; ++run) {
        switches.push_back(TimeOnce([&] {
            router.Execute(run % 2 == 0 ? ID_VIEW_TRANSFORM_SRGB : ID_VIEW_TRANSFORM_STORED);
            view->viewport()->repaint();
        }));
    }
    report("switch As stored <-> sRGB", switches, true);
    std::vector<double> ocio;
    for (int run = 0; run < runs; ++run) {
        looks->ChooseTransform(QStringLiteral("srgb"));
        view->viewport()->repaint();
        ocio.push_back(TimeOnce([&] {
            looks->ChooseTransform(QStringLiteral("Screen/Film"));
            view->viewport()->repaint();
        }));
    }
    report("switch to an OpenColorIO view", ocio, false);

    // The renderer alone, over the memory of its previous picture as the
    // document draws: what of the above is drawing and what is the rest.
    const FrameChannels& frame = document.Frame()->channels;
    for (const char* transform : {"stored", "srgb", "Screen/Film", "Screen/Gamma"}) {
        looks->ChooseTransform(QString::fromLatin1(transform));
        Look look = looks->Current();
        QImage picture = lookrenderer::Render(frame, look);
        std::vector<double> drawing;
        for (int run = 0; run < runs; ++run) {
            look.exposure = run % 2 == 0 ? -1.5 : -1;
            drawing.push_back(TimeOnce([&] { picture = lookrenderer::Render(frame, look, std::move(picture)); }));
        }
        const QByteArray what = QByteArray("drawing alone, ") + transform;
        report(what.constData(), drawing, transform[0] != 'S');
        std::vector<double> fresh;
        for (int run = 0; run < runs; ++run) {
            look.exposure = run % 2 == 0 ? -1.5 : -1;
            fresh.push_back(TimeOnce([&] { picture = lookrenderer::Render(frame, look); }));
        }
        report((QByteArray("drawing into fresh memory, ") + transform).constData(), fresh, false);
    }
    QSettings(QStringLiteral("brimwell-look-bench"), QStringLiteral("Brimwell")).clear();
}

}  // namespace

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    QTemporaryDir folder;
    const QString configPath = folder.filePath(QStringLiteral("bench.ocio"));
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly) || config.write(kConfig) != qint64(sizeof kConfig - 1))
        return 1;
    config.close();

    std::printf("Rendering the demo scene at 3840 x 2160, float and 8-bit ...\n");
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 1;
    const rpfgen::DemoRender render = rpfgen::RenderDemo(settings);
    for (const auto& [bits, title] : {std::pair{32, "3840 x 2160 float"}, std::pair{8, "3840 x 2160 8-bit"}}) {
        const QString path = folder.filePath(QStringLiteral("frame%1.rpf").arg(bits));
        if (!rpfgen::WriteRpf(path.toStdString(), rpfgen::DemoRpfImage(render, bits, false))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        Measure(title, path, configPath, runs);
    }
    return 0;
}
