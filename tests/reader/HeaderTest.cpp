// The file name, the header and its checks, the channel list and the P and D
// blocks that follow the offset table.
#include "ReaderTestSupport.h"

using namespace readertest;
namespace off = rpfgen::offsets;

namespace {

rpfgen::RpfImage SmallImage(const std::string& producer = "rpfgen")
{
    rpfgen::RpfImage image;
    image.width = 3;
    image.height = 2;
    image.alpha = true;
    image.producer = producer;
    FillColours(image, 7);
    return image;
}

// Where the P block, or without one the D block, begins.
std::size_t BlocksStart(const rpfgen::RpfImage& image)
{
    return off::kOffsetTable + 4 * std::size_t(image.height);
}

}  // namespace

TEST(RlaName, ExtensionMustBeRpfInAnyLetterCase)
{
    TempDir dir;
    const rpfgen::RpfImage image = SmallImage();
    const std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    for (const char* name : {"image.RPF", "image.rpf", "image.Rpf", "two.dots.rPf"}) {
        RLA rla;
        EXPECT_TRUE(Loads(rla, dir.Write(name, bytes))) << name;
        EXPECT_TRUE(ImageMatches(rla, image)) << name;
    }
    // Valid contents under every name: only the name is at fault.
    std::filesystem::create_directory(dir.File("dir.rpf"));
    for (const char* name : {"image.rla", "image.rpfx", "image.rp", "image.rpf.bak", "dir.rpf/image"}) {
        EXPECT_TRUE(IsReport(LoadReport(dir.Write(name, bytes)), "RLA::Leer. Not rpf file.", "RLA", 25)) << name;
    }
    // A relative path, so that no directory of the temporary folder lends it a dot.
    EXPECT_TRUE(IsReport(LoadReport("image"), "RLA::Leer. Not rpf file.", "RLA", 22));
    EXPECT_TRUE(IsReport(LoadReport(dir.File("absent.rpf")), "FileStream::FileStream()", "FileStream", 18,
                         "No such file or directory"));
}

TEST(RlaHeader, ChannelTypeMustBeRgbAndNoNextImageFollows)
{
    TempDir dir;
    const std::vector<std::uint8_t> good = rpfgen::EncodeRpf(SmallImage());
    for (const char* chan : {"RGB", "rgba", "Rgb", "rg", ""}) {
        std::vector<std::uint8_t> bytes = good;
        PutText(bytes, off::kChan, 32, chan);
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("chan.rpf", bytes)), "header.chan != rgb", "RLA", 39)) << chan;
    }
    // Only "rgb" and its NUL are compared; what the field holds after them is free.
    std::vector<std::uint8_t> trailing = good;
    PutText(trailing, off::kChan + 4, 28, "anything");
    RLA rla;
    EXPECT_TRUE(Loads(rla, dir.Write("trailing.rpf", trailing)));

    for (std::uint32_t next : {1u, 740u, 0x80000000u}) {
        std::vector<std::uint8_t> bytes = good;
        PutBigEndian32(bytes, off::kNext, next);
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("next.rpf", bytes)), "header.next != 0", "RLA", 42)) << next;
        PutText(bytes, off::kChan, 32, "RGB");  // the channel type is checked first
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("both.rpf", bytes)), "header.chan != rgb", "RLA", 39));
    }

    for (std::size_t size : {std::size_t(0), std::size_t(1), off::kHeaderSize - 1}) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(size));
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("short.rpf", cut)), "FileStream::Leer() leido != buffer_size",
                             "FileStream", 36))
            << size;
    }
}

TEST(RlaHeader, SizeComesFromTheActiveWindowOnly)
{
    TempDir dir;
    rpfgen::RpfImage image = SmallImage();
    image.width = 7;
    image.height = 3;
    image.activeLeft = -5;
    image.activeBottom = 100;
    FillColours(image, 3);
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    PutBigEndian16(bytes, off::kWindowLeft, 0);
    PutBigEndian16(bytes, off::kWindowRight, 639);
    PutBigEndian16(bytes, off::kWindowBottom, -20);
    PutBigEndian16(bytes, off::kWindowTop, 479);
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("window.rpf", bytes)));
    EXPECT_EQ(rla.ancho, 7);
    EXPECT_EQ(rla.alto, 3);
    EXPECT_TRUE(ImageMatches(rla, image));
}

