#include "ChannelRenderer.h"
#include "DisplayBitmap.h"
#include "HandMadeFrame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

using channelrenderer::Render;

namespace {

constexpr QRgb kBackground = qRgb(64, 64, 64);
constexpr QRgb kOtherBackground = qRgb(10, 20, 30);

QRgb Grey(int level) { return qRgb(level, level, level); }

ChannelView View(int bit) { return ChannelView::Channel(bit); }

}  // namespace

TEST(ChannelRenderer, ColourIsTheDisplayBitmapAndAlphaItsGrey)
{
    HandMadeFrame made(3, 2);
    made.SetColour(0, 0, 65535, 65535, 0, 0);
    made.SetColour(1, 0, 32896, 257, 514, 771);
    made.SetColour(2, 1, 256, 65534, 1, 40000);
    const FrameChannels frame = made.Frame();

    const QImage colour = Render(frame, ChannelView::Colour());
    const QImage bitmap = displaybitmap::Build(frame.argb16, 3, 2);
    ASSERT_EQ(colour.format(), QImage::Format_ARGB32);
    EXPECT_EQ(colour, bitmap);

    const QImage alpha = Render(frame, ChannelView::Alpha());
    ASSERT_EQ(alpha.format(), QImage::Format_ARGB32);
    EXPECT_EQ(alpha.pixel(0, 0), Grey(255));
    EXPECT_EQ(alpha.pixel(1, 0), Grey(128));  // 32896 / 257
    EXPECT_EQ(alpha.pixel(2, 1), Grey(0));    // 256 / 257 truncates
    EXPECT_EQ(alpha.pixel(0, 1), Grey(0));

    made.SetHasAlpha(false);
    EXPECT_TRUE(Render(made.Frame(), ChannelView::Alpha()).isNull());
    EXPECT_TRUE(Render(made.Frame(), View(kChannelZ)).isNull());  // the frame has no Z
    FrameChannels withoutColour = made.Frame();
    withoutColour.argb16 = nullptr;
    EXPECT_TRUE(Render(withoutColour, ChannelView::Colour()).isNull());
}

TEST(ChannelRenderer, DepthIsGreyBetweenNearestAndFarthestWithTheBackgroundLeftOut)
{
    HandMadeFrame made(4, 2);
    made.Set(kChannelZ, 0, 0, 2.0f);   // nearest: black
    made.Set(kChannelZ, 1, 0, 5.0f);   // floor(255 * 3 / 8 + 0.5) = 96
    made.Set(kChannelZ, 2, 0, 10.0f);  // farthest: white
    made.Set(kChannelZ, 3, 0, 3.0f);   // floor(255 / 8 + 0.5) = 32
    made.Set(kChannelZ, 0, 1, 1.0e30f);
    made.Set(kChannelZ, 1, 1, -1.0e30f);
    made.Set(kChannelZ, 2, 1, std::numeric_limits<float>::quiet_NaN());
    made.Set(kChannelZ, 3, 1, -std::numeric_limits<float>::infinity());

    const QImage view = Render(made.Frame(), View(kChannelZ), kOtherBackground);
    EXPECT_EQ(view.pixel(0, 0), Grey(0));
    EXPECT_EQ(view.pixel(1, 0), Grey(96));
    EXPECT_EQ(view.pixel(2, 0), Grey(255));
    EXPECT_EQ(view.pixel(3, 0), Grey(32));
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(view.pixel(x, 1), kOtherBackground) << x;
    // The default background is the window's grey.
    EXPECT_EQ(Render(made.Frame(), View(kChannelZ)).pixel(0, 1), kBackground);
}

TEST(ChannelRenderer, DepthWithoutARangeIsWhiteOrBackground)
{
    HandMadeFrame one(1, 1);
    one.Set(kChannelZ, 0, 0, -7.5f);
    EXPECT_EQ(Render(one.Frame(), View(kChannelZ)).pixel(0, 0), Grey(255));

    HandMadeFrame flat(2, 2);  // every finite pixel at the same depth
    flat.Set(kChannelZ, 0, 0, 4.0f);
    flat.Set(kChannelZ, 1, 0, 4.0f);
    flat.Set(kChannelZ, 0, 1, 4.0f);
    flat.Set(kChannelZ, 1, 1, 2.0e30f);
    const QImage flatView = Render(flat.Frame(), View(kChannelZ));
    EXPECT_EQ(flatView.pixel(0, 0), Grey(255));
    EXPECT_EQ(flatView.pixel(0, 1), Grey(255));
    EXPECT_EQ(flatView.pixel(1, 1), kBackground);

    HandMadeFrame empty(2, 1);  // nothing but background
    empty.Set(kChannelZ, 0, 0, 1.0e30f);
    empty.Set(kChannelZ, 1, 0, std::numeric_limits<float>::quiet_NaN());
    const QImage emptyView = Render(empty.Frame(), View(kChannelZ));
    EXPECT_EQ(emptyView.pixel(0, 0), kBackground);
    EXPECT_EQ(emptyView.pixel(1, 0), kBackground);
}

