#include "RLA.h"

#include "ErrorReport.h"
#include "FileStream.h"
#include "MemoryBudget.h"
#include "MemoryReadier.h"
#include "RowKernels.h"
#include "ScanlineDecoder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

namespace {

// Report sites of this file; callers and tests tell failures apart by them,
// so a number never changes once given.
constexpr int kSiteNoDot = 22;
constexpr int kSiteNotRpf = 25;
constexpr int kSiteChannelType = 39;
constexpr int kSiteNextImage = 42;
constexpr int kSiteImageBuf = 58;
constexpr int kSiteVelocBuf = 64;
constexpr int kSiteNodeIdBuf = 69;
constexpr int kSiteCoverageBuf = 74;
constexpr int kSiteZBuf = 79;
constexpr int kSiteOtherChannelBuf = 84;
constexpr int kSiteFloatBuf = 86;
constexpr int kSiteTamanioCanal = 460;

// Guards against malformed files that would otherwise make the loader step
// outside what it read or allocate for an image it cannot hold.
constexpr int kSiteImageSize = 45;
constexpr int kSiteImageTooLarge = 47;
constexpr int kSiteDBlockPastEnd = 100;
constexpr int kSiteDBlockFewNames = 102;
constexpr int kSiteDBlockNoNul = 104;
constexpr int kSiteDBlockTooManyNames = 106;
constexpr int kSiteDBlockTooLarge = 108;

// Limits of what a load may take, checked before anything is allocated, and
// the report of any allocation that fails all the same.
constexpr int kSitePixelCap = 48;
constexpr int kSiteMemoryBudget = 49;
constexpr int kSiteOutOfMemory = 90;

using rpflayout::TwoByteDepth;

// The D block's name data is read in slices, so that a size field larger than
// the file costs no more memory than the file actually holds.
constexpr std::uint32_t kDBlockSlice = 1u << 20;

std::int32_t FromBigEndian32(const unsigned char* p)
{
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]));
}

std::int32_t FromBigEndian32(std::int32_t v)
{
    unsigned char bytes[4];
    std::memcpy(bytes, &v, 4);
    return FromBigEndian32(bytes);
}

std::uint32_t FromLittleEndian32(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

float FloatFromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}



// A header text field as a string: up to its NUL, or the whole field.
std::string FieldText(const char* field, std::size_t size)
{
    return std::string(field, strnlen(field, size));
}

bool EqualsIgnoringCase(const char* a, const char* b)
{
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

void ParseDecimalField(const char* field, std::size_t size, float& out)
{
    std::string text = FieldText(field, size);
    std::sscanf(text.c_str(), "%f", &out);
}

// Memory for a buffer of the image, or the report of the given site when
// the system has none to give: zero-filled, or when the decoder writes every
// byte of it (filled), possibly an earlier frame's (ZeroedBuffer::ForOverwrite).
template <typename... Parts>
ZeroedBuffer AllocateOrReport(bool filled, std::size_t keptLimit, std::size_t bytes, int site,
                              const Parts&... message)
{
    ZeroedBuffer buffer = filled ? ZeroedBuffer::ForOverwrite(bytes, keptLimit) : ZeroedBuffer(bytes);
    if (buffer.Data() == nullptr)
        RLA_THROW(site, message...);
    return buffer;
}

}  // namespace

RLA::RLA()
{
    std::memset(&header, 0, sizeof header);
}

RLA::~RLA() = default;

std::string RLA::Producer() const
{
    return FieldText(header.program, sizeof header.program);
}

// Only names ending in ".rpf", in any letter case, are read.
static void CheckRpfName(const char* path)
{
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr)
        RLA_THROW(kSiteNoDot, "RLA::Leer. Not rpf file.");
    if (!EqualsIgnoringCase(dot, ".rpf"))
        RLA_THROW(kSiteNotRpf, "RLA::Leer. Not rpf file.");
}

void RLA::Leer(const char* path, bool keepImage)
{
    LoadOptions options;
    options.keepImage = keepImage;
    options.callerBytesPerPixel = keepImage ? 2 * memorybudget::kPictureBytesPerPixel : 0u;
    options.memoryCap = memorybudget::CapFromEnvironment();
    Leer(path, options);
}

