#include "PrintGeometry.h"

#include <gtest/gtest.h>

using printgeometry::Compute;

TEST(PrintGeometry, PictureAndBorderFillThePrintableArea)
{
    // s = min(4800 / 1200, 6600 / 700) = 4.
    printgeometry::PageGeometry page = Compute(1000, 500, 100, 100, 4800, 6600);
    EXPECT_DOUBLE_EQ(page.scale, 4.0);
    EXPECT_EQ(page.picture, QRect(400, 400, 4000, 2000));

    // The height limits a tall frame: s = min(4800 / 1200, 6600 / 2200) = 3.
    page = Compute(1000, 2000, 100, 100, 4800, 6600);
    EXPECT_DOUBLE_EQ(page.scale, 3.0);
    EXPECT_EQ(page.picture, QRect(300, 300, 3000, 6000));

    // Without offsets the picture fills the printable width or height exactly.
    page = Compute(1000, 500, 0, 0, 4800, 6600);
    EXPECT_EQ(page.picture, QRect(0, 0, 4800, 2400));
    page = Compute(300, 1000, 0, 0, 4800, 6600);
    EXPECT_EQ(page.picture, QRect(0, 0, 1980, 6600));
    page = Compute(333, 777, 0, 0, 5000, 7000);
    EXPECT_EQ(page.picture.top(), 0);
    EXPECT_EQ(page.picture.bottom() + 1, 7000);

    // Unequal offsets and a scale that is not whole (7000 / 795, about
    // 8.805): edges are rounded one by one, the border is the offsets
    // scaled on the near sides (61.6 and 79.2 pixels), and the frame,
    // picture plus border on both sides, fills the limiting height.
    page = Compute(333, 777, 7, 9, 5000, 7000);
    EXPECT_NEAR(page.scale, 8.805, 0.001);
    EXPECT_EQ(page.picture, QRect(QPoint(62, 79), QPoint(2993, 6920)));
    EXPECT_NEAR(page.picture.bottom() + 1 + 9 * page.scale, 7000, 1);

    // Nothing to place.
    EXPECT_TRUE(Compute(0, 0, 100, 100, 4800, 6600).picture.isEmpty());
    EXPECT_TRUE(Compute(0, 500, 0, 0, 4800, 6600).picture.isEmpty());
    EXPECT_TRUE(Compute(10, 10, 0, 0, 0, 6600).picture.isEmpty());
}
