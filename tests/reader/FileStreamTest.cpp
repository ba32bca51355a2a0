#include "FileStream.h"
#include "ReaderTestSupport.h"

#include <unistd.h>

using readertest::IsReport;
using readertest::OpenDescriptorCount;
using readertest::ReportOf;
using readertest::TempDir;

namespace {

// A file larger than the stream's window, each byte telling its position.
std::vector<std::uint8_t> PatternBytes(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t((i * 7 + i / 251) & 0xFF);
    return bytes;
}

::testing::AssertionResult SameBytes(const std::vector<std::uint8_t>& file, std::size_t at,
                                     const std::vector<std::uint8_t>& got)
{
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (got[i] != file[at + i])
            return ::testing::AssertionFailure() << "byte " << at + i << " is " << int(got[i]) << ", expected "
                                                 << int(file[at + i]);
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(FileStream, MissingFileReportsSite18AndLeavesNothingOpen)
{
    TempDir dir;
    const int before = OpenDescriptorCount();
    std::string text = ReportOf([&] { FileStream stream(dir.File("absent.rpf").c_str()); });
    EXPECT_TRUE(IsReport(text, "FileStream::FileStream()", "FileStream", 18, "No such file or directory"));
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(FileStream, UnreadableFileSaysPermissionDenied)
{
    TempDir dir;
    const std::string path = dir.Write("locked.rpf", {1, 2, 3});
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (access(path.c_str(), R_OK) == 0)
        GTEST_SKIP() << "this user reads files whatever their permissions";
    EXPECT_TRUE(IsReport(ReportOf([&] { FileStream stream(path.c_str()); }), "FileStream::FileStream()", "FileStream",
                         18, "Permission denied"));
}

TEST(FileStream, DirectoryCannotBeOpened)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder.rpf"));
    EXPECT_TRUE(IsReport(ReportOf([&] { FileStream stream(dir.File("folder.rpf").c_str()); }),
                         "FileStream::FileStream()", "FileStream", 18, "Is a directory"));
}

TEST(FileStream, ReadsExactCountsAndReportsShortReads)
{
    TempDir dir;
    std::string path = dir.Write("data.bin", {1, 2, 3, 4, 5});
    FileStream stream(path.c_str());
    unsigned char buffer[8] = {};
    EXPECT_NE(stream.Leer(buffer, 0), 0);  // zero bytes: succeeds, changes nothing
    EXPECT_NE(stream.Leer(buffer, 2), 0);
    EXPECT_EQ(buffer[0], 1);
    EXPECT_EQ(buffer[1], 2);
    EXPECT_EQ(stream.Seek(-2, kSeekFromCurrent), 0);  // back over the two bytes just read
    EXPECT_NE(stream.Leer(buffer, 3), 0);
    EXPECT_EQ(buffer[2], 3);
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(buffer, 3); }), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
    // At the end of the file, even one byte is a short read.
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(buffer, 1); }), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
}

TEST(FileStream, SeekOriginsAndFailures)
{
    TempDir dir;
    std::string path = dir.Write("data.bin", {10, 11, 12, 13});
    FileStream stream(path.c_str());
    unsigned char byte = 0;
    stream.Seek(-1, kSeekFromEnd);
    stream.Leer(&byte, 1);
    EXPECT_EQ(byte, 13);
    stream.Seek(1, kSeekFromStart);
    stream.Leer(&byte, 1);
    EXPECT_EQ(byte, 11);
    // A seek past the end is no failure; the next read is a short one.
    EXPECT_EQ(stream.Seek(100, kSeekFromStart), 0);
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(&byte, 1); }), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Seek(-5, kSeekFromStart); }), "FileStream::Seek() offset=-5origin=0",
                         "FileStream", 42));
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Seek(0x7FFFFFFF, kSeekFromStart); stream.Seek(1, kSeekFromCurrent); }),
                         "FileStream::Seek() offset=1origin=1", "FileStream", 42));
}

TEST(FileStream, ReadsAnywhereInAFileLargerThanItsWindow)
{
    TempDir dir;
    const std::size_t size = 3 * std::size_t(FileStream::kWindowBytes) + 12345;
    const std::vector<std::uint8_t> file = PatternBytes(size);
    const std::string path = dir.Write("large.bin", file);
    FileStream stream(path.c_str());

    // Scanline by scanline from the end of the file back to its start, each
    // read forwards, as the loader walks a file stored bottom row first.
    const std::size_t scanline = 70001;
    std::vector<std::uint8_t> got(scanline);
    for (std::size_t end = size; end > 0;) {
        const std::size_t at = end > scanline ? end - scanline : 0;
        got.resize(end - at);
        stream.Seek(std::int32_t(at), kSeekFromStart);
        stream.Leer(got.data(), std::int32_t(got.size()));
        ASSERT_TRUE(SameBytes(file, at, got)) << "scanline ending at " << end;
        end = at;
    }

    // Reads of every size class at seeded positions: inside one window,
    // across a window's end, as long as the window and longer, and relative
    // seeks in both directions between them.
    std::mt19937 random(7);
    std::size_t position = 0;
    stream.Seek(0, kSeekFromStart);
    for (int i = 0; i < 400; ++i) {
        const std::size_t sizes[] = {1, 2, 700, std::size_t(FileStream::kWindowBytes) - 1,
                                     std::size_t(FileStream::kWindowBytes), std::size_t(FileStream::kWindowBytes) + 3};
        const std::size_t length = sizes[random() % 6];
        const std::size_t at = random() % (size - length + 1);
        if (random() % 2 == 0)
            stream.Seek(std::int32_t(at), kSeekFromStart);
        else
            stream.Seek(std::int32_t(std::int64_t(at) - std::int64_t(position)), kSeekFromCurrent);
        got.resize(length);
        stream.Leer(got.data(), std::int32_t(length));
        ASSERT_TRUE(SameBytes(file, at, got)) << length << " bytes at " << at;
        position = at + length;
    }

    // A read that the file ends in the middle of is a short read, however
    // much of it the window held.
    stream.Seek(-10, kSeekFromEnd);
    got.resize(11);
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(got.data(), 11); }), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
    stream.Seek(-10, kSeekFromEnd);
    got.resize(10);
    stream.Leer(got.data(), 10);
    EXPECT_TRUE(SameBytes(file, size - 10, got));
}

TEST(FileStream, CloseIsIdempotentAndQueryAnswersZero)
{
    TempDir dir;
    std::string path = dir.Write("data.bin", {1});
    const int before = OpenDescriptorCount();
    {
        FileStream stream(path.c_str());
        EXPECT_EQ(OpenDescriptorCount(), before + 1);
        EXPECT_EQ(stream.Query(), 0);
        unsigned char byte = 0;
        stream.Leer(&byte, 1);
        EXPECT_NE(stream.Close(), 0);
        EXPECT_EQ(stream.Close(), 0);
        EXPECT_EQ(OpenDescriptorCount(), before);
        // A closed stream reads and seeks nothing, not even what it held.
        EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(&byte, 1); }), "FileStream::Leer() =0", "FileStream", 33));
        EXPECT_TRUE(IsReport(ReportOf([&] { stream.Seek(0, kSeekFromStart); }), "FileStream::Seek() offset=0origin=0",
                             "FileStream", 42));
    }
    {
        FileStream stream(path.c_str());
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}
