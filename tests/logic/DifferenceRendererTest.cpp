#include "ChannelRenderer.h"
#include "DifferenceRenderer.h"
#include "HandMadeFrame.h"
#include "LookRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QRgb At(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xff000000u;
}

QImage Difference(const HandMadeFrame& a, const HandMadeFrame& b, const ChannelView& view, int gain = 1,
                  const Look& look = Look(), const channelrenderer::ChannelRanges& ranges = {})
{
    DifferenceRenderer renderer;
    return renderer.Render(a.Frame(), b.Frame(), view, look, ranges, gain);
}

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kBlack = 0xff000000u;

}  // namespace

TEST(DifferenceRenderer, ColourOfIntegerFilesIsTheWordDifferenceTimesTheGainInTheLook)
{
    HandMadeFrame a(3, 2), b(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            a.SetColour(x, y, 65535, 257 * 100, 257 * 150, 257 * 30);
            b.SetColour(x, y, 65535, 257 * 100, 257 * 150, 257 * 30);
        }
    // Two bytes more red, a hundred less green; the alpha differs too, which
    // the colour leaves out.
    b.SetColour(1, 0, 0, 257 * 102, 257 * 50, 257 * 30);

    const QImage one = Difference(a, b, ChannelView::Colour());
    ASSERT_EQ(one.size(), QSize(3, 2));
    EXPECT_EQ(At(one, 1, 0), qRgb(2, 100, 0));
    EXPECT_EQ(At(one, 0, 0), kBlack);
    EXPECT_EQ(At(one, 2, 1), kBlack);
    EXPECT_EQ(At(Difference(a, b, ChannelView::Colour(), 10), 1, 0), qRgb(20, 255, 0));
    EXPECT_EQ(At(Difference(a, b, ChannelView::Colour(), 100), 1, 0), qRgb(200, 255, 0));

    // The look draws the difference as it draws a colour of those values:
    // through the sRGB curve, and over the checkerboard as plain colour.
    Look srgb;
    srgb.transform = DisplayTransform::Srgb();
    EXPECT_EQ(At(Difference(a, b, ChannelView::Colour(), 1, srgb), 1, 0),
              qRgb(lookrenderer::SrgbByte(2 * 257 / 65535.0), lookrenderer::SrgbByte(100 * 257 / 65535.0), 0));
    Look checker;
    checker.component = Look::Component::OverChecker;
    EXPECT_EQ(At(Difference(a, b, ChannelView::Colour(), 1, checker), 0, 0), kBlack);

    // The alpha view shows the alpha's difference.
    EXPECT_EQ(At(Difference(a, b, ChannelView::Alpha()), 1, 0), kWhite);
    EXPECT_EQ(At(Difference(a, b, ChannelView::Alpha()), 0, 0), kBlack);

    EXPECT_EQ(DifferenceRenderer::NextGain(1), 10);
    EXPECT_EQ(DifferenceRenderer::NextGain(10), 100);
    EXPECT_EQ(DifferenceRenderer::NextGain(100), 1);
}

