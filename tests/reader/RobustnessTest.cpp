// Damaged files: every prefix of a few valid files and seeded corruptions of
// them must end in a report or a clean load, never in a crash, a hang, a
// different exception or (in the sanitizer build) an access outside the
// buffers.
#include "ReaderTestSupport.h"

#include <iostream>
#include <sstream>
#include <typeinfo>

using namespace readertest;
using Bytes = std::vector<std::uint8_t>;
namespace off = rpfgen::offsets;

namespace {

struct BaseFile {
    rpfgen::RpfImage image;
    Bytes bytes;
    std::vector<std::size_t> lengthFields;  // every channel record's 16-bit length
    std::size_t blocksAt = 0;               // P, then D block
};

BaseFile MakeBase(rpfgen::RpfImage image, unsigned seed)
{
    rpfgen::FillSeeded(image, seed);
    BaseFile base;
    base.image = image;
    base.bytes = rpfgen::EncodeRpf(image);
    base.blocksAt = off::kOffsetTable + rpflayout::kOffsetEntryBytes * std::size_t(image.height);
    base.lengthFields = rpfgen::RecordLengthFields(base.bytes, image);
    return base;
}

// Small files that between them hold every structure of the format.
std::vector<BaseFile> BaseFiles()
{
    std::vector<BaseFile> bases;
    rpfgen::RpfImage full;  // 8-bit with alpha, ZCIV, P and D blocks, records out of order
    full.width = 6;
    full.height = 4;
    full.alpha = true;
    full.producer = "Renderer (ZCIVPD)";
    full.dNames = {"Box01", "", "Teapot"};
    full.order = rpfgen::RecordOrder::Shuffled;
    bases.push_back(MakeBase(full, 1));

    rpfgen::RpfImage sixteen;  // 16-bit colour and alpha, channels that are read and dropped
    sixteen.width = 5;
    sixteen.height = 3;
    sixteen.colourBits = 16;
    sixteen.matteBits = 16;
    sixteen.alpha = true;
    sixteen.producer = "Renderer (ZEOUV)";
    sixteen.runLength = rpfgen::RunLengthStyle::LiteralOnly;
    bases.push_back(MakeBase(sixteen, 2));

    rpfgen::RpfImage floats;  // float colour and alpha, the long P block
    floats.width = 4;
    floats.height = 3;
    floats.colourBits = 32;
    floats.alpha = true;
    floats.producer = "Renderer (ZCPL)";
    floats.longPBlock = true;
    bases.push_back(MakeBase(floats, 3));
    return bases;
}

// Loads that fail inside G-buffer planes print a line each; keep them out of
// the test log for as long as this lives.
class QuietCout {
public:
    QuietCout() : saved_(std::cout.rdbuf(sink_.rdbuf())) {}
    ~QuietCout() { std::cout.rdbuf(saved_); }
    QuietCout(const QuietCout&) = delete;
    QuietCout& operator=(const QuietCout&) = delete;

private:
    std::ostringstream sink_;
    std::streambuf* saved_;
};

// A load of path ends in a clean load (loaded) or a well-formed report.
::testing::AssertionResult LoadsOrReports(const std::string& path, bool keepImage, bool& loaded)
{
    loaded = false;
    RLA rla;
    try {
        rla.Leer(path.c_str(), keepImage);
        loaded = true;
    } catch (const std::runtime_error& report) {
        if (!IsAnyReport(report.what()))
            return ::testing::AssertionFailure() << "malformed report: " << report.what();
    } catch (const std::exception& other) {
        return ::testing::AssertionFailure() << typeid(other).name() << ": " << other.what();
    } catch (...) {
        return ::testing::AssertionFailure() << "an exception of unknown type";
    }
    return ::testing::AssertionSuccess();
}

std::int32_t Signed16(const Bytes& file, std::size_t at)
{
    return std::int16_t(std::uint16_t((file[at] << 8) | file[at + 1]));
}

// Pixels the header of file describes; 0 when the header is incomplete.
std::int64_t HeaderPixels(const Bytes& file)
{
    if (file.size() < off::kHeaderSize)
        return 0;
    const std::int64_t width = Signed16(file, off::kActiveRight) - Signed16(file, off::kActiveLeft) + 1;
    const std::int64_t height = Signed16(file, off::kActiveTop) - Signed16(file, off::kActiveBottom) + 1;
    return width > 0 && height > 0 ? width * height : 0;
}

// One random change in place, of the kinds that damaged or hostile files show.
void Corrupt(Bytes& file, const BaseFile& base, std::mt19937& random)
{
    auto pick = [&](std::size_t n) { return std::size_t(random() % n); };
    auto anyOf = [&](std::initializer_list<std::int64_t> values) { return *(values.begin() + pick(values.size())); };
    const int width = base.image.width;
    switch (pick(7)) {
    case 0:  // one bit anywhere
        file[pick(file.size())] ^= std::uint8_t(1u << pick(8));
        break;
    case 1:  // one byte anywhere
        file[pick(file.size())] = std::uint8_t(random());
        break;
    case 2: {  // a window or active-window bound
        const std::size_t field = 2 * pick(8);
        PutBigEndian16(file, field, int(anyOf({0, -1, 1, 2, width - 1, width, 4096, 32767, -32768,
                                               std::int64_t(random() % 65536) - 32768})));
        break;
    }
    case 3: {  // a depth, matte count or the channel type
        const std::size_t fields[] = {off::kChanBits, off::kMatteBits, off::kNumMatte};
        if (pick(4) == 0)
            file[off::kChan + pick(4)] = std::uint8_t(random());
        else
            PutBigEndian16(file, fields[pick(3)], int(anyOf({0, 1, 8, 16, 32, -1, std::int64_t(random() % 65536)})));
        break;
    }
    case 4: {  // a channel record's length
        const std::size_t at = base.lengthFields[pick(base.lengthFields.size())];
        const std::int64_t length = (file[at] << 8) | file[at + 1];
        PutBigEndian16(file, at, int(anyOf({0, 1, length - 1, length + 1, length + 2, width * 30 - 1, width * 30,
                                            0xFFFF, std::int64_t(random() % 65536)})));
        break;
    }
    case 5: {  // a scanline offset
        const std::size_t entry = off::kOffsetTable + 4 * pick(std::size_t(base.image.height));
        const std::int64_t now = GetBigEndian32(file, entry);
        PutBigEndian32(file, entry,
                       std::uint32_t(anyOf({0, 740, now - 1, now + 1, now + 2, std::int64_t(file.size()) - 1,
                                            std::int64_t(file.size()), 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
                                            std::int64_t(random())})));
        break;
    }
    default: {  // the channel list, or a P or D block field
        const std::size_t choice = pick(3);
        if (choice == 0) {
            const char letters[] = "ZEOUNRCBIGTVWMPDL() z";
            file[off::kProducer + pick(64)] = std::uint8_t(letters[pick(sizeof letters - 1)]);
        } else if (base.blocksAt + 8 <= file.size()) {
            const std::size_t at = base.blocksAt + 4 * pick(choice == 1 ? 2 : 70);
            if (at + 4 <= file.size())
                PutLittleEndian32(file, at, std::uint32_t(anyOf({0, 1, 2, 3, 1000, 0x3E8, 0xFFFFFFFF,
                                                                 std::int64_t(random() % 4096)})));
        }
        break;
    }
    }
}

// The file cut short or extended by random bytes.
void Resize(Bytes& file, std::mt19937& random)
{
    if (random() % 2 == 0)
        file.resize(random() % file.size());
    else
        file.resize(file.size() + 1 + random() % 64, std::uint8_t(random()));
}

}  // namespace

