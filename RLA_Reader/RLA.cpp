#include "RLA.h"

#include "ErrorReport.h"
#include "FileStream.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Report sites of this module. The first group is fixed by the reader's
// report table; the second guards malformed files that would otherwise make
// the reader step outside what it read.
constexpr int kSiteNoDot = 22;
constexpr int kSiteNotRpf = 25;
constexpr int kSiteChannelType = 39;
constexpr int kSiteNextImage = 42;
constexpr int kSiteImageBuf = 58;
constexpr int kSiteVelocBuf = 64;
constexpr int kSiteNodeIdBuf = 69;
constexpr int kSiteCoverageBuf = 74;
constexpr int kSiteZBuf = 79;
constexpr int kSiteFloatLength = 320;
constexpr int kSiteRecordLength = 374;
constexpr int kSiteTamanioCanal = 460;

constexpr int kSiteImageSize = 45;
constexpr int kSiteImageTooLarge = 47;
constexpr int kSiteDBlockPastEnd = 100;
constexpr int kSiteDBlockFewNames = 102;
constexpr int kSiteDBlockNoNul = 104;
constexpr int kSiteFloatRecordShort = 324;
constexpr int kSiteRunPastRecord = 380;

constexpr int kRecordBytesPerPixel = 30;

// The D block's name data is read in slices, so that a size field larger than
// the file costs no more memory than the file actually holds.
constexpr std::uint32_t kDBlockSlice = 1u << 20;

std::int16_t FromBigEndian16(std::int16_t v)
{
    auto u = static_cast<std::uint16_t>(v);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
}

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

float FloatFromBigEndian(const unsigned char* p)
{
    std::uint32_t bits = static_cast<std::uint32_t>(FromBigEndian32(p));
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

// A colour value in 0..1 as a 16-bit word. Values outside the range clamp
// (NaN gives 0): wrapping would show overbright float pixels dark.
inline unsigned short ToWord(float value)
{
    double scaled = std::min(std::max(0.0, static_cast<double>(value) * 65535.0), 65535.0);
    return static_cast<unsigned short>(scaled);
}

// Colour decoded from 8- or 16-bit records is k / 65536 for a whole k in
// 0..65535 (an 8-bit value v is k = 256 v), and alpha that a file without a
// matte channel never sets is 0. For such a value ToWord's exact product
// k * 65535 / 65536 = k - k / 65536 truncates to k - 1 (0 for k = 0), which
// whole-number arithmetic reaches without the double product and the clamp.
inline unsigned short WordFromFixedPoint(float value)
{
    const std::int32_t k = static_cast<std::int32_t>(value * 65536.0f);
    return static_cast<unsigned short>(k - (k > 0));
}

// The float of every byte value times a scale, as the channel decoding
// computes it (float(v) * scale), looked up instead of converted per value.
struct ByteFractions {
    explicit ByteFractions(float scale)
    {
        for (int v = 0; v < 256; ++v)
            of[v] = float(v) * scale;
    }
    float of[256];
};

// One row of red, green, blue, alpha floats into alpha, red, green, blue words.
template <unsigned short (*Convert)(float)>
void StoreWords(const float* in, unsigned short* out, std::size_t width)
{
    for (std::size_t x = 0; x < width; ++x, in += 4, out += 4) {
        out[0] = Convert(in[3]);
        out[1] = Convert(in[0]);
        out[2] = Convert(in[1]);
        out[3] = Convert(in[2]);
    }
}

// A buffer of a large image is written once from end to end; backing it with
// large pages where the system offers them on request saves most of the cost
// of faulting in its memory page by page. Only a hint: without it the buffer
// works the same.
void AdviseLargePages(void* buffer, std::size_t bytes)
{
#ifdef __linux__
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    if (buffer == nullptr || bytes < 2 * kLargePage)
        return;
    const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(buffer) + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(buffer) + bytes) & ~(kLargePage - 1);
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)buffer;
    (void)bytes;
#endif
}

}  // namespace

void ConvertHeaderToHost(RLAHeader& h)
{
    for (std::int16_t* field : {&h.window_left, &h.window_right, &h.window_bottom, &h.window_top,
                                &h.active_left, &h.active_right, &h.active_bottom, &h.active_top,
                                &h.frame, &h.storage_type, &h.num_chan, &h.num_matte, &h.num_aux,
                                &h.revision, &h.field, &h.chan_bits, &h.matte_type, &h.matte_bits,
                                &h.aux_bits})
        *field = FromBigEndian16(*field);
    h.job_num = FromBigEndian32(h.job_num);
    h.next = FromBigEndian32(h.next);
}