TEST(DifferenceRenderer, FloatColourDiffersByItsFloatsAndANaNAgainstANumberWithoutBound)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    HandMadeFrame a(4, 1), b(4, 1);
    a.SetFloats(0, 0, 1.5f, 0.1f, 0.0f, 1);
    b.SetFloats(0, 0, 1.25f, 0.1f, 0.0f, 1);  // overbright values differ by a quarter
    a.SetFloats(1, 0, nan, nan, 0.5f, 1);
    b.SetFloats(1, 0, 0.5f, nan, 0.5f, 1);    // NaN against a number; two NaNs
    a.SetFloats(2, 0, 0, 0, 0, 1);
    b.SetFloats(2, 0, 0, 0, 3.0f, 1);
    a.SetFloats(3, 0, 0.5f, 0.5f, 0.5f, 1);
    b.SetFloats(3, 0, 0.5f, 0.5f, 0.5f, 1);

    const QImage image = Difference(a, b, ChannelView::Colour());
    EXPECT_EQ(At(image, 0, 0), qRgb(lookrenderer::StoredByte(0.25), 0, 0));
    EXPECT_EQ(At(image, 1, 0), qRgb(255, 0, 0));
    EXPECT_EQ(At(image, 2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(At(image, 3, 0), kBlack);
    EXPECT_EQ(At(Difference(a, b, ChannelView::Colour(), 10), 0, 0), qRgb(255, 0, 0));

    // An integer file against a float file: the word as a fraction.
    HandMadeFrame words(1, 1), floats(1, 1);
    words.SetColour(0, 0, 65535, 65535, 0, 0);
    floats.SetFloats(0, 0, 1.0f, 0.5f, 0, 1);
    EXPECT_EQ(At(Difference(words, floats, ChannelView::Colour()), 0, 0), qRgb(0, lookrenderer::StoredByte(0.5), 0));
}

TEST(DifferenceRenderer, DepthIsGreyToTheLargestDifferenceWhereBothHaveASurface)
{
    const float back = 1.0e30f;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float as[] = {10, 10, 10, back, back, 10, -back};
    const float bs[] = {10, 12, 14, 5, back, nan, std::numeric_limits<float>::infinity()};
    HandMadeFrame a(7, 1), b(7, 1);
    for (int x = 0; x < 7; ++x) {
        a.Set(kChannelZ, x, 0, as[x]);
        b.Set(kChannelZ, x, 0, bs[x]);
    }
    const ChannelView z = ChannelView::Channel(kChannelZ);
    const QImage image = Difference(a, b, z);
    EXPECT_EQ(At(image, 0, 0), kBlack);
    EXPECT_EQ(At(image, 1, 0), qRgb(128, 128, 128));  // 2 of the largest 4
    EXPECT_EQ(At(image, 2, 0), kWhite);
    EXPECT_EQ(At(image, 3, 0), kWhite);  // background in A only
    EXPECT_EQ(At(image, 4, 0), kBlack);  // background in both
    EXPECT_EQ(At(image, 5, 0), kWhite);  // NaN is background
    EXPECT_EQ(At(image, 6, 0), kBlack);  // both background, of any kind
    EXPECT_EQ(At(Difference(a, b, z, 10), 1, 0), kWhite);

    // Equal depths: nothing to scale by, and all black.
    EXPECT_EQ(At(Difference(a, a, z), 1, 0), kBlack);
}

TEST(DifferenceRenderer, IdsAreWhiteWhereTheyDifferAndVectorsAndBytesByComponent)
{
    HandMadeFrame a(3, 1), b(3, 1);
    a.Set(kChannelI, 0, 0, std::uint16_t(7));
    b.Set(kChannelI, 0, 0, std::uint16_t(7));
    a.Set(kChannelI, 1, 0, std::uint16_t(7));
    b.Set(kChannelI, 1, 0, std::uint16_t(8));
    a.Set(kChannelI, 2, 0, std::uint16_t(0x0100));
    b.Set(kChannelI, 2, 0, std::uint16_t(0x0001));  // differs in the high byte only
    const QImage ids = Difference(a, b, ChannelView::Channel(kChannelI), 100);
    EXPECT_EQ(At(ids, 0, 0), kBlack);
    EXPECT_EQ(At(ids, 1, 0), kWhite);
    EXPECT_EQ(At(ids, 2, 0), kWhite);

    // Velocity over the length shown at full brightness, 2 here.
    a.SetVector(kChannelV, 0, 0, 1, 1);
    b.SetVector(kChannelV, 0, 0, -1, 2);
    channelrenderer::ChannelRanges ranges;
    ranges.largestVelocity = 2;
    ranges.velocityPercentile = 2;
    const QImage velocity = Difference(a, b, ChannelView::Channel(kChannelV), 1, Look(), ranges);
    EXPECT_EQ(At(velocity, 0, 0), qRgb(255, 128, 0));
    EXPECT_EQ(At(velocity, 1, 0), kBlack);

    // Coverage bytes, times the gain.
    a.Set(kChannelC, 0, 0, std::uint8_t(200));
    b.Set(kChannelC, 0, 0, std::uint8_t(197));
    EXPECT_EQ(At(Difference(a, b, ChannelView::Channel(kChannelC), 10), 0, 0), qRgb(30, 30, 30));

    // A view B lacks draws nothing.
    EXPECT_TRUE(Difference(a, b, ChannelView::Channel(kChannelZ)).isNull());
}

TEST(DifferenceRenderer, RendersOfOtherSizesAreComparedOverTheirCommonTopLeftArea)
{
    HandMadeFrame a(4, 3), b(2, 5);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            a.SetColour(x, y, 65535, 257 * 10, 0, 0);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 2; ++x)
            b.SetColour(x, y, 65535, 0, 0, 0);
    for (const ChannelView& view : {ChannelView::Colour(), ChannelView::Alpha()}) {
        const QImage image = Difference(a, b, view);
        ASSERT_EQ(image.size(), QSize(4, 3));
        EXPECT_EQ(At(image, 3, 0), channelrenderer::kViewBackground);
        EXPECT_EQ(At(image, 2, 2), channelrenderer::kViewBackground);
        EXPECT_EQ(At(image, 1, 2), view.kind() == ChannelView::Kind::Colour ? qRgb(10, 0, 0) : kBlack);
    }
}
