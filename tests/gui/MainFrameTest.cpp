#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "LoopbackHttpServer.h"
#include "MainFrame.h"
#include "ResourcePaths.h"
#include "ShockwaveFlash.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QNetworkProxy>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

using guitest::LoopbackHttpServer;
using guitest::Settle;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
        frame = std::make_unique<CMainFrame>(&router, CMainFrame::OpenFile(), LoopbackHttpServer::UnreachableUrl());
        frame->setCentralWidget(new QWidget);
        frame->resize(1300, 700);
        frame->show();
        Settle();
        toolBar = frame->ToolBar();
    }
    void TearDown() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::DefaultProxy); }

    QRect ItemRect(int index) const { return toolBar->actionGeometry(toolBar->actions().at(index)); }

    // Twice the horizontal middle of the button row, in the frame's
    // coordinates (twice, to stay in whole pixels).
    int RowMiddleTwice() const
    {
        const QRect first = ItemRect(0);
        const QRect last = ItemRect(int(toolBar->actions().size()) - 1);
        const int left = toolBar->mapTo(frame.get(), first.topLeft()).x();
        const int right = toolBar->mapTo(frame.get(), last.topLeft()).x() + last.width();
        return left + right;
    }

    // The six blank buttons' rectangles together, in toolbar coordinates.
    QRect BlankButtons() const
    {
        const int count = int(toolBar->actions().size());
        QRect all;
        for (int i = count - 6; i < count; ++i)
            all |= ItemRect(i);
        return all;
    }

    void ResizeFrame(int width, int height)
    {
        frame->resize(width, height);
        Settle();
    }

    // Drags the toolbar by its grip to a point of the screen and lets go.
    void DragGripTo(QPoint global)
    {
        const QPoint grip(2, toolBar->height() / 2);
        QMouseEvent press(QEvent::MouseButtonPress, grip, toolBar->mapToGlobal(grip), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(toolBar, &press);
        for (int step = 1; step <= 4; ++step) {
            const QPoint at = toolBar->mapToGlobal(grip) + (global - toolBar->mapToGlobal(grip)) * step / 4;
            QMouseEvent move(QEvent::MouseMove, toolBar->mapFromGlobal(at), at, Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(toolBar, &move);
        }
        QMouseEvent release(QEvent::MouseButtonRelease, toolBar->mapFromGlobal(global), global, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(toolBar, &release);
        Settle();
    }

    CommandRouter router{appcommands::Table()};
    std::unique_ptr<CMainFrame> frame;
    QToolBar* toolBar = nullptr;
};

TEST_F(MainFrameTest, ToolBarHoldsTheTableItemsAsButtonsAndSeparators)
{
    const std::vector<ToolbarItem>& table = router.Table().toolbar;
    const QList<QAction*> items = toolBar->actions();
    ASSERT_EQ(items.size(), qsizetype(table.size()));
    EXPECT_EQ(items.size(), 21);
    EXPECT_EQ(frame->toolBarArea(toolBar), Qt::BottomToolBarArea);
    EXPECT_EQ(toolBar->parentWidget(), frame.get());

    // The pictures come from the strip, image by image, with the strip's
    // button-face grey left transparent.
    const QImage strip = QImage(QString::fromLatin1(respaths::kToolbarStrip)).convertToFormat(QImage::Format_ARGB32);
    int separators = 0;
    for (qsizetype i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "item " << i);
        QAction* item = items.at(i);
        if (table[i].id == 0) {
            EXPECT_TRUE(item->isSeparator());
            ++separators;
            continue;
        }
        EXPECT_EQ(item, router.Action(table[i].id));
        auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(item));
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->size(), QSize(57, 57));
        EXPECT_EQ(ItemRect(int(i)).size(), QSize(57, 57));

        const QImage shown = item->icon().pixmap(QSize(50, 50)).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage picture = strip.copy(table[i].image * 50, 0, 50, 50);
        ASSERT_EQ(shown.size(), QSize(50, 50));
        int differing = 0;
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 50; ++x) {
                const QRgb want = picture.pixel(x, y);
                const QRgb got = shown.pixel(x, y);
                if (want == qRgb(192, 192, 192) ? qAlpha(got) != 0 : got != want)
                    ++differing;
            }
        }
        EXPECT_EQ(differing, 0);
    }
    EXPECT_EQ(separators, 5);
    // Separators stand where the table puts them.
    for (int index : {2, 4, 6, 10, 13})
        EXPECT_TRUE(items.at(index)->isSeparator()) << index;
}

