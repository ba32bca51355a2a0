// The channel views in the window: the Channel menu and its keys, what the
// view draws, the choice kept while stepping through a folder, the status
// bar's readout under the pointer, File > Export and --channel.
#include "ChannelRenderer.h"
#include "DemoScene.h"
#include "FrameChannels.h"
#include "OpenedApp.h"
#include "PictureScaler.h"
#include "PictureStatusBar.h"
#include "RLA.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QStandardPaths>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// A demo frame: every channel, or only Z, C, I and V.
QString WriteDemo(const QString& folder, const QString& name, bool everyChannel, int frame = 0)
{
    rpfgen::DemoSettings settings;
    settings.width = 96;
    settings.height = 64;
    settings.frame = frame;
    settings.samples = 1;
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(),
                                 rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true, everyChannel)));
    return path;
}

// The bitmap of view for the file, from a load of its own, scaled as the
// window starts.
QImage Expected(const QString& path, const ChannelView& view, const ChannelScaling& scaling = ChannelScaling::Window())
{
    RLA image;
    image.Leer(QFile::encodeName(path).constData(), true);
    return channelrenderer::Render(FrameChannelsOf(image), view.WithScaling(scaling));
}

// The client area the view should show with picture drawn where the view
// places its picture now.
QImage Placed(CBrimwellView* view, const QImage& picture)
{
    QImage expected(view->viewport()->size(), QImage::Format_RGB32);
    expected.fill(guitest::kDarkGrey);
    const zoom::ZoomGeometry& g = view->Geometry();
    picturescaler::Draw(picture, expected, view->GetScrollPosition(), g.m_zoom, QPoint(g.MarginLeft(), g.MarginTop()));
    return expected;
}

class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void MovePointer(QWidget* viewport, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

}  // namespace

TEST(ChannelViews, KeysSwitchWhatTheViewDrawsKeepingZoomAndScroll)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteDemo(dir.path(), "all.rpf", true);
    OpenedApp app(path, QSize(320, 260));
    ASSERT_TRUE(app.Started());
    app.SetZoom(1);
    QScrollBar* vertical = app.View()->verticalScrollBar();
    QScrollBar* horizontal = app.View()->horizontalScrollBar();
    ASSERT_GT(vertical->maximum(), 0);
    vertical->setValue(vertical->maximum() / 2);
    horizontal->setValue(horizontal->maximum() / 3);
    Settle();
    const QPoint scrolled = app.View()->GetScrollPosition();
    QWidget* frame = app.App().Frame();
    const QImage colour = app.View()->RenderClientArea();

    struct Step {
        Qt::Key key;
        ChannelView shown;
    };
    const Step steps[] = {
        {Qt::Key_Z, ChannelView::Channel(kChannelZ)}, {Qt::Key_I, ChannelView::Channel(kChannelI)},
        {Qt::Key_V, ChannelView::Channel(kChannelV)}, {Qt::Key_A, ChannelView::Alpha()},
        {Qt::Key_A, ChannelView::Colour()},  // the key of the view shown goes back to the colour
        {Qt::Key_N, ChannelView::Channel(kChannelN)}, {Qt::Key_1, ChannelView::Colour()},
        {Qt::Key_E, ChannelView::Colour()},  // the file has no E: nothing happens
    };
    for (const Step& step : steps) {
        QTest::keyClick(frame, step.key);
        Settle();
        SCOPED_TRACE(step.shown.Name().toStdString());
        ASSERT_EQ(app.Doc()->ShownView(), step.shown);
        EXPECT_EQ(app.View()->Zoom(), 1);
        EXPECT_EQ(app.View()->GetScrollPosition(), scrolled);
        const QImage shown = app.View()->RenderClientArea();
        if (step.shown == ChannelView::Colour()) {
            EXPECT_EQ(shown, colour);
        } else {
            EXPECT_EQ(shown, Placed(app.View(), Expected(path, step.shown)));
            EXPECT_NE(shown, colour);
        }
        app.Router()->UpdateCommandUI();
        EXPECT_TRUE(app.Router()->Action(step.shown.kind() == ChannelView::Kind::Colour ? ID_CHANNEL_COLOUR
                                         : step.shown.kind() == ChannelView::Kind::Alpha
                                             ? ID_CHANNEL_ALPHA
                                             : ID_CHANNEL_FIRST + step.shown.bit())
                        ->isChecked());
    }
    for (int bit = 0; bit < kChannelCount; ++bit) {
        const bool present = std::strchr("ZOUNCIV", kChannelLetters[bit]) != nullptr;
        EXPECT_EQ(app.Router()->IsEnabled(ID_CHANNEL_FIRST + bit), present) << kChannelLetters[bit];
    }

    // The printed page shows the view shown: the depth view is grey all over
    // (its background too), the colour picture is not.
    const auto printed = [&app, &dir] {
        const QString pdf = dir.filePath("page.pdf");
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setResolution(48);
        QPainter painter(&printer);
        app.View()->PaintPage(painter);
        painter.end();
        QProcess raster;
        raster.start(QStandardPaths::findExecutable("pdftoppm"),
                     {"-r", "48", "-png", "-singlefile", pdf, pdf + ".raster"});
        EXPECT_TRUE(raster.waitForFinished(60000));
        const QImage page = QImage(pdf + ".raster.png").convertToFormat(QImage::Format_RGB32);
        int coloured = 0, marked = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QRgb p = page.pixel(x, y);
                marked += p != qRgb(255, 255, 255);
                coloured += qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
            }
        }
        EXPECT_GT(marked, 1000);
        return coloured;
    };
    QTest::keyClick(frame, Qt::Key_Z);
    Settle();
    EXPECT_EQ(printed(), 0);
    QTest::keyClick(frame, Qt::Key_1);
    Settle();
    EXPECT_GT(printed(), 1000);
}