void RLA::Leer(const char* path, const LoadOptions& options)
{
    CheckRpfName(path);
    try {
        FileStream stream(path);
        LoadBody(stream, options);
    } catch (const std::bad_alloc&) {
        RLA_THROW(kSiteOutOfMemory, "RLA::Leer() out of memory");
    } catch (const std::length_error&) {
        RLA_THROW(kSiteOutOfMemory, "RLA::Leer() out of memory");
    }
}

void RLA::ReadHeaderOnly(const char* path)
{
    CheckRpfName(path);
    FileStream stream(path);
    ReadHeader(stream);
    ParseChannelList();
}

void RLA::LoadBody(Stream& stream, const LoadOptions& options)
{
    keep_image = options.keepImage && options.pixels != LoadOptions::Pixels::None;
    ReadHeader(stream);

    if (std::memcmp(header.chan, "rgb", 4) != 0)
        RLA_THROW(kSiteChannelType, "header.chan != rgb");
    if (header.next != 0)
        RLA_THROW(kSiteNextImage, "header.next != 0");

    // Sizes are checked before anything is allocated from them: a width or
    // height of zero or less, or buffers whose byte counts do not fit in 32
    // bits, describe no image this reader can hold.
    if (ancho <= 0 || alto <= 0)
        RLA_THROW(kSiteImageSize, "RLA::ReadHeader() image size out of range: ancho=", ancho,
                  " alto=", alto);
    if (std::uint64_t(ancho) * std::uint64_t(alto) * 8u > UINT32_MAX)
        RLA_THROW(kSiteImageTooLarge, "RLA::ReadHeader() image too large: ancho=", ancho,
                  " alto=", alto);

    ParseChannelList();
    // The offset table and the D block are small and bounded; the image's
    // buffers are weighed once they show the file is whole that far.
    ReadOffsets(stream);
    if (flag_P)
        SkipPBlock(stream);
    if (flag_D)
        ReadDBlock(stream);
    if (options.pixels == LoadOptions::Pixels::None)
        return;
    CheckMemoryBudget(options);
    const bool renderChannels = options.pixels == LoadOptions::Pixels::Everything;
    AllocateImageBuffers(renderChannels);
    ReadScanlines(stream, renderChannels);
}

void RLA::ReadHeader(Stream& stream)
{
    stream.Leer(&header, sizeof header);
    ConvertHeaderToHost(header);
    ancho = std::int32_t(header.active_right) - std::int32_t(header.active_left) + 1;
    alto = std::int32_t(header.active_top) - std::int32_t(header.active_bottom) + 1;
    ParseDecimalField(header.gamma, sizeof header.gamma, gamma);
    ParseDecimalField(header.aspect_ratio, sizeof header.aspect_ratio, aspect_ratio);
}

void RLA::ReadOffsets(Stream& stream)
{
    scanline_offsets.assign(std::size_t(alto), 0);

    stream.Leer(scanline_offsets.data(), alto * std::int32_t(rpflayout::kOffsetEntryBytes));
    for (std::int32_t& offset : scanline_offsets)
        offset = FromBigEndian32(offset);
}

void RLA::SkipPBlock(Stream& stream)
{
    using namespace rpflayout;
    unsigned char tag[kPBlockTagBytes];
    stream.Leer(tag, std::int32_t(kPBlockTagBytes));
    if ((tag[0] | (tag[1] << 8)) == kLongPBlockTag) {
        stream.Seek(std::int32_t(kLongPBlockBytes - kPBlockTagBytes), kSeekFromCurrent);
    } else {
        stream.Seek(-std::int32_t(kPBlockTagBytes), kSeekFromCurrent);
        stream.Seek(std::int32_t(kPBlockBytes), kSeekFromCurrent);
    }
}

