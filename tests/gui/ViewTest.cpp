#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"

#include <QScrollBar>
#include <QWheelEvent>

using guitest::kDarkGrey;
using guitest::PromptRecorder;
using guitest::Settle;
using guitest::ShownSamplePixel;
using guitest::WriteSample;

namespace {

// A document and its view in a window of a given size, without the rest of
// the application.
class ViewHarness {
public:
    explicit ViewHarness(QSize size) : view(&doc, &router)
    {
        view.resize(size);
        view.show();
        Settle();
    }

    void Open(const QString& path)
    {
        ASSERT_TRUE(doc.OnOpenDocument(path));
        view.OnInitialUpdate();
        Settle();
    }

    void Wheel(int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPointF at(10, 10);
        QWheelEvent event(at, view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(view.viewport(), &event);
        Settle();
    }

    QTemporaryDir dir;
    PromptRecorder prompts;
    CommandRouter router;
    CBrimwellDoc doc;
    CBrimwellView view;
};

}  // namespace

TEST(View, ZoomStepsStopWithABeepAtBothEnds)
{
    ViewHarness h(QSize(300, 200));
    h.Open(WriteSample(h.dir.path(), "s.rpf", 20, 10));
    EXPECT_EQ(h.view.Zoom(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(h.router.Execute(ID_VIEW_ZOOM_IN));
    EXPECT_EQ(h.view.Zoom(), 1);
    EXPECT_EQ(h.prompts.beeps, 0);
    h.router.Execute(ID_VIEW_ZOOM_IN);
    EXPECT_EQ(h.view.Zoom(), 1);
    EXPECT_EQ(h.prompts.beeps, 1);

    h.router.Execute(ID_VIEW_REAL_SIZE);
    EXPECT_EQ(h.view.Zoom(), 5);
    for (int i = 0; i < 5; ++i)
        h.router.Execute(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(h.view.Zoom(), 10);
    EXPECT_EQ(h.prompts.beeps, 1);
    h.router.Execute(ID_VIEW_ZOOM_OUT);
    EXPECT_EQ(h.view.Zoom(), 10);
    EXPECT_EQ(h.prompts.beeps, 2);
}

TEST(View, WheelZoomsOneStepPerNotchAndNeverScrolls)
{
    ViewHarness h(QSize(200, 150));
    h.Open(WriteSample(h.dir.path(), "big.rpf", 400, 300));
    h.Wheel(+120);
    EXPECT_EQ(h.view.Zoom(), 4);
    h.Wheel(-120, Qt::ControlModifier);
    EXPECT_EQ(h.view.Zoom(), 5);
    h.Wheel(+360, Qt::ShiftModifier);  // a large delta is still one step
    EXPECT_EQ(h.view.Zoom(), 4);
    h.Wheel(-40);
    h.Wheel(-40);
    EXPECT_EQ(h.view.Zoom(), 4);  // a fine wheel gathers a notch first
    h.Wheel(-40);
    EXPECT_EQ(h.view.Zoom(), 5);

    // At the last step the wheel only beeps; it does not scroll instead.
    for (int i = 0; i < 4; ++i)
        h.Wheel(+120);
    ASSERT_EQ(h.view.Zoom(), 1);
    h.view.horizontalScrollBar()->setValue(50);
    h.view.verticalScrollBar()->setValue(40);
    const int beeps = h.prompts.beeps;
    h.Wheel(+120);
    h.Wheel(+120, Qt::ShiftModifier);
    EXPECT_EQ(h.prompts.beeps, beeps + 2);
    EXPECT_EQ(h.view.GetScrollPosition(), QPoint(50, 40));
}

TEST(View, NewFileOpensAtRealSizeWhateverTheZoom)
{
    ViewHarness h(QSize(300, 200));
    h.Open(WriteSample(h.dir.path(), "a.rpf", 20, 10));
    h.router.Execute(ID_VIEW_ZOOM_IN);
    h.router.Execute(ID_VIEW_ZOOM_IN);
    h.Open(WriteSample(h.dir.path(), "b.rpf", 30, 10));
    EXPECT_EQ(h.view.Zoom(), 5);
}

TEST(View, FitCommandsAndTheClientArea)
{
    ViewHarness h(QSize(800, 600));
    h.Open(WriteSample(h.dir.path(), "small.rpf", 100, 100));
    ASSERT_EQ(h.view.ClientSize(), QSize(800, 600));
    h.router.Execute(ID_VIEW_FIT_WINDOW);
    EXPECT_EQ(h.view.Zoom(), 1);
    h.router.Execute(ID_VIEW_REAL_SIZE);
    h.router.Execute(ID_VIEW_FIT_WIDTH);
    EXPECT_EQ(h.view.Zoom(), 1);

    // Wider than the window at every step but the last, where it is exactly
    // as wide: no step fits.
    h.view.resize(1000, 700);
    h.Open(WriteSample(h.dir.path(), "wide.rpf", 2000, 1000));
    h.router.Execute(ID_VIEW_FIT_WINDOW);
    EXPECT_EQ(h.view.Zoom(), 10);
    h.router.Execute(ID_VIEW_FIT_WIDTH);
    EXPECT_EQ(h.view.Zoom(), 10);

    // Fit width ignores the height, fit in window does not.
    h.view.resize(800, 300);
    h.Open(WriteSample(h.dir.path(), "tall.rpf", 100, 400));
    Settle();
    h.router.Execute(ID_VIEW_FIT_WIDTH);
    EXPECT_EQ(h.view.Zoom(), 1);
    h.router.Execute(ID_VIEW_FIT_WINDOW);
    Settle();
    EXPECT_GT(h.view.Geometry().m_marginY, 0);
    EXPECT_LT(h.view.Geometry().m_displayHeight, h.view.ClientSize().height());
}

TEST(View, ScrollRangeAndSteps)
{
    ViewHarness h(QSize(400, 300));
    h.Open(WriteSample(h.dir.path(), "big.rpf", 1000, 800));
    EXPECT_EQ(h.view.GetTotalSize(), QSize(1000, 800));
    EXPECT_EQ(h.view.PageStep(), QSize(100, 80));
    EXPECT_EQ(h.view.LineStep(), QSize(10, 8));
    const QSize client = h.view.ClientSize();
    EXPECT_LT(client.width(), 400);  // the vertical bar takes room
    EXPECT_EQ(h.view.horizontalScrollBar()->maximum(), 1000 - client.width());
    EXPECT_EQ(h.view.verticalScrollBar()->maximum(), 800 - client.height());
    EXPECT_EQ(h.view.horizontalScrollBar()->pageStep(), 100);
    EXPECT_EQ(h.view.horizontalScrollBar()->singleStep(), 10);

    // Fitted, the bars go and the whole area is the client.
    h.Open(WriteSample(h.dir.path(), "mid.rpf", 600, 500));
    h.router.Execute(ID_VIEW_FIT_WINDOW);
    Settle();
    EXPECT_EQ(h.view.Zoom(), 9);
    EXPECT_EQ(h.view.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(h.view.ClientSize(), QSize(400, 300));
}

TEST(View, ScrollPositionFollowsTheZoom)
{
    ViewHarness h(QSize(400, 300));
    h.Open(WriteSample(h.dir.path(), "big.rpf", 1000, 800));
    h.view.horizontalScrollBar()->setValue(200);  // 20 % of 1000
    Settle();
    h.router.Execute(ID_VIEW_ZOOM_IN);  // 1250 wide: t = 250, p = 200
    Settle();
    EXPECT_EQ(h.view.horizontalScrollBar()->value(), 2 * 250 - 200);
}

TEST(View, PaintsTheCentredPictureOnDarkGrey)
{
    ViewHarness h(QSize(300, 200));
    h.Open(WriteSample(h.dir.path(), "s.rpf", 40, 20));
    const QImage shown = h.view.RenderClientArea();
    ASSERT_EQ(shown.size(), QSize(300, 200));
    // Real size: 40 x 20 at ((300 - 40) / 2, (200 - 20) / 2).
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 130 && x < 170 && y >= 90 && y < 110;
            const QRgb expected = inside ? ShownSamplePixel(x - 130, y - 90) : kDarkGrey;
            ASSERT_EQ(shown.pixel(x, y), expected) << x << "," << y;
        }
    }
    // The widget paints the same.
    EXPECT_EQ(h.view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32), shown);
}

TEST(View, MagnifiedPixelsAreFiveByFiveBlocks)
{
    ViewHarness h(QSize(300, 200));
    h.Open(WriteSample(h.dir.path(), "s.rpf", 12, 8));
    for (int i = 0; i < 4; ++i)
        h.router.Execute(ID_VIEW_ZOOM_IN);
    ASSERT_EQ(h.view.Zoom(), 1);
    const QImage shown = h.view.RenderClientArea();
    // 60 x 40 on screen, margins of (300 - 60) / 2 / 5 = 24 and (200 - 40) / 2 / 5 = 16
    // picture pixels, that is 120 and 80 screen pixels.
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool inside = x >= 120 && x < 180 && y >= 80 && y < 120;
            const QRgb expected = inside ? ShownSamplePixel((x - 120) / 5, (y - 80) / 5) : kDarkGrey;
            ASSERT_EQ(shown.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(View, PartialRepaintEqualsAFullOne)
{
    ViewHarness h(QSize(320, 240));
    h.Open(WriteSample(h.dir.path(), "big.rpf", 500, 400));
    h.router.Execute(ID_VIEW_ZOOM_IN);
    h.router.Execute(ID_VIEW_ZOOM_IN);  // 166.7 %: uneven pixel widths
    Settle();
    h.view.horizontalScrollBar()->setValue(123);
    h.view.verticalScrollBar()->setValue(77);
    const QImage full = h.view.RenderClientArea();
    const QSize client = h.view.ClientSize();
    for (const QRect part : {QRect(0, 0, 17, 9), QRect(101, 33, 57, 80), QRect(client.width() - 13, client.height() - 7, 13, 7)}) {
        // Paint only a part, through the widget's paint event, onto a canvas
        // whose other pixels must stay untouched.
        QImage canvas(client, QImage::Format_RGB32);
        canvas.fill(Qt::magenta);
        h.view.viewport()->render(&canvas, part.topLeft(), QRegion(part), QWidget::RenderFlags());
        EXPECT_EQ(canvas.copy(part), full.copy(part));
    }
}

TEST(View, ArrowKeysDoNotScroll)
{
    ViewHarness h(QSize(200, 150));
    h.Open(WriteSample(h.dir.path(), "big.rpf", 400, 300));
    const QPoint before = h.view.GetScrollPosition();
    for (Qt::Key key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&h.view, &press);
    }
    Settle();
    EXPECT_EQ(h.view.GetScrollPosition(), before);
}
