// Comparing the file shown with a reference: B read through the read-ahead
// beside each frame, the modes as painted, the status bar's words and
// figures, and the readout of both renders.
#include "AppCommandIds.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CompareController.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"
#include "OpenedApp.h"
#include "PictureStatusBar.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QtTest/QTest>

#include <memory>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::SampleColour;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// A sample of width x height whose pixel (x, y) is a uniform grey except
// one pixel, or none.
QString WriteGrey(const QString& folder, const QString& name, int width, int height, int grey,
                  QPoint odd = QPoint(-1, -1), int oddGrey = 0)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.producer = "Test renderer (Z)";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int value = QPoint(x, y) == odd ? oddGrey : grey;
            image.red.push_back(value);
            image.green.push_back(value);
            image.blue.push_back(value);
        }
    // Depth grows left to right in both renders.
    std::vector<std::uint8_t> z(std::size_t(width) * height * 4);
    for (int i = 0; i < width * height; ++i) {
        const float depth = float(10 + i % width);
        std::memcpy(&z[std::size_t(i) * 4], &depth, 4);
    }
    image.gbuffer[kChannelZ] = z;
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
    return path;
}

QString StatusText(OpenedApp& app)
{
    return app.App().Frame()->findChild<CPictureStatusBar*>()->ComparisonLabel()->text();
}

// Lets the figures be counted and shown.
void SettleFigures(OpenedApp& app)
{
    Settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !app.App().Compare().CountingFigures(); }, 10000));
    Settle();
}

QRgb PaintedPixel(OpenedApp& app, int x, int y)
{
    // At real size and smaller than the window, the picture is centred.
    const QImage client = app.View()->RenderClientArea();
    const zoom::ZoomGeometry& g = app.View()->Geometry();
    return client.pixel(g.MarginLeft() + x, g.MarginTop() + y) | 0xff000000u;
}

}  // namespace

TEST(Compare, AFolderReferenceFollowsTheFrameShownThroughTheReadAheadAndOnDiskAndAMissingOneIsSaid)
{
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("v3");
    QDir(dir.path()).mkdir("v4");
    const QString v3 = dir.filePath("v3"), v4 = dir.filePath("v4");
    for (const char* name : {"1.rpf", "2.rpf", "3.rpf"})
        WriteGrey(v3, name, 8, 6, 100);
    WriteGrey(v4, "1.rpf", 8, 6, 100);
    WriteGrey(v4, "2.rpf", 8, 6, 100, QPoint(3, 2), 200);
    PromptRecorder prompts;
    OpenedApp app(QDir(v3).filePath("1.rpf"));
    ASSERT_TRUE(app.Started());

    // A file of the shown file's name in another folder means that folder.
    ASSERT_TRUE(app.App().Compare().CompareWith(QDir(v4).filePath("1.rpf")));
    SettleFigures(app);
    const Comparison& state = app.App().Compare().State();
    ASSERT_NE(state.Reference(), nullptr);
    EXPECT_EQ(QFileInfo(state.ReferencePath()).absoluteFilePath(), QFileInfo(QDir(v4).filePath("1.rpf")).absoluteFilePath());
    EXPECT_TRUE(StatusText(app).contains("Colour identical")) << StatusText(app).toStdString();

    // B's next frame is read ahead beside A's, through the same cache.
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.App().ReadAhead().Cache().Idle(); }, 10000));
    EXPECT_NE(app.App().ReadAhead().Cache().Find(QFile::encodeName(QDir(v4).filePath("2.rpf")).toStdString()),
              nullptr);

    // A step shows the pair together, with its figures.
    app.Run(ID_FILE_NEXT);
    SettleFigures(app);
    ASSERT_NE(state.Reference(), nullptr);
    EXPECT_EQ(QFileInfo(state.ReferencePath()).fileName(), "2.rpf");
    EXPECT_EQ(state.Reference()->width, 8);
    EXPECT_TRUE(StatusText(app).contains("Colour: 1 pixel differs, largest 0.392157 at 3, 2"))
        << StatusText(app).toStdString();
    EXPECT_TRUE(StatusText(app).contains("PSNR")) << StatusText(app).toStdString();

    // No counterpart: A alone, and the status bar says so.
    app.Run(ID_FILE_NEXT);
    Settle();
    EXPECT_EQ(QFileInfo(app.Doc()->GetPathName()).fileName(), "3.rpf");
    EXPECT_EQ(state.Reference(), nullptr);
    EXPECT_TRUE(StatusText(app).contains("B missing")) << StatusText(app).toStdString();
    EXPECT_EQ(PaintedPixel(app, 6, 3), qRgb(100, 100, 100));  // A, also right of the divider
    EXPECT_TRUE(prompts.messages.isEmpty());

    // B is followed on disk as A is: a counterpart that a render writes
    // later is taken up, and one rewritten is read again, without a step.
    WriteGrey(v4, "3.rpf", 8, 6, 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return StatusText(app).contains("Colour identical"); }, 10000))
        << StatusText(app).toStdString();
    WriteGrey(v4, "3.rpf", 8, 6, 100, QPoint(1, 4), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return StatusText(app).contains("Colour: 1 pixel differs"); }, 10000))
        << StatusText(app).toStdString();
    EXPECT_EQ(QFileInfo(app.Doc()->GetPathName()).fileName(), "3.rpf");

    app.Run(ID_FILE_STOP_COMPARING);
    Settle();
    EXPECT_TRUE(StatusText(app).isEmpty());
    EXPECT_FALSE(app.App().ReadAhead().Companion().IsSet());
}

