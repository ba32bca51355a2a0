// Everyday viewing: big pictures seen whole, the main keyboard's zoom keys,
// full screen, scrolling by keys and by dragging, reloading and following
// the file on disk, the preview page and the window's remembered size.
#include "OpenedApp.h"
#include "WindowState.h"

#include <QFile>
#include <QMouseEvent>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QToolBar>

using guitest::OpenedApp;
using guitest::PromptRecorder;
using guitest::SampleColour;
using guitest::Settle;
using guitest::WriteSample;

namespace {

const SampleColour kRed{255, 0, 0, 255};
const SampleColour kBlue{0, 0, 255, 255};

// Columns of the middle row and rows of the middle column that show the
// (uniformly coloured) picture rather than the dark-grey field.
QSize PaintedPictureSize(CBrimwellView& view)
{
    const QImage shown = view.RenderClientArea();
    int columns = 0;
    int rows = 0;
    for (int x = 0; x < shown.width(); ++x)
        columns += shown.pixel(x, shown.height() / 2) != guitest::kDarkGrey;
    for (int y = 0; y < shown.height(); ++y)
        rows += shown.pixel(shown.width() / 2, y) != guitest::kDarkGrey;
    return QSize(columns, rows);
}

bool Scrolls(CBrimwellView& view)
{
    return view.horizontalScrollBar()->maximum() > 0 || view.verticalScrollBar()->maximum() > 0;
}

void SendMouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

}  // namespace

TEST(Viewing, BigPicturesAreSeenWholeAndNoFurther)
{
    struct Case {
        QSize picture;
        QSize window;
    };
    QTemporaryDir dir;
    PromptRecorder prompts;
    int index = 0;
    for (const Case& c : {Case{QSize(2400, 1350), QSize(600, 400)}, Case{QSize(1000, 3000), QSize(300, 400)},
                          Case{QSize(3000, 200), QSize(700, 500)}}) {
        SCOPED_TRACE(index);
        const QString name = QStringLiteral("big%1.rpf").arg(index++);
        CommandRouter router;
        CBrimwellDoc doc;
        CBrimwellView view(&doc, &router);
        view.resize(c.window);
        view.show();
        ASSERT_TRUE(doc.OnOpenDocument(WriteSample(dir.path(), name, c.picture.width(), c.picture.height(), kRed)));
        view.OnInitialUpdate();
        Settle();

        router.Execute(ID_VIEW_FIT_WINDOW);
        Settle();
        const int fitted = view.Zoom();
        EXPECT_GT(fitted, zoom::kMostOut);
        EXPECT_FALSE(Scrolls(view));
        // Drawn whole at 5/k, inside the window.
        const QSize painted = PaintedPictureSize(view);
        EXPECT_NEAR(painted.width(), 5.0 * c.picture.width() / fitted, 1.0);
        EXPECT_NEAR(painted.height(), 5.0 * c.picture.height() / fitted, 1.0);
        EXPECT_LE(painted.width(), c.window.width());
        EXPECT_LE(painted.height(), c.window.height());

        // Nothing more to see: Zoom out beeps and stays.
        const int beeps = prompts.beeps;
        router.Execute(ID_VIEW_ZOOM_OUT);
        EXPECT_EQ(prompts.beeps, beeps + 1);
        EXPECT_EQ(view.Zoom(), fitted);
        // One step in and the picture no longer fits.
        router.Execute(ID_VIEW_ZOOM_IN);
        Settle();
        EXPECT_EQ(view.Zoom(), fitted - 1);
        EXPECT_TRUE(Scrolls(view));
        // Zoom out steps back to the fitting divisor, from real size as well.
        router.Execute(ID_VIEW_REAL_SIZE);
        Settle();
        for (int i = 0; i < 200 && prompts.beeps == beeps + 1; ++i) {
            router.Execute(ID_VIEW_ZOOM_OUT);
            Settle();
        }
        EXPECT_EQ(view.Zoom(), fitted);

        // Fit width shows the whole width and never zooms out further than
        // Fit in window.
        router.Execute(ID_VIEW_FIT_WIDTH);
        Settle();
        EXPECT_LE(view.Zoom(), fitted);
        EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
        EXPECT_LE(PaintedPictureSize(view).width(), view.ClientSize().width());
    }
}