TEST(ChannelRenderer, IdsGetAStableColourEachAndZeroIsBlack)
{
    for (const int bit : {int(kChannelI), int(kChannelO), int(kChannelM)}) {
        HandMadeFrame made(8, 2);
        for (int x = 0; x < 8; ++x) {
            made.Set(bit, x, 0, std::uint16_t(x));
            made.Set(bit, x, 1, std::uint16_t(7 - x));
        }
        const QImage view = Render(made.Frame(), View(bit));
        EXPECT_EQ(view.pixel(0, 0), qRgb(0, 0, 0)) << bit;
        std::set<QRgb> colours;
        for (int x = 1; x < 8; ++x) {
            const QRgb colour = view.pixel(x, 0);
            colours.insert(colour);
            EXPECT_NE(colour, qRgb(0, 0, 0));
            EXPECT_NE(colour, kBackground);
            EXPECT_EQ(view.pixel(7 - x, 1), colour) << "same ID, other pixel";
        }
        EXPECT_EQ(colours.size(), 7u) << "neighbouring IDs get distinct colours";

        // Another frame, with the IDs elsewhere: the same colours.
        HandMadeFrame other(1, 1);
        other.Set(bit, 0, 0, std::uint16_t(5));
        EXPECT_EQ(Render(other.Frame(), View(bit)).pixel(0, 0), view.pixel(5, 0));
    }
    // The node IDs of every view share one colour per value.
    HandMadeFrame both(1, 1);
    both.Set(kChannelI, 0, 0, std::uint16_t(300));
    both.Set(kChannelO, 0, 0, std::uint16_t(300));
    EXPECT_EQ(Render(both.Frame(), View(kChannelI)).pixel(0, 0), Render(both.Frame(), View(kChannelO)).pixel(0, 0));
}

TEST(ChannelRenderer, VectorsHueFromDirectionBrightnessFromLength)
{
    for (const int bit : {int(kChannelV), int(kChannelU)}) {
        HandMadeFrame made(4, 2);
        made.SetVector(bit, 0, 0, 2.0f, 0.0f);   // first component positive: red
        made.SetVector(bit, 1, 0, 0.0f, 2.0f);   // second positive: hue 90
        made.SetVector(bit, 2, 0, -2.0f, 0.0f);  // first negative: cyan
        made.SetVector(bit, 3, 0, 0.0f, -2.0f);  // second negative: hue 270
        made.SetVector(bit, 0, 1, 1.0f, 0.0f);   // half the largest length
        made.SetVector(bit, 1, 1, 0.0f, 0.0f);
        made.SetVector(bit, 2, 1, std::numeric_limits<float>::quiet_NaN(), 0.0f);
        made.SetVector(bit, 3, 1, 0.0f, std::numeric_limits<float>::quiet_NaN());

        const QImage view = Render(made.Frame(), View(bit));
        EXPECT_EQ(view.pixel(0, 0), qRgb(255, 0, 0)) << bit;
        const QRgb up = view.pixel(1, 0);  // between yellow and green
        EXPECT_EQ(qGreen(up), 255);
        EXPECT_NEAR(qRed(up), 128, 1);
        EXPECT_EQ(qBlue(up), 0);
        EXPECT_EQ(view.pixel(2, 0), qRgb(0, 255, 255));
        const QRgb down = view.pixel(3, 0);  // between blue and magenta
        EXPECT_EQ(qBlue(down), 255);
        EXPECT_NEAR(qRed(down), 128, 1);
        EXPECT_EQ(qGreen(down), 0);
        EXPECT_NEAR(qRed(view.pixel(0, 1)), 128, 1);
        EXPECT_EQ(qGreen(view.pixel(0, 1)), 0);
        EXPECT_EQ(view.pixel(1, 1), qRgb(0, 0, 0));
        EXPECT_EQ(view.pixel(2, 1), qRgb(0, 0, 0)) << "NaN reads as zero";
        EXPECT_EQ(view.pixel(3, 1), qRgb(0, 0, 0));
    }

    HandMadeFrame still(2, 1);  // no motion anywhere
    still.Add(kChannelV);
    const QImage view = Render(still.Frame(), View(kChannelV));
    EXPECT_EQ(view.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(view.pixel(1, 0), qRgb(0, 0, 0));

    // Long still stretches around one moving pixel, and negative zeros.
    HandMadeFrame mostlyStill(300, 2);
    mostlyStill.SetVector(kChannelV, 5, 0, -0.0f, -0.0f);
    mostlyStill.SetVector(kChannelV, 170, 1, 0.0f, -3.0f);
    const QImage mostly = Render(mostlyStill.Frame(), View(kChannelV));
    EXPECT_EQ(mostly.pixel(170, 1), qRgb(128, 0, 255));
    EXPECT_EQ(mostly.pixel(5, 0), qRgb(0, 0, 0));
    int black = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 300; ++x)
            black += mostly.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_EQ(black, 599);

    HandMadeFrame diagonal(1, 1);  // the hue between red and yellow-green
    diagonal.SetVector(kChannelV, 0, 0, 1.0f, 1.0f);
    const QRgb d = Render(diagonal.Frame(), View(kChannelV)).pixel(0, 0);
    EXPECT_EQ(qRed(d), 255);
    EXPECT_NEAR(qGreen(d), 191, 1);  // hue 45: three quarters of the way to yellow
}

