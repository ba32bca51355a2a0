#include "ExrExport.h"

#include <ImfChannelList.h>
#include <ImfCompression.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <ImfStringAttribute.h>
#include <ImfStringVectorAttribute.h>
#include <ImfThreading.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace exrexport {

namespace {

// Channels whose elements already have the EXR type are handed over where
// they lie; the others are converted a strip of rows at a time into buffers
// kept for the next strip. Whole-image buffers would be a fresh 33 MB per
// channel of a 4K frame, and clearing and faulting in that memory costs a
// batch export about as much as converting it.
class ExrChannels {
public:
    ExrChannels(int width, int height) : width_(width), height_(height), header_(width, height) {}

    // A channel read in place: element i at base + i * stride.
    void AddInPlace(const char* name, Imf::PixelType type, const unsigned char* base, std::size_t stride)
    {
        header_.channels().insert(name, Imf::Channel(type));
        inPlace_.push_back({name, type, reinterpret_cast<const char*>(base), stride});
    }

    // A float channel computed per element.
    template <typename Convert>
    void AddFloat(const char* name, Convert convert)
    {
        AddComputed<float>(name, Imf::FLOAT, convert);
    }

    // An unsigned integer channel computed per element.
    template <typename Convert>
    void AddUint(const char* name, Convert convert)
    {
        AddComputed<std::uint32_t>(name, Imf::UINT, convert);
    }

    Imf::Header& header() { return header_; }

    // Writes every row to file, made with header().
    void Write(Imf::OutputFile& file)
    {
        // Whole zip blocks of 16 rows, enough of them at once for every
        // compression thread of the library to have one.
        const int rowsPerStrip = 32 * std::max(1, Imf::globalThreadCount());
        const std::size_t stripElements = std::size_t(rowsPerStrip) * std::size_t(width_);
        for (Computed& channel : computed_)
            channel.strip.resize(stripElements);
        for (int top = 0; top < height_; top += rowsPerStrip) {
            const int rows = std::min(rowsPerStrip, height_ - top);
            const std::size_t begin = std::size_t(top) * std::size_t(width_);
            const std::size_t end = begin + std::size_t(rows) * std::size_t(width_);
            Imf::FrameBuffer frameBuffer;
            for (const InPlace& channel : inPlace_) {
                // The library only reads through the pointer when writing.
                frameBuffer.insert(channel.name, Imf::Slice(channel.type, const_cast<char*>(channel.base), channel.stride,
                                                            channel.stride * std::size_t(width_)));
            }
            for (Computed& channel : computed_) {
                channel.fill(begin, end, channel.strip.data());
                // The slice's origin is where row 0 would lie, so that the
                // strip's first row falls at row top.
                const std::uintptr_t origin = reinterpret_cast<std::uintptr_t>(channel.strip.data()) - begin * 4u;
                frameBuffer.insert(channel.name, Imf::Slice(channel.type, reinterpret_cast<char*>(origin), 4,
                                                            4 * std::size_t(width_)));
            }
            file.setFrameBuffer(frameBuffer);
            file.writePixels(rows);
        }
    }

private:
    struct InPlace {
        std::string name;
        Imf::PixelType type;
        const char* base;
        std::size_t stride;
    };
    // A channel of 4-byte elements (float or unsigned) computed per strip.
    struct Computed {
        std::string name;
        Imf::PixelType type;
        std::function<void(std::size_t begin, std::size_t end, std::uint32_t* out)> fill;
        std::vector<std::uint32_t> strip;
    };

    template <typename Element, typename Convert>
    void AddComputed(const char* name, Imf::PixelType type, Convert convert)
    {
        static_assert(sizeof(Element) == 4, "computed channels have 4-byte elements");
        header_.channels().insert(name, Imf::Channel(type));
        computed_.push_back({name, type,
                             [convert](std::size_t begin, std::size_t end, std::uint32_t* out) {
                                 for (std::size_t i = begin; i < end; ++i) {
                                     const Element value = convert(i);
                                     std::memcpy(out + (i - begin), &value, 4);
                                 }
                             },
                             {}});
    }

