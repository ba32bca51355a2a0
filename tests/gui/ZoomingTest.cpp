// Zooming as a user meets it first: big pictures open fitted (and the choice
// is remembered), the wheel zooms about the pointer, and the readout keeps
// naming the pixel under a pointer that stays still while the view moves.
#include "OpenedApp.h"
#include "PictureStatusBar.h"

#include <QAction>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QWheelEvent>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

void ClearSettings()
{
    QSettings(CBrimwellApp::RegistryKey(), QStringLiteral("Brimwell")).clear();
}

void MovePointer(QWidget* viewport, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(at), viewport->mapToGlobal(QPointF(at)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &move);
}

void TurnWheel(QWidget* viewport, QPoint at, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent event(QPointF(at), viewport->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(viewport, &event);
    Settle();
}

// Whether the whole picture is on screen, with no scroll bar to reach more.
bool SeenWhole(CBrimwellView* view)
{
    return view->horizontalScrollBar()->maximum() == 0 && view->verticalScrollBar()->maximum() == 0 &&
           view->Geometry().m_displayWidth <= view->ClientSize().width() &&
           view->Geometry().m_displayHeight <= view->ClientSize().height();
}

// The readout names the pixel the window paints under the pointer at point:
// the sample's colours differ pixel by pixel, so the painted colour says
// which pixel lies there. Returns the pixel named.
QPoint ExpectReadoutOfPaintedPixel(OpenedApp& app, QPoint point)
{
    const QString readout = app.App().Frame()->findChild<CPictureStatusBar*>()->ReadoutLabel()->text();
    static const QRegularExpression position(QStringLiteral("^x (\\d+) y (\\d+)  "));
    const QRegularExpressionMatch match = position.match(readout);
    EXPECT_TRUE(match.hasMatch()) << "readout: \"" << readout.toStdString() << "\"";
    if (!match.hasMatch())
        return QPoint(-1, -1);
    const QPoint named(match.captured(1).toInt(), match.captured(2).toInt());
    EXPECT_EQ(app.View()->RenderClientArea().pixel(point), guitest::ShownSamplePixel(named.x(), named.y()))
        << "the readout names " << named.x() << "," << named.y();
    return named;
}

}  // namespace

TEST(Zooming, BigPicturesOpenFittedUnlessTurnedOffAndTheChoiceIsRemembered)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString big = WriteSample(dir.path(), "a_big.rpf", 1600, 1200);
    const QString small = WriteSample(dir.path(), "b_small.rpf", 60, 40);
    const QString wide = WriteSample(dir.path(), "c_wide.rpf", 2000, 100);
    {
        // Start-up opens the file before the window has its size: the fit is
        // judged at the size the window shows.
        CBrimwellApp app(QStringList{big});
        ASSERT_TRUE(app.InitInstance());
        Settle();
        CBrimwellView* view = app.View();
        EXPECT_TRUE(app.Router()->Action(ID_VIEW_FIT_BIG_ON_OPEN)->isCheckable());
        app.Router()->UpdateCommandUI();
        EXPECT_TRUE(app.Router()->Action(ID_VIEW_FIT_BIG_ON_OPEN)->isChecked());
        const int fitted = view->Zoom();
        EXPECT_GT(fitted, zoom::kRealSize);
        EXPECT_TRUE(SeenWhole(view));
        // Just as Fit in window would have it.
        app.Router()->Execute(ID_VIEW_FIT_WINDOW);
        Settle();
        EXPECT_EQ(view->Zoom(), fitted);
    }
    OpenedApp app(small, QSize(640, 480));
    ASSERT_TRUE(app.Started());
    CBrimwellView* view = app.View();
    EXPECT_EQ(view->Zoom(), zoom::kRealSize);  // small pictures open at real size

    // A step opens the next file fitted; so does File > Open.
    app.Run(ID_FILE_NEXT);
    Settle();
    ASSERT_EQ(app.Doc()->rpf_width, 2000);
    EXPECT_GT(view->Zoom(), zoom::kRealSize);
    EXPECT_TRUE(SeenWhole(view));
    ASSERT_NE(app.App().OpenDocumentFile(big), nullptr);
    Settle();
    EXPECT_TRUE(SeenWhole(view));

    // A reload keeps the zoom the user chose.
    app.Run(ID_VIEW_REAL_SIZE);
    app.App().Reload(true);
    Settle();
    EXPECT_EQ(view->Zoom(), zoom::kRealSize);

    // Turned off, big pictures open at real size again, in this run and the
    // next.
    app.Run(ID_VIEW_FIT_BIG_ON_OPEN);
    app.Router()->UpdateCommandUI();
    EXPECT_FALSE(app.Router()->Action(ID_VIEW_FIT_BIG_ON_OPEN)->isChecked());
    ASSERT_NE(app.App().OpenDocumentFile(wide), nullptr);
    Settle();
    EXPECT_EQ(view->Zoom(), zoom::kRealSize);
    {
        OpenedApp next(big, QSize(640, 480));
        ASSERT_TRUE(next.Started());
        EXPECT_EQ(next.View()->Zoom(), zoom::kRealSize);
        next.Router()->UpdateCommandUI();
        EXPECT_FALSE(next.Router()->Action(ID_VIEW_FIT_BIG_ON_OPEN)->isChecked());
        // And on again.
        next.Run(ID_VIEW_FIT_BIG_ON_OPEN);
        ASSERT_NE(next.App().OpenDocumentFile(wide), nullptr);
        Settle();
        EXPECT_TRUE(SeenWhole(next.View()));
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
    ClearSettings();
}

