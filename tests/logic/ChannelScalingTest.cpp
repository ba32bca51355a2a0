// Depth ranges and vector scales: percentiles by nearest rank worked by
// hand, the curves, typed ranges, and the command-line spellings.
#include "ChannelRenderer.h"
#include "HandMadeFrame.h"
#include "NearestRank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

using channelrenderer::MeasureRanges;
using channelrenderer::Render;

namespace {

constexpr QRgb kBackground = qRgb(64, 64, 64);
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

QRgb Grey(int level) { return qRgb(level, level, level); }

ChannelView Depth(DepthRangeMode mode, bool invert = false, bool logarithmic = false)
{
    ChannelScaling scaling;
    scaling.depth.mode = mode;
    scaling.depth.invert = invert;
    scaling.depth.logarithmic = logarithmic;
    return ChannelView::Channel(kChannelZ).WithScaling(scaling);
}

ChannelView TypedDepth(double nearDepth, double farDepth, bool logarithmic = false)
{
    ChannelScaling scaling;
    scaling.depth.mode = DepthRangeMode::Typed;
    scaling.depth.nearDepth = nearDepth;
    scaling.depth.farDepth = farDepth;
    scaling.depth.logarithmic = logarithmic;
    return ChannelView::Channel(kChannelZ).WithScaling(scaling);
}

// 200 depths -9.5, -9, ..., 90 (v / 2 - 10 for v = 1..200) in a scrambled
// order, then 20 background pixels of every kind: by nearest rank the 1st
// percentile is the 2nd depth (-9) and the 99th the 198th (89); counting the
// background would move both.
HandMadeFrame DepthsWithBackground()
{
    HandMadeFrame made(20, 11);
    for (int i = 0; i < 200; ++i) {
        const int v = (i * 37) % 200 + 1;
        made.Set(kChannelZ, i % 20, i / 20, float(v) / 2 - 10);
    }
    const float background[] = {1.0e30f, -1.0e30f, kNaN, kInfinity, -kInfinity};
    for (int x = 0; x < 20; ++x)
        made.Set(kChannelZ, x, 10, background[x % 5] * (x >= 5 && x % 5 < 2 ? 3.0f : 1.0f));
    return made;
}

}  // namespace

TEST(DepthRanges, AutoRunsFromTheFirstToTheNinetyNinthPercentileOfTheSurfacesAndClamps)
{
    const HandMadeFrame made = DepthsWithBackground();
    const FrameChannels frame = made.Frame();
    const channelrenderer::ChannelRanges ranges = MeasureRanges(frame);
    ASSERT_TRUE(ranges.depthPercentiles.any);
    EXPECT_EQ(ranges.depthPercentiles.nearest, -9.0f);
    EXPECT_EQ(ranges.depthPercentiles.farthest, 89.0f);
    EXPECT_EQ(ranges.depth.nearest, -9.5f);
    EXPECT_EQ(ranges.depth.farthest, 90.0f);

    // Where each depth lies in the frame.
    const auto at = [&](float z) {
        for (int i = 0; i < 200; ++i) {
            const int v = (i * 37) % 200 + 1;
            if (float(v) / 2 - 10 == z)
                return QPoint(i % 20, i / 20);
        }
        return QPoint(-1, -1);
    };
    const QImage autoView = Render(frame, Depth(DepthRangeMode::Auto));
    EXPECT_EQ(autoView.pixelColor(at(-9.5f)).rgb(), Grey(0)) << "below the range: clamped";
    EXPECT_EQ(autoView.pixelColor(at(-9.0f)).rgb(), Grey(0));
    EXPECT_EQ(autoView.pixelColor(at(40.0f)).rgb(), Grey(128));  // 49 / 98 of the way
    EXPECT_EQ(autoView.pixelColor(at(89.0f)).rgb(), Grey(255));
    EXPECT_EQ(autoView.pixelColor(at(90.0f)).rgb(), Grey(255)) << "above the range: clamped";
    for (int x = 0; x < 20; ++x)
        EXPECT_EQ(autoView.pixel(x, 10), kBackground) << x;

    // Full is the frame's nearest to farthest, as before: 49.5 / 99.5.
    EXPECT_EQ(Render(frame, Depth(DepthRangeMode::Full)).pixelColor(at(40.0f)).rgb(), Grey(127));
    EXPECT_EQ(Render(frame, Depth(DepthRangeMode::Full)), Render(frame, ChannelView::Channel(kChannelZ)));

    // Inverted: near white, far black, the background still grey.
    const QImage inverted = Render(frame, Depth(DepthRangeMode::Auto, true));
    EXPECT_EQ(inverted.pixelColor(at(-9.5f)).rgb(), Grey(255));
    EXPECT_EQ(inverted.pixelColor(at(40.0f)).rgb(), Grey(127));
    EXPECT_EQ(inverted.pixelColor(at(90.0f)).rgb(), Grey(0));
    EXPECT_EQ(inverted.pixel(0, 10), kBackground);
}

