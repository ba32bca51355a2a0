// The EXR of a float file keeps the file's colour and alpha floats bit for
// bit, checked through OpenImageIO: oiiotool reads our EXR and writes what it
// read as a float RLA, whose raw floats our reader takes as they stand.
// Float files come both from our writer (big-endian) and from oiiotool
// (little-endian, values over 1 and negative).
#include "RLA.h"
#include "RpfWriter.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace {

using toolstest::RunProgram;
using toolstest::TempDir;

std::unique_ptr<RLA> Load(const std::string& path)
{
    auto image = std::make_unique<RLA>();
    image->Leer(path.c_str(), true);
    return image;
}

std::uint32_t Bits(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float FromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// What OpenImageIO reads from exr, colour (and alpha) only, written as a
// float RLA and loaded by our reader.
std::unique_ptr<RLA> ReadBackThroughOiio(const TempDir& dir, const std::string& exr, bool alpha)
{
    const std::string back = dir.File("back.rla");
    const toolstest::RunResult run =
        RunProgram("oiiotool", {exr, "--ch", alpha ? "R,G,B,A" : "R,G,B", "-d", "float", "-o", back});
    EXPECT_EQ(run.exitCode, 0) << "oiiotool (Debian package openimageio-tools) must be installed: " << run.err;
    const std::string rpf = dir.File("back.rpf");
    std::filesystem::remove(rpf);
    std::filesystem::copy_file(back, rpf);
    return Load(rpf);
}

// Every float of the colour and alpha of two loaded images, bit for bit.
::testing::AssertionResult SameFloats(const RLA& expected, const RLA& got, int components)
{
    if (expected.ColourFloats() == nullptr || got.ColourFloats() == nullptr)
        return ::testing::AssertionFailure() << "not a float file";
    if (expected.ancho != got.ancho || expected.alto != got.alto)
        return ::testing::AssertionFailure() << "size " << got.ancho << "x" << got.alto;
    const std::size_t pixels = std::size_t(expected.ancho) * std::size_t(expected.alto);
    for (std::size_t p = 0; p < pixels; ++p) {
        for (int c = 0; c < components; ++c) {
            const float want = expected.ColourFloats()[p * 4 + std::size_t(c)];
            const float have = got.ColourFloats()[p * 4 + std::size_t(c)];
            if (Bits(want) != Bits(have))
                return ::testing::AssertionFailure() << "pixel " << p << " component " << c << ": " << have
                                                     << " (0x" << std::hex << Bits(have) << "), file holds " << want
                                                     << " (0x" << Bits(want) << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(ExrFloats, OurBigEndianFloatFilesGoOutBitForBit)
{
    TempDir dir;
    rpfgen::RpfImage image;
    image.width = 67;
    image.height = 5;
    image.colourBits = 32;
    image.alpha = true;
    const float inf = std::numeric_limits<float>::infinity();
    const std::vector<float> edges = {8.0f, 0.9017532f, -0.25f, 1e-14f, inf, -inf, FromBits(0x7FC01234u),
                                      65504.5f, 1.0f, 0.0f, -0.0f, 1.5e-40f};
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = std::size_t(y * image.width + x);
            const float shade = float((x * 13 + y * 7) % 101) / 37.0f - 0.3f;
            image.red.push_back(y == 0 && std::size_t(x) < edges.size() ? edges[std::size_t(x)] : shade);
            image.green.push_back(shade * 3.0f);
            image.blue.push_back(-shade);
            image.alphaValues.push_back(i % 3 == 0 ? 1.25 : 0.5);
        }
    }
    const std::string in = dir.File("render.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, image));
    const auto original = Load(in);
    ASSERT_FALSE(original->floats_little_endian);
    ASSERT_EQ(Bits(original->ColourFloats()[6 * 4]), 0x7FC01234u) << "the writer keeps the NaN's payload";

    // The default, then every other compression that keeps values.
    for (const char* compression : {"", "none", "rle", "zips", "piz", "zip"}) {
        SCOPED_TRACE(compression);
        const std::string exr = dir.File(std::string("render") + compression + ".exr");
        std::vector<std::string> args = {in, exr};
        if (*compression != '\0')
            args.insert(args.begin(), {"--compression", compression});
        const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(SameFloats(*original, *ReadBackThroughOiio(dir, exr, true), 4));

        const toolstest::RunResult info = RunProgram("iinfo", {"-v", exr});
        ASSERT_EQ(info.exitCode, 0) << info.err;
        // Every channel FLOAT: OpenImageIO names the file's type once.
        for (const char* listed : {"4 channel, float openexr", "channel list: R, G, B, A\n"})
            EXPECT_NE(info.out.find(listed), std::string::npos) << listed << " in\n" << info.out;
        const std::string named = std::string("compression: \"") + (*compression ? compression : "zip");
        EXPECT_NE(info.out.find(named), std::string::npos) << named << " in\n" << info.out;
    }
}

TEST(ExrFloats, CompressionNamesAreCheckedAndOnlyForExr)
{
    TempDir dir;
    rpfgen::RpfImage image;
    image.width = 4;
    image.height = 2;
    image.colourBits = 32;
    const std::string in = dir.File("small.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, image));
    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--compression", "lzw", in, dir.File("a.exr")}).exitCode, 2);
    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--compression", "piz", in, dir.File("a.png")}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.exr")));
    // A lossy one is written as asked.
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--compression", "pxr24", in, dir.File("b.exr")}).exitCode, 0);
    const toolstest::RunResult info = RunProgram("iinfo", {"-v", dir.File("b.exr")});
    EXPECT_NE(info.out.find("compression: \"pxr24\""), std::string::npos) << info.out;
}

TEST(ExrFloats, OiiotoolLittleEndianFloatFilesGoOutBitForBit)
{
    TempDir dir;
    for (const bool alpha : {true, false}) {
        SCOPED_TRACE(alpha ? "RGBA" : "RGB");
        // A gradient from -0.5 to 8 with noise: over 1, negative and fine
        // fractions that no word keeps.
        const std::string channels = alpha ? "4" : "3";
        const std::string corners = alpha ? ":topleft=-0.5,0,8,1:topright=8,2.5,-0.25,0.5:bottomleft=0.9017532,4,0,2"
                                            ":bottomright=0,-1,1,0"
                                          : ":topleft=-0.5,0,8:topright=8,2.5,-0.25:bottomleft=0.9017532,4,0"
                                            ":bottomright=0,-1,1";
        const std::string rla = dir.File("hdr.rla");
        const toolstest::RunResult write =
            RunProgram("oiiotool", {"--pattern", "fill" + corners, "97x13", channels, "--pattern",
                                    "noise:type=uniform:min=0:max=0.01:seed=3", "97x13", channels, "--add", "-d",
                                    "float", "-o", rla});
        ASSERT_EQ(write.exitCode, 0) << write.err;
        const std::string in = dir.File(alpha ? "hdr_rgba.rpf" : "hdr_rgb.rpf");
        std::filesystem::copy_file(rla, in);

        const std::string exr = dir.File("hdr.exr");
        const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, {in, exr});
        ASSERT_EQ(run.exitCode, 0) << run.err;

        const auto original = Load(in);
        ASSERT_TRUE(original->floats_little_endian);
        float highest = 0, lowest = 0;
        for (std::size_t i = 0; i < std::size_t(97 * 13 * 4); ++i) {
            highest = std::max(highest, original->ColourFloats()[i]);
            lowest = std::min(lowest, original->ColourFloats()[i]);
        }
        ASSERT_GT(highest, 7.0f);
        ASSERT_LT(lowest, -0.5f);
        EXPECT_TRUE(SameFloats(*original, *ReadBackThroughOiio(dir, exr, alpha), alpha ? 4 : 3));
    }
}
