#include "FileStream.h"
#include "ReaderTestSupport.h"

using readertest::IsReport;
using readertest::OpenDescriptorCount;
using readertest::ReportOf;
using readertest::TempDir;

TEST(FileStream, MissingFileReportsSite18AndLeavesNothingOpen)
{
    TempDir dir;
    const int before = OpenDescriptorCount();
    std::string text = ReportOf([&] { FileStream stream(dir.File("absent.rpf").c_str()); });
    EXPECT_TRUE(IsReport(text, "FileStream::FileStream()", "FileStream", 18));
    EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST(FileStream, DirectoryCannotBeOpened)
{
    TempDir dir;
    std::filesystem::create_directory(dir.File("folder.rpf"));
    EXPECT_TRUE(IsReport(ReportOf([&] { FileStream stream(dir.File("folder.rpf").c_str()); }),
                         "FileStream::FileStream()", "FileStream", 18));
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
    EXPECT_EQ(stream.Seek(-2, 1), 0);  // back over the two bytes just read
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
    stream.Seek(-1, 2);
    stream.Leer(&byte, 1);
    EXPECT_EQ(byte, 13);
    stream.Seek(1, 0);
    stream.Leer(&byte, 1);
    EXPECT_EQ(byte, 11);
    // A seek past the end is no failure; the next read is a short one.
    EXPECT_EQ(stream.Seek(100, 0), 0);
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Leer(&byte, 1); }), "FileStream::Leer() leido != buffer_size",
                         "FileStream", 36));
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Seek(-5, 0); }), "FileStream::Seek() offset=-5origin=0",
                         "FileStream", 42));
    EXPECT_TRUE(IsReport(ReportOf([&] { stream.Seek(0x7FFFFFFF, 0); stream.Seek(1, 1); }),
                         "FileStream::Seek() offset=1origin=1", "FileStream", 42));
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
        EXPECT_NE(stream.Close(), 0);
        EXPECT_EQ(stream.Close(), 0);
        EXPECT_EQ(OpenDescriptorCount(), before);
    }
    {
        FileStream stream(path.c_str());
    }
    EXPECT_EQ(OpenDescriptorCount(), before);
}
