// Small files that declare huge images or name blocks: each load must end in
// a report or a clean load without the process's peak memory passing 300 MB.
// Every load runs in a forked child, whose peak resident size the parent
// reads from wait4; the child's address space is capped a gigabyte above
// what it already maps, so that the memory budget meets the same limit on
// any machine. AddressSanitizer reserves terabytes of address space and
// cannot run under such a cap: those cases are skipped in its builds.
#include "ReaderTestSupport.h"
#include "ZeroedBuffer.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

using namespace readertest;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

constexpr long kPeakLimitKiB = 300 * 1024;
constexpr std::uint64_t kAddressRoom = std::uint64_t(1) << 30;

struct ChildLoad {
    std::string outcome;  // "loaded N" (N names) or the report
    long peakKiB = 0;
};

// Loads path in a forked child, optionally with BRIMWELL_MAX_PIXELS set and
// with its address space capped kAddressRoom above what it maps now.
ChildLoad LoadInChild(const std::string& path, bool keepImage, bool capAddressSpace, const char* maxPixels = nullptr)
{
    // The child starts with this process's resident memory: the memory kept
    // from earlier tests' frames would count as the child's load.
    ZeroedBuffer::ReleaseKept();
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (maxPixels != nullptr)
            setenv("BRIMWELL_MAX_PIXELS", maxPixels, 1);
        if (capAddressSpace) {
            std::uint64_t pages = 0;
            std::ifstream("/proc/self/statm") >> pages;
            const rlim_t cap = rlim_t(pages * std::uint64_t(sysconf(_SC_PAGESIZE)) + kAddressRoom);
            const struct rlimit limit = {cap, cap};
            if (setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(3);
        }
        std::string outcome;
        try {
            RLA rla;
            rla.Leer(path.c_str(), keepImage);
            outcome = "loaded " + std::to_string(rla.names.size());
        } catch (const std::exception& report) {
            outcome = report.what();
        }
        const ssize_t written = write(fds[1], outcome.data(), outcome.size());
        _exit(written == ssize_t(outcome.size()) ? 0 : 4);
    }
    close(fds[1]);
    ChildLoad result;
    char chunk[4096];
    for (ssize_t got; (got = read(fds[0], chunk, sizeof chunk)) > 0;)
        result.outcome.append(chunk, std::size_t(got));
    close(fds[0]);
    int status = 0;
    struct rusage usage = {};
    EXPECT_EQ(wait4(pid, &status, 0, &usage), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child status " << status;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

// A file of width x height pixels whose every row points at the one record
// of a single-row image with the given producer text: a few kilobytes that
// declare the whole image.
std::vector<std::uint8_t> SharedRowFile(int width, int height, const std::string& producer)
{
    rpfgen::RpfImage row;
    row.width = width;
    row.height = 1;
    row.producer = producer;
    const std::vector<std::uint8_t> one = rpfgen::EncodeRpf(row);
    const std::size_t tableAt = rpfgen::offsets::kOffsetTable;
    std::vector<std::uint8_t> bytes(one.begin(), one.begin() + long(tableAt));
    PutBigEndian16(bytes, rpfgen::offsets::kActiveBottom, 0);
    PutBigEndian16(bytes, rpfgen::offsets::kActiveTop, height - 1);
    const std::size_t recordAt = tableAt + 4 * std::size_t(height);
    bytes.resize(recordAt);
    for (int r = 0; r < height; ++r)
        PutBigEndian32(bytes, tableAt + 4 * std::size_t(r), std::uint32_t(recordAt));
    bytes.insert(bytes.end(), one.begin() + long(tableAt + 4), one.end());
    return bytes;
}

// A small image with a D block of count names in size bytes of NULs, written
// as a hole of the file: the D block costs no disk however large it claims
// to be. The rows' records follow it, their offsets moved past it.
std::string WriteDBlockFile(const TempDir& dir, const std::string& name, std::uint32_t count, std::uint32_t size)
{
    rpfgen::RpfImage image;
    image.width = 5;
    image.height = 3;
    image.producer = "Renderer (D)";
    const std::vector<std::uint8_t> plain = rpfgen::EncodeRpf(image);  // an empty D block: count and size 0
    const std::size_t countAt = rpfgen::offsets::kOffsetTable + 4 * std::size_t(image.height);
    const std::size_t dataAt = countAt + 8;
    std::vector<std::uint8_t> head(plain.begin(), plain.begin() + long(dataAt));
    PutLittleEndian32(head, countAt, count);
    PutLittleEndian32(head, countAt + 4, size);
    for (int r = 0; r < image.height; ++r) {
        const std::size_t at = rpfgen::offsets::kOffsetTable + 4 * std::size_t(r);
        PutBigEndian32(head, at, std::uint32_t(GetBigEndian32(head, at) + size));
    }
    const std::string path = dir.Write(name, head);
    std::filesystem::resize_file(path, dataAt + size);
    std::ofstream(path, std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(plain.data() + dataAt), long(plain.size() - dataAt));
    return path;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

}  // namespace

TEST(MemoryBombs, DeclaredImagesAreWeighedBeforeAnythingIsAllocated)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "address-space limits and AddressSanitizer do not mix";
    TempDir dir;
    // The largest image the pixel cap lets through, 2^28 pixels: 8 GiB of
    // colour, viewer bitmaps and the Z, C, I and V buffers every load has do
    // not fit the gigabyte left.
    const std::string colour = dir.Write("colour.rpf", SharedRowFile(16384, 16384, "Renderer"));
    ASSERT_LT(std::filesystem::file_size(colour), 200u * 1024u);
    const ChildLoad viewed = LoadInChild(colour, true, true);
    EXPECT_EQ(viewed.outcome.find("RLA::ReadHeader() not enough memory for a 16384x16384 image: needs 7936 MiB, "
                                  "available "),
              0u)
        << viewed.outcome;
    EXPECT_NE(viewed.outcome.find("\nRLA_Reader/RLA.cpp:49\n"), std::string::npos) << viewed.outcome;
    EXPECT_LT(viewed.peakKiB, kPeakLimitKiB);

    // The same with Z, C, I and V read for their values alone, as rpfinfo
    // does: 15 bytes a pixel.
    const std::string channels = dir.Write("zciv.rpf", SharedRowFile(16384, 16384, "Renderer (ZCIV)"));
    const ChildLoad counted = LoadInChild(channels, false, true);
    EXPECT_EQ(counted.outcome.find("RLA::ReadHeader() not enough memory for a 16384x16384 image: needs 3840 MiB"),
              0u)
        << counted.outcome;
    EXPECT_LT(counted.peakKiB, kPeakLimitKiB);

    // A quarter of the side fits, and loads whole: 16 M pixels of 8 bytes.
    const std::string fits = dir.Write("fits.rpf", SharedRowFile(4096, 4096, "Renderer"));
    const ChildLoad loaded = LoadInChild(fits, true, true);
    EXPECT_EQ(loaded.outcome, "loaded 0");
    EXPECT_LT(loaded.peakKiB, kPeakLimitKiB);

    // The pixel cap comes from the environment.
    const ChildLoad capped = LoadInChild(fits, true, true, "16000000");
    EXPECT_EQ(capped.outcome, "RLA::ReadHeader() image too large: 4096x4096 = 16777216 pixels, limit 16000000 "
                              "pixels (BRIMWELL_MAX_PIXELS)\nRLA_Reader/RLA.cpp:48\n");
}

// The Z, C, I and V buffers are allocated for every load, whether the file
// holds them or not: untouched they cost no memory, but they take address
// space, so under an address-space cap they are weighed, and the refusal is
// the budget's report rather than a failed allocation.
TEST(MemoryBombs, AlwaysAllocatedChannelsAreWeighedUnderAnAddressSpaceCap)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "address-space limits and AddressSanitizer do not mix";
    TempDir dir;
    // 50 M pixels: 16 bytes a pixel of colour and bitmaps (768 MiB) fit the
    // gigabyte left, the 15 of Z, C, I and V on top (1488 MiB) do not.
    const std::string colour = dir.Write("colour.rpf", SharedRowFile(8192, 6144, "Renderer"));
    const ChildLoad viewed = LoadInChild(colour, true, true);
    EXPECT_EQ(FirstLine(viewed.outcome).rfind("RLA::ReadHeader() not enough memory for a 8192x6144 image: needs "
                                              "1488 MiB, available ",
                                              0),
              0u)
        << viewed.outcome;
}

TEST(MemoryBombs, DBlocksPastTheirLimitsAreReportedAndOneAtTheLimitLoads)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::uint32_t count;
        std::uint32_t size;
        std::string firstLine;
    };
    const std::vector<Case> cases = {
        {"gigabyte.rpf", 1, 1u << 30, "RLA::ReadDBlock() name data too large: size=1073741824, limit 67108864"},
        {"empty32m.rpf", 32u << 20, 32u << 20, "RLA::ReadDBlock() too many names: count=33554432, limit 1048576"},
        {"empty256m.rpf", 256u << 20, 256u << 20, "RLA::ReadDBlock() too many names: count=268435456, limit 1048576"},
        {"million.rpf", 1u << 20, 1u << 20, "loaded 1048576"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildLoad result = LoadInChild(WriteDBlockFile(dir, c.name, c.count, c.size), true, false);
        EXPECT_EQ(FirstLine(result.outcome), c.firstLine);
        EXPECT_LT(result.peakKiB, kPeakLimitKiB);
    }
}
