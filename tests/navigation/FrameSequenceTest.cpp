#include "FrameSequence.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::string> Paths(const FrameSequence& sequence)
{
    std::vector<std::string> paths;
    for (const auto& frame : sequence.Frames())
        paths.push_back(frame.path);
    return paths;
}

}  // namespace

TEST(FrameSequence, NumberIsTheLastRunOfDigitsBeforeTheEnding)
{
    struct Case {
        const char* path;
        const char* before;
        const char* digits;
        const char* after;
        std::int64_t number;
    };
    const Case cases[] = {
        {"name.0042.rpf", "name.", "0042", ".rpf", 42},
        {"name_42.rpf", "name_", "42", ".rpf", 42},
        {"name0042.rpf", "name", "0042", ".rpf", 42},
        {"shot-0042.rpf", "shot-", "0042", ".rpf", 42},  // the dash separates, it is no sign
        {"v3_beauty_0007.rpf", "v3_beauty_", "0007", ".rpf", 7},
        {"beauty_0007_v2.rpf", "beauty_0007_v", "2", ".rpf", 2},
        {"/renders/shot_010/beauty.0001.rpf", "/renders/shot_010/beauty.", "0001", ".rpf", 1},
        {"f999999999.rpf", "f", "999999999", ".rpf", 999999999},
        {"12", "", "12", "", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const auto name = ParseFrameName(c.path);
        ASSERT_TRUE(name);
        EXPECT_EQ(name->before, c.before);
        EXPECT_EQ(name->digits, c.digits);
        EXPECT_EQ(name->after, c.after);
        EXPECT_EQ(name->number, c.number);
    }
    // Ten digits are a date or an ID; a folder's number is no frame's.
    EXPECT_FALSE(ParseFrameName("render_2026120815.rpf"));
    EXPECT_FALSE(ParseFrameName("/shot_010/beauty.rpf"));
    EXPECT_FALSE(ParseFrameName("C:\\shot_010\\beauty.rpf"));
    EXPECT_FALSE(ParseFrameName(".rpf"));
}

TEST(FrameSequence, PlaysItsOwnFilesInNumberOrderWhateverThePadding)
{
    // A folder listing in byte order: two passes interleaved, unpadded numbers
    // (f10 sorts before f9), a crossing into five digits, and a version that
    // only looks alike.
    const std::vector<std::string> folder = {
        "/r/beauty_10.rpf", "/r/beauty_9.rpf",   "/r/beauty_9999.rpf", "/r/beauty_10000.rpf",
        "/r/shadow_9.rpf",  "/r/shadow_10.rpf", "/r/v3_beauty_9.rpf", "/r/beauty_9.exr.rpf",
    };
    std::vector<std::string> byteOrder = folder;
    std::sort(byteOrder.begin(), byteOrder.end());

    const FrameSequence beauty = FrameSequence::Of(byteOrder, "/r/beauty_9999.rpf");
    EXPECT_EQ(Paths(beauty), (std::vector<std::string>{"/r/beauty_9.rpf", "/r/beauty_10.rpf", "/r/beauty_9999.rpf",
                                                        "/r/beauty_10000.rpf"}));
    EXPECT_EQ(beauty.FirstNumber(), 9);
    EXPECT_EQ(beauty.LastNumber(), 10000);
    EXPECT_EQ(beauty.MissingCount(), 10000 - 9 + 1 - 4);
    EXPECT_EQ(beauty.IndexOfPath("/r/beauty_10.rpf"), 1u);
    EXPECT_EQ(beauty.IndexOfNumber(9999), 2u);
    EXPECT_FALSE(beauty.IndexOfNumber(11));

    EXPECT_EQ(Paths(FrameSequence::Of(byteOrder, "/r/shadow_10.rpf")),
              (std::vector<std::string>{"/r/shadow_9.rpf", "/r/shadow_10.rpf"}));
    EXPECT_TRUE(FrameSequence::Of(byteOrder, "/r/untitled.rpf").Empty());
    EXPECT_EQ(Paths(FrameSequence::Of({"/r/only_0005.rpf"}, "/r/only_0005.rpf")),
              std::vector<std::string>{"/r/only_0005.rpf"});
}

TEST(FrameSequence, OfTwoFilesGivingOneNumberTheFirstInByteOrderPlays)
{
    const std::vector<std::string> byteOrder = {"f_0042.rpf", "f_0043.rpf", "f_042.rpf", "f_42.rpf", "f_44.rpf"};
    const FrameSequence sequence = FrameSequence::Of(byteOrder, "f_42.rpf");
    EXPECT_EQ(Paths(sequence), (std::vector<std::string>{"f_0042.rpf", "f_0043.rpf", "f_44.rpf"}));
    // The skipped name is no frame of the sequence, though it names one.
    EXPECT_FALSE(sequence.IndexOfPath("f_42.rpf"));
}

TEST(FrameSequence, WritesNumbersWithTheSequencesPadding)
{
    const FrameSequence padded = FrameSequence::Of({"b.0001.rpf", "b.0240.rpf"}, "b.0001.rpf");
    EXPECT_EQ(padded.Written(43), "0043");
    EXPECT_EQ(padded.Written(12345), "12345");
    EXPECT_EQ(padded.MissingCount(), 238);
    const FrameSequence unpadded = FrameSequence::Of({"b10.rpf", "b9.rpf"}, "b9.rpf");
    EXPECT_EQ(unpadded.Written(7), "7");
    EXPECT_EQ(unpadded.MissingCount(), 0);
}
