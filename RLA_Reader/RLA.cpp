#include "RLA.h"

#include "ErrorReport.h"
#include "FileStream.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <system_error>
#include <thread>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#endif
#ifdef __linux__
#include <sched.h>
#endif

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RLA_HAVE_SSE2 1
#endif

#ifdef _MSC_VER
#define RLA_NOINLINE __declspec(noinline)
#else
#define RLA_NOINLINE __attribute__((noinline))
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
constexpr int kSiteOtherChannelBuf = 84;
constexpr int kSiteImageTooLarge = 47;
constexpr int kSiteDBlockPastEnd = 100;
constexpr int kSiteDBlockFewNames = 102;
constexpr int kSiteDBlockNoNul = 104;
constexpr int kSiteFloatRecordShort = 324;
constexpr int kSiteRunPastRecord = 380;

constexpr int kRecordBytesPerPixel = 30;

// Room after the record buffer and after each plane of line_buf: the
// run-length decoder moves runs in 16-byte blocks, so a run of up to 128
// values may write (and a literal run read) up to 128 bytes past where it
// starts.
constexpr std::size_t kSlack = 128;

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

// The colour planes of a row as words: a value k = high * 256 + low stands
// for k / 65536, and ToWord's exact product k * 65535 / 65536 = k - k / 65536
// truncates to k - 1 (0 for k = 0), which whole-number arithmetic reaches
// without the float and the double product. Pixels are alpha, red, green,
// blue.
void PackWords(const unsigned char* const planes[8], unsigned short* out, std::size_t width)
{
    const unsigned char* redHigh = planes[0];
    const unsigned char* redLow = planes[1];
    const unsigned char* greenHigh = planes[2];
    const unsigned char* greenLow = planes[3];
    const unsigned char* blueHigh = planes[4];
    const unsigned char* blueLow = planes[5];
    const unsigned char* alphaHigh = planes[6];
    const unsigned char* alphaLow = planes[7];
    std::size_t x = 0;
#ifdef RLA_HAVE_SSE2
    const __m128i one = _mm_set1_epi16(1);
    auto load = [](const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    // The image is written once and read much later, by then long out of the
    // cache: stores that bypass it save reading every line in first. They
    // need 16-byte alignment, which rows of an even width have.
    const bool aligned = (reinterpret_cast<std::uintptr_t>(out) & 15) == 0;
    auto store = [aligned](unsigned short* p, __m128i v) {
        if (aligned)
            _mm_stream_si128(reinterpret_cast<__m128i*>(p), v);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
    };
    // Four channels of eight pixels, as words, into eight interleaved pixels.
    auto interleave = [&store](unsigned short* p, __m128i a, __m128i r, __m128i g, __m128i b) {
        __m128i ar = _mm_unpacklo_epi16(a, r);
        __m128i gb = _mm_unpacklo_epi16(g, b);
        store(p, _mm_unpacklo_epi32(ar, gb));
        store(p + 8, _mm_unpackhi_epi32(ar, gb));
        ar = _mm_unpackhi_epi16(a, r);
        gb = _mm_unpackhi_epi16(g, b);
        store(p + 16, _mm_unpacklo_epi32(ar, gb));
        store(p + 24, _mm_unpackhi_epi32(ar, gb));
    };
    for (; x + 16 <= width; x += 16) {
        const __m128i ah = load(alphaHigh + x), al = load(alphaLow + x);
        const __m128i rh = load(redHigh + x), rl = load(redLow + x);
        const __m128i gh = load(greenHigh + x), gl = load(greenLow + x);
        const __m128i bh = load(blueHigh + x), bl = load(blueLow + x);
        interleave(out + x * 4, _mm_subs_epu16(_mm_unpacklo_epi8(al, ah), one),
                   _mm_subs_epu16(_mm_unpacklo_epi8(rl, rh), one), _mm_subs_epu16(_mm_unpacklo_epi8(gl, gh), one),
                   _mm_subs_epu16(_mm_unpacklo_epi8(bl, bh), one));
        interleave(out + x * 4 + 32, _mm_subs_epu16(_mm_unpackhi_epi8(al, ah), one),
                   _mm_subs_epu16(_mm_unpackhi_epi8(rl, rh), one), _mm_subs_epu16(_mm_unpackhi_epi8(gl, gh), one),
                   _mm_subs_epu16(_mm_unpackhi_epi8(bl, bh), one));
    }
    _mm_sfence();  // the bypassing stores are ordered before anything after the row
#endif
    auto word = [](unsigned high, unsigned low) {
        const unsigned k = (high << 8) | low;
        return static_cast<unsigned short>(k - (k > 0));
    };
    for (; x < width; ++x) {
        unsigned short* pixel = out + x * 4;
        pixel[0] = word(alphaHigh[x], alphaLow[x]);
        pixel[1] = word(redHigh[x], redLow[x]);
        pixel[2] = word(greenHigh[x], greenLow[x]);
        pixel[3] = word(blueHigh[x], blueLow[x]);
    }
}

// The image and channel buffers: zero-filled, and without writing a byte of
// them. A large buffer is mapped straight from the system, whose fresh pages
// read as zeros until written; calloc would hand back recycled heap memory and
// clear it whenever the allocator has raised its own mapping threshold, which
// it does after each large free, so loading frame after frame would pay for
// clearing every channel buffer the files never fill. The mapping also asks
// for large pages where the system offers them on request: a buffer written
// from end to end then costs one fault per 2 MiB instead of per page.
#if defined(__unix__) || defined(__APPLE__)
constexpr std::size_t kMapDirectlyBytes = std::size_t(1) << 20;

void* AllocateZeroed(std::size_t bytes)
{
    if (bytes < kMapDirectlyBytes)
        return std::calloc(bytes, 1);
    void* buffer = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (buffer == MAP_FAILED)
        return nullptr;
#ifdef MADV_HUGEPAGE
    madvise(buffer, bytes, MADV_HUGEPAGE);
#endif
    return buffer;
}

void ReleaseZeroed(void* buffer, std::size_t bytes)
{
    if (buffer == nullptr)
        return;
    if (bytes < kMapDirectlyBytes)
        std::free(buffer);
    else
        munmap(buffer, bytes);
}
#else
void* AllocateZeroed(std::size_t bytes)
{
    return std::calloc(bytes, 1);
}

void ReleaseZeroed(void* buffer, std::size_t)
{
    std::free(buffer);
}
#endif

// Asks the system to back freshly mapped buffers with memory, on a thread of
// its own while the loader decodes into them. The system clears every page it
// hands out, and for a large image that clearing costs about as much as the
// decoding; done alongside, it leaves the decoder pages that are ready when it
// reaches them. The decoder fills all its buffers row by row together, so the
// helper readies them together too, each in step with the largest. Only
// memory is touched, never the buffers' contents, so the two threads never
// disturb each other; where the system cannot populate memory on request,
// nothing happens.
class MemoryReadier {
public:
    struct Region {
        void* start;
        std::size_t bytes;
    };

    explicit MemoryReadier(std::vector<Region> regions)
    {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        // Only buffers mapped straight from the system start on a page.
        regions.erase(std::remove_if(regions.begin(), regions.end(),
                                     [](const Region& r) { return r.start == nullptr || r.bytes < kMapDirectlyBytes; }),
                      regions.end());
        std::size_t total = 0;
        std::size_t largest = 0;
        for (const Region& region : regions) {
            total += region.bytes;
            largest = std::max(largest, region.bytes);
        }
        constexpr std::size_t kWorthIt = std::size_t(16) << 20;
        if (total < kWorthIt)
            return;
        try {
            thread_ = std::thread([this, regions, largest] { Ready(regions, largest); });
        } catch (const std::system_error&) {
            // No thread to spare: the decoder's own writes fault the pages in.
        }
#else
        (void)regions;
#endif
    }
    ~MemoryReadier()
    {
        stop_.store(true, std::memory_order_relaxed);
        if (thread_.joinable())
            thread_.join();
    }
    MemoryReadier(const MemoryReadier&) = delete;
    MemoryReadier& operator=(const MemoryReadier&) = delete;

private:
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    void Ready(const std::vector<Region>& regions, std::size_t largest)
    {
        // Spare time only: sharing the decoder's core, the helper would slow
        // it down more than the ready pages gain.
        sched_param lowest{};
        sched_setscheduler(0, SCHED_IDLE, &lowest);
        constexpr std::size_t kSlice = std::size_t(2) << 20;
        constexpr std::size_t kPage = 4096;  // a multiple of every page size in use, rounding only
        // From the end backwards, while the decoder writes from the start: the
        // two never wait for the same page, and when this core is slow the
        // decoder simply readies more of the memory itself.
        std::vector<std::size_t> low;
        for (const Region& region : regions)
            low.push_back(region.bytes);
        for (std::size_t reach = kSlice; !stop_.load(std::memory_order_relaxed); reach += kSlice) {
            bool more = false;
            for (std::size_t i = 0; i < regions.size(); ++i) {
                const Region& region = regions[i];
                const double left = 1.0 - double(std::min(reach, largest)) / double(largest);
                const std::size_t target = std::size_t(double(region.bytes) * left) & ~(kPage - 1);
                if (target < low[i]) {
                    if (madvise(static_cast<unsigned char*>(region.start) + target, low[i] - target,
                                MADV_POPULATE_WRITE) != 0)
                        return;
                    low[i] = target;
                }
                more = more || low[i] > 0;
            }
            if (!more)
                return;
        }
    }
#endif

    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A row of elements of size bytes from size planes, plane k holding byte k
// of every element.
void InterleavePlanes(const unsigned char* const planes[8], int size, unsigned char* out, std::size_t count)
{
    std::size_t x = 0;
#ifdef RLA_HAVE_SSE2
    auto load = [](const unsigned char* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); };
    auto store = [](unsigned char* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); };
    if (size == 2) {
        for (; x + 16 <= count; x += 16) {
            const __m128i b0 = load(planes[0] + x), b1 = load(planes[1] + x);
            store(out + x * 2, _mm_unpacklo_epi8(b0, b1));
            store(out + x * 2 + 16, _mm_unpackhi_epi8(b0, b1));
        }
    } else if (size == 4) {
        for (; x + 16 <= count; x += 16) {
            const __m128i b0 = load(planes[0] + x), b1 = load(planes[1] + x);
            const __m128i b2 = load(planes[2] + x), b3 = load(planes[3] + x);
            __m128i low = _mm_unpacklo_epi8(b0, b1), high = _mm_unpacklo_epi8(b2, b3);
            store(out + x * 4, _mm_unpacklo_epi16(low, high));
            store(out + x * 4 + 16, _mm_unpackhi_epi16(low, high));
            low = _mm_unpackhi_epi8(b0, b1);
            high = _mm_unpackhi_epi8(b2, b3);
            store(out + x * 4 + 32, _mm_unpacklo_epi16(low, high));
            store(out + x * 4 + 48, _mm_unpackhi_epi16(low, high));
        }
    } else if (size == 8) {
        for (; x + 16 <= count; x += 16) {
            __m128i b[8];
            for (int k = 0; k < 8; ++k)
                b[k] = load(planes[k] + x);
            for (int half = 0; half < 2; ++half) {
                const auto pair = [half](__m128i u, __m128i v) {
                    return half == 0 ? _mm_unpacklo_epi8(u, v) : _mm_unpackhi_epi8(u, v);
                };
                const __m128i p01 = pair(b[0], b[1]), p23 = pair(b[2], b[3]);
                const __m128i p45 = pair(b[4], b[5]), p67 = pair(b[6], b[7]);
                // Four-byte halves of elements 0..3 and 4..7 of this half.
                const __m128i low03 = _mm_unpacklo_epi16(p01, p23), low47 = _mm_unpackhi_epi16(p01, p23);
                const __m128i high03 = _mm_unpacklo_epi16(p45, p67), high47 = _mm_unpackhi_epi16(p45, p67);
                unsigned char* o = out + (x + std::size_t(half) * 8) * 8;
                store(o, _mm_unpacklo_epi32(low03, high03));
                store(o + 16, _mm_unpackhi_epi32(low03, high03));
                store(o + 32, _mm_unpacklo_epi32(low47, high47));
                store(o + 48, _mm_unpackhi_epi32(low47, high47));
            }
        }
    }
#endif
    for (; x < count; ++x)
        for (int k = 0; k < size; ++k)
            out[x * std::size_t(size) + std::size_t(k)] = planes[k][x];
}