TEST(Viewing, APictureExactlyTwiceTheWindowStopsAtHalfSize)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    CommandRouter router;
    CBrimwellDoc doc;
    CBrimwellView view(&doc, &router);
    view.resize(600, 400);
    view.show();
    ASSERT_TRUE(doc.OnOpenDocument(WriteSample(dir.path(), "exact.rpf", 1200, 800, kRed)));
    view.OnInitialUpdate();
    Settle();
    router.Execute(ID_VIEW_FIT_WINDOW);
    Settle();
    EXPECT_EQ(view.Zoom(), zoom::kMostOut);
    EXPECT_FALSE(Scrolls(view));
    EXPECT_EQ(PaintedPictureSize(view), QSize(600, 400));
    router.Execute(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_EQ(view.Zoom(), zoom::kMostOut);
}

TEST(Viewing, PageKeysHomeAndEndScrollTheFullScreenKeysSwitch)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    OpenedApp app(WriteSample(dir.path(), "tall.rpf", 1500, 2500, kRed));
    ASSERT_TRUE(app.Started());
    app.SetZoom(zoom::kRealSize);  // it opened fitted
    CMainFrame* frame = app.App().Frame();
    CBrimwellView* view = app.View();
    QScrollBar* vertical = view->verticalScrollBar();
    QScrollBar* horizontal = view->horizontalScrollBar();
    app.Router()->UpdateCommandUI();
    const int page = view->ClientSize().height();

    QTest::keyClick(frame, Qt::Key_PageDown);
    EXPECT_EQ(vertical->value(), page);
    QTest::keyClick(frame, Qt::Key_PageDown);
    EXPECT_EQ(vertical->value(), 2 * page);
    QTest::keyClick(frame, Qt::Key_PageUp);
    EXPECT_EQ(vertical->value(), page);
    QTest::keyClick(frame, Qt::Key_End);
    EXPECT_EQ(vertical->value(), vertical->maximum());
    QTest::keyClick(frame, Qt::Key_Home);
    EXPECT_EQ(vertical->value(), 0);
    QTest::keyClick(frame, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(horizontal->value(), horizontal->maximum());
    EXPECT_GT(horizontal->maximum(), 0);
    EXPECT_EQ(vertical->value(), 0);
    QTest::keyClick(frame, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(horizontal->value(), 0);

    // Esc means nothing in an ordinary window.
    QTest::keyClick(frame, Qt::Key_Escape);
    EXPECT_FALSE(frame->isFullScreen());
    EXPECT_EQ(prompts.beeps, 0);
    QTest::keyClick(frame, Qt::Key_F11);
    Settle();
    EXPECT_TRUE(frame->isFullScreen());
    EXPECT_TRUE(app.Router()->Action(ID_VIEW_FULL_SCREEN)->isChecked());
    QTest::keyClick(frame, Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(frame->isFullScreen());
    // F11 toggles, and the window comes back as it was, toolbar and all.
    QTest::keyClick(frame, Qt::Key_F11);
    Settle();
    EXPECT_TRUE(frame->isFullScreen());
    QTest::keyClick(frame, Qt::Key_F11);
    Settle();
    EXPECT_FALSE(frame->isFullScreen());
    EXPECT_FALSE(frame->isMaximized());
    EXPECT_FALSE(frame->ToolBar()->isHidden());
}

TEST(Viewing, DraggingMovesThePictureWithThePointer)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    OpenedApp app(WriteSample(dir.path(), "wide.rpf", 2000, 1500, kRed));
    ASSERT_TRUE(app.Started());
    app.SetZoom(zoom::kRealSize);  // it opened fitted
    CBrimwellView* view = app.View();
    QWidget* surface = view->viewport();
    view->horizontalScrollBar()->setValue(500);
    view->verticalScrollBar()->setValue(400);

    // A click without a move changes nothing.
    SendMouse(surface, QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton, Qt::LeftButton);
    SendMouse(surface, QEvent::MouseButtonRelease, QPoint(100, 100), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(500, 400));

    SendMouse(surface, QEvent::MouseButtonPress, QPoint(200, 200), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(surface->cursor().shape(), Qt::ClosedHandCursor);
    SendMouse(surface, QEvent::MouseMove, QPoint(230, 180), Qt::NoButton, Qt::LeftButton);
    SendMouse(surface, QEvent::MouseMove, QPoint(260, 150), Qt::NoButton, Qt::LeftButton);
    SendMouse(surface, QEvent::MouseButtonRelease, QPoint(260, 150), Qt::LeftButton, Qt::NoButton);
    // The picture went right and up with the pointer: the view looks further
    // left and further down.
    EXPECT_EQ(view->GetScrollPosition(), QPoint(440, 450));
    EXPECT_EQ(surface->cursor().shape(), Qt::OpenHandCursor);
    // Moving without the button pans nothing; the edge stops a drag.
    SendMouse(surface, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(440, 450));
    SendMouse(surface, QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    SendMouse(surface, QEvent::MouseMove, QPoint(600, 10), Qt::NoButton, Qt::LeftButton);
    SendMouse(surface, QEvent::MouseButtonRelease, QPoint(600, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(view->GetScrollPosition(), QPoint(0, 450));
}

TEST(Viewing, ReloadReadsTheFileAgainKeepingZoomAndPlace)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "render.rpf", 1200, 900, kRed);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());
    app.App().Follower().SetEnabled(false);  // only the key reloads here
    app.SetZoom(4);
    app.View()->horizontalScrollBar()->setValue(300);
    app.View()->verticalScrollBar()->setValue(200);

    WriteSample(dir.path(), "render.rpf", 1200, 900, kBlue);
    QTest::keyClick(app.App().Frame(), Qt::Key_F5);
    Settle();
    EXPECT_EQ(app.Doc()->Picture().pixel(0, 0), qRgb(0, 0, 254));
    EXPECT_EQ(app.View()->Zoom(), 4);
    EXPECT_EQ(app.View()->GetScrollPosition(), QPoint(300, 200));
    EXPECT_EQ(app.App().Frame()->windowTitle(), "render.rpf - Brimwell");

    // A broken file: F5 reports it, an automatic reload does not, and the
    // picture stays either way.
    QFile broken(path);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("half");
    broken.close();
    app.App().Reload(false);
    EXPECT_TRUE(prompts.messages.isEmpty());
    QTest::keyClick(app.App().Frame(), Qt::Key_F5);
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(app.Doc()->Picture().pixel(0, 0), qRgb(0, 0, 254));
    EXPECT_EQ(app.Doc()->rpf_width, 1200);
}

TEST(Viewing, FollowingSeesTheFileRewrittenAndNewFramesOfItsFolder)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "f001.rpf", 40, 30, kRed);
    OpenedApp app(path);
    ASSERT_TRUE(app.Started());
    ASSERT_TRUE(app.App().Follower().IsEnabled());
    EXPECT_TRUE(app.Router()->Action(ID_FILE_FOLLOW)->isChecked());

    // Rewritten in place, first caught half-written: nothing is said, and
    // the whole file is shown once written.
    QFile partial(path);
    ASSERT_TRUE(partial.open(QIODevice::WriteOnly | QIODevice::Truncate));
    partial.write("RPF?");
    partial.close();
    QTest::qWait(2 * FileFollower::kSettleMilliseconds);
    EXPECT_EQ(app.Doc()->Picture().pixel(0, 0), qRgb(254, 0, 0));
    WriteSample(dir.path(), "f001.rpf", 40, 30, kBlue);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.Doc()->Picture().pixel(0, 0) == qRgb(0, 0, 254); }, 5000));

    // Replaced by a rename, as renderers and editors do: still followed.
    WriteSample(dir.path(), "next.tmp", 40, 30, kRed);
    QFile::remove(path);
    ASSERT_TRUE(QFile::rename(dir.filePath("next.tmp"), path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.Doc()->Picture().pixel(0, 0) == qRgb(254, 0, 0); }, 5000));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A new frame beside it is reached by Next.
    WriteSample(dir.path(), "f002.rpf", 50, 30, kRed);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.App().Folder().CanNext(); }, 5000));
    app.Router()->UpdateCommandUI();
    QTest::keyClick(app.App().Frame(), Qt::Key_Right);
    Settle();  // a step's open runs from the event loop
    EXPECT_EQ(QFileInfo(app.Doc()->GetPathName()).fileName(), "f002.rpf");

    // Turned off, a change goes unseen.
    app.Run(ID_FILE_FOLLOW);
    EXPECT_FALSE(app.Router()->Action(ID_FILE_FOLLOW)->isChecked());
    WriteSample(dir.path(), "f002.rpf", 50, 30, kBlue);
    QTest::qWait(3 * FileFollower::kSettleMilliseconds);
    EXPECT_EQ(app.Doc()->Picture().pixel(0, 0), qRgb(254, 0, 0));
}

