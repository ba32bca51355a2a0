// rpfdiff as a pipeline runs it: against OpenImageIO's idiff on plain RLA
// colour files both read, and on what only it knows (render channels,
// folders, files that cannot be read).
#include "ToolsTestSupport.h"

#include "RLA.h"
#include "RpfWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace {

using toolstest::RunProgram;
using toolstest::RunResult;
using toolstest::TempDir;

const std::string kRpfDiff = RPFDIFF_PATH;

// A seeded picture without alpha of colour depth bits, and a copy of it with
// `changed` pixels moved by amounts of every size, a few far over 1 for
// float files.
struct PicturePair {
    rpfgen::RpfImage a;
    rpfgen::RpfImage b;

    // The largest value of either picture, or 1.
    double Peak() const
    {
        double peak = 1.0;
        for (const rpfgen::RpfImage* image : {&a, &b})
            for (const std::vector<double>* plane : {&image->red, &image->green, &image->blue})
                for (double value : *plane)
                    peak = std::max(peak, value);
        return peak;
    }
};

PicturePair SeededPair(int bits, int changed, unsigned seed)
{
    PicturePair pair;
    rpfgen::RpfImage& a = pair.a;
    a.width = 64;
    a.height = 48;
    a.colourBits = bits;
    // OpenImageIO reads float RLA colour little-endian only; ours reads
    // either.
    a.floatsLittleEndian = bits == 32;
    std::mt19937 random(seed);
    const double full = bits == 8 ? 255 : bits == 16 ? 65535 : 1.0;
    auto value = [&] {
        const double v = std::uniform_real_distribution<double>(0.0, 1.0)(random) * full;
        return bits == 32 ? v : std::floor(v);
    };
    for (int i = 0; i < a.width * a.height; ++i) {
        a.red.push_back(value());
        a.green.push_back(value());
        a.blue.push_back(value());
    }
    pair.b = a;
    std::vector<double>* planes[] = {&pair.b.red, &pair.b.green, &pair.b.blue};
    for (int k = 0; k < changed; ++k) {
        const std::size_t pixel = random() % std::size_t(a.width * a.height);
        std::vector<double>& plane = *planes[random() % 3];
        plane[pixel] = value();
        if (bits == 32 && k % 7 == 0)
            plane[pixel] += 3.5;  // overbright
    }
    return pair;
}

struct IdiffFigures {
    int status = -1;
    bool hasFigures = false;
    double maxError = 0;
    double psnr = 0;
    long failing = -1;
};

// idiff prints the figures only when something differs by its thresholds.
IdiffFigures RunIdiff(const std::vector<std::string>& args)
{
    const RunResult run = RunProgram("idiff", args);
    IdiffFigures figures;
    figures.status = run.exitCode;
    std::smatch match;
    if (std::regex_search(run.out, match, std::regex(R"(Max error\s*=\s*(\S+))"))) {
        figures.hasFigures = true;
        figures.maxError = std::stod(match[1]);
    }
    if (std::regex_search(run.out, match, std::regex(R"(Peak SNR\s*=\s*(\S+))")))
        figures.psnr = std::stod(match[1]);
    // The second "over" line counts the pixels over the failure threshold.
    std::vector<long> over;
    const std::regex overLine(R"((\d+) pixels \([^)]*\) over)");
    for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), overLine); it != std::sregex_iterator(); ++it)
        over.push_back(std::stol((*it)[1]));
    if (over.size() == 2)
        figures.failing = over[1];
    return figures;
}

// One field of the colour channel from rpfdiff's JSON line.
double ColourField(const std::string& json, const std::string& field)
{
    const std::size_t colour = json.find("\"colour\": {");
    EXPECT_NE(colour, std::string::npos) << json;
    std::smatch match;
    const std::string rest = json.substr(colour, json.find('}', colour) - colour);
    if (!std::regex_search(rest, match, std::regex("\"" + field + "\": ([^,}]+)"))) {
        ADD_FAILURE() << field << " missing in " << json;
        return NAN;
    }
    return match[1] == "null" ? INFINITY : std::stod(match[1]);
}