// One whole run of n values (1..128) at out: n copies of value, or the n
// bytes at in. Runs move in 64-byte blocks, so they may write up to 128 bytes
// past out and read as far past in; the callers' buffers have room for that.
inline void FillRun(unsigned char* out, unsigned char value, std::int32_t n)
{
#ifdef RLA_HAVE_SSE2
    // Four stores cover most runs; only long ones need four more.
    const __m128i v = _mm_set1_epi8(static_cast<char>(value));
    auto* p = reinterpret_cast<__m128i*>(out);
    for (int i = 0; i < 4; ++i)
        _mm_storeu_si128(p + i, v);
    if (n > 64)
        for (int i = 4; i < 8; ++i)
            _mm_storeu_si128(p + i, v);
#else
    std::memset(out, value, std::size_t(n));
#endif
}

inline void CopyRun(unsigned char* out, const unsigned char* in, std::int32_t n)
{
#ifdef RLA_HAVE_SSE2
    // Literal runs are mostly a few bytes long.
    auto* to = reinterpret_cast<__m128i*>(out);
    auto* from = reinterpret_cast<const __m128i*>(in);
    _mm_storeu_si128(to, _mm_loadu_si128(from));
    for (std::int32_t i = 1; i * 16 < n; ++i)
        _mm_storeu_si128(to + i, _mm_loadu_si128(from + i));
#else
    std::memcpy(out, in, std::size_t(n));
#endif
}

