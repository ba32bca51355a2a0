// Writes the fuzz target's seed corpus into the folder given as argument:
// small valid files that between them hold every structure of the format,
// so the fuzzer starts from files that load and mutates from there.
#include "FileBytes.h"
#include "RpfWriter.h"
#include "SampleFiles.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

rpfgen::RpfImage Image(int width, int height, int colourBits, bool alpha, const std::string& producer,
                       unsigned seed)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.colourBits = colourBits;
    image.matteBits = colourBits == 16 ? 16 : 8;
    image.alpha = alpha;
    image.producer = producer;
    image.orderSeed = seed;
    rpfgen::FillSeeded(image, seed);
    return image;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    std::vector<rpfgen::RpfImage> seeds;
    seeds.push_back(Image(1, 1, 8, false, "rpfgen", 1));
    seeds.push_back(Image(6, 4, 8, true, "Renderer (ZCIVPD)", 2));
    seeds.back().dNames = {"Box01", "Teapot02"};
    seeds.push_back(Image(5, 3, 16, true, "Renderer (ZEOUNRCBIGTVWM)", 3));
    seeds.back().runLength = rpfgen::RunLengthStyle::LiteralOnly;
    seeds.push_back(Image(4, 3, 32, true, "Renderer (ZCPL)", 4));
    seeds.back().longPBlock = true;
    seeds.push_back(Image(130, 2, 8, false, "Renderer (CI)", 5));
    seeds.back().runLength = rpfgen::RunLengthStyle::RepeatOnly;
    seeds.push_back(Image(9, 5, 16, false, "Renderer (D)", 6));
    seeds.back().order = rpfgen::RecordOrder::Shuffled;
    seeds.back().dNames = {"", "Sphere"};
    seeds.push_back(Image(3, 2, 8, true, "Renderer (V)", 7));
    seeds.back().matteBits = 16;

    std::vector<std::vector<std::uint8_t>> files;
    for (const rpfgen::RpfImage& seed : seeds)
        files.push_back(rpfgen::EncodeRpf(seed));

    // 10-bit colour beside 12-bit alpha: two-byte records scaled to words.
    files.push_back(rpfgen::EncodeRpf(Image(7, 3, 16, true, "Renderer (Z)", 8)));
    rpfgen::PutBigEndian16(files.back(), rpfgen::offsets::kChanBits, 10);
    rpfgen::PutBigEndian16(files.back(), rpfgen::offsets::kMatteBits, 12);

    // Float colour stored little-endian, as other writers store it: one row,
    // no blocks, so the three records follow the one-entry offset table.
    rpfgen::RpfImage floats = Image(6, 1, 32, false, "rpfgen", 9);
    files.push_back(rpfgen::EncodeRpf(floats));
    std::size_t at = rpfgen::offsets::kOffsetTable + 4;
    for (int record = 0; record < 3; ++record) {
        for (int k = 0; k < floats.width; ++k) {
            auto value = files.back().begin() + long(at + 2 + 4 * std::size_t(k));
            std::reverse(value, value + 4);
        }
        at += 2 + 4 * std::size_t(floats.width);
    }

    int index = 0;
    for (const std::vector<std::uint8_t>& bytes : files) {
        const std::string path = (folder / ("seed-" + std::to_string(++index) + ".rpf")).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