TEST(RlaHeader, RejectsSizesNoBufferCanHold)
{
    TempDir dir;
    const std::vector<std::uint8_t> good = rpfgen::EncodeRpf(SmallImage());
    auto withActive = [&](int left, int right, int bottom, int top) {
        std::vector<std::uint8_t> bytes = good;
        PutBigEndian16(bytes, off::kActiveLeft, left);
        PutBigEndian16(bytes, off::kActiveRight, right);
        PutBigEndian16(bytes, off::kActiveBottom, bottom);
        PutBigEndian16(bytes, off::kActiveTop, top);
        return LoadReport(dir.Write("size.rpf", bytes));
    };
    const std::string outOfRange = "RLA::ReadHeader() image size out of range: ";
    EXPECT_TRUE(IsReport(withActive(0, -1, 0, 1), outOfRange + "ancho=0 alto=2", "RLA", 45));
    EXPECT_TRUE(IsReport(withActive(0, 2, 10, 5), outOfRange + "ancho=3 alto=-4", "RLA", 45));
    EXPECT_TRUE(IsReport(withActive(32767, -32768, 0, 1), outOfRange + "ancho=-65534 alto=2", "RLA", 45));

    // Eight bytes per pixel of the colour image must stay within 32 bits.
    const std::string tooLarge = "RLA::ReadHeader() image too large: ";
    EXPECT_TRUE(IsReport(withActive(-32768, 32767, -32768, 32767), tooLarge + "ancho=65536 alto=65536", "RLA", 47));
    EXPECT_TRUE(IsReport(withActive(-32768, 32767, 0, 8191), tooLarge + "ancho=65536 alto=8192", "RLA", 47));
    // One row less fits; this small file then lacks most of its offset table.
    EXPECT_TRUE(IsReport(withActive(-32768, 32767, 0, 8190), "FileStream::Leer() leido != buffer_size", "FileStream",
                         36));
}

TEST(RlaHeader, HeaderCopyInHostOrderWithItsTextsParsed)
{
    TempDir dir;
    rpfgen::RpfImage image = SmallImage("Renderer 7 (ZC)");
    image.gammaText = "2.2";
    image.aspectText = "0.75x";
    image.frame = 0x1234;
    image.activeLeft = -300;
    image.activeBottom = 2;
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    PutBigEndian32(bytes, 140, 0x01020304);            // job number
    PutBigEndian16(bytes, off::kNumMatte, 0x0080);     // any count above 0 means one alpha channel
    PutBigEndian16(bytes, 612, 0x0201);                // field flag
    RLA parsed;
    ASSERT_TRUE(Loads(parsed, dir.Write("texts.rpf", bytes)));
    EXPECT_EQ(parsed.header.frame, 0x1234);
    EXPECT_EQ(parsed.header.active_left, -300);
    EXPECT_EQ(parsed.header.active_top, 3);
    EXPECT_EQ(parsed.header.num_chan, 3);
    EXPECT_EQ(parsed.header.num_matte, 0x0080);
    EXPECT_EQ(parsed.header.job_num, 0x01020304);
    EXPECT_EQ(parsed.header.field, 0x0201);
    EXPECT_EQ(parsed.header.chan_bits, 8);
    EXPECT_TRUE(ImageMatches(parsed, image));
    EXPECT_FLOAT_EQ(parsed.gamma, 2.2f);
    EXPECT_FLOAT_EQ(parsed.aspect_ratio, 0.75f);
    EXPECT_EQ(parsed.Producer(), "Renderer 7 (ZC)");
    EXPECT_EQ(std::string(parsed.header.program), "Renderer 7 (ZC)");

    image.gammaText = "none";
    image.aspectText = "";
    RLA unparsed;
    ASSERT_TRUE(Loads(unparsed, dir.Write("texts.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_EQ(unparsed.gamma, 0.0f);
    EXPECT_EQ(unparsed.aspect_ratio, 0.0f);

    // A producer text filling its 64 bytes ends there: the channel letters in
    // the next header field belong to no channel list.
    image.producer = std::string(63, 'x') + "(";
    bytes = rpfgen::EncodeRpf(image);
    PutText(bytes, off::kProducer + 64, 32, "ZCIV)");
    RLA full;
    ASSERT_TRUE(Loads(full, dir.Write("full.rpf", bytes)));
    EXPECT_EQ(full.Producer(), image.producer);
    EXPECT_EQ(full.channel_mask, 0u);
}

TEST(RlaChannelList, LettersAfterTheFirstParenthesisSetMaskAndFlags)
{
    struct Case {
        const char* producer;
        std::uint32_t mask;
        bool p, d, l;
    };
    const Case cases[] = {
        {"Renderer (ZC)", 0x0041, false, false, false},
        {"Renderer (ZCIVPD)", 0x0941, true, true, false},
        {"Renderer (L)", 0, false, false, true},
        {"Renderer (ZEOUNRCBIGTVWM)", 0x3FFF, false, false, false},
        {"Renderer (VVZZ)", 0x0801, false, false, false},
        {"ZCIV PDL Renderer", 0, false, false, false},   // no "(": no channels
        {"Renderer (zciv pdl)", 0, false, false, false},  // lower case counts for nothing
        {"ZC (I) and (V)", 0x0900, false, false, false},  // letters before the first "(" do not count
        {"Renderer (", 0, false, false, false},
    };
    TempDir dir;
    for (const Case& c : cases) {
        rpfgen::RpfImage image = SmallImage(c.producer);
        image.dNames = {"n"};
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("list.rpf", rpfgen::EncodeRpf(image)))) << c.producer;
        EXPECT_EQ(rla.channel_mask, c.mask) << c.producer;
        EXPECT_EQ(rla.flag_P, c.p) << c.producer;
        EXPECT_EQ(rla.flag_D, c.d) << c.producer;
        EXPECT_EQ(rla.flag_L, c.l) << c.producer;
        EXPECT_TRUE(ImageMatches(rla, image)) << c.producer;
    }
}

TEST(RlaOptionalBlocks, PBlockLengthFollowsItsLittleEndianTag)
{
    TempDir dir;
    rpfgen::RpfImage image = SmallImage("Renderer (ZPD)");
    image.dNames = {"Box01", "Teapot02"};
    for (bool longBlock : {false, true}) {
        image.longPBlock = longBlock;
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.Write("p.rpf", rpfgen::EncodeRpf(image)))) << longBlock;
        EXPECT_EQ(rla.names, image.dNames) << longBlock;
        EXPECT_TRUE(ImageMatches(rla, image));
    }
    // 1000 written big-endian is no tag: the block stays 244 bytes long.
    image.longPBlock = false;
    std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    bytes[BlocksStart(image)] = 0x03;
    bytes[BlocksStart(image) + 1] = 0xE8;
    RLA rla;
    ASSERT_TRUE(Loads(rla, dir.Write("p.rpf", bytes)));
    EXPECT_EQ(rla.names, image.dNames);
}

