#include "BannerGeometry.h"

#include <gtest/gtest.h>

using namespace bannergeometry;

TEST(BannerGeometry, BannerCoversTheBlankButtonsFromTwoPixelsBelowTheirTop)
{
    // Six 57 x 57 buttons side by side, the first at x = 609.
    const QRect first(609, 0, 57, 57);
    const QRect last(609 + 5 * 57, 0, 57, 57);
    EXPECT_EQ(BannerRect(first, last), QRect(609, 2, 342, 50));

    // Only the two end buttons count: where they stand is where it goes.
    EXPECT_EQ(BannerRect(QRect(10, 7, 57, 57), QRect(300, 7, 57, 57)), QRect(10, 9, 347, 50));
    // The height is 50 whatever the buttons' height; the top follows the
    // last button.
    EXPECT_EQ(BannerRect(QRect(0, 0, 40, 30), QRect(200, 4, 40, 30)), QRect(0, 6, 240, 50));
}

TEST(BannerGeometry, ScaleModesFitAMovieToTheBanner)
{
    const QSize banner(342, 50);
    // Same shape: every mode but the natural size fills the banner exactly.
    EXPECT_EQ(MovieRect(kNoBorder, QSize(342, 50), banner), QRect(0, 0, 342, 50));
    EXPECT_EQ(MovieRect(kShowAll, QSize(171, 25), banner), QRect(0, 0, 342, 50));
    EXPECT_EQ(MovieRect(kNoScale, QSize(171, 25), banner), QRect(85, 12, 171, 25));

    // A square movie: no border fills the width and crops top and bottom
    // evenly; show all fits the height and leaves bands left and right.
    EXPECT_EQ(MovieRect(kNoBorder, QSize(100, 100), banner), QRect(0, -146, 342, 342));
    EXPECT_EQ(MovieRect(kShowAll, QSize(100, 100), banner), QRect(146, 0, 50, 50));
    // A movie wider than the banner: the other way round.
    EXPECT_EQ(MovieRect(kNoBorder, QSize(1000, 50), banner), QRect(-329, 0, 1000, 50));
    EXPECT_EQ(MovieRect(kShowAll, QSize(1000, 50), banner), QRect(0, 16, 342, 17));
    // Exact fit stretches whatever the shape.
    EXPECT_EQ(MovieRect(kExactFit, QSize(100, 100), banner), QRect(0, 0, 342, 50));
    // Rounding to the nearest pixel: 50 * 342 / 120 = 142.5.
    EXPECT_EQ(MovieRect(kNoBorder, QSize(120, 50), banner).height(), 143);

    EXPECT_TRUE(MovieRect(kNoBorder, QSize(0, 50), banner).isEmpty());
    EXPECT_TRUE(MovieRect(kShowAll, QSize(10, 10), QSize(0, 0)).isEmpty());
}