TEST(Compare, TheModesPaintWipeFlickerAndDifferenceAndTheReadoutShowsBothRenders)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString a = WriteGrey(dir.path(), "a.rpf", 10, 6, 100, QPoint(7, 1), 110);
    const QString b = WriteGrey(dir.path(), "b.rpf", 10, 6, 50, QPoint(7, 1), 50);
    OpenedApp app(a);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(app.App().Compare().CompareWith(b));
    SettleFigures(app);

    // The wipe starts at the middle: A left of column 5, B from it.
    EXPECT_TRUE(StatusText(app).startsWith("Wipe A | B at x 5")) << StatusText(app).toStdString();
    EXPECT_EQ(PaintedPixel(app, 4, 0), qRgb(100, 100, 100));
    EXPECT_EQ(PaintedPixel(app, 5, 0), qRgb(50, 50, 50));

    // Shift+drag moves the divider; a plain press is a pan, and leaves it.
    const QPoint at(app.View()->Geometry().MarginLeft() + 2 * zoom::kScaleNumerator / app.View()->Zoom(),
                    app.View()->Geometry().MarginTop() + 1);
    QTest::mousePress(app.View()->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
    QTest::mouseRelease(app.View()->viewport(), Qt::LeftButton, Qt::ShiftModifier, at);
    Settle();
    EXPECT_EQ(app.App().Compare().State().Divider(10), 2);
    EXPECT_EQ(PaintedPixel(app, 1, 0), qRgb(100, 100, 100));
    EXPECT_EQ(PaintedPixel(app, 2, 0), qRgb(50, 50, 50));
    QTest::mouseClick(app.View()->viewport(), Qt::LeftButton, Qt::NoModifier, at + QPoint(5, 0));
    EXPECT_EQ(app.App().Compare().State().Divider(10), 2);

    // Flicker: B first, then A; the status bar says which.
    app.Run(ID_VIEW_COMPARE_FLICKER);
    Settle();
    EXPECT_TRUE(StatusText(app).startsWith("B  |")) << StatusText(app).toStdString();
    EXPECT_EQ(PaintedPixel(app, 0, 0), qRgb(50, 50, 50));
    app.Run(ID_VIEW_COMPARE_FLICKER);
    Settle();
    EXPECT_TRUE(StatusText(app).startsWith("A  |")) << StatusText(app).toStdString();
    EXPECT_EQ(PaintedPixel(app, 0, 0), qRgb(100, 100, 100));

    // The difference, and its gain.
    app.Run(ID_VIEW_COMPARE_DIFFERENCE);
    Settle();
    EXPECT_EQ(PaintedPixel(app, 0, 0), qRgb(50, 50, 50));
    EXPECT_EQ(PaintedPixel(app, 7, 1), qRgb(60, 60, 60));
    app.Run(ID_VIEW_COMPARE_GAIN);
    Settle();
    EXPECT_TRUE(StatusText(app).startsWith("Difference x10")) << StatusText(app).toStdString();
    EXPECT_EQ(PaintedPixel(app, 7, 1), qRgb(255, 255, 255));

    // In the depth view: equal depths everywhere, black.
    app.Run(ID_CHANNEL_FIRST + kChannelZ);
    SettleFigures(app);
    EXPECT_EQ(PaintedPixel(app, 7, 1), qRgb(0, 0, 0));
    EXPECT_TRUE(StatusText(app).contains("Z depth identical")) << StatusText(app).toStdString();

    // Shift+D again: A alone.
    app.Run(ID_VIEW_COMPARE_DIFFERENCE);
    app.Run(ID_CHANNEL_COLOUR);
    Settle();
    EXPECT_EQ(PaintedPixel(app, 7, 1), qRgb(110, 110, 110));

    // The readout: A's values and B's side by side.
    const QString readout = app.App().Compare().State().ReadoutText(*app.Doc(), 7, 1);
    EXPECT_TRUE(readout.startsWith("x 7 y 1    A: RGB 28270")) << readout.toStdString();
    EXPECT_TRUE(readout.contains("B: RGB 12850")) << readout.toStdString();
}