void RLA::ReadDBlock(Stream& stream)
{
    using namespace rpflayout;
    unsigned char counts[kDBlockCountBytes + kDBlockSizeBytes];
    stream.Leer(counts, std::int32_t(sizeof counts));
    std::uint32_t count = FromLittleEndian32(counts);
    std::uint32_t size = FromLittleEndian32(counts + kDBlockCountBytes);
    if (count > kMaxDBlockNames)
        RLA_THROW(kSiteDBlockTooManyNames, "RLA::ReadDBlock() too many names: count=", count, ", limit ",
                  kMaxDBlockNames);
    if (size > kMaxDBlockBytes) {
        // A size the file cannot hold is damage; one it holds is too much.
        bool holdsIt = true;
        try {
            stream.Seek(std::int32_t(std::min<std::uint32_t>(size - 1, INT32_MAX)), kSeekFromCurrent);
            unsigned char last;
            stream.Leer(&last, 1);
        } catch (const std::runtime_error&) {
            holdsIt = false;
        }
        if (!holdsIt)
            RLA_THROW(kSiteDBlockPastEnd, "RLA::ReadDBlock() name data runs past the end of the file: size=",
                      size);
        RLA_THROW(kSiteDBlockTooLarge, "RLA::ReadDBlock() name data too large: size=", size, ", limit ",
                  kMaxDBlockBytes);
    }

    std::vector<char> data;
    try {
        while (data.size() < size) {
            std::size_t slice = std::min<std::size_t>(kDBlockSlice, size - data.size());
            data.resize(data.size() + slice);
            stream.Leer(data.data() + data.size() - slice, static_cast<std::int32_t>(slice));
        }
    } catch (const std::runtime_error&) {
        RLA_THROW(kSiteDBlockPastEnd, "RLA::ReadDBlock() name data runs past the end of the file: size=",
                  size);
    }

    std::size_t pos = 0;
    names.Reserve(count, size);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (pos == data.size())
            RLA_THROW(kSiteDBlockFewNames, "RLA::ReadDBlock() fewer names than count=", count);
        const void* nul = std::memchr(data.data() + pos, '\0', data.size() - pos);
        if (nul == nullptr)
            RLA_THROW(kSiteDBlockNoNul, "RLA::ReadDBlock() name ", i, " lacks its NUL");
        std::size_t end = static_cast<const char*>(nul) - data.data();
        names.Add(std::string_view(data.data() + pos, end - pos));
        pos = end + 1;
    }
}

// What the declared image needs, weighed before allocating: the colour
// image when kept (with its floats), what the caller builds from it, and
// the render channels when they are decoded, against the room the system
// and the program's cap leave.
std::uint64_t RLA::LoadBytes(const LoadOptions& options) const
{
    const std::uint64_t pixels = std::uint64_t(std::max(ancho, 0)) * std::uint64_t(std::max(alto, 0));
    // The reader's own buffers, counted as the frames' accounting counts
    // them, and what the caller builds from the image.
    const bool renderChannels = options.pixels == LoadOptions::Pixels::Everything;
    const bool keepImage = options.keepImage && options.pixels != LoadOptions::Pixels::None;
    std::uint64_t bytesPerPixel =
        memorybudget::ReaderBytesPerPixel(renderChannels ? channel_mask : 0u, header.chan_bits == 32, keepImage) +
        options.callerBytesPerPixel;
    if (renderChannels) {
        // Z, C, I and V are allocated whether the file holds them or not:
        // untouched, they take no memory, but they take address space,
        // which a ulimit -v caps.
        for (int bit : {int(kChannelZ), int(kChannelC), int(kChannelI), int(kChannelV)}) {
            if ((channel_mask & (1u << bit)) == 0)
                bytesPerPixel += std::uint64_t(rpflayout::kChannelElementBytes[bit]);
        }
    }
    return pixels * bytesPerPixel;
}

void RLA::CheckMemoryBudget(const LoadOptions& options) const
{
    const std::uint64_t pixels = std::uint64_t(ancho) * std::uint64_t(alto);
    const std::uint64_t maxPixels = memorybudget::MaxPixels();
    if (pixels > maxPixels)
        RLA_THROW(kSitePixelCap, "RLA::ReadHeader() image too large: ", ancho, "x", alto, " = ", pixels,
                  " pixels, limit ", maxPixels, " pixels (BRIMWELL_MAX_PIXELS)");
    const std::uint64_t needed = LoadBytes(options);
    const auto room = [&options] { return std::min(memorybudget::AvailableBytes(), options.memoryCap); };
    std::uint64_t available = room();
    if (needed > available && ZeroedBuffer::KeptBytes() > 0) {
        // Memory kept for the buffers of later frames is free memory for
        // this one: given back, it is weighed again.
        ZeroedBuffer::ReleaseKept();
        available = room();
    }
    if (needed > available)
        RLA_THROW(kSiteMemoryBudget, "RLA::ReadHeader() not enough memory for a ", ancho, "x", alto,
                  " image: needs ", (needed + (1u << 20) - 1) >> 20, " MiB, ",
                  available == options.memoryCap ? "limit " : "available ", available >> 20, " MiB");
}

