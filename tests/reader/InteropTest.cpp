// RLA files from an independent writer, OpenImageIO's oiiotool, renamed
// .rpf: 8- and 16-bit files must decode to exactly the values oiiotool itself
// reads back from the same files, as fractions of full scale, times 65535;
// 10- and 12-bit files, which it reads back scaled to 16 bits, within a part
// in a thousand; and its float files, stored little-endian, to the words of
// the floats it reads back.
#include "ReaderTestSupport.h"

#include "RowKernels.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <sstream>

using namespace readertest;

namespace {

struct Sample {
    std::string name;
    int bits;
    bool alpha;
    int width;
    int height;
};

// Output of a shell command; ok tells whether it ran and exited with 0.
std::string RunCommand(const std::string& command, bool& ok)
{
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    ok = pipe != nullptr;
    if (!ok)
        return output;
    char chunk[4096];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    ok = pclose(pipe) == 0;
    return output;
}

// Non-trivial content in turn: noise (literal runs), a four-corner gradient
// (short repeats) and a checker board with faint noise (long repeats that
// cross the 128-value run limit on wide rows).
std::string PatternArguments(std::size_t index, const Sample& sample)
{
    const int channels = sample.alpha ? 4 : 3;
    const std::string size = std::to_string(sample.width) + "x" + std::to_string(sample.height) + " " +
                             std::to_string(channels);
    auto colour = [&](const char* rgb, const char* a) { return std::string(rgb) + (sample.alpha ? a : ""); };
    const std::string seed = std::to_string(index + 1);
    switch (index % 3) {
    case 0:
        return "--pattern noise:type=uniform:min=0:max=1:seed=" + seed + " " + size;
    case 1:
        return "--pattern fill:topleft=" + colour("0,0.2,1", ",1") + ":topright=" + colour("1,0.8,0", ",0.5") +
               ":bottomleft=" + colour("0.5,0,0.25", ",0") + ":bottomright=" + colour("0.1,1,0.9", ",0.7") + " " + size;
    default:
        return "--pattern checker:width=7:height=2:color1=" + colour("0.1,0.9,0.3", ",1") +
               ":color2=" + colour("1,0,0.5", ",0.2") + " " + size +
               " --pattern noise:type=uniform:min=0:max=0.02:seed=" + seed + " " + size + " --add";
    }
}

// oiiotool --dumpdata output: per file name, every pixel's channel values
// in row order from the top, as the integers of the file's depth (16 bits
// for depths 9 to 15) or as floats for float files.
struct Dump {
    std::vector<double> stored;
    // The same values as fractions of full scale, as oiiotool hands them to
    // a program: the floats it prints after the integers, or the floats of
    // a float file again.
    std::vector<double> normalized;
};

std::map<std::string, Dump> ParseDumpWithFractions(const std::string& text)
{
    std::map<std::string, Dump> files;
    Dump* current = nullptr;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line[0] != ' ') {
            const std::string path = line.substr(0, line.find_first_of(" :"));
            current = &files[path.substr(path.find_last_of('/') + 1)];
            continue;
        }
        const std::size_t colon = line.find("):");
        if (current == nullptr || line.find("Pixel (") == std::string::npos || colon == std::string::npos)
            continue;
        // "    Pixel (x, y): v v v v (f f f f)"; float files give the floats alone.
        const std::size_t open = line.find('(', colon);
        std::istringstream values(line.substr(colon + 2, open == std::string::npos ? open : open - colon - 2));
        std::istringstream fractions(open == std::string::npos ? line.substr(colon + 2) : line.substr(open + 1));
        double value;
        while (values >> value)
            current->stored.push_back(value);
        while (fractions >> value)
            current->normalized.push_back(value);
    }
    return files;
}

std::map<std::string, std::vector<double>> ParseDump(const std::string& text)
{
    std::map<std::string, std::vector<double>> files;
    for (auto& [name, dump] : ParseDumpWithFractions(text))
        files[name] = std::move(dump.stored);
    return files;
}

}  // namespace

