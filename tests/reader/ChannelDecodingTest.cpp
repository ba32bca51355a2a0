// Channel records: run-length blocks, 16-bit and float colour, the record
// length limit, the conversion to 16-bit words and the G-buffer byte planes.
#include "ReaderTestSupport.h"

#include <cstring>
#include <limits>

using namespace readertest;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Record(const Bytes& payload)
{
    return rpfgen::ChannelRecord(payload);
}

// A record of width values all equal to value, in one block per byte.
Bytes Flat(int width, std::uint8_t value, int blocks = 1)
{
    const Bytes values(std::size_t(width), value);
    Bytes payload;
    for (int i = 0; i < blocks; ++i) {
        const Bytes block = rpfgen::EncodeRunLength(values.data(), values.size(), 1);
        payload.insert(payload.end(), block.begin(), block.end());
    }
    return Record(payload);
}

Bytes FloatRecord(const std::vector<float>& values)
{
    Bytes payload;
    for (float value : values) {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        for (int i = 0; i < 4; ++i)
            payload.push_back(std::uint8_t(bits >> (24 - 8 * i)));
    }
    return Record(payload);
}

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A file of one row whose scanline record is given byte for byte.
struct OneRow {
    int width = 1;
    int colourBits = 8;
    int matteBits = 8;
    bool alpha = false;
    std::string producer = "rpfgen";

    Bytes File(const Bytes& record) const
    {
        rpfgen::RpfImage image;
        image.width = width;
        image.height = 1;
        image.colourBits = colourBits;
        image.matteBits = matteBits;
        image.alpha = alpha;
        image.producer = producer;
        image.rawRecords[0] = record;
        return rpfgen::EncodeRpf(image);
    }

    // Red from the given record, green and blue zero.
    Bytes RedFile(const Bytes& redRecord) const
    {
        const int blocks = colourBits == 16 ? 2 : 1;
        return File(Concat({redRecord, Flat(width, 0, blocks), Flat(width, 0, blocks)}));
    }
};

std::vector<unsigned> RedWords(const RLA& rla)
{
    std::vector<unsigned> words;
    for (int x = 0; x < rla.ancho; ++x)
        words.push_back(PixelOf(rla, x, 0)[1]);
    return words;
}

std::vector<unsigned> Words8(std::initializer_list<unsigned> values)
{
    std::vector<unsigned> words;
    for (unsigned v : values)
        words.push_back(Word8(v));
    return words;
}

}  // namespace

TEST(RunLength, RepeatAndLiteralRuns)
{
    TempDir dir;
    struct Case {
        int width;
        Bytes payload;
        std::vector<unsigned> words;
    };
    Bytes literal128 = {0x80};
    for (int i = 0; i < 128; ++i)
        literal128.push_back(std::uint8_t(i * 2));
    std::vector<unsigned> literal128Words;
    for (unsigned i = 0; i < 128; ++i)
        literal128Words.push_back(Word8(i * 2));
    std::vector<unsigned> repeat128Words(128, Word8(5));
    repeat128Words.push_back(Word8(6));
    repeat128Words.push_back(Word8(6));

    const Case cases[] = {
        {4, {0x03, 0x7F}, Words8({127, 127, 127, 127})},
        {3, {0xFD, 0x0A, 0x0B, 0x0C}, Words8({10, 11, 12})},
        {5, {0x01, 0xAA, 0xFD, 0x01, 0x02, 0x03}, Words8({0xAA, 0xAA, 1, 2, 3})},
        {130, {0x7F, 0x05, 0x01, 0x06}, repeat128Words},
        {128, literal128, literal128Words},
        {1, {0x00, 0xFF}, {65535}},
    };
    for (const Case& c : cases) {
        OneRow row;
        row.width = c.width;
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("rle.rpf", row.RedFile(Record(c.payload))))) << c.width;
        EXPECT_EQ(RedWords(rla), c.words) << c.width;
    }
}