TEST(ChannelViews, TheChoiceStaysWhenSteppingAndFallsBackWhereAFileLacksTheChannel)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString first = WriteDemo(dir.path(), "a.rpf", true, 0);
    const QString second = WriteDemo(dir.path(), "b.rpf", false, 1);  // no normals
    const QString third = WriteDemo(dir.path(), "c.rpf", true, 2);
    OpenedApp app(first);
    ASSERT_TRUE(app.Started());
    const ChannelView normals = ChannelView::Channel(kChannelN);
    QTest::keyClick(app.App().Frame(), Qt::Key_N);
    ASSERT_EQ(app.Doc()->ShownView(), normals);

    ASSERT_TRUE(app.Run(ID_FILE_NEXT));
    Settle();
    EXPECT_EQ(app.Doc()->GetPathName(), QFileInfo(second).absoluteFilePath());
    EXPECT_EQ(app.Doc()->ShownView(), ChannelView::Colour());
    EXPECT_EQ(app.View()->RenderClientArea(), Placed(app.View(), app.Doc()->rpf_bmp));
    EXPECT_FALSE(app.Router()->IsEnabled(ID_CHANNEL_FIRST + kChannelN));

    ASSERT_TRUE(app.Run(ID_FILE_NEXT));
    Settle();
    EXPECT_EQ(app.Doc()->ShownView(), normals);
    EXPECT_EQ(app.View()->RenderClientArea(), Placed(app.View(), Expected(third, normals)));

    // A file that fails to open keeps the frame and the view shown.
    QFile bad(dir.filePath("broken.rpf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    EXPECT_EQ(app.App().OpenDocumentFile(bad.fileName()), nullptr);
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(app.Doc()->ShownView(), normals);
    EXPECT_EQ(app.View()->RenderClientArea(), Placed(app.View(), Expected(third, normals)));
}

TEST(StatusBar, ReadsThePixelUnderThePointerAtEveryZoomWithoutRepaintingThePicture)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    OpenedApp app(WriteSample(dir.path(), "s.rpf", 40, 30), QSize(400, 320));
    ASSERT_TRUE(app.Started());
    auto* bar = app.App().Frame()->findChild<CPictureStatusBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->SizeLabel()->text(), "40 x 30");
    QWidget* viewport = app.View()->viewport();
    PaintCounter counter;
    viewport->installEventFilter(&counter);
    const QRegularExpression position(QStringLiteral("^x (\\d+) y (\\d+)  "));
    const std::pair<int, const char*> zooms[] = {{1, "500%"}, {3, "167%"}, {5, "100%"}, {7, "71%"}, {10, "50%"}};
    for (const auto& [k, text] : zooms) {
        app.SetZoom(k);
        EXPECT_EQ(bar->ZoomLabel()->text(), text);
        const QImage screen = app.View()->RenderClientArea();
        int named = 0;
        for (int y = 0; y < viewport->height(); y += 7) {
            for (int x = 0; x < viewport->width(); x += 5) {
                counter.paints = 0;
                MovePointer(viewport, QPoint(x, y));
                Settle();
                ASSERT_EQ(counter.paints, 0);
                const QString readout = bar->ReadoutLabel()->text();
                const QRegularExpressionMatch match = position.match(readout);
                if (!match.hasMatch()) {
                    // Nothing named: the pointer is over the grey field.
                    ASSERT_EQ(readout, QString()) << x << "," << y;
                    ASSERT_EQ(screen.pixel(x, y), guitest::kDarkGrey) << x << "," << y;
                    continue;
                }
                const int px = match.captured(1).toInt(), py = match.captured(2).toInt();
                ASSERT_EQ(screen.pixel(x, y), guitest::ShownSamplePixel(px, py)) << k << ": " << x << "," << y;
                ++named;
            }
        }
        EXPECT_GT(named, 0);
    }
    // Leaving the view clears the readout.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(viewport, &leave);
    EXPECT_EQ(bar->ReadoutLabel()->text(), QString());
}