TEST(Interop, OiiotoolFilesDecodeToTheValuesItReadsBack)
{
    bool ok = false;
    RunCommand("oiiotool --version 2>&1", ok);
    ASSERT_TRUE(ok) << "oiiotool (Debian package openimageio-tools) must be installed for this test";

    std::vector<Sample> samples;
    const int heights[] = {7, 3, 2, 5, 4};
    const int widths[] = {1, 127, 128, 129, 1000};
    for (int bits : {8, 16}) {
        for (bool alpha : {false, true}) {
            for (std::size_t i = 0; i < std::size(widths); ++i) {
                const std::string name =
                    "w" + std::to_string(widths[i]) + "_" + std::to_string(bits) + (alpha ? "_rgba" : "_rgb");
                samples.push_back({name, bits, alpha, widths[i], heights[(i + std::size_t(bits)) % 5]});
            }
        }
    }

    TempDir dir;
    std::string write = "oiiotool";
    std::string dump = "oiiotool --dumpdata";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::string rla = dir.File(samples[i].name + ".rla");
        write += " " + PatternArguments(i, samples[i]) + " -d uint" + std::to_string(samples[i].bits) + " -o " + rla;
        dump += " " + rla;
    }
    RunCommand(write + " 2>&1", ok);
    ASSERT_TRUE(ok) << write;
    const std::map<std::string, Dump> read = ParseDumpWithFractions(RunCommand(dump + " 2>&1", ok));
    ASSERT_TRUE(ok) << dump;

    bool sawFullScale = false;
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        auto values = read.find(sample.name + ".rla");
        const std::size_t channels = sample.alpha ? 4 : 3;
        const std::size_t pixels = std::size_t(sample.width) * std::size_t(sample.height);
        ASSERT_NE(values, read.end());
        ASSERT_EQ(values->second.stored.size(), pixels * channels);
        ASSERT_EQ(values->second.normalized.size(), pixels * channels);

        const std::string rpf = dir.File(sample.name + ".rpf");
        std::filesystem::copy_file(dir.File(sample.name + ".rla"), rpf);
        RLA rla;
        ASSERT_TRUE(Loads(rla, rpf));
        ASSERT_EQ(rla.channel_mask, 0u) << "the producer text must not announce channels: " << rla.Producer();
        ASSERT_EQ(rla.ancho, sample.width);
        ASSERT_EQ(rla.alto, sample.height);

        // oiiotool prints its fractions to seven digits: a word of the same
        // value lies within a hundredth of the fraction times 65535.
        std::size_t mismatches = 0;
        for (std::size_t p = 0; p < pixels && mismatches < 5; ++p) {
            const double* v = values->second.normalized.data() + p * channels;
            const std::array<double, 4> expected = {sample.alpha ? v[3] : 0.0, v[0], v[1], v[2]};
            const int x = int(p % std::size_t(sample.width));
            const int y = int(p / std::size_t(sample.width));
            const std::array<unsigned, 4> got = PixelOf(rla, x, y);
            for (std::size_t c = 0; c < 4; ++c) {
                sawFullScale = sawFullScale || expected[c] == 1.0;
                if (std::fabs(double(got[c]) - expected[c] * 65535.0) > 0.01) {
                    ++mismatches;
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") component " << c << ": word " << got[c]
                                  << ", oiiotool reads " << expected[c] << " = " << expected[c] * 65535.0
                                  << " / 65535";
                }
            }
        }
    }
    // Full scale is where the one-level-dark reading of these files showed most.
    EXPECT_TRUE(sawFullScale) << "no full-scale value was compared";
}