TEST(RunLength, OvershootingRunIsConsumedWholeAndItsSurplusDropped)
{
    TempDir dir;
    OneRow row;
    // Header -125: 125 literal bytes for 5 values. (Width 5 is the least
    // whose record limit, 30 bytes a pixel, admits the 126-byte run.)
    row.width = 5;
    Bytes literal = {0x83, 0x12, 0x34, 0x56, 0x78, 0x9A};
    literal.resize(126, 0xEE);
    Bytes repeat = {0x09, 0x33};  // ten values for five

    RLA eight;
    ASSERT_TRUE(Loads(eight, dir.Write("over.rpf", row.RedFile(Record(literal)))));
    EXPECT_EQ(RedWords(eight), Words8({0x12, 0x34, 0x56, 0x78, 0x9A}));

    // In a 16-bit record the low-byte block starts after the whole first run.
    row.colourBits = 16;
    RLA sixteen;
    ASSERT_TRUE(Loads(sixteen, dir.Write("over.rpf", row.RedFile(Record(Concat({literal, {0x04, 0x01}}))))));
    EXPECT_EQ(RedWords(sixteen),
              (std::vector<unsigned>{Word16(0x1201), Word16(0x3401), Word16(0x5601), Word16(0x7801), Word16(0x9A01)}));

    RLA repeated;
    ASSERT_TRUE(Loads(repeated, dir.Write("over.rpf", row.RedFile(Record(Concat({repeat, {0x09, 0x44}}))))));
    EXPECT_EQ(RedWords(repeated), std::vector<unsigned>(5, Word16(0x3344)));
}

TEST(RunLength, SixteenBitRecordsCarryHighThenLowBlock)
{
    TempDir dir;
    OneRow row;
    row.width = 2;
    row.colourBits = 16;
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("16.rpf", row.RedFile(Record({0x01, 0x12, 0x01, 0x34})))));
    EXPECT_EQ(RedWords(rla), std::vector<unsigned>(2, Word16(0x1234)));

    // An 8-bit colour record ignores anything after its one block.
    row.colourBits = 8;
    RLA eight;
    ASSERT_TRUE(Loads(eight, dir.Write("8.rpf", row.RedFile(Record({0x01, 0x12, 0x01, 0x34})))));
    EXPECT_EQ(RedWords(eight), Words8({0x12, 0x12}));
}

TEST(ChannelRecord, LengthLimitIsThirtyBytesPerPixel)
{
    TempDir dir;
    OneRow row;
    row.width = 4;
    Bytes payload = {0x03, 0x7F};
    payload.resize(4 * 30 - 1, 0xAB);  // surplus bytes after the block are never looked at
    RLA longest;
    ASSERT_TRUE(Loads(longest, dir.Write("limit.rpf", row.RedFile(Record(payload)))));
    EXPECT_EQ(RedWords(longest), Words8({127, 127, 127, 127}));
    payload.push_back(0xAB);
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("limit.rpf", row.RedFile(Record(payload)))),
                         "RLA::ReadNextChannel(). length =120", "RLA", 374));
    // Lengths are unsigned 16-bit: FF FF is 65535, not -1.
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("limit.rpf", row.File({0xFF, 0xFF}))),
                         "RLA::ReadNextChannel(). length =65535", "RLA", 374));

    row.colourBits = 32;
    Bytes floats = FloatRecord({0.25f, 0.5f, 0.75f, 1.0f});
    floats.resize(2 + 4 * 30 - 1, 0xAB);
    floats[0] = 0;
    floats[1] = 4 * 30 - 1;
    const Bytes zeros = FloatRecord({0, 0, 0, 0});
    RLA floatLongest;
    ASSERT_TRUE(Loads(floatLongest, dir.Write("limit.rpf", row.File(Concat({floats, zeros, zeros})))));
    EXPECT_EQ(RedWords(floatLongest), (std::vector<unsigned>{16383, 32767, 49151, 65535}));
    floats[1] = 4 * 30;
    floats.push_back(0xAB);
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("limit.rpf", row.File(Concat({floats, zeros, zeros})))),
                         "RLA::ReadFloatChannel() length=120", "RLA", 320));
}