// Kept out of line so the decoding loop stays small.
[[noreturn]] RLA_NOINLINE void ThrowRunPastRecord(std::int32_t length)
{
    RLA_THROW(kSiteRunPastRecord, "RLA::ReadNextChannel(). run-length data runs past the record, length =", length);
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
        ReleaseZeroed(image_buf, image_bytes);
    ReleaseZeroed(bmm_chan_veloc_buf, veloc_bytes);
    ReleaseZeroed(bmm_chan_node_render_id_buf, node_id_bytes);
    ReleaseZeroed(bmm_chan_coverage_buf, coverage_bytes);
    ReleaseZeroed(bmm_chan_z_buf, z_bytes);
    for (int bit = 0; bit < kChannelCount; ++bit)
        ReleaseZeroed(other_channel_bufs[bit], other_channel_bytes[bit]);
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
    record_buf = new unsigned char[std::size_t(record_size) + kSlack]();
    plane_stride = (std::size_t(ancho) + kSlack + 63) & ~std::size_t(63);
    line_buf = new unsigned char[plane_stride * kColourPlanes]();

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
        image_buf = static_cast<unsigned short*>(AllocateZeroed(bytes));
        if (image_buf == nullptr)
            RLA_THROW(kSiteImageBuf, "image_buf=malloc( ", bytes, ");");
        image_bytes = bytes;
    }
    const std::uint32_t velocBytes = pixels * 8u;
    bmm_chan_veloc_buf = static_cast<unsigned char*>(AllocateZeroed(velocBytes));
    if (bmm_chan_veloc_buf == nullptr)
        RLA_THROW(kSiteVelocBuf, "bmm_chan_veloc_buf=malloc( ", velocBytes, ");");
    veloc_bytes = velocBytes;
    const std::uint32_t nodeIdBytes = pixels * 2u;
    bmm_chan_node_render_id_buf = static_cast<unsigned short*>(AllocateZeroed(nodeIdBytes));
    if (bmm_chan_node_render_id_buf == nullptr)
        RLA_THROW(kSiteNodeIdBuf, "bmm_chan_node_render_id_buf =malloc( ", nodeIdBytes, ");");
    node_id_bytes = nodeIdBytes;
    bmm_chan_coverage_buf = static_cast<unsigned char*>(AllocateZeroed(pixels));
    if (bmm_chan_coverage_buf == nullptr)
        RLA_THROW(kSiteCoverageBuf, "bmm_chan_coverage_buf = (unsigned char*)malloc( ancho*alto );");
    coverage_bytes = pixels;
    bmm_chan_z_buf = static_cast<float*>(AllocateZeroed(std::size_t(pixels) * sizeof(float)));
    if (bmm_chan_z_buf == nullptr)
        RLA_THROW(kSiteZBuf, "bmm_chan_z_buf = (unsigned char*)malloc( ancho*alto*sizeof(float) );");
    z_bytes = std::size_t(pixels) * sizeof(float);

    for (int bit = 0; bit < kChannelCount; ++bit) {
        if ((channel_mask & (1u << bit)) == 0 || bit == kChannelZ || bit == kChannelC || bit == kChannelI ||
            bit == kChannelV)
            continue;
        const std::size_t bytes = std::size_t(pixels) * std::size_t(TamanioCanal(bit));
        other_channel_bufs[bit] = static_cast<unsigned char*>(AllocateZeroed(bytes));
        if (other_channel_bufs[bit] == nullptr)
            RLA_THROW(kSiteOtherChannelBuf, "channel ", kChannelLetters[bit], " buffer=malloc( ", bytes, ");");
        other_channel_bytes[bit] = bytes;
    }
}