TEST(RlaOptionalBlocks, DBlockNamesInFileOrder)
{
    TempDir dir;
    rpfgen::RpfImage image = SmallImage("Renderer (D)");
    image.dNames = {"Box01", "", "Teapot", "Sphere02"};
    RLA named;
    ASSERT_TRUE(Loads(named, dir.Write("d.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_EQ(named.names, image.dNames);
    EXPECT_TRUE(ImageMatches(named, image));

    image.dNames.clear();  // count 0, size 0
    RLA empty;
    ASSERT_TRUE(Loads(empty, dir.Write("d.rpf", rpfgen::EncodeRpf(image))));
    EXPECT_TRUE(empty.names.empty());
    EXPECT_TRUE(empty.flag_D);
}

TEST(RlaOptionalBlocks, MalformedDBlockIsReportedWithoutReadingPastIt)
{
    TempDir dir;
    rpfgen::RpfImage image = SmallImage("Renderer (D)");
    image.dNames = {"one", "two"};  // data "one\0two\0", 8 bytes
    const std::vector<std::uint8_t> good = rpfgen::EncodeRpf(image);
    const std::size_t countAt = BlocksStart(image);
    const std::size_t sizeAt = countAt + 4;
    const std::size_t dataAt = countAt + 8;

    for (std::uint32_t size : {std::uint32_t(good.size()), 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        std::vector<std::uint8_t> bytes = good;
        PutLittleEndian32(bytes, sizeAt, size);
        EXPECT_TRUE(IsReport(LoadReport(dir.Write("d.rpf", bytes)),
                             "RLA::ReadDBlock() name data runs past the end of the file: size=" + std::to_string(size),
                             "RLA", 100));
    }

    std::vector<std::uint8_t> tooMany = good;
    PutLittleEndian32(tooMany, countAt, 3);
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("d.rpf", tooMany)), "RLA::ReadDBlock() fewer names than count=3",
                         "RLA", 102));

    // The records after the block hold plenty of NULs; none may end the name.
    std::vector<std::uint8_t> noNul = good;
    noNul[dataAt + 7] = 'x';
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("d.rpf", noNul)), "RLA::ReadDBlock() name 1 lacks its NUL", "RLA", 104));
    std::vector<std::uint8_t> shorter = good;
    PutLittleEndian32(shorter, sizeAt, 6);  // "one\0tw"
    EXPECT_TRUE(IsReport(LoadReport(dir.Write("d.rpf", shorter)), "RLA::ReadDBlock() name 1 lacks its NUL", "RLA", 104));
}