TEST(Zooming, TheWheelKeepsThePixelUnderThePointerWhereItIsAndKeysKeepTheirRule)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    OpenedApp app(WriteSample(dir.path(), "s.rpf", 600, 400), QSize(400, 300));
    ASSERT_TRUE(app.Started());
    CBrimwellView* view = app.View();
    QWidget* viewport = view->viewport();
    app.SetZoom(zoom::kRealSize);
    view->horizontalScrollBar()->setValue(150);
    view->verticalScrollBar()->setValue(80);
    Settle();

    const QPoint pointer(viewport->width() / 3, viewport->height() * 2 / 3);
    const std::optional<QPoint> start = view->PixelAt(pointer);
    ASSERT_TRUE(start.has_value());
    // In to 500 % and back, with and without Ctrl: the same pixel stays under
    // the pointer at every step.
    for (int k = zoom::kRealSize - 1; k >= zoom::kMostIn; --k) {
        TurnWheel(viewport, pointer, +120, k % 2 ? Qt::ControlModifier : Qt::NoModifier);
        ASSERT_EQ(view->Zoom(), k);
        EXPECT_EQ(view->PixelAt(pointer), start) << "at k " << k;
    }
    for (int k = zoom::kMostIn + 1; k <= zoom::kRealSize; ++k) {
        TurnWheel(viewport, pointer, -120, Qt::ControlModifier);
        ASSERT_EQ(view->Zoom(), k);
        EXPECT_EQ(view->PixelAt(pointer), start) << "at k " << k;
    }
    // Zoomed out, a screen pixel spans more than a picture pixel: the pixel
    // under the pointer is the nearest one can be.
    TurnWheel(viewport, pointer, -120);
    ASSERT_EQ(view->Zoom(), zoom::kRealSize + 1);
    const std::optional<QPoint> out = view->PixelAt(pointer);
    ASSERT_TRUE(out.has_value());
    EXPECT_LE(std::abs(out->x() - start->x()), 1);
    EXPECT_LE(std::abs(out->y() - start->y()), 1);

    // The zoom keys keep the scroll position's relative place, as ever.
    app.SetZoom(zoom::kRealSize);
    view->horizontalScrollBar()->setValue(120);  // 20 % of 600
    Settle();
    app.Run(ID_VIEW_ZOOM_IN);  // 750 wide: t = 150, p = 120
    Settle();
    EXPECT_EQ(view->horizontalScrollBar()->value(), 2 * 150 - 120);
    ClearSettings();
}

TEST(Zooming, TheReadoutFollowsWhatComesUnderAStillPointer)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "s.rpf", 240, 200);
    OpenedApp app(path, QSize(320, 240));
    ASSERT_TRUE(app.Started());
    app.App().Follower().SetEnabled(false);  // only the key reloads here
    CBrimwellView* view = app.View();
    QWidget* viewport = view->viewport();
    app.SetZoom(3);
    const QPoint pointer(viewport->width() / 2, viewport->height() / 2);
    MovePointer(viewport, pointer);
    Settle();
    const QPoint first = ExpectReadoutOfPaintedPixel(app, pointer);

    // Page Down, and the same pointer stands over another row.
    app.Run(ID_VIEW_PAGE_DOWN);
    Settle();
    const QPoint paged = ExpectReadoutOfPaintedPixel(app, pointer);
    EXPECT_GT(paged.y(), first.y());
    // Zoom keys, the edges, and the wheel under the pointer.
    for (int id : {ID_VIEW_ZOOM_IN, ID_VIEW_SCROLL_RIGHT_EDGE, ID_VIEW_ZOOM_OUT, ID_VIEW_SCROLL_TOP}) {
        SCOPED_TRACE(id);
        app.Run(id);
        Settle();
        ExpectReadoutOfPaintedPixel(app, pointer);
    }
    TurnWheel(viewport, pointer, -120);
    ExpectReadoutOfPaintedPixel(app, pointer);

    // The file read again, as following and playback show frames: the
    // readout names the new values at once.
    const QPoint named = ExpectReadoutOfPaintedPixel(app, pointer);
    const QString before = app.App().Frame()->findChild<CPictureStatusBar*>()->ReadoutLabel()->text();
    WriteSample(dir.path(), "s.rpf", 240, 200, guitest::SampleColour{10, 20, 30, 255});
    app.App().Reload(true);
    Settle();
    const QString after = app.App().Frame()->findChild<CPictureStatusBar*>()->ReadoutLabel()->text();
    EXPECT_NE(after, before);
    EXPECT_EQ(after, app.Doc()->Frame()->readout->Text(named.x(), named.y()));

    // Off the picture the readout goes, and stays gone while the view moves.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(viewport, &leave);
    app.Run(ID_VIEW_PAGE_DOWN);
    Settle();
    EXPECT_EQ(app.App().Frame()->findChild<CPictureStatusBar*>()->ReadoutLabel()->text(), QString());
    ClearSettings();
}