unsigned char* RLA::ChannelTarget(int bit) const
{
    switch (bit) {
    case kChannelV: return bmm_chan_veloc_buf;
    case kChannelI: return reinterpret_cast<unsigned char*>(bmm_chan_node_render_id_buf);
    case kChannelC: return bmm_chan_coverage_buf;
    case kChannelZ: return reinterpret_cast<unsigned char*>(bmm_chan_z_buf);
    default: return bit >= 0 && bit < kChannelCount ? other_channel_bufs[bit] : nullptr;
    }
}

const unsigned char* RLA::ChannelData(int bit) const
{
    if (bit < 0 || bit >= kChannelCount || (channel_mask & (1u << bit)) == 0)
        return nullptr;
    return ChannelTarget(bit);
}

void RLA::ReadScanlines(Stream& stream)
{
    gbuffer_row.assign(std::size_t(ancho) * 8, 0);
    const std::size_t width = std::size_t(ancho);
    // The buffers this file fills: the image and the kept channels it holds.
    std::vector<MemoryReadier::Region> filled;
    if (keep_image)
        filled.push_back({image_buf, image_bytes});
    if (channel_mask & (1u << kChannelZ))
        filled.push_back({bmm_chan_z_buf, z_bytes});
    if (channel_mask & (1u << kChannelC))
        filled.push_back({bmm_chan_coverage_buf, coverage_bytes});
    if (channel_mask & (1u << kChannelI))
        filled.push_back({bmm_chan_node_render_id_buf, node_id_bytes});
    if (channel_mask & (1u << kChannelV))
        filled.push_back({bmm_chan_veloc_buf, veloc_bytes});
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (other_channel_bufs[bit] != nullptr)
            filled.push_back({other_channel_bufs[bit], other_channel_bytes[bit]});
    }
    MemoryReadier readier(std::move(filled));

    for (std::int32_t r = 0; r < alto; ++r) {
        stream.Seek(scanline_offsets[alto - 1 - r], 0);
        ReadRGBA(stream, keep_image ? image_buf + std::size_t(r) * width * 4 : nullptr);

        if (channel_mask == 0)
            continue;
        for (int bit = 0; bit < kChannelCount; ++bit) {
            if ((channel_mask & (1u << bit)) == 0)
                continue;
            const int size = TamanioCanal(bit);
            ReadNChannels(stream, gbuffer_row.data(), size, ancho);
            const std::size_t rowBytes = width * std::size_t(size);
            std::memcpy(ChannelTarget(bit) + std::size_t(r) * rowBytes, gbuffer_row.data(), rowBytes);
        }
    }
}

