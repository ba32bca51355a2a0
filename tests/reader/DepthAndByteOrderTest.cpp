// Colour and alpha of 9 to 15 bits scaled to the word range, and float
// colour in either byte order, decided from the values.
#include "ReaderTestSupport.h"

#include "FloatByteOrder.h"
#include "RowKernels.h"

#include <cstring>
#include <limits>

using namespace readertest;

namespace {

// A one-row file of the given values, written as 16-bit colour (and alpha)
// and then relabelled with the depths under test.
std::vector<std::uint8_t> TwoByteRow(const std::vector<double>& colour, const std::vector<double>& alpha,
                                     int colourBits, int matteBits)
{
    rpfgen::RpfImage image;
    image.width = int(colour.size());
    image.height = 1;
    image.colourBits = 16;
    image.matteBits = 16;
    image.alpha = !alpha.empty();
    image.red = colour;
    image.green = colour;
    image.blue = colour;
    image.alphaValues = alpha;
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    PutBigEndian16(bytes, rpfgen::offsets::kChanBits, colourBits);
    PutBigEndian16(bytes, rpfgen::offsets::kMatteBits, matteBits);
    return bytes;
}

unsigned Scaled(unsigned v, int bits)
{
    return unsigned(std::min<std::uint64_t>(std::uint64_t(v) * 65535u / ((1u << bits) - 1u), 65535u));
}

// A float image of one row, big-endian as our writer stores it, and the same
// file with every float record's values in little-endian order.
struct FloatFiles {
    std::vector<std::uint8_t> big;
    std::vector<std::uint8_t> little;
};

FloatFiles FloatRow(const std::vector<float>& values)
{
    rpfgen::RpfImage image;
    image.width = int(values.size());
    image.height = 1;
    image.colourBits = 32;
    image.red.assign(values.begin(), values.end());
    image.green.assign(values.begin(), values.end());
    image.blue.assign(values.begin(), values.end());
    FloatFiles files;
    files.big = rpfgen::EncodeRpf(image);
    files.little = files.big;
    // One row, no blocks: the three records follow the one-entry offset table.
    std::size_t at = rpfgen::offsets::kOffsetTable + 4;
    for (int record = 0; record < 3; ++record) {
        const std::size_t length = (std::size_t(files.little[at]) << 8) | files.little[at + 1];
        EXPECT_EQ(length, 4 * values.size());
        for (std::size_t k = 0; k < values.size(); ++k)
            std::reverse(files.little.begin() + long(at + 2 + 4 * k), files.little.begin() + long(at + 6 + 4 * k));
        at += 2 + length;
    }
    EXPECT_EQ(at, files.big.size());
    return files;
}

float FromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

TEST(ColourDepths, NineToFifteenBitsAreScaledToTheWordRange)
{
    TempDir dir;
    for (int bits : {9, 10, 12, 15}) {
        SCOPED_TRACE(bits);
        const unsigned max = (1u << bits) - 1u;
        // Values past the depth's range only come from damaged files; they stay white.
        const std::vector<double> colour = {0, 1, double(max / 2 + 1), double(max - 1), double(max), 65535};
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("deep.rpf", TwoByteRow(colour, {}, bits, 8))));
        EXPECT_EQ(rla.ColourDepth(), bits);
        for (std::size_t x = 0; x < colour.size(); ++x) {
            const unsigned word = std::min(Scaled(unsigned(colour[x]), bits), 65535u);
            EXPECT_EQ(PixelOf(rla, int(x), 0), (std::array<unsigned, 4>{0, word, word, word})) << colour[x];
        }
        EXPECT_EQ(PixelOf(rla, int(colour.size()) - 2, 0)[1], 65535u);  // the depth's own white
    }
}

TEST(ColourDepths, AlphaHasItsOwnDepthBesideColour)
{
    TempDir dir;
    const std::vector<double> values = {0, 300, 1023, 4095};
    // 10-bit alpha beside 16-bit colour: colour unscaled, alpha scaled.
    RLA mixed;
    ASSERT_TRUE(Loads(mixed, dir.Write("mixed.rpf", TwoByteRow(values, values, 16, 10))));
    EXPECT_EQ(mixed.MatteDepth(), 10);
    EXPECT_EQ(PixelOf(mixed, 1, 0), (std::array<unsigned, 4>{Scaled(300, 10), Word16(300), Word16(300), Word16(300)}));
    EXPECT_EQ(PixelOf(mixed, 2, 0)[0], 65535u);
    // 12-bit colour beside 16-bit alpha.
    RLA other;
    ASSERT_TRUE(Loads(other, dir.Write("other.rpf", TwoByteRow(values, values, 12, 16))));
    EXPECT_EQ(PixelOf(other, 3, 0), (std::array<unsigned, 4>{Word16(4095), 65535, 65535, 65535}));
    EXPECT_EQ(PixelOf(other, 1, 0)[0], Word16(300));
    EXPECT_EQ(PixelOf(other, 1, 0)[1], Scaled(300, 12));
}