void RLA::AllocateImageBuffers(bool renderChannels)
{
    // Zero-filled without writing the memory: most files hold few of the
    // channels, and untouched zero pages cost nothing. Z, C, I and V always
    // get theirs, whether the file holds them or not; the other channels only
    // when it does.
    //
    // What the decoder writes whole may take an earlier frame's memory
    // instead: every row of every channel the file holds, and the image's
    // four words of every pixel, except the alpha of float colour without a
    // matte channel, which stays as the zero-filled image holds it.
    const std::uint32_t pixels = std::uint32_t(ancho) * std::uint32_t(alto);
    const auto holds = [this](int bit) { return (channel_mask & (1u << bit)) != 0; };
    if (keep_image) {
        const std::uint32_t bytes = pixels * 8u;
        const bool filled = header.chan_bits != 32 || header.num_matte > 0;
        image_memory = AllocateOrReport(filled, kept_bytes_limit_, bytes, kSiteImageBuf, "image_buf=malloc( ", bytes, ");");
        image_buf = reinterpret_cast<const unsigned short*>(image_memory.Data());
        if (header.chan_bits == 32) {
            const std::size_t floatBytes = std::size_t(pixels) * 4u * sizeof(float);
            float_memory = AllocateOrReport(filled, kept_bytes_limit_, floatBytes, kSiteFloatBuf, "colour floats=malloc( ", floatBytes,
                                            ");");
        }
    }
    if (!renderChannels)
        return;
    const std::uint32_t velocBytes = pixels * 8u;
    channel_memory[kChannelV] = AllocateOrReport(holds(kChannelV), kept_bytes_limit_, velocBytes, kSiteVelocBuf,
                                                 "bmm_chan_veloc_buf=malloc( ", velocBytes, ");");
    bmm_chan_veloc_buf = channel_memory[kChannelV].Data();
    const std::uint32_t nodeIdBytes = pixels * 2u;
    channel_memory[kChannelI] = AllocateOrReport(holds(kChannelI), kept_bytes_limit_, nodeIdBytes, kSiteNodeIdBuf,
                                                 "bmm_chan_node_render_id_buf =malloc( ", nodeIdBytes, ");");
    bmm_chan_node_render_id_buf = reinterpret_cast<const unsigned short*>(channel_memory[kChannelI].Data());
    channel_memory[kChannelC] = AllocateOrReport(holds(kChannelC), kept_bytes_limit_, pixels, kSiteCoverageBuf,
                                                 "bmm_chan_coverage_buf = (unsigned char*)malloc( ancho*alto );");
    bmm_chan_coverage_buf = channel_memory[kChannelC].Data();
    channel_memory[kChannelZ] =
        AllocateOrReport(holds(kChannelZ), kept_bytes_limit_, std::size_t(pixels) * sizeof(float), kSiteZBuf,
                         "bmm_chan_z_buf = (unsigned char*)malloc( ancho*alto*sizeof(float) );");
    bmm_chan_z_buf = reinterpret_cast<const float*>(channel_memory[kChannelZ].Data());

    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (!holds(bit) || bit == kChannelZ || bit == kChannelC || bit == kChannelI || bit == kChannelV)
            continue;
        const std::size_t bytes = std::size_t(pixels) * std::size_t(TamanioCanal(bit));
        channel_memory[bit] = AllocateOrReport(true, kept_bytes_limit_, bytes, kSiteOtherChannelBuf, "channel ", kChannelLetters[bit],
                                               " buffer=malloc( ", bytes, ");");
    }
}

std::size_t RLA::BytesHeld() const
{
    std::size_t bytes = image_memory.Size() + float_memory.Size();
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (channel_mask & (1u << bit))
            bytes += channel_memory[bit].Size();
    }
    bytes += scanline_offsets.capacity() * sizeof(std::int32_t);
    return bytes + names.BytesHeld();
}