// Reads the colour records of one row and, when words is given, stores the
// row there as alpha, red, green, blue words. Without a matte channel alpha is
// 0: float rows leave it as the zero-filled image holds it, and 8- and 16-bit
// rows take it from the zero plane.
void RLA::ReadRGBA(Stream& stream, unsigned short* words)
{
    const bool colour16 = header.chan_bits == 16;
    const bool alpha = header.num_matte > 0;
    ReadFloatChannel(stream, words ? words + 1 : nullptr, kRedHigh, colour16);
    ReadFloatChannel(stream, words ? words + 2 : nullptr, kGreenHigh, colour16);
    ReadFloatChannel(stream, words ? words + 3 : nullptr, kBlueHigh, colour16);
    if (alpha)
        ReadFloatChannel(stream, words ? words + 0 : nullptr, kAlphaHigh, header.matte_bits == 16);
    if (words == nullptr || header.chan_bits == 32)
        return;

    const unsigned char* zero = Plane(kZeroPlane);
    const bool alpha16 = alpha && header.matte_bits == 16;
    const unsigned char* const planes[8] = {
        Plane(kRedHigh),   colour16 ? Plane(kRedLow) : zero,
        Plane(kGreenHigh), colour16 ? Plane(kGreenLow) : zero,
        Plane(kBlueHigh),  colour16 ? Plane(kBlueLow) : zero,
        alpha ? Plane(kAlphaHigh) : zero, alpha16 ? Plane(kAlphaLow) : zero,
    };
    PackWords(planes, words, std::size_t(ancho));
}