RLA::RLA()
{
    std::memset(&header, 0, sizeof header);
}

RLA::~RLA()
{
    delete[] scanline_offsets;
    delete[] record_buf;
    delete[] line_buf;
    if (keep_image)
        std::free(image_buf);
    std::free(bmm_chan_veloc_buf);
    std::free(bmm_chan_node_render_id_buf);
    std::free(bmm_chan_coverage_buf);
    std::free(bmm_chan_z_buf);
}

std::string RLA::Producer() const
{
    return FieldText(header.program, sizeof header.program);
}

void RLA::Leer(const char* path, bool keepImage)
{
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr)
        RLA_THROW(kSiteNoDot, "RLA::Leer. Not rpf file.");
    if (!EqualsIgnoringCase(dot, ".rpf"))
        RLA_THROW(kSiteNotRpf, "RLA::Leer. Not rpf file.");

    FileStream stream(path);
    LoadBody(stream, keepImage);
}

void RLA::LoadBody(Stream& stream, bool keepImage)
{
    keep_image = keepImage;
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
    ReadOffsets(stream);
    if (flag_P)
        SkipPBlock(stream);
    if (flag_D)
        ReadDBlock(stream);
    AllocateImageBuffers();
    ReadScanlines(stream);
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

void RLA::ParseChannelList()
{
    std::string producer = Producer();
    std::size_t open = producer.find('(');
    if (open == std::string::npos)
        return;
    for (std::size_t i = open + 1; i < producer.size(); ++i) {
        char c = producer[i];
        if (const char* letter = std::strchr(kChannelLetters, c); letter != nullptr)
            channel_mask |= 1u << (letter - kChannelLetters);
        else if (c == 'P')
            flag_P = true;
        else if (c == 'D')
            flag_D = true;
        else if (c == 'L')
            flag_L = true;
    }
}

void RLA::ReadOffsets(Stream& stream)
{
    record_size = ancho * kRecordBytesPerPixel;
    scanline_offsets = new std::int32_t[std::size_t(alto)];
    record_buf = new unsigned char[std::size_t(record_size)];
    line_buf = new unsigned char[std::size_t(ancho)];

    stream.Leer(scanline_offsets, alto * 4);
    for (std::int32_t i = 0; i < alto; ++i)
        scanline_offsets[i] = FromBigEndian32(scanline_offsets[i]);
}

void RLA::SkipPBlock(Stream& stream)
{
    constexpr int kLongBlockTag = 1000;
    unsigned char tag[2];
    stream.Leer(tag, 2);
    if ((tag[0] | (tag[1] << 8)) == kLongBlockTag) {
        stream.Seek(260, 1);
    } else {
        stream.Seek(-2, 1);
        stream.Seek(244, 1);
    }
}

void RLA::ReadDBlock(Stream& stream)
{
    unsigned char counts[8];
    stream.Leer(counts, 8);
    std::uint32_t count = FromLittleEndian32(counts);
    std::uint32_t size = FromLittleEndian32(counts + 4);

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
    for (std::uint32_t i = 0; i < count; ++i) {
        if (pos == data.size())
            RLA_THROW(kSiteDBlockFewNames, "RLA::ReadDBlock() fewer names than count=", count);
        const void* nul = std::memchr(data.data() + pos, '\0', data.size() - pos);
        if (nul == nullptr)
            RLA_THROW(kSiteDBlockNoNul, "RLA::ReadDBlock() name ", i, " lacks its NUL");
        std::size_t end = static_cast<const char*>(nul) - data.data();
        names.emplace_back(data.data() + pos, end - pos);
        pos = end + 1;
    }
}

void RLA::AllocateImageBuffers()
{
    // Zero-filled without writing the memory: most files hold few of the
    // channels, and untouched zero pages cost nothing.
    const std::uint32_t pixels = std::uint32_t(ancho) * std::uint32_t(alto);
    if (keep_image) {
        const std::uint32_t bytes = pixels * 8u;
        image_buf = static_cast<unsigned short*>(std::calloc(bytes, 1));
        if (image_buf == nullptr)
            RLA_THROW(kSiteImageBuf, "image_buf=malloc( ", bytes, ");");
        AdviseLargePages(image_buf, bytes);
    }
    const std::uint32_t velocBytes = pixels * 8u;
    bmm_chan_veloc_buf = static_cast<unsigned char*>(std::calloc(velocBytes, 1));
    if (bmm_chan_veloc_buf == nullptr)
        RLA_THROW(kSiteVelocBuf, "bmm_chan_veloc_buf=malloc( ", velocBytes, ");");
    AdviseLargePages(bmm_chan_veloc_buf, velocBytes);
    const std::uint32_t nodeIdBytes = pixels * 2u;
    bmm_chan_node_render_id_buf = static_cast<unsigned short*>(std::calloc(nodeIdBytes, 1));
    if (bmm_chan_node_render_id_buf == nullptr)
        RLA_THROW(kSiteNodeIdBuf, "bmm_chan_node_render_id_buf =malloc( ", nodeIdBytes, ");");
    AdviseLargePages(bmm_chan_node_render_id_buf, nodeIdBytes);
    bmm_chan_coverage_buf = static_cast<unsigned char*>(std::calloc(pixels, 1));
    if (bmm_chan_coverage_buf == nullptr)
        RLA_THROW(kSiteCoverageBuf, "bmm_chan_coverage_buf = (unsigned char*)malloc( ancho*alto );");
    AdviseLargePages(bmm_chan_coverage_buf, pixels);
    bmm_chan_z_buf = static_cast<float*>(std::calloc(pixels, sizeof(float)));
    if (bmm_chan_z_buf == nullptr)
        RLA_THROW(kSiteZBuf, "bmm_chan_z_buf = (unsigned char*)malloc( ancho*alto*sizeof(float) );");
    AdviseLargePages(bmm_chan_z_buf, std::size_t(pixels) * sizeof(float));
}

void RLA::ReadScanlines(Stream& stream)
{
    // Alpha starts at 0 and is never written when the file has no matte channel.
    std::vector<float> row(std::size_t(ancho) * 4, 0.0f);
    gbuffer_row.assign(std::size_t(ancho) * 8, 0);
    const std::size_t width = std::size_t(ancho);
    const bool floatColour = header.chan_bits == 32;

    for (std::int32_t r = 0; r < alto; ++r) {
        stream.Seek(scanline_offsets[alto - 1 - r], 0);
        ReadRGBA(stream, row.data());

        if (keep_image) {
            unsigned short* out = image_buf + std::size_t(r) * width * 4;
            if (floatColour)
                StoreWords<ToWord>(row.data(), out, width);
            else
                StoreWords<WordFromFixedPoint>(row.data(), out, width);
        }

        if (channel_mask == 0)
            continue;
        for (int bit = 0; bit < kChannelCount; ++bit) {
            if ((channel_mask & (1u << bit)) == 0)
                continue;
            const int size = TamanioCanal(bit);
            ReadNChannels(stream, gbuffer_row.data(), size, ancho);
            const std::size_t rowBytes = width * std::size_t(size);
            unsigned char* target = nullptr;
            switch (bit) {
            case kChannelV: target = bmm_chan_veloc_buf; break;
            case kChannelI: target = reinterpret_cast<unsigned char*>(bmm_chan_node_render_id_buf); break;
            case kChannelC: target = bmm_chan_coverage_buf; break;
            case kChannelZ: target = reinterpret_cast<unsigned char*>(bmm_chan_z_buf); break;
            default: break;  // read only to step over it
            }
            if (target != nullptr)
                std::memcpy(target + std::size_t(r) * rowBytes, gbuffer_row.data(), rowBytes);
        }
    }
}

void RLA::ReadRGBA(Stream& stream, float* row)
{
    const bool colour16 = header.chan_bits == 16;
    ReadFloatChannel(stream, row + 0, 4, colour16);
    ReadFloatChannel(stream, row + 1, 4, colour16);
    ReadFloatChannel(stream, row + 2, 4, colour16);
    if (header.num_matte > 0)
        ReadFloatChannel(stream, row + 3, 4, header.matte_bits == 16);
}

void RLA::ReadFloatChannel(Stream& stream, float* dst, int stride, bool is16)
{
    if (header.chan_bits == 32) {
        unsigned char lengthBytes[2];
        stream.Leer(lengthBytes, 2);
        const unsigned length = (unsigned(lengthBytes[0]) << 8) | lengthBytes[1];
        if (length >= unsigned(record_size))
            RLA_THROW(kSiteFloatLength, "RLA::ReadFloatChannel() length=", length);
        stream.Leer(record_buf, std::int32_t(length));
        if (length < 4u * unsigned(ancho))
            RLA_THROW(kSiteFloatRecordShort, "RLA::ReadFloatChannel() record shorter than 4*ancho: length=",
                      length);
        for (std::int32_t k = 0; k < ancho; ++k)
            dst[std::size_t(k) * stride] = FloatFromBigEndian(record_buf + 4 * k);
        return;
    }

    static const ByteFractions kHighBytes(0.00390625f);      // v / 256
    static const ByteFractions kLowBytes(0.0000152587890625f);  // v / 65536

    ReadNextChannel(stream, line_buf, 1, ancho);
    const unsigned char* line = line_buf;
    const std::size_t step = std::size_t(stride);
    for (std::int32_t k = 0; k < ancho; ++k)
        dst[std::size_t(k) * step] = kHighBytes.of[line[k]];

    if (is16) {
        continue_pos = DecodeRunLengthBlock(continue_pos, line_buf, 1, ancho);
        for (std::int32_t k = 0; k < ancho; ++k)
            dst[std::size_t(k) * step] += kLowBytes.of[line[k]];
    }
}

int RLA::ReadNChannels(Stream& stream, unsigned char* dst, int size, int count)
{
    for (int j = 0; j < size; ++j) {
        try {
            ReadNextChannel(stream, dst + (size - 1 - j), size, count);
        } catch (...) {
            std::cout << "RLA::ReadNChannels()" << "i=" << (size - 1 - j) << " n=" << size << std::endl;
            throw;
        }
    }
    return 1;
}

void RLA::ReadNextChannel(Stream& stream, unsigned char* dst, int stride, int count)
{
    if (count < 0)
        count = ancho;
    unsigned char lengthBytes[2];
    stream.Leer(lengthBytes, 2);
    const unsigned length = (unsigned(lengthBytes[0]) << 8) | lengthBytes[1];
    if (length >= unsigned(record_size))
        RLA_THROW(kSiteRecordLength, "RLA::ReadNextChannel(). length =", length);
    stream.Leer(record_buf, std::int32_t(length));
    record_length = std::int32_t(length);
    continue_pos = DecodeRunLengthBlock(0, dst, stride, count);
}

// Decodes one run-length block of the record in record_buf, starting at pos,
// into count values at dst (one every stride bytes). A run that overshoots
// count is consumed whole and its surplus dropped. Returns the position after
// the last run.
std::int32_t RLA::DecodeRunLengthBlock(std::int32_t pos, unsigned char* dst, int stride, int count)
{
    const unsigned char* record = record_buf;
    const std::int32_t end = record_length;
    std::int32_t written = 0;
    while (written < count) {
        if (pos >= end)
            RLA_THROW(kSiteRunPastRecord, "RLA::ReadNextChannel(). run-length data runs past the record, length =",
                      end);
        const int h = static_cast<signed char>(record[pos]);
        const std::int32_t runLength = h >= 0 ? h + 1 : -h;
        const std::int32_t runBytes = h >= 0 ? 1 : runLength;
        if (pos + 1 + runBytes > end)
            RLA_THROW(kSiteRunPastRecord, "RLA::ReadNextChannel(). run-length data runs past the record, length =",
                      end);
        const std::int32_t kept = std::min(runLength, count - written);
        unsigned char* out = dst + std::size_t(written) * stride;
        const unsigned char* in = record + pos + 1;
        if (h >= 0) {
            if (stride == 1)
                std::memset(out, *in, std::size_t(kept));
            else
                for (std::int32_t i = 0; i < kept; ++i)
                    out[std::size_t(i) * stride] = *in;
        } else {
            if (stride == 1)
                std::memcpy(out, in, std::size_t(kept));
            else
                for (std::int32_t i = 0; i < kept; ++i)
                    out[std::size_t(i) * stride] = in[i];
        }
        written += runLength;
        pos += 1 + runBytes;
    }
    return pos;
}

int RLA::TamanioCanal(int bit) const
{
    static const int kBytes[kChannelCount] = {4, 1, 2, 8, 4, 4, 1, 3, 2, 3, 3, 8, 3, 2};
    if (bit < 0 || bit >= kChannelCount)
        RLA_THROW(kSiteTamanioCanal, "RLA::TamanioCanal:", bit >= 0 && bit < 32 ? (1ull << bit) : 0ull);
    return kBytes[bit];
}
