// Whole loads: row order, the render channels the file holds, loads without
// the colour image and failures part-way through the scanlines.
#include "ReaderTestSupport.h"

#include <algorithm>
#include <memory>

using namespace readertest;

namespace {

constexpr int kKeptChannels[] = {kChannelZ, kChannelC, kChannelI, kChannelV};

const unsigned char* ChannelBuffer(const RLA& rla, int bit)
{
    switch (bit) {
    case kChannelZ: return reinterpret_cast<const unsigned char*>(rla.bmm_chan_z_buf);
    case kChannelC: return rla.bmm_chan_coverage_buf;
    case kChannelI: return reinterpret_cast<const unsigned char*>(rla.bmm_chan_node_render_id_buf);
    case kChannelV: return rla.bmm_chan_veloc_buf;
    default: return nullptr;
    }
}

// The kept channel's buffer against the element bytes it was written from
// (zeros when the file does not hold the channel); for every channel the file
// holds, ChannelData gives the same bytes.
::testing::AssertionResult ChannelMatches(const RLA& rla, const rpfgen::RpfImage& image, int bit)
{
    const std::size_t size = std::size_t(rpfgen::ChannelElementSize(bit)) * std::size_t(rla.ancho) * std::size_t(rla.alto);
    const std::vector<int> listed = rpfgen::ListedChannels(image.producer);
    auto written = image.gbuffer.find(bit);
    const bool inFile = std::find(listed.begin(), listed.end(), bit) != listed.end() && written != image.gbuffer.end();
    const std::vector<std::uint8_t> expected = inFile ? written->second : std::vector<std::uint8_t>(size, 0);
    const unsigned char* got = ChannelBuffer(rla, bit);
    if (got == nullptr)
        got = rla.ChannelData(bit);
    if (got == nullptr)
        return ::testing::AssertionFailure() << "channel " << kChannelLetters[bit] << " has no buffer";
    if (inFile && rla.ChannelData(bit) != got)
        return ::testing::AssertionFailure() << "ChannelData(" << kChannelLetters[bit] << ") is not its buffer";
    const ConstSpan<unsigned char> bytes = rla.ChannelBytes(bit);
    if (inFile ? bytes.data() != got || bytes.size() != size : !bytes.empty())
        return ::testing::AssertionFailure() << "ChannelBytes(" << kChannelLetters[bit] << ") holds " << bytes.size()
                                             << " bytes";
    for (std::size_t i = 0; i < size; ++i) {
        if (got[i] != expected[i])
            return ::testing::AssertionFailure() << "channel " << kChannelLetters[bit] << " byte " << i << " is "
                                                 << int(got[i]) << ", expected " << int(expected[i]);
    }
    return ::testing::AssertionSuccess();
}

rpfgen::RpfImage ImageWithChannels(const std::string& producer, unsigned seed, int width = 5)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = 4;
    image.alpha = true;
    image.producer = producer;
    FillColours(image, seed);
    for (int bit = 0; bit < kChannelCount; ++bit)
        image.gbuffer[bit] = RandomElements(image, bit, seed + unsigned(bit));
    return image;
}

}  // namespace

TEST(RlaLoader, RowsLandTopDownWhateverTheRecordOrder)
{
    TempDir dir;
    rpfgen::RpfImage image = ImageWithChannels("Renderer (ZCIV)", 21);
    for (auto order : {rpfgen::RecordOrder::BottomUp, rpfgen::RecordOrder::TopDown, rpfgen::RecordOrder::Shuffled}) {
        image.order = order;
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("rows.rpf", rpfgen::EncodeRpf(image))));
        EXPECT_TRUE(ImageMatches(rla, image)) << int(order);
        for (int bit : kKeptChannels)
            EXPECT_TRUE(ChannelMatches(rla, image, bit)) << int(order);
    }

    // Laid out by hand: the first offset-table entry is the bottom row.
    rpfgen::RpfImage tiny;
    tiny.width = 1;
    tiny.height = 2;
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(tiny);
    bytes.resize(rpfgen::offsets::kOffsetTable + 8);
    for (std::uint8_t red : {0x10, 0x20}) {
        PutBigEndian32(bytes, rpfgen::offsets::kOffsetTable + (red == 0x10 ? 0 : 4), std::uint32_t(bytes.size()));
        for (std::uint8_t value : {red, std::uint8_t(0), std::uint8_t(0)}) {
            const std::vector<std::uint8_t> record = rpfgen::ChannelRecord({0x00, value});
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
    }
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("tiny.rpf", bytes)));
    EXPECT_EQ(PixelOf(rla, 0, 0)[1], Word8(0x20));
    EXPECT_EQ(PixelOf(rla, 0, 1)[1], Word8(0x10));
}

