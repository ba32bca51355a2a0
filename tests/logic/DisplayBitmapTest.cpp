#include "DisplayBitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

using displaybitmap::ToByte;

TEST(DisplayBitmap, SixteenBitValuesTruncateToBytes)
{
    EXPECT_EQ(ToByte(65535), 255);
    EXPECT_EQ(ToByte(65534), 254);
    EXPECT_EQ(ToByte(32768), 127);
    EXPECT_EQ(ToByte(257), 1);
    EXPECT_EQ(ToByte(256), 0);
    EXPECT_EQ(ToByte(0), 0);
    // 257 sixteen-bit steps make one byte step, and a byte is reached only
    // at the first value that makes it whole: never rounded up.
    for (int b = 1; b <= 255; ++b) {
        ASSERT_EQ(ToByte(std::uint16_t(b * 257)), b) << b;
        ASSERT_EQ(ToByte(std::uint16_t(b * 257 - 1)), b - 1) << b;
    }
}

TEST(DisplayBitmap, PixelsBecomeBgraBytesRowsTopDown)
{
    // Two rows: the top row first in the loader's buffer and in the bitmap.
    const std::vector<std::uint16_t> argb = {65535, 65535, 0, 32768, /* */ 0, 257, 514, 771,
                                             1000, 2000, 3000, 4000, /* */ 0, 0, 0, 65535};
    QImage bitmap = displaybitmap::Build(argb.data(), 2, 2);
    ASSERT_EQ(bitmap.format(), QImage::Format_ARGB32);
    const uchar* bytes = bitmap.constScanLine(0);
    EXPECT_EQ(bytes[0], 127);  // B
    EXPECT_EQ(bytes[1], 0);    // G
    EXPECT_EQ(bytes[2], 255);  // R
    EXPECT_EQ(bytes[3], 255);  // A
    EXPECT_EQ(bitmap.pixel(1, 0), qRgba(1, 2, 3, 0));
    EXPECT_EQ(bitmap.pixel(0, 1), qRgba(7, 11, 15, 3));
    EXPECT_EQ(bitmap.pixel(1, 1), qRgba(0, 0, 255, 0));
}

TEST(DisplayBitmap, TransparentPixelsKeepTheirColourWhenDrawn)
{
    const std::vector<std::uint16_t> argb = {0, 65535, 32768, 0};
    QImage bitmap = displaybitmap::Build(argb.data(), 1, 1);
    EXPECT_EQ(qAlpha(bitmap.pixel(0, 0)), 0);
    QImage opaque = displaybitmap::OpaqueView(bitmap);
    EXPECT_EQ(opaque.pixel(0, 0), qRgb(255, 127, 0));
    // The view shares the bitmap's pixels rather than copying them.
    EXPECT_EQ(opaque.constBits(), bitmap.constBits());
    // The copy for printing holds opaque alpha bytes, not just a format that
    // says so.
    const QImage copy = displaybitmap::OpaqueCopy(bitmap);
    EXPECT_NE(copy.constBits(), bitmap.constBits());
    EXPECT_EQ(*reinterpret_cast<const std::uint32_t*>(copy.constScanLine(0)), 0xFFFF7F00u);
}

TEST(DisplayBitmap, EmptyPictureIsRefused)
{
    const std::uint16_t none[4] = {};
    try {
        displaybitmap::Build(none, 0, 5);
        FAIL() << "no error";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "rpf_bmp.CreateBitmap()");
    }
}