TEST(ChannelRecord, DataShortOfItsRecordIsReported)
{
    TempDir dir;
    OneRow row;
    row.width = 4;
    const std::string runPast = "RLA::ReadNextChannel(). run-length data runs past the record, length =";
    const std::pair<Bytes, const char*> cases[] = {
        {{}, "0"},                          // no run at all
        {{0x01, 0x7F}, "2"},                // two values of four
        {{0xFD, 0x0A, 0x0B}, "3"},          // literal run missing a byte
        {{0x02, 0x7F, 0x00}, "3"},          // repeat run missing its value
    };
    for (const auto& [payload, length] : cases) {
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("short.rpf", row.RedFile(Record(payload)))), runPast + length,
                             "RLA", 380))
            << length;
    }
    // A 16-bit record without its low-byte block.
    row.colourBits = 16;
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("short.rpf", row.RedFile(Record({0x03, 0x7F})))), runPast + "2",
                         "RLA", 380));

    row.colourBits = 32;
    Bytes floats = FloatRecord({0.25f, 0.5f, 0.75f, 1.0f});
    floats.pop_back();
    floats[1] = 15;
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("short.rpf", row.File(floats))),
                         "RLA::ReadFloatChannel() record shorter than 4*ancho: length=15", "RLA", 324));
}

TEST(ColourConversion, EightAndSixteenBitValuesBecomeTheirExactWords)
{
    TempDir dir;
    // Every 8-bit value in each channel.
    rpfgen::RpfImage eight;
    eight.width = 256;
    eight.height = 1;
    eight.alpha = true;
    for (int v = 0; v < 256; ++v) {
        eight.red.push_back(v);
        eight.green.push_back(255 - v);
        eight.blue.push_back(v ^ 0x5A);
        eight.alphaValues.push_back((v * 7) % 256);
    }
    RLA rla8;
    ASSERT_TRUE(Loads(rla8, dir.Write("8.rpf", rpfgen::EncodeRpf(eight))));
    EXPECT_TRUE(ImageMatches(rla8, eight));
    EXPECT_EQ(PixelOf(rla8, 255, 0)[1], 65535u);  // 255 is full scale
    EXPECT_EQ(PixelOf(rla8, 128, 0)[1], 32896u);
    EXPECT_EQ(PixelOf(rla8, 1, 0)[1], 257u);
    EXPECT_EQ(PixelOf(rla8, 0, 0)[1], 0u);

    // 16-bit colour with 8-bit alpha, then 8-bit colour with 16-bit alpha:
    // the matte depth alone decides the alpha record's blocks.
    const std::vector<double> edges = {0, 1, 255, 256, 0x1234, 0x7FFF, 0x8000, 0xFF00, 0xFFFE, 0xFFFF};
    for (int colourBits : {16, 8}) {
        rpfgen::RpfImage image;
        image.width = int(edges.size());
        image.height = 2;
        image.colourBits = colourBits;
        image.matteBits = colourBits == 16 ? 8 : 16;
        image.alpha = true;
        FillColours(image, 11);
        if (colourBits == 16)
            std::copy(edges.begin(), edges.end(), image.red.begin());
        else
            std::copy(edges.begin(), edges.end(), image.alphaValues.begin());
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("16.rpf", rpfgen::EncodeRpf(image)))) << colourBits;
        EXPECT_TRUE(ImageMatches(rla, image)) << colourBits;
        EXPECT_EQ(PixelOf(rla, int(edges.size()) - 1, 0)[colourBits == 16 ? 1 : 0], 65535u) << colourBits;
        EXPECT_EQ(PixelOf(rla, 1, 0)[colourBits == 16 ? 1 : 0], 1u) << colourBits;
    }

    // Without a matte channel every alpha word is 0.
    rpfgen::RpfImage opaque = eight;
    opaque.alpha = false;
    RLA rlaOpaque;
    ASSERT_TRUE(Loads(rlaOpaque, dir.Write("opaque.rpf", rpfgen::EncodeRpf(opaque))));
    EXPECT_TRUE(ImageMatches(rlaOpaque, opaque));
}