bool HasIdiff()
{
    return std::system("idiff --help >/dev/null 2>&1") != 127 * 256;
}

TEST(RpfDiff, AgreesWithIdiffOnPlainColourFiles)
{
    if (!HasIdiff())
        GTEST_SKIP() << "idiff (Debian package openimageio-tools) is not installed";
    TempDir dir;
    // Thresholds chosen off the steps of 8- and 16-bit values, so that the
    // two tools' float and double arithmetic cannot fall either side.
    const std::vector<std::vector<std::string>> thresholdSets = {
        {},                                                   // any difference fails
        {"fail", "0.05", "warn", "0.01"},                     // some fail
        {"fail", "0.05", "failpercent", "5"},                 // failing, within the share: a warning
        {"fail", "0.3", "warn", "0.01", "failpercent", "0"},  // a few fail
        {"fail", "0.99", "warn", "0.01"},                     // over the warning threshold alone
    };
    for (int bits : {8, 16, 32}) {
        for (int changed : {0, 60}) {
            const PicturePair pair = SeededPair(bits, changed, unsigned(bits * 100 + changed));
            const std::string stem = dir.File(std::to_string(bits) + "_" + std::to_string(changed));
            ASSERT_TRUE(rpfgen::WriteRpf(stem + "_a.rpf", pair.a));
            ASSERT_TRUE(rpfgen::WriteRpf(stem + "_b.rpf", pair.b));
            std::filesystem::copy_file(stem + "_a.rpf", stem + "_a.rla");
            std::filesystem::copy_file(stem + "_b.rpf", stem + "_b.rla");
            // Identical pictures pass at any threshold: the default alone.
            const std::vector<std::vector<std::string>> sets =
                changed ? thresholdSets : std::vector<std::vector<std::string>>{thresholdSets.front()};
            for (const std::vector<std::string>& thresholds : sets) {
                std::vector<std::string> ours = {"--json"}, theirs = {"-v"};
                for (std::size_t i = 0; i < thresholds.size(); i += 2) {
                    ours.insert(ours.end(), {"--" + thresholds[i], thresholds[i + 1]});
                    theirs.insert(theirs.end(), {"-" + thresholds[i], thresholds[i + 1]});
                }
                ours.insert(ours.end(), {stem + "_a.rpf", stem + "_b.rpf"});
                theirs.insert(theirs.end(), {stem + "_a.rla", stem + "_b.rla"});
                SCOPED_TRACE(std::to_string(bits) + "-bit, " + std::to_string(changed) + " changed, thresholds " +
                             ::testing::PrintToString(thresholds));

                const IdiffFigures idiff = RunIdiff(theirs);
                const RunResult run = RunProgram(kRpfDiff, ours);
                EXPECT_EQ(run.exitCode, idiff.status) << run.out << run.err;
                ASSERT_TRUE(idiff.hasFigures);
                // idiff prints six significant digits: within 1e-6, or what
                // its print keeps of values over 0.2.
                EXPECT_NEAR(ColourField(run.out, "max"), idiff.maxError, std::max(1e-6, 5e-6 * idiff.maxError));
                EXPECT_EQ(long(ColourField(run.out, "failing")), idiff.failing);
                const double psnr = ColourField(run.out, "psnr");
                if (changed == 0) {
                    EXPECT_TRUE(std::isinf(psnr));  // identical; idiff then prints "inf"
                } else {
                    // Ours is on 0..1 whatever the values; idiff takes the
                    // largest value of float pictures over 1 for the peak.
                    const double peak = bits == 32 ? pair.Peak() : 1.0;
                    EXPECT_NEAR(psnr + 20.0 * std::log10(peak), idiff.psnr, 0.01);
                }
            }
        }
    }
}

rpfgen::RpfImage WithChannels(const std::string& producer, int width = 6, int height = 4)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.producer = producer;
    image.red.assign(std::size_t(width * height), 100);
    return image;
}

