// RLA files from an independent writer, OpenImageIO's oiiotool, renamed
// .rpf: they must decode to exactly the words our conversion gives from the
// integer pixel values oiiotool itself reads back from the same files.
// Float files are left out: that writer stores float records little-endian,
// where ours are big-endian.
#include "ReaderTestSupport.h"

#include <cstdio>
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
// in row order from the top, as the integers of the file's depth.
std::map<std::string, std::vector<unsigned>> ParseDump(const std::string& text)
{
    std::map<std::string, std::vector<unsigned>> files;
    std::vector<unsigned>* current = nullptr;
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
        // "    Pixel (x, y): v v v v (f f f f)": the integers before the "(".
        std::istringstream values(line.substr(colon + 2, line.find('(', colon) - colon - 2));
        unsigned value;
        while (values >> value)
            current->push_back(value);
    }
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
    const std::map<std::string, std::vector<unsigned>> read = ParseDump(RunCommand(dump + " 2>&1", ok));
    ASSERT_TRUE(ok) << dump;

    for (const Sample& sample : samples) {
        SCOPED_TRACE(sample.name);
        auto values = read.find(sample.name + ".rla");
        const std::size_t channels = sample.alpha ? 4 : 3;
        const std::size_t pixels = std::size_t(sample.width) * std::size_t(sample.height);
        ASSERT_NE(values, read.end());
        ASSERT_EQ(values->second.size(), pixels * channels);

        const std::string rpf = dir.File(sample.name + ".rpf");
        std::filesystem::copy_file(dir.File(sample.name + ".rla"), rpf);
        RLA rla;
        ASSERT_TRUE(Loads(rla, rpf));
        ASSERT_EQ(rla.channel_mask, 0u) << "the producer text must not announce channels: " << rla.Producer();
        ASSERT_EQ(rla.ancho, sample.width);
        ASSERT_EQ(rla.alto, sample.height);

        std::size_t mismatches = 0;
        for (std::size_t p = 0; p < pixels && mismatches < 5; ++p) {
            const unsigned* v = values->second.data() + p * channels;
            auto word = [&](unsigned value) { return sample.bits == 16 ? Word16(value) : Word8(value); };
            const std::array<unsigned, 4> expected = {sample.alpha ? word(v[3]) : 0u, word(v[0]), word(v[1]),
                                                      word(v[2])};
            const int x = int(p % std::size_t(sample.width));
            const int y = int(p / std::size_t(sample.width));
            if (PixelOf(rla, x, y) != expected) {
                ++mismatches;
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
            }
        }
    }
}