TEST(Compare, RendersOfOtherSizesAreComparedOverTheCommonAreaAndAWrongReferenceIsReported)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString a = WriteGrey(dir.path(), "a.rpf", 10, 6, 100);
    const QString b = WriteGrey(dir.path(), "b.rpf", 4, 8, 100);
    OpenedApp app(a);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(app.App().Compare().CompareWith(b));
    SettleFigures(app);
    EXPECT_TRUE(StatusText(app).contains("sizes differ (10 x 6 against 4 x 8): compared over 4 x 6"))
        << StatusText(app).toStdString();
    app.Run(ID_VIEW_COMPARE_DIFFERENCE);
    Settle();
    EXPECT_EQ(PaintedPixel(app, 3, 5), qRgb(0, 0, 0));
    EXPECT_EQ(PaintedPixel(app, 4, 0), guitest::kDarkGrey);

    // Neither file nor folder; a file that is no render.
    EXPECT_FALSE(app.App().Compare().CompareWith(dir.filePath("absent.rpf")));
    ASSERT_EQ(prompts.messages.size(), 1);
    QFile junk(dir.filePath("junk.rpf"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a render");
    junk.close();
    EXPECT_TRUE(app.App().Compare().CompareWith(junk.fileName()));
    Settle();
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(StatusText(app).contains("B missing")) << StatusText(app).toStdString();
    EXPECT_EQ(app.App().Compare().State().Reference(), nullptr);
}

TEST(Compare, TheCommandLineComparesFromTheStartAndRefusesAReferenceThatIsNotThere)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString a = WriteGrey(dir.path(), "a.rpf", 6, 4, 100);
    const QString b = WriteGrey(dir.path(), "b.rpf", 6, 4, 100, QPoint(1, 1), 90);
    CBrimwellApp app({a, QStringLiteral("--compare"), b});
    ASSERT_TRUE(app.InitInstance());
    Settle();
    EXPECT_TRUE(prompts.openRequests.empty());
    ASSERT_TRUE(app.Compare().State().IsActive());
    ASSERT_NE(app.Compare().State().Reference(), nullptr);
    EXPECT_EQ(QFileInfo(app.Compare().State().ReferencePath()).fileName(), "b.rpf");

    QProcess viewer;
    viewer.start(QStringLiteral(BRIMWELL_VIEWER_PATH), {a, "--compare", dir.filePath("absent")});
    ASSERT_TRUE(viewer.waitForFinished(10000));
    EXPECT_EQ(viewer.exitCode(), 2);
    EXPECT_TRUE(viewer.readAllStandardError().contains("--compare"));
}