TEST(Viewing, PreviewPageShowsTransparentPixelsInTheirColour)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    // Wholly transparent red: the window and the printed page show red.
    OpenedApp app(WriteSample(dir.path(), "clear.rpf", 60, 40, SampleColour{255, 0, 0, 0}));
    ASSERT_TRUE(app.Started());
    QPrinter* printer = app.App().Printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(dir.filePath("unused.pdf"));
    int redPixels = -1;
    prompts.answerModal = [&](QDialog& dialog) {
        auto* widget = dialog.findChild<QPrintPreviewWidget*>();
        if (widget == nullptr)
            return int(QDialog::Rejected);
        dialog.resize(800, 1000);
        widget->updatePreview();
        widget->fitInView();
        const QImage page = widget->grab().toImage();
        redPixels = 0;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                redPixels += c.red() > 200 && c.green() < 60 && c.blue() < 60;
            }
        }
        return int(QDialog::Rejected);
    };
    ASSERT_TRUE(app.Run(ID_FILE_PRINT_PREVIEW));
    EXPECT_GT(redPixels, 1000);
}

TEST(Viewing, TheWindowComesBackAsItWasLeft)
{
    const QRect screen(0, 0, 1600, 1000);
    const QRect restored = WindowState::RestoredGeometry(screen);
    EXPECT_EQ(restored.size(), QSize(1066, 666));
    EXPECT_EQ(restored.center(), screen.center());

    QSettings(CBrimwellApp::RegistryKey(), QStringLiteral("Brimwell")).clear();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "a.rpf", 20, 20);
    QRect left;
    {
        CBrimwellApp app({path});
        ASSERT_TRUE(app.InitInstance());
        Settle();
        EXPECT_TRUE(app.Frame()->isMaximized());  // the first run
        app.Frame()->showNormal();
        app.Frame()->setGeometry(120, 90, 700, 500);
        Settle();
        left = app.Frame()->geometry();
        app.Frame()->close();
    }
    {
        CBrimwellApp app({path});
        ASSERT_TRUE(app.InitInstance());
        Settle();
        EXPECT_FALSE(app.Frame()->isMaximized());
        EXPECT_EQ(app.Frame()->geometry(), left);
        app.Frame()->showMaximized();
        Settle();
        app.Frame()->close();
    }
    CBrimwellApp app({path});
    ASSERT_TRUE(app.InitInstance());
    Settle();
    EXPECT_TRUE(app.Frame()->isMaximized());
    EXPECT_EQ(app.Frame()->normalGeometry(), left);
}