TEST(RlaLoader, KeepsEveryChannelTheFileHolds)
{
    TempDir dir;
    // Widths below and above the 16 elements that are woven together at once.
    for (int width : {5, 37}) {
        for (int depth : {8, 16, 32}) {
            rpfgen::RpfImage every = ImageWithChannels("Renderer (ZEOUNRCBIGTVWM)", 40 + unsigned(depth), width);
            every.colourBits = depth;
            every.matteBits = depth == 16 ? 16 : 8;
            FillColours(every, 5);
            RLA rla;
            ASSERT_TRUE(Loads(rla, dir.Write("every.rpf", rpfgen::EncodeRpf(every)))) << depth;
            EXPECT_TRUE(ImageMatches(rla, every)) << depth << "-bit, width " << width;
            for (int bit = 0; bit < kChannelCount; ++bit)
                EXPECT_TRUE(ChannelMatches(rla, every, bit)) << depth << "-bit, width " << width;
        }
    }

    // Without Z, C, I and V: their four buffers are there and stay zero,
    // every other channel is kept.
    rpfgen::RpfImage others = ImageWithChannels("Renderer (EOUNRBGTWM)", 60);
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("others.rpf", rpfgen::EncodeRpf(others))));
    EXPECT_EQ(rla.channel_mask, 0x3FFFu & ~0x0941u);
    EXPECT_TRUE(ImageMatches(rla, others));
    for (int bit = 0; bit < kChannelCount; ++bit)
        EXPECT_TRUE(ChannelMatches(rla, others, bit)) << kChannelLetters[bit];
    for (int bit : kKeptChannels)
        EXPECT_EQ(rla.ChannelData(bit), nullptr) << kChannelLetters[bit];

    // Channels the file lacks have no buffer at all.
    rpfgen::RpfImage two = ImageWithChannels("Renderer (ZU)", 61);
    RLA pair;
    ASSERT_TRUE(Loads(pair, dir.Write("two.rpf", rpfgen::EncodeRpf(two))));
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (bit == kChannelZ || bit == kChannelU)
            EXPECT_TRUE(ChannelMatches(pair, two, bit)) << kChannelLetters[bit];
        else
            EXPECT_EQ(pair.ChannelData(bit), nullptr) << kChannelLetters[bit];
    }
    EXPECT_EQ(pair.ChannelData(-1), nullptr);
    EXPECT_EQ(pair.ChannelData(kChannelCount), nullptr);
}

TEST(RlaLoader, WithoutTheImageColourRecordsAreStillDecodedAndChecked)
{
    TempDir dir;
    rpfgen::RpfImage image = ImageWithChannels("Renderer (ZCIV)", 80);
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("noimage.rpf", bytes), false));
    EXPECT_EQ(rla.image_buf, nullptr);
    EXPECT_TRUE(rla.ImageWords().empty());
    EXPECT_FALSE(rla.keep_image);
    for (int bit : kKeptChannels)
        EXPECT_TRUE(ChannelMatches(rla, image, bit));

    // A colour record of the top row claiming the whole record limit.
    PutBigEndian16(bytes, RecordOffset(bytes, image.height, 0), image.width * 30);
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("noimage.rpf", bytes), false),
                         "RLA::ReadNextChannel(). length =" + std::to_string(image.width * 30), "RLA", 374));
}