TEST(DepthRanges, PercentilesOfOneDepthOrNoneAndOfManyStretches)
{
    HandMadeFrame one(3, 1);
    one.Set(kChannelZ, 0, 0, 7.0f);
    one.Set(kChannelZ, 1, 0, kNaN);
    one.Set(kChannelZ, 2, 0, 2.0e30f);
    const channelrenderer::ChannelRanges single = MeasureRanges(one.Frame());
    ASSERT_TRUE(single.depthPercentiles.any);
    EXPECT_EQ(single.depthPercentiles.nearest, 7.0f);
    EXPECT_EQ(single.depthPercentiles.farthest, 7.0f);
    const QImage singleView = Render(one.Frame(), Depth(DepthRangeMode::Auto));
    EXPECT_EQ(singleView.pixel(0, 0), Grey(255));
    EXPECT_EQ(singleView.pixel(1, 0), kBackground);

    HandMadeFrame none(2, 1);
    none.Set(kChannelZ, 0, 0, -kInfinity);
    none.Set(kChannelZ, 1, 0, 1.0e30f);
    EXPECT_FALSE(MeasureRanges(none.Frame()).depthPercentiles.any);
    for (const DepthRangeMode mode : {DepthRangeMode::Auto, DepthRangeMode::Full}) {
        const QImage view = Render(none.Frame(), Depth(mode, true, true));
        EXPECT_EQ(view.pixel(0, 0), kBackground);
        EXPECT_EQ(view.pixel(1, 0), kBackground);
    }

    // A frame large enough to be counted in several stretches, with values
    // that share their upper bits and repeat, against a sorted copy.
    const int width = 1024, height = 600;
    HandMadeFrame large(width, height);
    std::mt19937 random(21);
    std::vector<float> finite;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t r = random();
            float z = r % 50 == 0 ? kNaN : r % 7 == 0 ? float(r % 13) : 1.0f + float(r % 100000) * 1.0e-7f;
            if (r % 3 == 0 && z == z)
                z = -z * 1000;
            large.Set(kChannelZ, x, y, z);
            if (z == z)
                finite.push_back(z);
        }
    }
    std::sort(finite.begin(), finite.end());
    const channelrenderer::ChannelRanges measured = MeasureRanges(large.Frame());
    EXPECT_EQ(measured.depthPercentiles.nearest, finite[nearestrank::RankOf(1, finite.size()) - 1]);
    EXPECT_EQ(measured.depthPercentiles.farthest, finite[nearestrank::RankOf(99, finite.size()) - 1]);
    EXPECT_EQ(nearestrank::RankOf(1, 200), 2u);
    EXPECT_EQ(nearestrank::RankOf(99, 200), 198u);
    EXPECT_EQ(nearestrank::RankOf(1, 1), 1u);
}