const unsigned char* RLA::ChannelData(int bit) const
{
    // Null too when the load left the render channels out.
    if (bit < 0 || bit >= kChannelCount || (channel_mask & (1u << bit)) == 0)
        return nullptr;
    return channel_memory[bit].Data();
}

ConstSpan<unsigned short> RLA::ImageWords() const
{
    return {reinterpret_cast<const unsigned short*>(image_memory.Data()), image_memory.Size() / sizeof(unsigned short)};
}

ConstSpan<unsigned char> RLA::ChannelBytes(int bit) const
{
    const unsigned char* data = ChannelData(bit);
    return data ? ConstSpan<unsigned char>(data, channel_memory[bit].Size()) : ConstSpan<unsigned char>();
}

void RLA::ReadScanlines(Stream& stream, bool renderChannels)
{
    ScanlineDecoder decoder(stream, ancho);
    const std::size_t width = std::size_t(ancho);
    // The buffers this file fills: the image and the kept channels it holds.
    std::vector<const ZeroedBuffer*> filled;
    if (keep_image)
        filled.push_back(&image_memory);
    if (float_memory.Data() != nullptr)
        filled.push_back(&float_memory);
    const std::uint32_t decodedChannels = renderChannels ? channel_mask : 0u;
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (decodedChannels & (1u << bit))
            filled.push_back(&channel_memory[bit]);
    }
    if (header.chan_bits == 32)
        ChooseFloatByteOrder(stream, decoder);
    MemoryReadier readier(filled);

    auto* words = reinterpret_cast<unsigned short*>(image_memory.Data());
    auto* floats = reinterpret_cast<float*>(float_memory.Data());
    for (std::int32_t r = 0; r < alto; ++r) {
        stream.Seek(scanline_offsets[std::size_t(alto - 1 - r)], kSeekFromStart);
        ReadRGBA(decoder, words ? words + std::size_t(r) * width * 4 : nullptr,
                 floats ? floats + std::size_t(r) * width * 4 : nullptr);

        if (decodedChannels == 0)
            continue;
        for (int bit = 0; bit < kChannelCount; ++bit) {
            if ((decodedChannels & (1u << bit)) == 0)
                continue;
            const int size = TamanioCanal(bit);
            decoder.ReadNChannels(decoder.ElementRow(), size, ancho);
            const std::size_t rowBytes = width * std::size_t(size);
            std::memcpy(channel_memory[bit].Data() + std::size_t(r) * rowBytes, decoder.ElementRow(), rowBytes);
        }
    }
}

// One colour channel of a row. Float records go straight to their word and
// their float of every pixel (words and floats, one pixel every four values,
// are null together); integer records are decoded into the channel's high
// plane and, for two-byte depths, the second block into the low plane, which
// ReadRGBA packs into words.
void RLA::ReadFloatChannel(ScanlineDecoder& decoder, unsigned short* words, float* floats, int highPlane,
                           bool twoBytes)
{
    if (header.chan_bits == 32) {
        const unsigned char* p = decoder.ReadFloatRecord();
        if (words == nullptr)
            return;
        auto store = [&](std::int32_t k, std::uint32_t bits) {
            const float value = FloatFromBits(bits);
            floats[std::size_t(k) * 4] = value;
            words[std::size_t(k) * 4] = rowkernels::ToWord(value);
        };
        if (floats_little_endian) {
            for (std::int32_t k = 0; k < ancho; ++k)
                store(k, FromLittleEndian32(p + 4 * k));
        } else {
            for (std::int32_t k = 0; k < ancho; ++k)
                store(k, static_cast<std::uint32_t>(FromBigEndian32(p + 4 * k)));
        }
        return;
    }

    const auto high = ScanlineDecoder::ColourPlane(highPlane);
    decoder.ReadNextChannel(decoder.Plane(high), ancho);
    if (twoBytes)
        decoder.DecodeNextBlock(decoder.Plane(ScanlineDecoder::ColourPlane(high + 1)), ancho);
}

int RLA::TamanioCanal(int bit) const
{
    if (bit < 0 || bit >= kChannelCount)
        RLA_THROW(kSiteTamanioCanal, "RLA::TamanioCanal:", bit >= 0 && bit < 32 ? (1ull << bit) : 0ull);
    return rpflayout::kChannelElementBytes[bit];
}