    int width_;
    int height_;
    Imf::Header header_;
    std::vector<InPlace> inPlace_;
    std::vector<Computed> computed_;
};

std::uint16_t Word(const unsigned char* p)
{
    std::uint16_t value;
    std::memcpy(&value, p, 2);
    return value;
}

void AddRenderChannel(ExrChannels& exr, const RLA& image, int bit)
{
    const unsigned char* data = image.ChannelData(bit);
    const std::size_t size = std::size_t(image.TamanioCanal(bit));
    switch (bit) {
    case kChannelZ: exr.AddInPlace("Z", Imf::FLOAT, data, 4); return;
    case kChannelC: exr.AddFloat("coverage", [data](std::size_t i) { return data[i] / 255.0f; }); return;
    case kChannelE: exr.AddUint("rpf.E", [data](std::size_t i) { return std::uint32_t(data[i]); }); return;
    case kChannelI: exr.AddUint("nodeID", [data](std::size_t i) { return std::uint32_t(Word(data + 2 * i)); }); return;
    case kChannelO: exr.AddUint("objectID", [data](std::size_t i) { return std::uint32_t(Word(data + 2 * i)); }); return;
    case kChannelM: exr.AddUint("rpf.M", [data](std::size_t i) { return std::uint32_t(Word(data + 2 * i)); }); return;
    // Two big-endian floats per element: the file's first float is the
    // loaded element's second half.
    case kChannelV:
        exr.AddInPlace("velocity.X", Imf::FLOAT, data + 4, 8);
        exr.AddInPlace("velocity.Y", Imf::FLOAT, data, 8);
        return;
    case kChannelU:
        exr.AddInPlace("uv.U", Imf::FLOAT, data + 4, 8);
        exr.AddInPlace("uv.V", Imf::FLOAT, data, 8);
        return;
    // Four bytes of open meaning: the element as the big-endian number the
    // file holds, which the loaded element is on this host.
    case kChannelN: exr.AddInPlace("rpf.N", Imf::UINT, data, 4); return;
    case kChannelR: exr.AddInPlace("rpf.R", Imf::UINT, data, 4); return;
    default: break;
    }
    // B G T W: three bytes each, named in file order R, G, B.
    const std::string prefix = std::string("rpf.") + kChannelLetters[bit] + ".";
    static const char* const kParts[] = {"R", "G", "B"};
    for (int part = 0; part < 3; ++part) {
        const std::size_t offset = size - 1 - std::size_t(part);
        const std::string name = prefix + kParts[part];
        exr.AddFloat(name.c_str(), [data, size, offset](std::size_t i) { return data[i * size + offset] / 255.0f; });
    }
}

}  // namespace

std::string ChannelNames(int bit)
{
    static const char* const kNames[kChannelCount] = {
        "Z", "rpf.E", "objectID", "uv.U uv.V", "rpf.N", "rpf.R", "coverage",
        "rpf.B.R rpf.B.G rpf.B.B", "nodeID", "rpf.G.R rpf.G.G rpf.G.B", "rpf.T.R rpf.T.G rpf.T.B",
        "velocity.X velocity.Y", "rpf.W.R rpf.W.G rpf.W.B", "rpf.M"};
    return bit >= 0 && bit < kChannelCount ? kNames[bit] : std::string();
}

bool CompressionFromName(const std::string& name, ExrCompression& compression)
{
    static const std::pair<const char*, ExrCompression> kNames[] = {
        {"zip", ExrCompression::Zip},     {"none", ExrCompression::None}, {"rle", ExrCompression::Rle},
        {"zips", ExrCompression::Zips},   {"piz", ExrCompression::Piz},   {"pxr24", ExrCompression::Pxr24},
        {"b44", ExrCompression::B44},     {"dwaa", ExrCompression::Dwaa}, {"dwab", ExrCompression::Dwab}};
    for (const auto& [known, value] : kNames) {
        if (name == known) {
            compression = value;
            return true;
        }
    }
    return false;
}

void WriteExr(const RLA& image, const std::string& path, ExrCompression compression)
{
    if (image.ImageWords().empty() || image.ancho <= 0 || image.alto <= 0)
        throw std::runtime_error("no picture to write");
    ExrChannels exr(image.ancho, image.alto);

    const bool alpha = image.header.num_matte > 0;
    if (const float* floats = image.ColourFloats()) {
        // A float file's colour goes out as the file holds it, overbright,
        // negative, NaN and infinite values included: the words clamp.
        static const char* const kFloatNames[] = {"R", "G", "B", "A"};
        const auto* base = reinterpret_cast<const unsigned char*>(floats);
        for (int component = 0; component < (alpha ? 4 : 3); ++component)
            exr.AddInPlace(kFloatNames[component], Imf::FLOAT, base + component * sizeof(float), 4 * sizeof(float));
    } else {
        const std::uint16_t* words = image.ImageWords().data();  // alpha, red, green, blue
        static const char* const kColourNames[] = {"A", "R", "G", "B"};
        for (int word = alpha ? 0 : 1; word < 4; ++word)
            exr.AddFloat(kColourNames[word], [words, word](std::size_t i) { return words[4 * i + word] / 65535.0f; });
    }
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (image.ChannelData(bit) != nullptr)
            AddRenderChannel(exr, image, bit);
    }

    static const Imf::Compression kLibraryCompression[] = {
        Imf::ZIP_COMPRESSION,   Imf::NO_COMPRESSION,  Imf::RLE_COMPRESSION,  Imf::ZIPS_COMPRESSION, Imf::PIZ_COMPRESSION,
        Imf::PXR24_COMPRESSION, Imf::B44_COMPRESSION, Imf::DWAA_COMPRESSION, Imf::DWAB_COMPRESSION};
    exr.header().compression() = kLibraryCompression[int(compression)];
    exr.header().insert("producer", Imf::StringAttribute(image.Producer()));
    if (!image.names.empty())
        exr.header().insert("nodeNames", Imf::StringVectorAttribute(image.names.ToVector()));

    Imf::OutputFile file(path.c_str(), exr.header());
    exr.Write(file);
}

void CompressOnThreads(int threads)
{
    Imf::setGlobalThreadCount(threads);
}

}  // namespace exrexport