TEST(DepthRanges, LogarithmicAndTypedRanges)
{
    HandMadeFrame made(5, 1);
    made.Set(kChannelZ, 0, 0, 1.0f);
    made.Set(kChannelZ, 1, 0, 10.0f);
    made.Set(kChannelZ, 2, 0, 100.0f);
    made.Set(kChannelZ, 3, 0, 2.5f);
    made.Set(kChannelZ, 4, 0, kNaN);
    const FrameChannels frame = made.Frame();

    // ln(z / 1) / ln(100 / 1).
    const QImage logView = Render(frame, Depth(DepthRangeMode::Full, false, true));
    EXPECT_EQ(logView.pixel(0, 0), Grey(0));
    EXPECT_EQ(logView.pixel(3, 0), Grey(51));  // 255 * 0.19897 + 0.5
    EXPECT_EQ(logView.pixel(2, 0), Grey(255));
    EXPECT_EQ(logView.pixel(4, 0), kBackground);
    const QImage logInverted = Render(frame, Depth(DepthRangeMode::Full, true, true));
    EXPECT_EQ(logInverted.pixel(3, 0), Grey(204));

    // Typed 0..10: linear, clamped past either end.
    const QImage typed = Render(frame, TypedDepth(0, 10));
    EXPECT_EQ(typed.pixel(0, 0), Grey(26));  // 25.5 + 0.5
    EXPECT_EQ(typed.pixel(1, 0), Grey(255));
    EXPECT_EQ(typed.pixel(2, 0), Grey(255));
    EXPECT_EQ(typed.pixel(3, 0), Grey(64));  // 63.75 + 0.5
    const QImage below = Render(frame, TypedDepth(-100, -50));
    EXPECT_EQ(below.pixel(0, 0), Grey(255));

    // A logarithmic range from zero is shifted to start at a thousandth of
    // its span: ln(z + 1) / ln(1001).
    const QImage fromZero = Render(frame, TypedDepth(0, 1000, true));
    EXPECT_EQ(fromZero.pixel(0, 0), Grey(26));   // 255 * 0.10033 + 0.5
    EXPECT_EQ(fromZero.pixel(3, 0), Grey(46));   // 255 * 0.18133 + 0.5
    EXPECT_EQ(fromZero.pixel(2, 0), Grey(170));  // 255 * 0.66801 + 0.5
}

TEST(VectorScales, AutoIsTheNinetyNinthPercentileOfTheMovingLengths)
{
    for (const int bit : {int(kChannelV), int(kChannelU)}) {
        // Lengths 1..100 along the first component, among 400 still pixels
        // and NaNs: the 99th percentile of the moving ones is 99.
        HandMadeFrame made(50, 10);
        for (int i = 0; i < 100; ++i)
            made.SetVector(bit, i % 50, i / 50, float(i + 1), 0.0f);
        made.SetVector(bit, 0, 9, kNaN, kNaN);
        const FrameChannels frame = made.Frame();
        const channelrenderer::ChannelRanges ranges = MeasureRanges(frame);
        const float percentile = bit == kChannelV ? ranges.velocityPercentile : ranges.uvPercentile;
        EXPECT_EQ(percentile, 99.0f) << bit;

        ChannelScaling scaling;
        VectorScaling& scale = bit == kChannelV ? scaling.velocity : scaling.uv;
        scale.mode = VectorScaleMode::Auto;
        const QImage autoView = Render(frame, ChannelView::Channel(bit).WithScaling(scaling));
        EXPECT_EQ(autoView.pixel(48, 1), qRgb(255, 0, 0)) << "length 99: full";
        EXPECT_EQ(autoView.pixel(49, 1), qRgb(255, 0, 0)) << "length 100: clamped";
        EXPECT_EQ(autoView.pixel(0, 9), qRgb(0, 0, 0));

        scale.mode = VectorScaleMode::Largest;  // today's rule: 99 / 100
        EXPECT_EQ(Render(frame, ChannelView::Channel(bit).WithScaling(scaling)).pixel(48, 1), qRgb(252, 0, 0));
        scale.mode = VectorScaleMode::Typed;
        scale.typedLength = 200;
        EXPECT_EQ(Render(frame, ChannelView::Channel(bit).WithScaling(scaling)).pixel(49, 1), qRgb(128, 0, 0));
        scale.typedLength = 1.0e-300;  // beyond the floats: still pixels stay black
        const QImage tiny = Render(frame, ChannelView::Channel(bit).WithScaling(scaling));
        EXPECT_EQ(tiny.pixel(0, 0), qRgb(255, 0, 0));
        EXPECT_EQ(tiny.pixel(10, 5), qRgb(0, 0, 0));
    }

    HandMadeFrame still(4, 1);  // nothing moves: black at any scale
    still.Add(kChannelV);
    EXPECT_EQ(MeasureRanges(still.Frame()).velocityPercentile, 0.0f);
    EXPECT_EQ(Render(still.Frame(), ChannelView::Channel(kChannelV).WithScaling(ChannelScaling::Window())).pixel(0, 0),
              qRgb(0, 0, 0));
}