TEST(Export, WritesTheViewShownAsPngAndTheWholeFileAsExr)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteDemo(dir.path(), "demo.rpf", true);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());

    QTest::keyClick(app.App().Frame(), Qt::Key_I);
    prompts.saveAnswers.push_back(dir.filePath("ids.png"));
    QTest::keyClick(app.App().Frame(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(prompts.saveRequests.size(), 1u);
    EXPECT_TRUE(prompts.saveRequests[0].initialName.endsWith("demo_I.png"));
    EXPECT_EQ(QImage(dir.filePath("ids.png")).convertToFormat(QImage::Format_RGB32),
              Expected(path, ChannelView::Channel(kChannelI)).convertToFormat(QImage::Format_RGB32));

    // The colour at its full 16 bits.
    QTest::keyClick(app.App().Frame(), Qt::Key_1);
    prompts.saveAnswers.push_back(dir.filePath("colour.png"));
    ASSERT_TRUE(app.Run(ID_FILE_EXPORT));
    const QImage colour(dir.filePath("colour.png"));
    ASSERT_EQ(colour.size(), QSize(96, 64));
    EXPECT_EQ(colour.depth(), 64);
    const std::uint16_t* words = app.Doc()->Frame()->channels.argb16 + 4 * (20 * 96 + 30);
    EXPECT_EQ(colour.pixelColor(30, 20).rgba64().red(), words[1]);
    EXPECT_EQ(colour.pixelColor(30, 20).rgba64().blue(), words[3]);

    prompts.saveAnswers.push_back(dir.filePath("all.exr"));
    ASSERT_TRUE(app.Run(ID_FILE_EXPORT));
    QFile exr(dir.filePath("all.exr"));
    ASSERT_TRUE(exr.open(QIODevice::ReadOnly));
    EXPECT_EQ(exr.read(4), QByteArray("\x76\x2f\x31\x01", 4));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join('\n').toStdString();

    // A cancelled dialog writes nothing; a failure is reported and leaves nothing.
    ASSERT_TRUE(app.Run(ID_FILE_EXPORT));
    EXPECT_TRUE(prompts.messages.isEmpty());
    prompts.saveAnswers.push_back(dir.filePath("missing/x.png"));
    ASSERT_TRUE(app.Run(ID_FILE_EXPORT));
    EXPECT_EQ(prompts.messages.size(), 1);
    prompts.saveAnswers.push_back(dir.filePath("x.tiff"));
    ASSERT_TRUE(app.Run(ID_FILE_EXPORT));
    EXPECT_EQ(prompts.messages.size(), 2);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);  // demo.rpf and the three exports
}

TEST(CommandLine, ChannelSwitchStartsInThatViewAndAWrongLetterEndsWithStatusTwo)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteDemo(dir.path(), "demo.rpf", false);
    CBrimwellApp app({QStringLiteral("--channel"), QStringLiteral("z"), path});
    ASSERT_TRUE(app.InitInstance());
    EXPECT_TRUE(prompts.openRequests.empty());
    EXPECT_EQ(app.Document()->ShownView(), ChannelView::Channel(kChannelZ));

    QProcess viewer;
    viewer.start(QStringLiteral(BRIMWELL_VIEWER_PATH), {QStringLiteral("--channel"), QStringLiteral("X"), path});
    ASSERT_TRUE(viewer.waitForFinished(10000));
    EXPECT_EQ(viewer.exitCode(), 2);
    EXPECT_TRUE(viewer.readAllStandardError().contains("--channel")) << "a message names the switch";
}

TEST(ChannelViews, AFrameReadWhileAViewIsWantedComesDrawnInItAndOtherViewsAreDrawnAnew)
{
    QTemporaryDir dir;
    const QString path = WriteDemo(dir.path(), "demo.rpf", true);
    const ChannelView depth = ChannelView::Channel(kChannelZ);
    const ChannelView normals = ChannelView::Channel(kChannelN);
    CBrimwellDoc document;
    document.SetScaling(ChannelScaling());
    document.SetWantedView(depth);
    const std::shared_ptr<const LoadedFrame> frame = LoadFrame(QFile::encodeName(path).toStdString(), FrameDrawing{depth, Look()});
    ASSERT_FALSE(frame->picture.isNull());
    ASSERT_TRUE(document.ShowFrame(frame, path));
    // Shown as drawn when read, and drawn exactly as the window draws it.
    EXPECT_EQ(document.ShownBitmap().cacheKey(), frame->picture.cacheKey());
    EXPECT_EQ(document.ShownBitmap(), Expected(path, depth, ChannelScaling()));
    // Scaled otherwise, the same view is drawn anew, not taken from the one read.
    document.SetScaling(ChannelScaling::Window());
    EXPECT_NE(document.ShownBitmap().cacheKey(), frame->picture.cacheKey());
    EXPECT_EQ(document.ShownBitmap(), Expected(path, depth));
    // Another view is drawn for itself, not taken from the one read.
    document.SetWantedView(normals);
    EXPECT_EQ(document.ShownBitmap(), Expected(path, normals));
    document.SetWantedView(ChannelView::Colour());
    EXPECT_EQ(document.ShownBitmap().cacheKey(), document.rpf_bmp.cacheKey());
    // Frames read in the colour view in the plain look carry no picture but
    // the display bitmap.
    EXPECT_TRUE(LoadFrame(QFile::encodeName(path).toStdString(), FrameDrawing())->picture.isNull());
}