TEST(RlaLoader, FailuresPartWayCloseTheFileAndReleaseEverything)
{
    TempDir dir;
    rpfgen::RpfImage image = ImageWithChannels("Renderer (ZCIVPD)", 90);
    image.dNames = {"Box01"};
    const std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    const int descriptors = OpenDescriptorCount();

    // The last record, the top row's, cut by one byte.
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 1);
    testing::internal::CaptureStdout();
    for (bool keep : {true, false}) {
        auto rla = std::make_unique<RLA>();
        EXPECT_TRUE(IsReport(ReportOf([&] { rla->Leer(dir.Write("cut.rpf", cut).c_str(), keep); }),
                             "FileStream::Leer() leido != buffer_size", "FileStream", 36));
        rla.reset();  // the sanitizer build checks nothing leaks or is freed twice
    }
    // The cut falls in the last plane of V, the last channel of the record.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "RLA::ReadNChannels()i=0 n=8\nRLA::ReadNChannels()i=0 n=8\n");
    EXPECT_EQ(OpenDescriptorCount(), descriptors);

    // Offsets at or beyond 2 GiB fail the seek; beyond the end, the read.
    std::vector<std::uint8_t> far = bytes;
    PutBigEndian32(far, rpfgen::offsets::kOffsetTable, 0x80000000u);
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("far.rpf", far)), "FileStream::Seek() offset=-2147483648origin=0",
                         "FileStream", 42));
    PutBigEndian32(far, rpfgen::offsets::kOffsetTable, std::uint32_t(bytes.size()));
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("far.rpf", far)), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
}

TEST(RlaLoader, LargeImagesLoadWhole)
{
    // Large enough for every buffer to be mapped from the system and the
    // file to span several of the stream's windows, with records shuffled
    // so the reader jumps both ways through it.
    TempDir dir;
    rpfgen::RpfImage image;
    image.width = 2048;
    image.height = 1030;
    image.alpha = true;
    image.producer = "rpfgen (ZC)";
    image.order = rpfgen::RecordOrder::Shuffled;
    FillColours(image, 21);
    image.gbuffer[kChannelZ] = RandomElements(image, kChannelZ, 22);
    image.gbuffer[kChannelC] = RandomElements(image, kChannelC, 23);
    const std::string path = dir.Write("large.rpf", rpfgen::EncodeRpf(image));

    RLA rla;
    ASSERT_TRUE(Loads(rla, path));
    EXPECT_TRUE(ImageMatches(rla, image));
    for (int bit : kKeptChannels)
        EXPECT_TRUE(ChannelMatches(rla, image, bit)) << kChannelLetters[bit];

    // The same file cut short in its last record: reported, and everything
    // of the failed load released (leak checkers watch this).
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    bytes.resize(bytes.size() - 1);
    const std::string cut = dir.Write("cut.rpf", bytes);
    EXPECT_TRUE(IsAnyReport(LoadReport(cut)));
}

TEST(RlaLoader, AnEarlierFramesMemoryNeverShowsInALaterOne)
{
    // Frames of one size, every buffer large enough to be kept for the next
    // frame when released. The first fills everything, alpha and every
    // channel included; the second is float colour without a matte channel
    // (its alpha words are never written) and lacks Z, C, I and V (their
    // buffers are never written): all of that must still read as zeros.
    TempDir dir;
    rpfgen::RpfImage full = ImageWithChannels("Renderer (ZEOUNRCBIGTVWM)", 70, 1024);
    full.height = 1024;
    full.colourBits = 32;
    FillColours(full, 71);
    for (int bit = 0; bit < kChannelCount; ++bit)
        full.gbuffer[bit] = RandomElements(full, bit, 72 + unsigned(bit));
    rpfgen::RpfImage sparse = full;
    sparse.producer = "Renderer (EOUNRBGTWM)";
    sparse.alpha = false;
    sparse.alphaValues.clear();
    FillColours(sparse, 90);
    for (int bit = 0; bit < kChannelCount; ++bit)
        sparse.gbuffer[bit] = RandomElements(sparse, bit, 91 + unsigned(bit));
    const std::string fullPath = dir.Write("full.rpf", rpfgen::EncodeRpf(full));
    const std::string sparsePath = dir.Write("sparse.rpf", rpfgen::EncodeRpf(sparse));

    ZeroedBuffer::ReleaseKept();
    for (int round = 0; round < 2; ++round) {
        {
            RLA first;
            ASSERT_TRUE(Loads(first, fullPath));
            ASSERT_TRUE(ImageMatches(first, full));
        }
        ASSERT_GT(ZeroedBuffer::KeptBytes(), 0u);  // the first frame's memory waits for the next
        RLA second;
        ASSERT_TRUE(Loads(second, sparsePath));
        EXPECT_TRUE(ImageMatches(second, sparse)) << round;
        for (int bit = 0; bit < kChannelCount; ++bit)
            EXPECT_TRUE(ChannelMatches(second, sparse, bit)) << kChannelLetters[bit] << " round " << round;
    }
    ZeroedBuffer::ReleaseKept();
}
