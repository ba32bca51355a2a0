#include "OpenedApp.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>

#include <gtest/gtest.h>

using namespace guitest;

namespace {

QImage ClipboardImage()
{
    return QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
}

QImage ViewGrab(CBrimwellView* view)
{
    return view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

class ClipboardTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    PromptRecorder prompts;
};

}  // namespace

TEST_F(ClipboardTest, CopyIsTheClientAreaAsShown)
{
    const QSize pictures[] = {QSize(37, 23), QSize(300, 200), QSize(900, 700)};
    for (const QSize picture : pictures) {
        const QString path = WriteSample(dir.path(), QString("p%1.rpf").arg(picture.width()), picture.width(),
                                         picture.height());
        OpenedApp app(path, QSize(520, 410));
        ASSERT_TRUE(app.Started());
        EXPECT_TRUE(app.Router()->IsEnabled(ID_EDIT_COPY));
        for (int zoom : {1, 3, 5, 10}) {
            SCOPED_TRACE(QString("%1x%2 at k=%3").arg(picture.width()).arg(picture.height()).arg(zoom).toStdString());
            app.SetZoom(zoom);
            ASSERT_TRUE(app.Run(ID_EDIT_COPY));
            const QImage copied = ClipboardImage();
            EXPECT_EQ(copied.size(), app.View()->ClientSize());
            EXPECT_EQ(copied, app.View()->RenderClientArea());
            EXPECT_EQ(copied, ViewGrab(app.View()));
        }
    }
}

TEST_F(ClipboardTest, CopyFollowsTheScrollPosition)
{
    const QString path = WriteSample(dir.path(), "big.rpf", 400, 300);
    OpenedApp app(path, QSize(500, 400));
    ASSERT_TRUE(app.Started());
    app.SetZoom(1);  // 2000 x 1500 on screen
    CBrimwellView* view = app.View();
    ASSERT_GT(view->horizontalScrollBar()->maximum(), 0);
    view->horizontalScrollBar()->setValue(733);
    view->verticalScrollBar()->setValue(411);
    Settle();
    ASSERT_TRUE(app.Run(ID_EDIT_COPY));
    const QImage copied = ClipboardImage();
    EXPECT_EQ(copied, ViewGrab(view));
    // At 5 screen pixels per picture pixel, screen pixel (0, 0) of the copy
    // shows picture pixel (733 / 5, 411 / 5); a picture this large has no margin.
    EXPECT_EQ(copied.pixel(0, 0), ShownSamplePixel(733 / 5, 411 / 5));
    EXPECT_EQ(copied.pixel(copied.width() - 1, 0), ShownSamplePixel((733 + copied.width() - 1) / 5, 411 / 5));
}

TEST_F(ClipboardTest, WithoutAPictureTheCopyIsDarkGreyThroughout)
{
    const QString path = WriteSample(dir.path(), "gone.rpf", 50, 40);
    OpenedApp app(path, QSize(300, 200));
    ASSERT_TRUE(app.Started());
    app.Doc()->DeleteContents();
    app.View()->viewport()->update();
    ASSERT_TRUE(app.Run(ID_EDIT_COPY));
    const QImage copied = ClipboardImage();
    ASSERT_EQ(copied.size(), app.View()->ClientSize());
    int notGrey = 0;
    for (int y = 0; y < copied.height(); ++y) {
        for (int x = 0; x < copied.width(); ++x)
            notGrey += copied.pixel(x, y) != kDarkGrey;
    }
    EXPECT_EQ(notGrey, 0);
}

TEST_F(ClipboardTest, EachCopyReplacesWhatTheClipboardHeld)
{
    const QString path = WriteSample(dir.path(), "twice.rpf", 120, 90);
    OpenedApp app(path, QSize(400, 300));
    ASSERT_TRUE(app.Started());
    QGuiApplication::clipboard()->setText("held before");

    ASSERT_TRUE(app.Run(ID_EDIT_COPY));
    const QImage first = ClipboardImage();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasImage());
    EXPECT_FALSE(data->hasText());

    app.SetZoom(2);
    ASSERT_TRUE(app.Run(ID_EDIT_COPY));
    const QImage second = ClipboardImage();
    EXPECT_NE(second, first);
    EXPECT_EQ(second, app.View()->RenderClientArea());
}