TEST(ChannelRenderer, RangesMeasuredOnceServeEverySwitch)
{
    HandMadeFrame made(3, 1);
    made.Set(kChannelZ, 0, 0, 4.0f);
    made.Set(kChannelZ, 1, 0, -2.0f);
    made.Set(kChannelZ, 2, 0, 3.0e30f);
    made.SetVector(kChannelV, 0, 0, 3.0f, 4.0f);
    made.SetVector(kChannelV, 1, 0, 1.0f, 0.0f);
    made.SetVector(kChannelU, 2, 0, 0.0f, 0.5f);
    const FrameChannels frame = made.Frame();
    const channelrenderer::ChannelRanges ranges = channelrenderer::MeasureRanges(frame);
    EXPECT_TRUE(ranges.depth.any);
    EXPECT_EQ(ranges.depth.nearest, -2.0f);
    EXPECT_EQ(ranges.depth.farthest, 4.0f);
    EXPECT_EQ(ranges.largestVelocity, 5.0f);
    EXPECT_EQ(ranges.largestUv, 0.5f);
    for (const int bit : {int(kChannelZ), int(kChannelV), int(kChannelU)})
        EXPECT_EQ(Render(frame, View(bit), ranges), Render(frame, View(bit))) << bit;

    // Ranges of another frame scale this one by that frame's measure.
    channelrenderer::ChannelRanges wider = ranges;
    wider.largestVelocity = 10.0f;
    // Half bright at hue 53.13: green at 127.5 * (1 - (4 - 3.8855)).
    const QRgb halfBright = Render(frame, View(kChannelV), wider).pixel(0, 0);
    EXPECT_EQ(qRed(halfBright), 128);
    EXPECT_NEAR(qGreen(halfBright), 113, 1);
    EXPECT_EQ(qBlue(halfBright), 0);
}

TEST(ChannelRenderer, OtherChannelsShowTheirBytes)
{
    HandMadeFrame made(2, 1);
    made.Set(kChannelE, 0, 0, std::uint8_t(200));
    made.SetFileBytes(kChannelB, 0, 0, {10, 20, 30});
    made.SetFileBytes(kChannelN, 0, 0, {40, 50, 60, 255});
    made.SetFileBytes(kChannelR, 0, 0, {1, 2, 3, 4});
    made.Set(kChannelC, 0, 0, std::uint8_t(77));
    const FrameChannels frame = made.Frame();

    EXPECT_EQ(Render(frame, View(kChannelE)).pixel(0, 0), Grey(200));
    EXPECT_EQ(Render(frame, View(kChannelC)).pixel(0, 0), Grey(77));
    EXPECT_EQ(Render(frame, View(kChannelB)).pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(Render(frame, View(kChannelN)).pixel(0, 0), qRgb(40, 50, 60));
    EXPECT_EQ(Render(frame, View(kChannelR)).pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(Render(frame, View(kChannelB)).pixel(1, 0), qRgb(0, 0, 0));
    // Every view but the colour one is opaque.
    for (const int bit : {int(kChannelE), int(kChannelB), int(kChannelN), int(kChannelC)})
        EXPECT_EQ(qAlpha(Render(frame, View(bit)).pixel(1, 0)), 255) << bit;
}

TEST(ChannelView, LettersNameViews)
{
    ChannelView view;
    ASSERT_TRUE(ChannelView::FromLetter('z', view));
    EXPECT_EQ(view, ChannelView::Channel(kChannelZ));
    ASSERT_TRUE(ChannelView::FromLetter('A', view));
    EXPECT_EQ(view, ChannelView::Alpha());
    ASSERT_TRUE(ChannelView::FromLetter('M', view));
    EXPECT_EQ(view.Letter(), 'M');
    EXPECT_FALSE(ChannelView::FromLetter('X', view));
    EXPECT_FALSE(ChannelView::FromLetter('D', view));  // the names block is no view
    EXPECT_FALSE(ChannelView::FromLetter('\0', view));
}