// One colour channel of a row. Float records go straight to their word of
// every pixel (words, one pixel every four words, may be null); 8- and 16-bit
// records are decoded into the channel's high plane and, for 16 bits, the
// second block into the low plane, which ReadRGBA packs into words.
void RLA::ReadFloatChannel(Stream& stream, unsigned short* words, ColourPlane high, bool is16)
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
        if (words != nullptr) {
            for (std::int32_t k = 0; k < ancho; ++k)
                words[std::size_t(k) * 4] = ToWord(FloatFromBigEndian(record_buf + 4 * k));
        }
        return;
    }

    ReadNextChannel(stream, Plane(high), ancho);
    if (is16)
        continue_pos = DecodeRunLengthBlock(continue_pos, Plane(ColourPlane(high + 1)), ancho);
}

// Reads the size byte planes of a G-buffer channel's row, most significant
// first, into count (at most ancho) elements at dst. Each plane is decoded
// whole into a plane of line_buf (free again once the row's colour is
// packed), then the planes are woven into elements: far cheaper than decoding
// every plane one byte in size apart. size is at most 8 (TamanioCanal).
int RLA::ReadNChannels(Stream& stream, unsigned char* dst, int size, int count)
{
    const unsigned char* planes[8] = {};
    for (int j = 0; j < size; ++j) {
        const int byte = size - 1 - j;
        planes[byte] = Plane(ColourPlane(byte));
        try {
            ReadNextChannel(stream, Plane(ColourPlane(byte)), count);
        } catch (...) {
            std::cout << "RLA::ReadNChannels()" << "i=" << byte << " n=" << size << std::endl;
            throw;
        }
    }
    InterleavePlanes(planes, size, dst, std::size_t(count));
    return 1;
}

void RLA::ReadNextChannel(Stream& stream, unsigned char* dst, int count)
{
    unsigned char lengthBytes[2];
    stream.Leer(lengthBytes, 2);
    const unsigned length = (unsigned(lengthBytes[0]) << 8) | lengthBytes[1];
    if (length >= unsigned(record_size))
        RLA_THROW(kSiteRecordLength, "RLA::ReadNextChannel(). length =", length);
    stream.Leer(record_buf, std::int32_t(length));
    record_length = std::int32_t(length);
    continue_pos = DecodeRunLengthBlock(0, dst, count);
}

// Decodes one run-length block of the record in record_buf, starting at pos,
// into count values at dst, a plane with kSlack bytes of room after count: a
// run that overshoots count is consumed whole, its surplus landing in that
// room where nothing reads it. Runs move in whole blocks, which the record
// buffer's own room after its limit allows too. Returns the position after
// the last run.
std::int32_t RLA::DecodeRunLengthBlock(std::int32_t pos, unsigned char* dst, int count)
{
    const unsigned char* record = record_buf;
    const std::int32_t end = record_length;
    std::int32_t written = 0;
    while (written < count) {
        if (pos >= end)
            ThrowRunPastRecord(end);
        const int h = static_cast<signed char>(record[pos]);
        if (h >= 0) {
            if (pos + 2 > end)
                ThrowRunPastRecord(end);
            FillRun(dst + written, record[pos + 1], h + 1);
            written += h + 1;
            pos += 2;
        } else {
            if (pos + 1 - h > end)
                ThrowRunPastRecord(end);
            CopyRun(dst + written, record + pos + 1, -h);
            written -= h;
            pos += 1 - h;
        }
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
