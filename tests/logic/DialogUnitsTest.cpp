#include "DialogUnits.h"

#include <gtest/gtest.h>

using dialogunits::BaseUnits;
using dialogunits::FromMeasurements;
using dialogunits::MulDiv;
using dialogunits::ToPixels;

TEST(DialogUnits, MulDivRoundsHalfAwayFromZero)
{
    EXPECT_EQ(MulDiv(5, 6, 4), 8);    // 7.5
    EXPECT_EQ(MulDiv(-5, 6, 4), -8);  // -7.5
    EXPECT_EQ(MulDiv(1, 1, 4), 0);    // 0.25
    EXPECT_EQ(MulDiv(3, 1, 4), 1);    // 0.75
    EXPECT_EQ(MulDiv(153, 13, 8), 249);
    EXPECT_EQ(MulDiv(5, 6, -4), -8);
    // The product is taken in 64 bits.
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST(DialogUnits, BaseUnitsAreTheRoundedAverageLetterWidthAndTheFontHeight)
{
    // 52 letters: 312 pixels average exactly 6.
    EXPECT_EQ(FromMeasurements(312, 13).cx, 6);
    EXPECT_EQ(FromMeasurements(312, 13).cy, 13);
    EXPECT_EQ(FromMeasurements(337, 13).cx, 6);  // 6.48
    EXPECT_EQ(FromMeasurements(338, 13).cx, 7);  // 6.5
    EXPECT_EQ(FromMeasurements(363, 16).cx, 7);  // 6.98
}

TEST(DialogUnits, RectanglesConvertEdgeByEdge)
{
    const BaseUnits units{6, 13};
    // A unit is a quarter of the average width and an eighth of the height.
    EXPECT_EQ(ToPixels(QSize(283, 153), units), QSize(425, 249));
    // Edges at 226 and 276 across, 132 and 146 down.
    EXPECT_EQ(ToPixels(QRect(226, 132, 50, 14), units), QRect(339, 215, 75, 22));

    // Converting edges rather than sizes keeps shared edges shared: three
    // one-unit cells side by side cover exactly the converted whole.
    const QRect a = ToPixels(QRect(1, 1, 1, 1), units);
    const QRect b = ToPixels(QRect(2, 1, 1, 1), units);
    const QRect c = ToPixels(QRect(3, 1, 1, 1), units);
    EXPECT_EQ(a.right() + 1, b.left());
    EXPECT_EQ(b.right() + 1, c.left());
    EXPECT_EQ(c.right() + 1 - a.left(), ToPixels(QRect(1, 1, 3, 1), units).width());
    EXPECT_NE(a.width(), b.width());  // 1.5-pixel units alternate 2 and 1
}
