#include "SampleFiles.h"

#include <random>

namespace rpfgen {

void FillSeededColours(RpfImage& image, unsigned seed)
{
    std::mt19937 random(seed);
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    auto channel = [&](int bits) {
        std::vector<double> values(pixels);
        for (double& value : values) {
            if (bits == 32)
                value = std::uniform_real_distribution<double>(0.0, 1.0)(random);
            else
                value = double(random() % (bits == 16 ? 65536u : 256u));
        }
        return values;
    };
    image.red = channel(image.colourBits);
    image.green = channel(image.colourBits);
    image.blue = channel(image.colourBits);
    image.alphaValues = image.alpha ? channel(image.colourBits == 32 ? 32 : image.matteBits) : std::vector<double>{};
}

std::vector<std::uint8_t> SeededElements(const RpfImage& image, int bit, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(std::size_t(image.width) * std::size_t(image.height) *
                                    std::size_t(ChannelElementSize(bit)));
    for (std::uint8_t& byte : bytes)
        byte = std::uint8_t(random() % 4 == 0 ? 0 : random());
    return bytes;
}

void FillSeeded(RpfImage& image, unsigned seed)
{
    FillSeededColours(image, seed);
    for (int bit : ListedChannels(image.producer))
        image.gbuffer[bit] = SeededElements(image, bit, seed + unsigned(bit));
}

std::size_t RecordOffset(const Bytes& file, int height, int row)
{
    return GetBigEndian32(file, offsets::kOffsetTable + rpflayout::kOffsetEntryBytes * std::size_t(height - 1 - row));
}

std::vector<std::size_t> RecordLengthFields(const Bytes& file, const RpfImage& image)
{
    int recordsPerRow = 3 + (image.alpha ? 1 : 0);
    for (int bit : ListedChannels(image.producer))
        recordsPerRow += ChannelElementSize(bit);
    std::vector<std::size_t> fields;
    for (int row = 0; row < image.height; ++row) {
        std::size_t at = RecordOffset(file, image.height, row);
        for (int i = 0; i < recordsPerRow; ++i) {
            fields.push_back(at);
            at += rpflayout::kRecordLengthBytes + ((std::size_t(file.at(at)) << 8) | file.at(at + 1));
        }
    }
    return fields;
}

}  // namespace rpfgen