TEST_F(MainFrameTest, ButtonsCarryTheirCommandsTipsAndStates)
{
    int shown = 0;
    router.SetHandler(&router, ID_VIEW_SHOW_INFO, [&shown] { ++shown; });
    router.UpdateCommandUI();
    for (const ToolbarItem& item : router.Table().toolbar) {
        if (item.id == 0)
            continue;
        SCOPED_TRACE(testing::Message() << "command " << item.id);
        auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(router.Action(item.id)));
        ASSERT_NE(button, nullptr);
        if (item.id >= ID_BLANK_FIRST && item.id <= ID_BLANK_LAST) {
            // Nothing handles the blank buttons: disabled, and no tip.
            EXPECT_FALSE(button->isEnabled());
            EXPECT_TRUE(button->toolTip().isEmpty());
        } else {
            EXPECT_EQ(button->toolTip(), router.Table().ToolTipOf(item.id));
            EXPECT_FALSE(button->toolTip().isEmpty());
        }
    }
    EXPECT_EQ(router.Table().ToolTipOf(ID_FILE_PREVIOUS), QStringLiteral("Previous file (left)"));

    // A button runs its command through the router.
    auto* info = qobject_cast<QToolButton*>(toolBar->widgetForAction(router.Action(ID_VIEW_SHOW_INFO)));
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isEnabled());
    info->click();
    EXPECT_EQ(shown, 1);
    auto* zoomIn = qobject_cast<QToolButton*>(toolBar->widgetForAction(router.Action(ID_VIEW_ZOOM_IN)));
    ASSERT_NE(zoomIn, nullptr);
    EXPECT_FALSE(zoomIn->isEnabled());  // no view handles it here
}

TEST_F(MainFrameTest, ButtonRowStaysCentredOnTheBottomEdge)
{
    for (QSize size : {QSize(1300, 700), QSize(1111, 650), QSize(1024, 768), QSize(2001, 900), QSize(1000, 500),
                       QSize(1600, 1000)}) {
        ResizeFrame(size.width(), size.height());
        SCOPED_TRACE(testing::Message() << size.width() << " x " << size.height());
        EXPECT_LE(std::abs(RowMiddleTwice() - frame->width()), 2);
        // On the bottom edge: no status bar below it.
        EXPECT_EQ(toolBar->geometry().bottom(), frame->height() - 1);
        EXPECT_EQ(frame->toolBarArea(toolBar), Qt::BottomToolBarArea);
    }

    // Hidden and shown again, it comes back to the middle.
    router.Execute(ID_VIEW_TOOLBAR);
    ResizeFrame(1200, 700);
    router.Execute(ID_VIEW_TOOLBAR);
    Settle();
    EXPECT_LE(std::abs(RowMiddleTwice() - frame->width()), 2);
}

TEST_F(MainFrameTest, FloatingToolBarDocksBackAtTheNextResize)
{
    DragGripTo(frame->mapToGlobal(QPoint(frame->width() / 2, frame->height() + 400)));
    ASSERT_TRUE(toolBar->isFloating());
    EXPECT_TRUE(toolBar->isVisible());

    ResizeFrame(1250, 720);
    EXPECT_FALSE(toolBar->isFloating());
    EXPECT_TRUE(toolBar->isVisible());
    EXPECT_EQ(frame->toolBarArea(toolBar), Qt::BottomToolBarArea);
    EXPECT_EQ(toolBar->geometry().bottom(), frame->height() - 1);
    EXPECT_LE(std::abs(RowMiddleTwice() - frame->width()), 2);
    // The banner came along, still over the blank buttons.
    EXPECT_EQ(frame->Banner()->parentWidget(), toolBar);
    EXPECT_EQ(frame->Banner()->geometry(), BlankButtons().adjusted(0, 2, 0, -5));
}