TEST(ColourConversion, EveryDepthAndAlphaAtWidthsAroundWholeBlocks)
{
    // Rows are converted sixteen pixels at a time with the rest one by one,
    // and runs move in whole blocks past their end: widths on both sides of
    // the block sizes, runs of every kind, each depth with each alpha.
    TempDir dir;
    unsigned seed = 100;
    for (int colourBits : {8, 16}) {
        for (int alpha : {0, 8, 16}) {
            for (int width : {1, 15, 16, 17, 31, 33, 129, 200}) {
                for (rpfgen::RunLengthStyle style : {rpfgen::RunLengthStyle::Packed, rpfgen::RunLengthStyle::LiteralOnly,
                                                     rpfgen::RunLengthStyle::RepeatOnly}) {
                    rpfgen::RpfImage image;
                    image.width = width;
                    image.height = 3;
                    image.colourBits = colourBits;
                    image.alpha = alpha != 0;
                    image.matteBits = alpha == 16 ? 16 : 8;
                    image.runLength = style;
                    FillColours(image, ++seed);
                    // Stretches of equal values, so repeat runs of many lengths
                    // occur, up to a full one and past it.
                    const int stretches[] = {width / 2, 72, 133};
                    for (int y = 0; y < image.height; ++y)
                        for (int x = 0; x < std::min(width, stretches[y]); ++x)
                            image.red[std::size_t(y * width + x)] = image.red[std::size_t(y * width)];
                    RLA rla;
                    ASSERT_TRUE(Loads(rla, dir.Write("blocks.rpf", rpfgen::EncodeRpf(image))));
                    EXPECT_TRUE(ImageMatches(rla, image))
                        << colourBits << "-bit colour, alpha " << alpha << ", width " << width << ", style "
                        << int(style);
                }
            }
        }
    }
}

TEST(ColourConversion, FloatColourIsClampedToTheWordRange)
{
    TempDir dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<float, unsigned>> cases = {
        {0.0f, 0}, {1.0f, 65535}, {0.5f, 32767}, {0.25f, 16383}, {0.99999994f, 65534}, {1e-6f, 0},
        {1.5f, 65535}, {100.0f, 65535}, {inf, 65535}, {-0.5f, 0}, {-inf, 0}, {nan, 0}, {-0.0f, 0},
    };
    rpfgen::RpfImage image;
    image.width = int(cases.size());
    image.height = 1;
    image.colourBits = 32;
    image.alpha = true;
    for (const auto& [value, word] : cases) {
        image.red.push_back(value);
        image.green.push_back(0.5);
        image.blue.push_back(value);
        image.alphaValues.push_back(value);
    }
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    // With float colour the alpha record is float whatever the matte depth says.
    for (int matteBits : {32, 16, 8}) {
        PutBigEndian16(bytes, rpfgen::offsets::kMatteBits, matteBits);
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("float.rpf", bytes))) << matteBits;
        for (std::size_t x = 0; x < cases.size(); ++x) {
            const unsigned word = cases[x].second;
            EXPECT_EQ(PixelOf(rla, int(x), 0), (std::array<unsigned, 4>{word, word, 32767, word}))
                << "value " << cases[x].first << ", matte depth " << matteBits;
        }
    }
}