namespace {

// Writes the samples with oiiotool at the given data type and returns what
// oiiotool reads back from each, by file name.
std::map<std::string, std::vector<double>> WriteWithOiiotool(const TempDir& dir, const std::vector<Sample>& samples,
                                                             const std::string& type)
{
    bool ok = false;
    std::string write = "oiiotool";
    std::string dump = "oiiotool --dumpdata";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::string rla = dir.File(samples[i].name + ".rla");
        write += " " + PatternArguments(i, samples[i]) + " -d " + type + " -o " + rla;
        dump += " " + rla;
    }
    RunCommand(write + " 2>&1", ok);
    EXPECT_TRUE(ok) << write;
    const auto read = ParseDump(RunCommand(dump + " 2>&1", ok));
    EXPECT_TRUE(ok) << dump;
    for (const Sample& sample : samples)
        std::filesystem::copy_file(dir.File(sample.name + ".rla"), dir.File(sample.name + ".rpf"));
    return read;
}

}  // namespace

TEST(Interop, OiiotoolTenAndTwelveBitFilesDecodeWithinAPartInAThousand)
{
    std::vector<Sample> samples;
    for (int bits : {10, 12}) {
        for (bool alpha : {false, true})
            samples.push_back({"d" + std::to_string(bits) + (alpha ? "_rgba" : "_rgb"), bits, alpha, 129, 5});
    }
    TempDir dir;
    std::map<std::string, std::vector<double>> read;
    for (int bits : {10, 12}) {
        std::vector<Sample> ofDepth;
        std::copy_if(samples.begin(), samples.end(), std::back_inserter(ofDepth),
                     [bits](const Sample& s) { return s.bits == bits; });
        read.merge(WriteWithOiiotool(dir, ofDepth, "uint" + std::to_string(bits)));
    }
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        const auto values = read.find(sample.name + ".rla");
        const std::size_t channels = sample.alpha ? 4 : 3;
        ASSERT_NE(values, read.end());
        ASSERT_EQ(values->second.size(), std::size_t(sample.width * sample.height) * channels);
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.File(sample.name + ".rpf")));
        ASSERT_EQ(rla.ColourDepth(), sample.bits);
        std::size_t mismatches = 0;
        for (int p = 0; p < sample.width * sample.height && mismatches < 5; ++p) {
            const double* v = values->second.data() + std::size_t(p) * channels;
            const std::array<double, 4> expected = {sample.alpha ? v[3] : 0.0, v[0], v[1], v[2]};
            const std::array<unsigned, 4> got = PixelOf(rla, p % sample.width, p / sample.width);
            for (int c = 0; c < 4; ++c) {
                if (std::fabs(double(got[std::size_t(c)]) - expected[std::size_t(c)]) > 65535.0 / 1000.0) {
                    ++mismatches;
                    ADD_FAILURE() << "pixel " << p << " channel " << c << ": " << got[std::size_t(c)] << " vs "
                                  << expected[std::size_t(c)];
                }
            }
        }
    }
}

TEST(Interop, OiiotoolFloatFilesReadLittleEndianToTheWordsOfItsFloats)
{
    const std::vector<Sample> samples = {{"f_rgb", 32, false, 129, 4}, {"f_rgba", 32, true, 33, 6},
                                         {"f_grad", 32, true, 40, 3}};
    TempDir dir;
    const auto read = WriteWithOiiotool(dir, samples, "float");
    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        const auto values = read.find(sample.name + ".rla");
        const std::size_t channels = sample.alpha ? 4 : 3;
        ASSERT_NE(values, read.end());
        ASSERT_EQ(values->second.size(), std::size_t(sample.width * sample.height) * channels);
        RLA rla;
        ASSERT_TRUE(Loads(rla, dir.File(sample.name + ".rpf")));
        EXPECT_TRUE(rla.floats_little_endian);
        std::size_t mismatches = 0;
        for (int p = 0; p < sample.width * sample.height && mismatches < 5; ++p) {
            const double* v = values->second.data() + std::size_t(p) * channels;
            auto word = [](double value) { return unsigned(rowkernels::ToWord(float(value))); };
            const std::array<unsigned, 4> expected = {sample.alpha ? word(v[3]) : 0u, word(v[0]), word(v[1]),
                                                      word(v[2])};
            if (PixelOf(rla, p % sample.width, p / sample.width) != expected) {
                ++mismatches;
                ADD_FAILURE() << "pixel " << p << " differs";
            }
        }
    }
}
