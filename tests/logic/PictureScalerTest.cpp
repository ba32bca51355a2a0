#include "PictureScaler.h"

#include <gtest/gtest.h>

using picturescaler::Draw;
using picturescaler::SourceIndex;

namespace {

QImage Numbered(int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgba(x, y, 7, (x * 31) % 256));
    return picture;
}

QImage Canvas(int width, int height)
{
    QImage canvas(width, height, QImage::Format_RGB32);
    canvas.fill(qRgb(64, 64, 64));
    return canvas;
}

}  // namespace

TEST(PictureScaler, SourceIndexFollowsPixelCentres)
{
    for (int d = 0; d < 50; ++d)
        EXPECT_EQ(SourceIndex(d, 5, 0), d);
    // At 500 % five device pixels in a row show one picture pixel.
    for (int d : {0, 4})
        EXPECT_EQ(SourceIndex(d, 1, 0), 0) << d;
    for (int d : {5, 9})
        EXPECT_EQ(SourceIndex(d, 1, 0), 1) << d;
    EXPECT_EQ(SourceIndex(49, 1, 0), 9);
    // At 50 % the centre of device pixel d lies on picture pixel 2 d + 1.
    EXPECT_EQ(SourceIndex(0, 10, 0), 1);
    EXPECT_EQ(SourceIndex(3, 10, 0), 7);
    // Past the ten steps: at 5/16 the centre 0.5 lies on 1.6, 1.5 on 4.8, and
    // far into an 8K picture at 5/40 nothing overflows.
    EXPECT_EQ(SourceIndex(0, 16, 0), 1);
    EXPECT_EQ(SourceIndex(1, 16, 0), 4);
    EXPECT_EQ(SourceIndex(1000, 40, 0), 8004);
    // At 166.7 %: centres 0.5, 1.5, 2.5 map to 0.3, 0.9, 1.5.
    EXPECT_EQ(SourceIndex(0, 3, 0), 0);
    EXPECT_EQ(SourceIndex(1, 3, 0), 0);
    EXPECT_EQ(SourceIndex(2, 3, 0), 1);
    EXPECT_EQ(SourceIndex(10, 5, 4), 6);
    EXPECT_EQ(SourceIndex(-1, 5, 0), -1);
}

TEST(PictureScaler, MagnifiedPixelsAreHardFiveByFiveBlocks)
{
    const QImage picture = Numbered(4, 3);
    QImage canvas = Canvas(30, 20);
    Draw(picture, canvas, QPoint(0, 0), 1, QPoint(0, 0));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            const QRgb expected = x < 20 && y < 15 ? (picture.pixel(x / 5, y / 5) | 0xFF000000u) : qRgb(64, 64, 64);
            ASSERT_EQ(canvas.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST(PictureScaler, RealSizeAndHalfSize)
{
    const QImage picture = Numbered(8, 6);
    QImage canvas = Canvas(8, 6);
    Draw(picture, canvas, QPoint(0, 0), 5, QPoint(0, 0));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(canvas.pixel(x, y), picture.pixel(x, y) | 0xFF000000u);

    QImage half = Canvas(4, 3);
    Draw(picture, half, QPoint(0, 0), 10, QPoint(0, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            ASSERT_EQ(half.pixel(x, y), picture.pixel(2 * x + 1, 2 * y + 1) | 0xFF000000u);
}

TEST(PictureScaler, MarginsShiftAndScrollingOffsets)
{
    const QImage picture = Numbered(4, 4);
    QImage canvas = Canvas(10, 10);
    Draw(picture, canvas, QPoint(0, 0), 5, QPoint(3, 2));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(64, 64, 64));
    EXPECT_EQ(canvas.pixel(3, 2), picture.pixel(0, 0) | 0xFF000000u);
    EXPECT_EQ(canvas.pixel(6, 5), picture.pixel(3, 3) | 0xFF000000u);
    EXPECT_EQ(canvas.pixel(7, 5), qRgb(64, 64, 64));

    // The canvas starting further into the view shows the picture shifted.
    QImage scrolled = Canvas(10, 10);
    Draw(picture, scrolled, QPoint(2, 1), 5, QPoint(0, 0));
    EXPECT_EQ(scrolled.pixel(0, 0), picture.pixel(2, 1) | 0xFF000000u);
}

TEST(PictureScaler, APartEqualsTheSameRegionOfTheWhole)
{
    const QImage picture = Numbered(37, 23);
    for (int zoomStep = 1; zoomStep <= 10; ++zoomStep) {
        QImage whole = Canvas(120, 90);
        Draw(picture, whole, QPoint(5, 3), zoomStep, QPoint(2, 1));
        QImage part = Canvas(31, 17);
        Draw(picture, part, QPoint(5 + 41, 3 + 29), zoomStep, QPoint(2, 1));
        EXPECT_EQ(part, whole.copy(41, 29, 31, 17)) << "k = " << zoomStep;
    }
}
