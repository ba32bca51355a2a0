#include "ZoomGeometry.h"

#include "PictureScaler.h"

#include <gtest/gtest.h>

#include <cstdlib>

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

TEST(ZoomGeometry, BigPicturesFitPastTheTenthStep)
{
    // 3840 x 2160 in 1600 x 700: the width is seen whole from k = 12
    // (1600 on screen), the height from k = 16 (675).
    EXPECT_EQ(FitZoom(3840, 2160, 1600, 700, true), 12);
    EXPECT_EQ(FitZoom(3840, 2160, 1600, 700, false), 16);
    // Exactly as wide as the window at k = 16 is seen whole: no k = 17.
    EXPECT_EQ(FitZoom(4000, 100, 1250, 700, true), 16);
    EXPECT_EQ(FitZoom(4000, 100, 1249, 700, true), 17);
    // Exactly the window's size at 50 % stays at the last ordinary step.
    EXPECT_EQ(FitZoom(2000, 1400, 1000, 700, false), 10);
    EXPECT_EQ(FitZoom(2000, 1401, 1000, 700, false), 11);
    // Whatever k a search gives, the picture is seen whole there and not one
    // step before.
    for (const QSize client : {QSize(1600, 900), QSize(951, 268), QSize(333, 2000)}) {
        for (const QSize picture : {QSize(3840, 2160), QSize(8192, 4320), QSize(30000, 100)}) {
            for (const bool widthOnly : {false, true}) {
                const int k = FitZoom(picture.width(), picture.height(), client.width(), client.height(), widthOnly);
                ASSERT_GT(k, zoom::kMostOut);
                EXPECT_TRUE(zoom::SeenWholeAt(k, picture.width(), picture.height(), client.width(), client.height(),
                                              widthOnly));
                EXPECT_FALSE(zoom::SeenWholeAt(k - 1, picture.width(), picture.height(), client.width(),
                                               client.height(), widthOnly));
            }
        }
    }
}

TEST(ZoomGeometry, ZoomOutGoesPastTheTenthStepOnlyForBigPictures)
{
    using zoom::ZoomOutStep;
    // The ten steps as ever, whatever the picture.
    EXPECT_EQ(ZoomOutStep(5, 100, 100, 800, 600), 6);
    EXPECT_EQ(ZoomOutStep(9, 3840, 2160, 1600, 900), 10);
    // A picture seen whole at the last step beeps there, including one that
    // fills the window exactly.
    EXPECT_EQ(ZoomOutStep(10, 100, 100, 800, 600), 0);
    EXPECT_EQ(ZoomOutStep(10, 2000, 1400, 1000, 700), 0);
    // A big one goes on until it is seen whole, and no further.
    EXPECT_EQ(ZoomOutStep(10, 3840, 2160, 1600, 900), 11);
    EXPECT_EQ(ZoomOutStep(11, 3840, 2160, 1600, 900), 12);
    EXPECT_EQ(ZoomOutStep(12, 3840, 2160, 1600, 900), 0);
}

TEST(ZoomGeometry, AbsurdSizesBoundTheSearches)
{
    // A window without room sees nothing whole: the searches stop at once.
    EXPECT_EQ(FitZoom(3840, 2160, 0, 0, false), zoom::kMostOut);
    // A picture one pixel high but two billion wide stops at the bound.
    const int bound = zoom::MostOutFor(2000000000, 1);
    EXPECT_GT(bound, 100000);
    EXPECT_EQ(FitZoom(2000000000, 1, 100, 100, true), bound);
    EXPECT_EQ(zoom::ZoomOutStep(bound, 2000000000, 1, 100, 100), 0);
    // Small pictures never zoom out past the ten steps.
    EXPECT_EQ(zoom::MostOutFor(1, 1), zoom::kMostOut);
    EXPECT_EQ(zoom::ZoomOutStep(10, 1, 1, 0, 0), 0);
}

TEST(ZoomGeometry, ScaleAndScrollAtDivisorsPastTen)
{
    ZoomGeometry g;
    g.m_zoom = 16;
    g.Compute(3840, 2160, 1600, 700);
    EXPECT_DOUBLE_EQ(g.m_displayWidth, 1200);
    EXPECT_DOUBLE_EQ(g.m_displayHeight, 675);
    // 400 free screen pixels are 200 a side, 640 picture pixels at 5/16.
    EXPECT_DOUBLE_EQ(g.m_marginX, 640);
    EXPECT_DOUBLE_EQ(g.m_marginY, 40);
}

TEST(ZoomGeometry, ZoomingAboutAPointKeepsThePixelUnderIt)
{
    // Every pair of divisors, pointers and scroll positions across a few
    // pictures' worth of pixels, with and without a margin after the change.
    for (int from = 1; from <= 14; ++from) {
        for (int to = 1; to <= 14; ++to) {
            for (int margin : {0, 7}) {
                for (int pointer = 0; pointer < 40; pointer += 3) {
                    for (int scroll = 0; scroll < 400; scroll += 13) {
                        const double picture = zoom::PictureCoordinate(pointer, scroll, from, 0);
                        const int kept = zoom::PositionKeeping(picture, pointer, to, margin);
                        const int was = picturescaler::SourceIndex(pointer + scroll, from, 0);
                        const int now = picturescaler::SourceIndex(pointer + kept, to, margin);
                        // Up to real size a screen pixel shows one picture
                        // pixel at most, so the same one can stay; past it the
                        // nearest does, off by what a screen pixel spans.
                        if (to <= zoom::kScaleNumerator)
                            ASSERT_EQ(now, was) << from << "->" << to << " at " << pointer << "+" << scroll;
                        else
                            ASSERT_LE(std::abs(now - was), 1 + to / 10) << from << "->" << to;
                    }
                }
            }
        }
    }
}
