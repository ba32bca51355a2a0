// rpfinfo run as scripts run it: its output for files that load, its report
// and exit status for files that do not.
#include "RpfWriter.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace {

using toolstest::RunProgram;
using toolstest::TempDir;

rpfgen::RpfImage SmallImage(int width, int height, int colourBits, bool alpha, const std::string& producer)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.colourBits = colourBits;
    image.alpha = alpha;
    image.producer = producer;
    const double top = colourBits == 32 ? 1.0 : colourBits == 16 ? 65535 : 255;
    for (int i = 0; i < width * height; ++i) {
        image.red.push_back(colourBits == 32 ? 0.25 : std::round(top / 4));
        image.green.push_back(i % 2 == 0 ? top : 0);
        image.blue.push_back(0);
    }
    return image;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(RpfInfo, PrintsOneLabelledLinePerFieldWithBlankLinesBetweenFiles)
{
    TempDir dir;
    rpfgen::RpfImage deep = SmallImage(7, 5, 16, true, "Test \"q\" \\ (ZIPD)");
    deep.matteBits = 16;
    deep.dNames = {"one", "two words", "tab\there"};
    const std::string deepPath = dir.File("deep.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(deepPath, deep));

    const std::string plainPath = dir.File("plain.RPF");
    ASSERT_TRUE(rpfgen::WriteRpf(plainPath, SmallImage(3, 2, 8, false, "plain")));

    // Float colour reads a float alpha whatever the matte depth field says.
    std::vector<std::uint8_t> floats = rpfgen::EncodeRpf(SmallImage(4, 1, 32, true, "float (CL)"));
    floats[rpfgen::offsets::kMatteBits] = 0;
    floats[rpfgen::offsets::kMatteBits + 1] = 8;
    const std::string floatPath = dir.Write("float.rpf", floats);

    const toolstest::RunResult result = RunProgram(RPFINFO_PATH, {deepPath, plainPath, floatPath});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out,
              "file: " + deepPath + "\n"
              "width: 7\n"
              "height: 5\n"
              "producer: Test \\\"q\\\" \\\\ (ZIPD)\n"
              "colour-bits: 16\n"
              "matte-bits: 16\n"
              "channels: ZIPD\n"
              "names: \"one\" \"two words\" \"tab\\x09here\"\n"
              "\n"
              "file: " + plainPath + "\n"
              "width: 3\n"
              "height: 2\n"
              "producer: plain\n"
              "colour-bits: 8\n"
              "matte-bits: none\n"
              "channels:\n"
              "names:\n"
              "\n"
              "file: " + floatPath + "\n"
              "width: 4\n"
              "height: 1\n"
              "producer: float (CL)\n"
              "colour-bits: 32\n"
              "matte-bits: 32\n"
              "channels: CL\n"
              "names:\n");
}

TEST(RpfInfo, DescribesTheDemoSampleBuiltWithTheProject)
{
    const toolstest::RunResult result = RunProgram(RPFINFO_PATH, {DEMO_SAMPLE_PATH});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    const std::vector<std::string> lines = Lines(result.out);
    ASSERT_EQ(lines.size(), 8u) << result.out;
    EXPECT_EQ(lines[1], "width: 640");
    EXPECT_EQ(lines[2], "height: 480");
    EXPECT_EQ(lines[3], "producer: Brimwell demo (ZOUNCIVD)");
    EXPECT_EQ(lines[6], "channels: ZOUNCIVD");
    EXPECT_EQ(lines[7], "names: \"ground\" \"red sphere\" \"green sphere\" \"blue sphere\" \"gold sphere\"");
}

TEST(RpfInfo, ReportsFailuresOnStandardErrorAndGoesOnWithTheOtherFiles)
{
    TempDir dir;
    const std::vector<std::uint8_t> good = rpfgen::EncodeRpf(SmallImage(6, 4, 8, true, "good (Z)"));
    const std::string goodPath = dir.Write("good.rpf", good);
    const std::string truncatedPath =
        dir.Write("truncated.rpf", std::vector<std::uint8_t>(good.begin(), good.end() - 3));
    const std::string wrongNamePath = dir.Write("good.rla", good);
    const std::string missingPath = dir.File("missing.rpf");

    // Damaged scanlines are found when every scanline is decoded.
    const toolstest::RunResult result =
        RunProgram(RPFINFO_PATH, {"--stats", goodPath, truncatedPath, wrongNamePath, missingPath, goodPath});
    EXPECT_EQ(result.exitCode, 1);

    // Both good reports, in order, and nothing of the failed files.
    const std::vector<std::string> out = Lines(result.out);
    ASSERT_EQ(out.size(), 21u) << result.out;
    EXPECT_EQ(out[0], "file: " + goodPath);
    EXPECT_EQ(out[10], "");
    EXPECT_EQ(out[11], "file: " + goodPath);

    // Each failure is the path and the reader's two-line report; the reader's
    // diagnostic line for the failing Z plane (the last, lowest byte) comes
    // first, on the same stream.
    const std::vector<std::string> err = Lines(result.err);
    ASSERT_EQ(err.size(), 8u) << result.err;
    EXPECT_EQ(err[0], truncatedPath + ": RLA::ReadNChannels()i=0 n=4");
    EXPECT_EQ(err[1], truncatedPath + ": FileStream::Leer() leido != buffer_size");
    EXPECT_EQ(err[2], "RLA_Reader/FileStream.cpp:36");
    EXPECT_EQ(err[3], wrongNamePath + ": RLA::Leer. Not rpf file.");
    EXPECT_EQ(err[4], "RLA_Reader/RLA.cpp:25");
    EXPECT_EQ(err[5], missingPath + ": FileStream::FileStream()");
    EXPECT_EQ(err[6], "RLA_Reader/FileStream.cpp:18");
    EXPECT_EQ(err[7], "No such file or directory");
}

TEST(RpfInfo, UsageErrorsAndHelp)
{
    const toolstest::RunResult none = RunProgram(RPFINFO_PATH, {});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err.rfind("usage: rpfinfo [--stats] [--max-memory BYTES] FILE...", 0), 0u) << none.err;

    const toolstest::RunResult unknown = RunProgram(RPFINFO_PATH, {"--verbose", "x.rpf"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("--verbose"), std::string::npos);

    const toolstest::RunResult help = RunProgram(RPFINFO_PATH, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* label : {"file:", "width:", "height:", "producer:", "colour-bits:", "matte-bits:", "channels:",
                              "names:"})
        EXPECT_NE(help.out.find(label), std::string::npos) << label;

    // After "--" a name that looks like an option is a file.
    const toolstest::RunResult dashed = RunProgram(RPFINFO_PATH, {"--", "--help"});
    EXPECT_EQ(dashed.exitCode, 1);
    EXPECT_EQ(dashed.err.rfind("--help: RLA::Leer. Not rpf file.", 0), 0u) << dashed.err;
}

}  // namespace