TEST(Robustness, EveryPrefixOfAValidFileIsReported)
{
    TempDir dir;
    const std::string path = dir.File("prefix.rpf");
    for (const BaseFile& base : BaseFiles()) {
        bool loaded = false;
        ASSERT_TRUE(LoadsOrReports(dir.Write("prefix.rpf", base.bytes), true, loaded));
        ASSERT_TRUE(loaded);
        QuietCout quiet;
        for (std::size_t size = 0; size < base.bytes.size(); ++size) {
            dir.Write("prefix.rpf", Bytes(base.bytes.begin(), base.bytes.begin() + std::ptrdiff_t(size)));
            ASSERT_TRUE(LoadsOrReports(path, size % 2 == 0, loaded)) << "prefix of " << size << " bytes";
            ASSERT_FALSE(loaded) << "prefix of " << size << " bytes";
        }
    }
}

TEST(Robustness, SeededCorruptionsEndInAReportOrACleanLoad)
{
    // A corrupted size field can describe an image far larger than the file.
    // The reader accepts anything whose buffers stay within 32-bit byte
    // counts, and zero-fills them before finding out the rows are missing;
    // such cases would only measure the machine's memory, so they are
    // counted and skipped here rather than loaded.
    constexpr std::int64_t kMaxPixels = std::int64_t(1) << 20;
    constexpr int kCases = 4000;

    TempDir dir;
    const std::string path = dir.File("corrupt.rpf");
    const std::vector<BaseFile> bases = BaseFiles();
    std::mt19937 random(20261207);
    int loadedCount = 0, reportedCount = 0, skipped = 0;
    QuietCout quiet;
    for (int i = 0; i < kCases; ++i) {
        const BaseFile& base = bases[std::size_t(i) % bases.size()];
        Bytes bytes = base.bytes;
        for (int changes = 1 + int(random() % 3); changes > 0; --changes)
            Corrupt(bytes, base, random);
        if (random() % 8 == 0)
            Resize(bytes, random);
        if (HeaderPixels(bytes) > kMaxPixels) {
            ++skipped;
            continue;
        }
        dir.Write("corrupt.rpf", bytes);
        bool loaded = false;
        ASSERT_TRUE(LoadsOrReports(path, i % 4 != 0, loaded)) << "case " << i;
        ++(loaded ? loadedCount : reportedCount);
    }
    // Both outcomes must be common, or the corruptions test nothing.
    EXPECT_GT(loadedCount, kCases / 20);
    EXPECT_GT(reportedCount, kCases / 4);
    EXPECT_LT(skipped, kCases / 20);
}