TEST(FloatByteOrder, LittleEndianFilesReadAsTheSameValues)
{
    TempDir dir;
    // A spread of picture values, overbright and slightly negative ones too.
    std::vector<float> values;
    for (int k = 0; k < 300; ++k)
        values.push_back(-0.1f + float(k) * 0.0123f);
    const FloatFiles files = FloatRow(values);
    RLA big;
    RLA little;
    ASSERT_TRUE(Loads(big, dir.Write("big.rpf", files.big)));
    ASSERT_TRUE(Loads(little, dir.Write("little.rpf", files.little)));
    EXPECT_FALSE(big.floats_little_endian);
    EXPECT_TRUE(little.floats_little_endian);
    for (std::size_t x = 0; x < values.size(); ++x) {
        const unsigned word = rowkernels::ToWord(values[x]);
        ASSERT_EQ(PixelOf(big, int(x), 0), (std::array<unsigned, 4>{0, word, word, word})) << x;
        ASSERT_EQ(PixelOf(little, int(x), 0), PixelOf(big, int(x), 0)) << x;
    }
}

TEST(FloatByteOrder, ValuesThatPassBothWaysStayBigEndian)
{
    TempDir dir;
    // 0x3F12343E reads 0.571 big-endian and 0.176 little-endian: both are
    // picture values, so nothing speaks for turning the file round. A NaN
    // among them does not either.
    const float bothWays = FromBits(0x3F12343Eu);
    ASSERT_TRUE(FloatByteOrderVote::Plausible(FromBits(0x3E34123Fu)));
    const std::vector<float> values = {bothWays, bothWays, 0.0f, std::numeric_limits<float>::quiet_NaN(), bothWays};
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("both.rpf", FloatRow(values).big)));
    EXPECT_FALSE(rla.floats_little_endian);
    EXPECT_EQ(PixelOf(rla, 0, 0)[1], rowkernels::ToWord(bothWays));
    EXPECT_EQ(PixelOf(rla, 3, 0)[1], 0u);
}

