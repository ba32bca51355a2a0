// The figures of two renders, on small files whose differences are worked out
// by hand: written with the project's writer, read back with the reader.
#include "TempDir.h"

#include "ImageComparison.h"
#include "RLA.h"
#include "RpfWriter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using testsupport::TempDir;
using Kind = ChannelFigures::Kind;
using Presence = ChannelFigures::Presence;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

rpfgen::RpfImage Blank(int width, int height, int bits, const std::string& producer = "rpfgen")
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.colourBits = bits;
    image.producer = producer;
    const std::size_t pixels = std::size_t(width) * std::size_t(height);
    image.red.assign(pixels, 0);
    image.green.assign(pixels, 0);
    image.blue.assign(pixels, 0);
    return image;
}

// A channel's elements, all set to `element`.
template <typename T>
std::vector<std::uint8_t> Elements(const rpfgen::RpfImage& image, T element)
{
    std::vector<std::uint8_t> bytes(std::size_t(image.width) * std::size_t(image.height) * sizeof(T));
    for (std::size_t i = 0; i < bytes.size(); i += sizeof(T))
        std::memcpy(bytes.data() + i, &element, sizeof(T));
    return bytes;
}

template <typename T>
void SetElement(std::vector<std::uint8_t>& bytes, std::size_t pixel, T element)
{
    std::memcpy(bytes.data() + pixel * sizeof(T), &element, sizeof(T));
}

class Loaded {
public:
    Loaded(const TempDir& dir, const std::string& name, const rpfgen::RpfImage& image)
    {
        const std::string path = dir.File(name);
        EXPECT_TRUE(rpfgen::WriteRpf(path, image));
        rla_.Leer(path.c_str(), true);
    }
    const RLA& operator*() const { return rla_; }

private:
    RLA rla_;
};

TEST(Comparison, IdenticalFilesHaveNoDifferenceInAnyChannel)
{
    TempDir dir;
    rpfgen::RpfImage image = Blank(5, 4, 16, "rpfgen (ZIV)");
    image.alpha = true;
    image.matteBits = 16;
    image.alphaValues.assign(20, 40000);
    for (std::size_t i = 0; i < 20; ++i) {
        image.red[i] = double(i * 3000);
        image.green[i] = 65535 - double(i);
    }
    image.gbuffer[kChannelZ] = Elements(image, 12.5f);
    image.gbuffer[kChannelI] = Elements(image, std::uint16_t(7));
    const Loaded a(dir, "a.rpf", image);
    const Loaded b(dir, "b.rpf", image);

    const ImageComparison comparison = CompareImages(*a, *b);
    EXPECT_FALSE(comparison.SizesDiffer());
    ASSERT_EQ(comparison.channels.size(), 5u);  // colour, alpha, Z, I, V
    const char* names[] = {"colour", "alpha", "Z", "I", "V"};
    for (std::size_t i = 0; i < comparison.channels.size(); ++i) {
        const ChannelFigures& figures = comparison.channels[i];
        SCOPED_TRACE(figures.name);
        EXPECT_EQ(figures.name, names[i]);
        EXPECT_TRUE(figures.Identical());
        EXPECT_EQ(figures.pixels, 20u);
        EXPECT_EQ(figures.failing, 0u);
        EXPECT_EQ(figures.maxX, -1);
        EXPECT_EQ(figures.rmsDifference, 0.0);
    }
    EXPECT_TRUE(std::isinf(comparison.channels[0].psnr) && comparison.channels[0].psnr > 0);
    EXPECT_TRUE(std::isnan(comparison.channels[2].psnr));
    EXPECT_EQ(comparison.Status({}), CompareStatus::Same);
}

