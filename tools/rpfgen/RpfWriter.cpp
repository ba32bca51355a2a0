#include "RpfWriter.h"

#include "FileBytes.h"
#include "RpfLayout.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numeric>
#include <random>

namespace rpfgen {

namespace {

std::vector<std::uint8_t> Header(const RpfImage& image)
{
    using namespace offsets;
    std::vector<std::uint8_t> h(kHeaderSize, 0);
    const int right = image.activeLeft + image.width - 1;
    const int top = image.activeBottom + image.height - 1;
    PutBigEndian16(h, kWindowLeft, image.activeLeft);
    PutBigEndian16(h, kWindowRight, right);
    PutBigEndian16(h, kWindowBottom, image.activeBottom);
    PutBigEndian16(h, kWindowTop, top);
    PutBigEndian16(h, kActiveLeft, image.activeLeft);
    PutBigEndian16(h, kActiveRight, right);
    PutBigEndian16(h, kActiveBottom, image.activeBottom);
    PutBigEndian16(h, kActiveTop, top);
    PutBigEndian16(h, kFrame, image.frame);
    // Our reader goes by the bit depth alone; other readers take float colour
    // for integers unless the channel types say float.
    const int channelType = image.colourBits == 32 ? 4 : 0;
    PutBigEndian16(h, kStorageType, channelType);
    PutBigEndian16(h, kNumChan, 3);
    PutBigEndian16(h, kNumMatte, image.alpha ? 1 : 0);
    PutBigEndian16(h, kRevision, 0xFFFE);
    PutText(h, kGamma, kGammaBytes, image.gammaText);
    PutText(h, kProducer, kProducerBytes, image.producer);
    PutText(h, kAspectRatio, kAspectRatioBytes, image.aspectText);
    PutText(h, kChan, kChanBytes, "rgb");
    PutBigEndian16(h, kChanBits, image.colourBits);
    PutBigEndian16(h, kMatteType, channelType);
    PutBigEndian16(h, kMatteBits, image.colourBits == 32 ? 32 : image.matteBits);
    PutBigEndian32(h, kNext, 0);
    return h;
}

void AppendRecord(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& payload)
{
    const std::vector<std::uint8_t> record = ChannelRecord(payload);
    out.insert(out.end(), record.begin(), record.end());
}

// One colour or alpha channel of one row.
void AppendColourRecord(std::vector<std::uint8_t>& out, const RpfImage& image, const std::vector<double>& values,
                        std::size_t rowStart, bool twoBlocks)
{
    const std::size_t w = std::size_t(image.width);
    std::vector<std::uint8_t> payload;
    if (image.colourBits == 32) {
        for (std::size_t x = 0; x < w; ++x) {
            const float f = float(values.empty() ? 0.0 : values[rowStart + x]);
            std::uint32_t bits;
            std::memcpy(&bits, &f, 4);
            for (int i = 0; i < 4; ++i)
                payload.push_back(std::uint8_t(bits >> (image.floatsLittleEndian ? 8 * i : 24 - 8 * i)));
        }
        AppendRecord(out, payload);
        return;
    }
    std::vector<std::uint8_t> high(w), low(w);
    for (std::size_t x = 0; x < w; ++x) {
        const unsigned v = values.empty() ? 0u : unsigned(std::lround(values[rowStart + x]));
        high[x] = std::uint8_t(twoBlocks ? (v >> 8) & 0xFF : v & 0xFF);
        low[x] = std::uint8_t(v & 0xFF);
    }
    payload = EncodeRunLength(high.data(), w, 1, image.runLength);
    if (twoBlocks) {
        std::vector<std::uint8_t> second = EncodeRunLength(low.data(), w, 1, image.runLength);
        payload.insert(payload.end(), second.begin(), second.end());
    }
    AppendRecord(out, payload);
}

std::vector<std::uint8_t> ScanlineRecord(const RpfImage& image, int row, const std::vector<int>& channels)
{
    const std::size_t w = std::size_t(image.width);
    const std::size_t rowStart = std::size_t(row) * w;
    const bool colour16 = image.colourBits == 16;
    std::vector<std::uint8_t> out;
    AppendColourRecord(out, image, image.red, rowStart, colour16);
    AppendColourRecord(out, image, image.green, rowStart, colour16);
    AppendColourRecord(out, image, image.blue, rowStart, colour16);
    if (image.alpha)
        AppendColourRecord(out, image, image.alphaValues, rowStart, image.matteBits == 16);

    for (int bit : channels) {
        const std::size_t size = std::size_t(rpflayout::kChannelElementBytes[bit]);
        auto found = image.gbuffer.find(bit);
        std::vector<std::uint8_t> zeros;
        const std::uint8_t* elements;
        if (found != image.gbuffer.end() && found->second.size() >= w * std::size_t(image.height) * size) {
            elements = found->second.data() + rowStart * size;
        } else {
            zeros.assign(w * size, 0);
            elements = zeros.data();
        }
        // The first plane carries the element's highest-addressed byte.
        for (std::size_t j = 0; j < size; ++j)
            AppendRecord(out, EncodeRunLength(elements + (size - 1 - j), w, size, image.runLength));
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> ChannelRecord(const std::vector<std::uint8_t>& payload)
{
    std::vector<std::uint8_t> record;
    record.reserve(payload.size() + 2);
    AppendBigEndian16(record, payload.size());
    record.insert(record.end(), payload.begin(), payload.end());
    return record;
}

int ChannelElementSize(int bit)
{
    return bit >= 0 && bit < rpflayout::kChannelCount ? rpflayout::kChannelElementBytes[bit] : 0;
}

std::vector<int> ListedChannels(const std::string& producer)
{
    std::string field = producer.substr(0, std::min<std::size_t>(offsets::kProducerBytes, producer.size()));
    field = field.substr(0, field.find('\0'));
    std::vector<int> bits;
    std::size_t open = field.find('(');
    if (open == std::string::npos)
        return bits;
    std::uint32_t mask = 0;
    for (std::size_t i = open + 1; i < field.size(); ++i) {
        if (const char* letter = std::strchr(rpflayout::kChannelLetters, field[i]);
            letter != nullptr && field[i] != '\0')
            mask |= 1u << (letter - rpflayout::kChannelLetters);
    }
    for (int bit = 0; bit < rpflayout::kChannelCount; ++bit)
        if (mask & (1u << bit))
            bits.push_back(bit);
    return bits;
}

std::vector<std::uint8_t> EncodeRunLength(const std::uint8_t* values, std::size_t count, std::size_t stride,
                                          RunLengthStyle style)
{
    auto at = [&](std::size_t i) { return values[i * stride]; };
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (i < count) {
        std::size_t run = 1;
        while (i + run < count && run < 128 && at(i + run) == at(i))
            ++run;
        if (style == RunLengthStyle::RepeatOnly || (style == RunLengthStyle::Packed && run >= 2)) {
            out.push_back(std::uint8_t(run - 1));
            out.push_back(at(i));
            i += run;
            continue;
        }
        std::size_t j = i + 1;
        if (style == RunLengthStyle::LiteralOnly) {
            j = std::min(count, i + 128);
        } else {
            while (j < count && j - i < 128 && !(j + 1 < count && at(j) == at(j + 1)))
                ++j;
        }
        out.push_back(std::uint8_t(-static_cast<int>(j - i)));
        for (std::size_t k = i; k < j; ++k)
            out.push_back(at(k));
        i = j;
    }
    return out;
}

std::vector<std::uint8_t> EncodeRpf(const RpfImage& image)
{
    const std::vector<int> channels = ListedChannels(image.producer);
    const std::string list = [&] {
        std::size_t open = image.producer.find('(');
        return open == std::string::npos ? std::string() : image.producer.substr(open + 1);
    }();

    std::vector<std::uint8_t> file = Header(image);
    const std::size_t tableAt = file.size();
    file.resize(file.size() + rpflayout::kOffsetEntryBytes * std::size_t(image.height), 0);

    if (list.find('P') != std::string::npos) {
        std::vector<std::uint8_t> block(image.longPBlock ? rpflayout::kLongPBlockBytes : rpflayout::kPBlockBytes,
                                        0x11);
        if (image.longPBlock) {
            // The tag, little-endian.
            block[0] = std::uint8_t(rpflayout::kLongPBlockTag & 0xFF);
            block[1] = std::uint8_t(rpflayout::kLongPBlockTag >> 8);
        }
        file.insert(file.end(), block.begin(), block.end());
    }
    if (list.find('D') != std::string::npos) {
        std::vector<std::uint8_t> data;
        for (const std::string& name : image.dNames) {
            data.insert(data.end(), name.begin(), name.end());
            data.push_back(0);
        }
        AppendLittleEndian32(file, std::uint32_t(image.dNames.size()));
        AppendLittleEndian32(file, std::uint32_t(data.size()));
        file.insert(file.end(), data.begin(), data.end());
    }

    // Scanline s (0 = bottom) is image row height - 1 - s.
    std::vector<int> scanlines(std::size_t(std::max(0, image.height)));
    std::iota(scanlines.begin(), scanlines.end(), 0);
    std::mt19937 random(image.orderSeed);
    if (image.order == RecordOrder::TopDown)
        std::reverse(scanlines.begin(), scanlines.end());
    else if (image.order == RecordOrder::Shuffled)
        std::shuffle(scanlines.begin(), scanlines.end(), random);

    for (int scanline : scanlines) {
        if (image.order == RecordOrder::Shuffled)
            file.resize(file.size() + random() % 8, 0xEE);
        PutBigEndian32(file, tableAt + rpflayout::kOffsetEntryBytes * std::size_t(scanline),
                       std::uint32_t(file.size()));
        const int row = image.height - 1 - scanline;
        auto raw = image.rawRecords.find(row);
        std::vector<std::uint8_t> record =
            raw != image.rawRecords.end() ? raw->second : ScanlineRecord(image, row, channels);
        file.insert(file.end(), record.begin(), record.end());
    }
    return file;
}

bool WriteRpf(const std::string& path, const RpfImage& image)
{
    std::vector<std::uint8_t> bytes = EncodeRpf(image);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

}  // namespace rpfgen