TEST(FloatByteOrder, DecidedOverTheWholeImageWhenTheFirstRowsAreEmptyBackground)
{
    // As production renderers write them: little-endian floats, records in
    // image order from the top, the rows stored first empty background of
    // genuine tiny values and no coverage, the picture further in.
    TempDir dir;
    rpfgen::RpfImage image;
    image.width = 512;
    image.height = 48;
    image.colourBits = 32;
    image.alpha = true;
    image.floatsLittleEndian = true;
    image.order = rpfgen::RecordOrder::TopDown;
    const int backgroundRows = 36;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const bool picture = y >= backgroundRows;
            const double shade = double((x * 37 + y * 11) % 1000) / 997.0;
            image.red.push_back(picture ? shade * 1.7 : 1e-14 * (1.0 + double(x % 5) * 0.25));
            image.green.push_back(picture ? 0.25 + shade * 0.5 : 1e-14);
            image.blue.push_back(picture ? 1.0 - shade : 3e-15 * double(1 + x % 3));
            image.alphaValues.push_back(picture ? 1.0 : 0.0);
        }
    }
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("render.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_TRUE(rla.floats_little_endian);
    const float* floats = rla.ColourFloats();
    ASSERT_NE(floats, nullptr);
    for (int y : {0, backgroundRows - 1, backgroundRows, image.height - 1}) {
        for (int x : {0, 1, 255, 511}) {
            const std::size_t i = std::size_t(y) * std::size_t(image.width) + std::size_t(x);
            ASSERT_EQ(floats[i * 4 + 0], float(image.red[i])) << x << ", " << y;
            ASSERT_EQ(floats[i * 4 + 2], float(image.blue[i])) << x << ", " << y;
            ASSERT_EQ(PixelOf(rla, x, y)[1], rowkernels::ToWord(float(image.red[i]))) << x << ", " << y;
        }
    }

    // The same picture big-endian stays big-endian.
    image.floatsLittleEndian = false;
    RLA big;
    ASSERT_TRUE(Loads(big, dir.Write("big.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_FALSE(big.floats_little_endian);
    EXPECT_EQ(PixelOf(big, 3, image.height - 1), PixelOf(rla, 3, image.height - 1));
}

TEST(FloatByteOrder, OnlyValuesPlausibleOneWayAloneCount)
{
    FloatByteOrderVote vote;
    const unsigned char zeros[4 * 3] = {};
    vote.Count(zeros, 3);
    EXPECT_EQ(vote.Counted(), 0u);
    EXPECT_FALSE(vote.LittleEndian());
    const unsigned char littleOne[4] = {0x00, 0x00, 0x80, 0x3F};  // 1.0 little-endian, subnormal big-endian
    vote.Count(littleOne, 1);
    EXPECT_TRUE(vote.LittleEndian());
    const unsigned char bigOnes[4 * 4] = {0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0, 0x3F, 0x80, 0, 0};
    vote.Count(bigOnes, 4, 2);  // every second value: two big-endian 1.0 outweigh it
    EXPECT_FALSE(vote.LittleEndian());
    EXPECT_EQ(vote.Counted(), 3u);
    for (float odd : {std::numeric_limits<float>::infinity(), 1e9f, 1e-35f, -1e-39f})
        EXPECT_FALSE(FloatByteOrderVote::Plausible(odd)) << odd;
    for (float fine : {0.0f, -0.0f, 1e-14f, 1e-9f, -3.5f, 65504.0f, 1e6f})
        EXPECT_TRUE(FloatByteOrderVote::Plausible(fine)) << fine;
}

TEST(FloatColour, KeptBitForBitBesideTheWordsInEitherByteOrder)
{
    TempDir dir;
    // Overbright, negative, tiny, infinite and NaN values: the words clamp
    // them, the floats must not.
    std::vector<float> values = {8.0f, 0.9017532f, -0.25f, 1e-14f, std::numeric_limits<float>::infinity(),
                                 FromBits(0x7FC01234u), 65504.5f};
    for (int k = 0; k < 200; ++k)
        values.push_back(float(k) * 0.037f);
    const FloatFiles files = FloatRow(values);
    for (const auto* bytes : {&files.big, &files.little}) {
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("float.rpf", *bytes)));
        const float* floats = rla.ColourFloats();
        ASSERT_NE(floats, nullptr);
        for (std::size_t x = 0; x < values.size(); ++x) {
            std::uint32_t want;
            std::memcpy(&want, &values[x], sizeof want);
            for (int c = 0; c < 3; ++c) {
                std::uint32_t got;
                std::memcpy(&got, &floats[x * 4 + std::size_t(c)], sizeof got);
                ASSERT_EQ(got, want) << "pixel " << x << " component " << c;
            }
            ASSERT_EQ(floats[x * 4 + 3], 0.0f) << "no matte: alpha 0, as in the words";
            ASSERT_EQ(PixelOf(rla, int(x), 0)[1], rowkernels::ToWord(values[x])) << x;
        }
    }
}

TEST(FloatColour, AlphaKeptAndIntegerFilesHoldNoFloats)
{
    TempDir dir;
    rpfgen::RpfImage image;
    image.width = 3;
    image.height = 2;
    image.colourBits = 32;
    image.alpha = true;
    // Rows are listed top-down; the file stores them bottom-up.
    image.red = {1, 2, 3, 4, 5, 6};
    image.green = {0.5, 0.5, 0.5, 0.5, 0.5, 0.5};
    image.blue = {-1, -2, -3, -4, -5, -6};
    image.alphaValues = {0.25, 1.5, 0, 1, 1, 0.75};
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("alpha.rpf", rpfgen::EncodeRpf(image))));
    const float* floats = rla.ColourFloats();
    ASSERT_NE(floats, nullptr);
    for (std::size_t p = 0; p < 6; ++p) {
        EXPECT_EQ(floats[p * 4 + 0], float(image.red[p])) << p;
        EXPECT_EQ(floats[p * 4 + 1], 0.5f) << p;
        EXPECT_EQ(floats[p * 4 + 2], float(image.blue[p])) << p;
        EXPECT_EQ(floats[p * 4 + 3], float(image.alphaValues[p])) << p;
    }
    // The floats are counted among the bytes the load holds.
    EXPECT_GE(rla.BytesHeld(), 6u * (8u + 16u));

    image.colourBits = 8;
    image.red = {10, 20, 30, 40, 50, 60};
    image.green = image.red;
    image.blue = image.red;
    image.alphaValues = image.red;
    RLA bytes;
    ASSERT_TRUE(Loads(bytes, dir.Write("bytes.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_EQ(bytes.ColourFloats(), nullptr);
    EXPECT_LT(bytes.BytesHeld(), rla.BytesHeld());
}