// One pixel of an 8-bit picture off: red by 51 (0.2), green by 26. The file
// stores rows bottom-up; the figures give the place from the top.
TEST(Comparison, OnePixelOffIsFoundWithItsFiguresAndJudgedByTheThresholds)
{
    TempDir dir;
    rpfgen::RpfImage image = Blank(4, 3, 8);
    for (std::size_t i = 0; i < 12; ++i)
        image.red[i] = image.green[i] = image.blue[i] = 100;
    const Loaded a(dir, "a.rpf", image);
    image.red[1 * 4 + 2] = 151;
    image.green[1 * 4 + 2] = 74;
    const Loaded b(dir, "b.rpf", image);

    const ChannelFigures colour = CompareChannel(*a, *b, Kind::Colour);
    EXPECT_EQ(colour.differing, 1u);
    EXPECT_EQ(colour.failing, 1u);
    EXPECT_NEAR(colour.maxDifference, 0.2, 1e-12);
    EXPECT_EQ(colour.maxX, 2);
    EXPECT_EQ(colour.maxY, 1);
    EXPECT_EQ(colour.maxComponent, 0);
    const double green = 26.0 / 255.0;
    EXPECT_NEAR(colour.meanDifference, (0.2 + green) / 36.0, 1e-12);
    const double rms = std::sqrt((0.04 + green * green) / 36.0);
    EXPECT_NEAR(colour.rmsDifference, rms, 1e-12);
    EXPECT_NEAR(colour.psnr, 20.0 * std::log10(1.0 / rms), 1e-9);
    EXPECT_EQ(colour.Status({}), CompareStatus::Failure);

    // Over the warning threshold but not the failure one: the same.
    const ChannelFigures between = CompareChannel(*a, *b, Kind::Colour, -1, {0.25, 0.15, 0});
    EXPECT_EQ(between.warning, 1u);
    EXPECT_EQ(between.failing, 0u);
    EXPECT_EQ(between.Status({0.25, 0.15, 0}), CompareStatus::Same);
    // Failing, but 1 pixel of 12 (8.3 %) is within 10 % and not within 5 %.
    const ChannelFigures failing = CompareChannel(*a, *b, Kind::Colour, -1, {0.15, 0.1, 10});
    EXPECT_EQ(failing.failing, 1u);
    EXPECT_EQ(failing.Status({0.15, 0.1, 10}), CompareStatus::Warning);
    EXPECT_EQ(failing.Status({0.15, 0.1, 5}), CompareStatus::Failure);
    // Strictly more than the threshold fails: the largest difference is not
    // over itself.
    const double largest = colour.maxDifference;
    const ChannelFigures atLargest = CompareChannel(*a, *b, Kind::Colour, -1, {largest, largest, 0});
    EXPECT_EQ(atLargest.failing, 0u);
    EXPECT_EQ(atLargest.warning, 0u);
    EXPECT_EQ(atLargest.differing, 1u);
}

// Background depths (magnitude 1e30 or more, NaN, infinities) are all alike;
// against a depth they fail and stay out of the sums.
TEST(Comparison, DepthBackgroundIsMatchedByKindNotByValue)
{
    TempDir dir;
    rpfgen::RpfImage image = Blank(3, 2, 8, "rpfgen (Z)");
    std::vector<std::uint8_t> depthsA = Elements(image, 10.0f);
    std::vector<std::uint8_t> depthsB = depthsA;
    SetElement(depthsA, 0, 1e30f);  // background on both sides: equal
    SetElement(depthsB, 0, kNaN);
    SetElement(depthsA, 1, -kInfinity);
    SetElement(depthsB, 1, 2e31f);
    SetElement(depthsA, 2, 5.0f);  // a depth against background
    SetElement(depthsB, 2, kInfinity);
    SetElement(depthsA, 4, 3.0f);  // (1, 1): 0.5 apart
    SetElement(depthsB, 4, 3.5f);
    SetElement(depthsA, 5, kNaN);  // NaN against a depth
    image.gbuffer[kChannelZ] = depthsA;
    const Loaded a(dir, "a.rpf", image);
    image.gbuffer[kChannelZ] = depthsB;
    const Loaded b(dir, "b.rpf", image);

    const ChannelFigures z = CompareChannel(*a, *b, Kind::Render, kChannelZ, {1.0, 1.0, 0});
    EXPECT_EQ(z.name, "Z");
    EXPECT_EQ(z.differing, 3u);
    EXPECT_EQ(z.unmatched, 2u);
    EXPECT_EQ(z.unmatchedX, 2);
    EXPECT_EQ(z.unmatchedY, 0);
    EXPECT_EQ(z.failing, 2u);  // the unmatched ones; 0.5 is within 1.0
    EXPECT_EQ(z.warning, 2u);
    EXPECT_DOUBLE_EQ(z.maxDifference, 0.5);
    EXPECT_EQ(z.maxX, 1);
    EXPECT_EQ(z.maxY, 1);
    // Pixels 3 and 4 hold depths on both sides.
    EXPECT_DOUBLE_EQ(z.meanDifference, 0.25);
    EXPECT_DOUBLE_EQ(z.rmsDifference, std::sqrt(0.125));
}