TEST(RpfDiff, RenderChannelsSizesAndFilesThatCannotBeRead)
{
    TempDir dir;
    const std::string plain = dir.File("plain.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(plain, WithChannels("r (ZI)")));
    // The same with coverage added: a failure naming the channel.
    const std::string covered = dir.File("covered.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(covered, WithChannels("r (ZCI)")));
    RunResult run = RunProgram(kRpfDiff, {plain, covered});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("C (coverage): FAILURE, only in \"" + covered + "\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Z (depth): identical"), std::string::npos) << run.out;

    // Node IDs differing in one pixel fail at any threshold.
    rpfgen::RpfImage ids = WithChannels("r (ZI)");
    ids.gbuffer[kChannelI].assign(6 * 4 * 2, 0);
    ids.gbuffer[kChannelI][2 * 9] = 5;  // (3, 1)
    const std::string otherIds = dir.File("ids.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(otherIds, ids));
    run = RunProgram(kRpfDiff, {"--fail", "100", "--json", plain, otherIds});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.out.find("\"I\": {\"status\": 2, \"pixels\": 24, \"differing\": 1, \"warning\": 1, \"failing\": 1"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"max_at\": [3, 1]"), std::string::npos) << run.out;

    // Sizes differ: 3, with the common area's figures.
    const std::string wide = dir.File("wide.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(wide, WithChannels("r (ZI)", 8, 4)));
    run = RunProgram(kRpfDiff, {plain, wide});
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.out.find("sizes differ: 6 x 4 against 8 x 4; compared over the common 6 x 4"), std::string::npos);

    // A file that is no RPF: its report on standard error, 4.
    const std::string broken = dir.Write("broken.rpf", std::vector<std::uint8_t>(100, 7));
    run = RunProgram(kRpfDiff, {"--json", plain, broken});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find(broken + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("\"status\": 4"), std::string::npos) << run.out;

    // A memory cap the two files cannot keep within: refused, 4.
    run = RunProgram(kRpfDiff, {"--max-memory", "100", plain, plain});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_NE(run.err.find("memory"), std::string::npos) << run.err;

    // A wrong command line compares nothing.
    EXPECT_EQ(RunProgram(kRpfDiff, {"--fail", "much", plain, plain}).exitCode, 4);
    EXPECT_EQ(RunProgram(kRpfDiff, {plain}).exitCode, 4);
}

TEST(RpfDiff, FoldersArePairedByNameAndTheWorstPairDecides)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("v3"));
    std::filesystem::create_directories(dir.File("v4"));
    rpfgen::RpfImage image = WithChannels("r");
    for (const char* folder : {"v3", "v4"})
        ASSERT_TRUE(rpfgen::WriteRpf(dir.File(folder) + "/f_0001.rpf", image));
    image.red[5] = 101;  // one step of 255 in one pixel of 24: 4.2 %
    ASSERT_TRUE(rpfgen::WriteRpf(dir.File("v3") + "/f_0002.rpf", WithChannels("r")));
    ASSERT_TRUE(rpfgen::WriteRpf(dir.File("v4") + "/f_0002.rpf", image));

    RunResult run = RunProgram(kRpfDiff, {"--failpercent", "5", dir.File("v3"), dir.File("v4")});
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.out.find("2 pairs: 1 pass, 1 warning"), std::string::npos) << run.out;
    // A file and a folder: the file of the same name in it.
    run = RunProgram(kRpfDiff, {dir.File("v3") + "/f_0001.rpf", dir.File("v4")});
    EXPECT_EQ(run.exitCode, 0) << run.out;

    // A frame in one version only counts as unreadable, whatever the others.
    ASSERT_TRUE(rpfgen::WriteRpf(dir.File("v4") + "/f_0003.rpf", image));
    run = RunProgram(kRpfDiff, {"--json", "--failpercent", "5", dir.File("v3"), dir.File("v4")});
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    EXPECT_NE(run.err.find(dir.File("v3") + "/f_0003.rpf does not exist"), std::string::npos) << run.err;
}

}  // namespace