TEST(GBufferPlanes, FirstPlaneReadFillsTheLastByteOfEachElement)
{
    TempDir dir;
    OneRow row;
    row.producer = "Renderer (ZIV)";
    auto plane = [](std::uint8_t value) { return Record({0x00, value}); };
    const Bytes record = Concat({Flat(1, 0), Flat(1, 0), Flat(1, 0),
                                 plane(0x3F), plane(0x80), plane(0x00), plane(0x00),  // Z
                                 plane(0x12), plane(0x34),                            // I
                                 plane(1), plane(2), plane(3), plane(4), plane(5), plane(6), plane(7), plane(8)});
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("planes.rpf", row.File(record))));
    // Planes run from the most significant byte down; on this little-endian
    // host that assembles native values, across all eight bytes for V.
    EXPECT_EQ(rla.bmm_chan_z_buf[0], 1.0f);
    EXPECT_EQ(rla.bmm_chan_node_render_id_buf[0], 0x1234);
    const Bytes velocity(rla.bmm_chan_veloc_buf, rla.bmm_chan_veloc_buf + 8);
    EXPECT_EQ(velocity, (Bytes{8, 7, 6, 5, 4, 3, 2, 1}));
}

TEST(GBufferPlanes, EveryChannelTakesAsManyPlanesAsItsElementHasBytes)
{
    // The element sizes as the format gives them, written out here rather
    // than taken from the tables the reader and the writer share: a wrong
    // entry there shifts every plane after it.
    const std::pair<char, int> sizes[] = {{'Z', 4}, {'E', 1}, {'O', 2}, {'U', 8}, {'N', 4}, {'R', 4}, {'C', 1},
                                          {'B', 3}, {'I', 2}, {'G', 3}, {'T', 3}, {'V', 8}, {'W', 3}, {'M', 2}};
    TempDir dir;
    OneRow row;
    row.producer = "Renderer (ZEOUNRCBIGTVWM)";
    Bytes record = Concat({Flat(1, 0), Flat(1, 0), Flat(1, 0)});
    for (int bit = 0; bit < 14; ++bit) {
        for (int plane = 0; plane < sizes[bit].second; ++plane)
            record = Concat({record, Record({0x00, std::uint8_t(bit * 16 + plane)})});
    }
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("sizes.rpf", row.File(record))));
    for (int bit = 0; bit < 14; ++bit) {
        ASSERT_EQ(kChannelLetters[bit], sizes[bit].first);
        const int size = sizes[bit].second;
        EXPECT_EQ(rla.TamanioCanal(bit), size) << sizes[bit].first;
        const unsigned char* element = rla.ChannelData(bit);
        ASSERT_NE(element, nullptr) << sizes[bit].first;
        // The first plane read lands in the element's last byte.
        for (int plane = 0; plane < size; ++plane)
            EXPECT_EQ(element[size - 1 - plane], bit * 16 + plane) << sizes[bit].first << " plane " << plane;
    }
}

TEST(GBufferPlanes, FailingPlanePrintsItsByteIndexThenRethrows)
{
    TempDir dir;
    OneRow row;
    row.width = 2;
    const Bytes colour = Concat({Flat(2, 0), Flat(2, 0), Flat(2, 0)});
    const Bytes zero = Flat(2, 0);

    // Third Z plane too long: it would fill byte 1 of each element.
    row.producer = "Renderer (Z)";
    Bytes tooLong(2 * 30, 0);
    testing::internal::CaptureStdout();
    std::string report = LoadReport(dir.Write("z.rpf", row.File(Concat({colour, zero, zero, Record(tooLong)}))));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RLA::ReadNChannels()i=1 n=4\n");
    EXPECT_TRUE(IsReport(report, "RLA::ReadNextChannel(). length =60", "RLA", 374));

    // First V plane cut short by the end of the file.
    row.producer = "Renderer (V)";
    Bytes cut = Concat({colour, zero});
    cut.pop_back();
    testing::internal::CaptureStdout();
    report = LoadReport(dir.Write("v.rpf", row.File(cut)));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RLA::ReadNChannels()i=7 n=8\n");
    EXPECT_TRUE(IsReport(report, "FileStream::Leer() leido != buffer_size", "FileStream", 36));

    // A failing colour record prints nothing.
    testing::internal::CaptureStdout();
    report = LoadReport(dir.Write("v.rpf", row.File(Concat({Flat(2, 0), Flat(2, 0)}))));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(IsReport(report, "FileStream::Leer() leido != buffer_size", "FileStream", 36));
}