TEST(Comparison, IdsFailWhereverTheyDifferAndOtherChannelsPerComponent)
{
    TempDir dir;
    rpfgen::RpfImage image = Blank(4, 2, 8, "rpfgen (ICV)");
    std::vector<std::uint8_t> ids = Elements(image, std::uint16_t(3));
    std::vector<std::uint8_t> velocity = Elements(image, std::uint64_t(0));
    image.gbuffer[kChannelI] = ids;
    image.gbuffer[kChannelV] = velocity;
    const Loaded a(dir, "a.rpf", image);
    SetElement(ids, 1, std::uint16_t(4));
    SetElement(ids, 6, std::uint16_t(300));
    image.gbuffer[kChannelI] = ids;
    // The file's first float is the element's second half: x right 0.75 at
    // (3, 0), y 0.25 at (0, 1).
    const float right[2] = {0.0f, 0.75f};
    const float down[2] = {0.25f, 0.0f};
    std::memcpy(velocity.data() + 8 * 3, right, 8);
    std::memcpy(velocity.data() + 8 * 4, down, 8);
    image.gbuffer[kChannelV] = velocity;
    image.producer = "rpfgen (IV)";
    const Loaded b(dir, "b.rpf", image);

    const CompareThresholds loose{10.0, 10.0, 0};
    const ImageComparison comparison = CompareImages(*a, *b, loose);
    const ChannelFigures* id = comparison.Find(Kind::Render, kChannelI);
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(id->failing, 2u);  // whatever the threshold
    EXPECT_EQ(id->maxDifference, 1.0);
    EXPECT_EQ(id->maxX, 1);
    EXPECT_EQ(id->maxY, 0);
    EXPECT_DOUBLE_EQ(id->meanDifference, 2.0 / 8.0);

    const ChannelFigures* vel = comparison.Find(Kind::Render, kChannelV);
    ASSERT_NE(vel, nullptr);
    EXPECT_EQ(vel->components, 2);
    EXPECT_EQ(vel->differing, 2u);
    EXPECT_EQ(vel->failing, 0u);
    EXPECT_DOUBLE_EQ(vel->maxDifference, 0.75);
    EXPECT_EQ(vel->maxComponent, 0);
    EXPECT_EQ(vel->maxX, 3);
    EXPECT_DOUBLE_EQ(vel->meanDifference, 1.0 / 16.0);

    // Coverage is in A only: a failure naming it, whatever the thresholds.
    const ChannelFigures* coverage = comparison.Find(Kind::Render, kChannelC);
    ASSERT_NE(coverage, nullptr);
    EXPECT_EQ(coverage->presence, Presence::OnlyInA);
    EXPECT_EQ(coverage->name, "C");
    EXPECT_EQ(coverage->Status(loose), CompareStatus::Failure);
    EXPECT_EQ(comparison.Find(Kind::Render, kChannelZ), nullptr);
    EXPECT_EQ(comparison.Find(Kind::Alpha), nullptr);
    EXPECT_EQ(comparison.Status(loose), CompareStatus::Failure);
}

// Float colour as stored: overbright values compare as they are, NaN matches
// only NaN; PSNR stays defined on 0-1 and goes below zero.
TEST(Comparison, FloatColourComparesTheStoredFloats)
{
    TempDir dir;
    rpfgen::RpfImage image = Blank(2, 2, 32);
    image.red = {40.0, 0.5, kNaN, 0.25};
    image.green = {1.0, -2.0, 0.0, kNaN};
    const Loaded a(dir, "a.rpf", image);
    image.red = {1.5, 0.5, kNaN, 0.25};
    image.green = {1.0, -2.0, 0.0, 0.0};
    const Loaded b(dir, "b.rpf", image);

    const ChannelFigures colour = CompareChannel(*a, *b, Kind::Colour, -1, {40.0, 1.0, 0});
    EXPECT_DOUBLE_EQ(colour.maxDifference, 38.5);
    EXPECT_EQ(colour.maxX, 0);
    EXPECT_EQ(colour.differing, 2u);
    EXPECT_EQ(colour.unmatched, 1u);  // NaN against 0 at (1, 1)
    EXPECT_EQ(colour.unmatchedX, 1);
    EXPECT_EQ(colour.unmatchedY, 1);
    EXPECT_EQ(colour.failing, 1u);
    EXPECT_EQ(colour.warning, 2u);
    // 10 components are numbers on both sides (the NaN pair is equal, and
    // counts for nothing).
    const double rms = std::sqrt(38.5 * 38.5 / 10.0);
    EXPECT_NEAR(colour.rmsDifference, rms, 1e-12);
    EXPECT_NEAR(colour.psnr, 20.0 * std::log10(1.0 / rms), 1e-9);
    EXPECT_LT(colour.psnr, 0.0);
}

// Different sizes: the common top-left area, each picture read with its own
// row length.
TEST(Comparison, DifferentSizesCompareTheCommonTopLeftArea)
{
    TempDir dir;
    rpfgen::RpfImage small = Blank(3, 3, 16);
    const Loaded a(dir, "a.rpf", small);
    rpfgen::RpfImage wide = Blank(5, 2, 16);
    wide.blue[1 * 5 + 2] = 65535;  // (2, 1): inside the common area
    wide.blue[0 * 5 + 4] = 65535;  // (4, 0): outside it
    const Loaded b(dir, "b.rpf", wide);

    const ImageComparison comparison = CompareImages(*a, *b);
    EXPECT_TRUE(comparison.SizesDiffer());
    EXPECT_EQ(comparison.width, 3);
    EXPECT_EQ(comparison.height, 2);
    const ChannelFigures& colour = comparison.channels.at(0);
    EXPECT_EQ(colour.pixels, 6u);
    EXPECT_EQ(colour.differing, 1u);
    EXPECT_EQ(colour.maxX, 2);
    EXPECT_EQ(colour.maxY, 1);
    EXPECT_EQ(colour.maxComponent, 2);
    EXPECT_EQ(colour.maxDifference, 1.0);
    EXPECT_EQ(comparison.Status({}), CompareStatus::SizesDiffer);
}

}  // namespace