TEST_F(MainFrameTest, ViewToolbarHidesAndShowsToolBarAndBanner)
{
    QAction* toggle = router.Action(ID_VIEW_TOOLBAR);
    router.UpdateCommandUI();
    EXPECT_TRUE(toggle->isEnabled());
    EXPECT_TRUE(toggle->isCheckable());
    EXPECT_TRUE(toggle->isChecked());
    ASSERT_TRUE(frame->Banner()->isVisible());
    const QRect bannerBefore = frame->Banner()->geometry();

    EXPECT_TRUE(router.Execute(ID_VIEW_TOOLBAR));
    Settle();
    EXPECT_FALSE(toolBar->isVisible());
    EXPECT_FALSE(frame->Banner()->isVisible());
    EXPECT_FALSE(toggle->isChecked());

    EXPECT_TRUE(router.Execute(ID_VIEW_TOOLBAR));
    Settle();
    EXPECT_TRUE(toolBar->isVisible());
    EXPECT_TRUE(frame->Banner()->isVisible());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(frame->Banner()->geometry(), bannerBefore);

    // The View menu's item is the same command.
    toggle->trigger();
    Settle();
    EXPECT_FALSE(toolBar->isVisible());
}

TEST_F(MainFrameTest, BannerLiesOverTheSixBlankButtons)
{
    CShockwaveFlash* banner = frame->Banner();
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->parentWidget(), toolBar);
    EXPECT_EQ(banner->objectName(), QStringLiteral("el_flash"));

    const QRect blank = BlankButtons();
    EXPECT_EQ(blank.width(), 342);
    EXPECT_EQ(banner->geometry(), QRect(blank.left(), blank.top() + 2, 342, 50));
    for (int id = ID_BLANK_FIRST; id <= ID_BLANK_LAST; ++id)
        EXPECT_TRUE(banner->geometry().intersects(toolBar->widgetForAction(router.Action(id))->geometry()));

    // Resizing moves the toolbar, and the banner with it.
    ResizeFrame(1500, 800);
    EXPECT_EQ(banner->geometry(), BlankButtons().adjusted(0, 2, 0, -5));
    const QRect onFrame(banner->mapTo(frame.get(), QPoint(0, 0)), banner->size());
    const QRect blankOnFrame(toolBar->mapTo(frame.get(), BlankButtons().topLeft()), BlankButtons().size());
    EXPECT_EQ(onFrame.left(), blankOnFrame.left());
    EXPECT_EQ(onFrame.right(), blankOnFrame.right());

    // In a frame too narrow for all the buttons the blank ones go to the
    // toolbar's overflow menu, and the banner cannot lie over them; it is
    // back over them once they fit again.
    ResizeFrame(700, 500);
    EXPECT_FALSE(banner->isVisible());
    ResizeFrame(1300, 700);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->geometry(), BlankButtons().adjusted(0, 2, 0, -5));

    // Whatever stands before them, the banner keeps to the last six items.
    QAction extra(QStringLiteral("Extra"));
    toolBar->insertAction(toolBar->actions().first(), &extra);
    Settle();
    const int extraWidth = toolBar->widgetForAction(&extra)->width();
    ASSERT_GT(extraWidth, 0);
    const QRect shifted = BlankButtons();
    EXPECT_EQ(shifted.left(), blank.left() + extraWidth);
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->geometry(), QRect(shifted.left(), shifted.top() + 2, 342, 50));
    EXPECT_LE(std::abs(RowMiddleTwice() - frame->width()), 2);
    toolBar->removeAction(&extra);
}

}  // namespace