TEST(ChannelScaling, ViewsDrawAlikeOnlyWithTheSameScalingOfTheirChannel)
{
    ChannelScaling logDepth;
    logDepth.depth.logarithmic = true;
    ChannelScaling typedVelocity;
    typedVelocity.velocity.mode = VectorScaleMode::Typed;
    const ChannelView z = ChannelView::Channel(kChannelZ);
    EXPECT_EQ(z, z.WithScaling(logDepth)) << "the same item of the menu";
    EXPECT_FALSE(z.DrawsAs(z.WithScaling(logDepth)));
    EXPECT_TRUE(z.DrawsAs(z.WithScaling(typedVelocity)));
    const ChannelView v = ChannelView::Channel(kChannelV);
    EXPECT_FALSE(v.DrawsAs(v.WithScaling(typedVelocity)));
    EXPECT_TRUE(v.DrawsAs(v.WithScaling(logDepth)));
    EXPECT_TRUE(ChannelView::Colour().DrawsAs(ChannelView::Colour().WithScaling(ChannelScaling::Window())));
}

TEST(ChannelScaling, CommandLineSpellings)
{
    DepthScaling depth;
    depth.invert = true;
    ASSERT_TRUE(channelscaling::ParseDepthRange("auto", depth));
    EXPECT_EQ(depth.mode, DepthRangeMode::Auto);
    EXPECT_TRUE(depth.invert) << "other choices stay";
    ASSERT_TRUE(channelscaling::ParseDepthRange("-5,1e3", depth));
    EXPECT_EQ(depth.mode, DepthRangeMode::Typed);
    EXPECT_EQ(depth.nearDepth, -5.0);
    EXPECT_EQ(depth.farDepth, 1000.0);
    ASSERT_TRUE(channelscaling::ParseDepthRange("full", depth));
    EXPECT_EQ(depth.mode, DepthRangeMode::Full);
    for (const char* wrong : {"", "Auto", "10,5", "5,5", "1,2,3", "nan,1", "1,inf", "0,2e30", " 1,2", "1,", ",2", "a,b"})
        EXPECT_FALSE(channelscaling::ParseDepthRange(wrong, depth)) << wrong;
    EXPECT_EQ(depth.mode, DepthRangeMode::Full);

    VectorScaling scale;
    ASSERT_TRUE(channelscaling::ParseVectorScale("2.5", scale));
    EXPECT_EQ(scale.mode, VectorScaleMode::Typed);
    EXPECT_EQ(scale.typedLength, 2.5);
    ASSERT_TRUE(channelscaling::ParseVectorScale("auto", scale));
    EXPECT_EQ(scale.mode, VectorScaleMode::Auto);
    ASSERT_TRUE(channelscaling::ParseVectorScale("largest", scale));
    EXPECT_EQ(scale.mode, VectorScaleMode::Largest);
    for (const char* wrong : {"", "0", "-1", "inf", "nan", "1e999", "2x"})
        EXPECT_FALSE(channelscaling::ParseVectorScale(wrong, scale)) << wrong;
}
