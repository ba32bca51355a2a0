#include "ZoomGeometry.h"

#include <gtest/gtest.h>

using zoom::FitZoom;
using zoom::ZoomGeometry;

TEST(ZoomGeometry, ScaleIsFiveOverK)
{
    ZoomGeometry g;
    g.m_zoom = 1;
    g.Compute(100, 60, 2000, 2000);
    EXPECT_EQ(g.m_extViewportX, 500);
    EXPECT_EQ(g.m_extViewportY, 300);
    EXPECT_EQ(g.m_extWindowX, 100);
    EXPECT_EQ(g.m_extWindowY, 60);
    EXPECT_DOUBLE_EQ(g.m_displayWidth, 500);
    EXPECT_DOUBLE_EQ(g.m_displayHeight, 300);

    g.m_zoom = 3;
    g.Compute(100, 60, 10, 10);
    EXPECT_NEAR(g.m_displayWidth, 500.0 / 3, 1e-9);
    EXPECT_EQ(g.TotalSize(), QSize(167, 100));

    g.m_zoom = 10;
    g.Compute(2000, 1000, 10, 10);
    EXPECT_DOUBLE_EQ(g.m_displayWidth, 1000);
    EXPECT_EQ(g.TotalSize(), QSize(1000, 500));
}

TEST(ZoomGeometry, MarginsCentreASmallPictureInPicturePixels)
{
    ZoomGeometry g;
    g.m_zoom = 5;
    g.Compute(400, 300, 1000, 300);
    EXPECT_DOUBLE_EQ(g.m_marginX, 300);
    EXPECT_EQ(g.m_marginY, 0);  // exactly as high as the window: no margin
    // At 500 % the 500 x 500 picture leaves 150 and 50 screen pixels on
    // each side, which are 30 and 10 picture pixels.
    g.m_zoom = 1;
    g.Compute(100, 100, 800, 600);
    EXPECT_DOUBLE_EQ(g.m_marginX, 30);
    EXPECT_DOUBLE_EQ(g.m_marginY, 10);
    EXPECT_EQ(g.MarginLeft(), 30);
    EXPECT_EQ(g.MarginTop(), 10);
    // A margin that is not whole is rounded up where painting places it:
    // 101 free screen pixels at 500 % are 10.1 picture pixels a side.
    g.Compute(100, 100, 601, 600);
    EXPECT_EQ(g.MarginLeft(), 11);
    // A picture wider than the window has no horizontal margin.
    g.Compute(1000, 10, 800, 600);
    EXPECT_EQ(g.m_marginX, 0);
}

TEST(ZoomGeometry, PictureWithoutPixelsHasNoSizeOrMargins)
{
    ZoomGeometry g;
    g.m_zoom = 5;
    g.Compute(0, 480, 800, 600);
    EXPECT_EQ(g.m_displayWidth, 0);
    EXPECT_EQ(g.m_displayHeight, 0);
    EXPECT_EQ(g.m_marginX, 0);
    EXPECT_EQ(g.m_marginY, 0);
    EXPECT_EQ(g.TotalSize(), QSize(0, 0));
}

TEST(ZoomGeometry, FitSearchesUseStrictComparisons)
{
    // Small pictures magnify up to 500 %.
    EXPECT_EQ(FitZoom(100, 100, 800, 600, false), 1);
    EXPECT_EQ(FitZoom(100, 100, 800, 600, true), 1);
    // 2000 x 1000 in 1000 x 700: at k = 10 exactly as wide as the window,
    // which does not fit, so both searches end at the last step.
    EXPECT_EQ(FitZoom(2000, 1000, 1000, 700, false), 10);
    EXPECT_EQ(FitZoom(2000, 1000, 1000, 700, true), 10);
    EXPECT_EQ(FitZoom(1500, 500, 800, 600, false), 10);
    EXPECT_EQ(FitZoom(1500, 500, 800, 600, true), 10);
    // 400 wide in 400: equal at k = 5 does not count, k = 6 does.
    EXPECT_EQ(FitZoom(400, 10, 400, 1000, true), 6);
    EXPECT_EQ(FitZoom(400, 10, 401, 1000, true), 5);
    // Fit in window also needs the height; fit width ignores it.
    EXPECT_EQ(FitZoom(100, 400, 1000, 300, true), 1);
    EXPECT_EQ(FitZoom(100, 400, 1000, 300, false), 7);
}

TEST(ZoomGeometry, ScrollPositionRestore)
{
    EXPECT_EQ(zoom::RelativePosition(0, 0), 0);
    EXPECT_DOUBLE_EQ(zoom::RelativePosition(250, 1000), 25);
    // Unchanged size and position: stays put.
    EXPECT_EQ(zoom::RestoredPosition(1000, 25, 250), 250);
    // A fifth of the way into 2500 is 500; the bar, still at 200 after the
    // range changed, is taken as far past it again.
    EXPECT_EQ(zoom::RestoredPosition(2500, 20, 200), 800);
    // Half of 166.67 rounds up to 84 before that.
    EXPECT_EQ(zoom::RestoredPosition(166.67, 50, 40), 128);
}
