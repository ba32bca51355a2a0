// The decoder's row kernels: packing a row's colour planes into pixels of
// 16-bit words, weaving the byte planes of a render channel into elements,
// and moving run-length runs. They sit in the innermost loops of the load,
// so they are defined here, inline, for the decoder to take them into its
// loops; SSE2 where the compiler targets it, plain loops otherwise.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RLA_HAVE_SSE2 1
#endif

// Each kernel runs inside the decoder's innermost loops, called from another
// file; forced inline so that the call costs nothing there.
#ifdef _MSC_VER
#define RLA_KERNEL __forceinline
#else
#define RLA_KERNEL inline __attribute__((always_inline))
#endif

namespace rowkernels {

// A colour value in 0..1 as a 16-bit word. Values outside the range clamp
// (NaN gives 0): wrapping would show overbright float pixels dark.
RLA_KERNEL unsigned short ToWord(float value)
{
    double scaled = std::min(std::max(0.0, static_cast<double>(value) * 65535.0), 65535.0);
    return static_cast<unsigned short>(scaled);
}

// The colour planes of a row as words: the high and the low byte of each
// component make its word. A 16-bit value is its word as it stands; an 8-bit
// value v comes with its own plane as the low byte too, making v * 257, so
// that 255 is full scale, as every other reader of these files takes it.
// Pixels are alpha, red, green, blue.
RLA_KERNEL void PackWords(const unsigned char* const planes[8], unsigned short* out, std::size_t width)
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
        interleave(out + x * 4, _mm_unpacklo_epi8(al, ah), _mm_unpacklo_epi8(rl, rh), _mm_unpacklo_epi8(gl, gh),
                   _mm_unpacklo_epi8(bl, bh));
        interleave(out + x * 4 + 32, _mm_unpackhi_epi8(al, ah), _mm_unpackhi_epi8(rl, rh),
                   _mm_unpackhi_epi8(gl, gh), _mm_unpackhi_epi8(bl, bh));
    }
    _mm_sfence();  // the bypassing stores are ordered before anything after the row
#endif
    auto word = [](unsigned high, unsigned low) { return static_cast<unsigned short>((high << 8) | low); };
    for (; x < width; ++x) {
        unsigned short* pixel = out + x * 4;
        pixel[0] = word(alphaHigh[x], alphaLow[x]);
        pixel[1] = word(redHigh[x], redLow[x]);
        pixel[2] = word(greenHigh[x], greenLow[x]);
        pixel[3] = word(blueHigh[x], blueLow[x]);
    }
}

// The same for colour or alpha of a depth from 9 to 15 bits, whose two bytes
// hold a value v up to max = 2^depth - 1: it becomes the word
// v * 65535 / max, rounded down, so that the depth's full value is white. A
// max of 0 marks a channel of 8 or 16 bits, packed as PackWords does. Such
// files are rare, so this is the plain loop.
inline void PackScaledWords(const unsigned char* const planes[8], unsigned colourMax, unsigned alphaMax,
                            unsigned short* out, std::size_t width)
{
    auto word = [](unsigned high, unsigned low, unsigned max) {
        const unsigned k = (high << 8) | low;
        if (max == 0)
            return static_cast<unsigned short>(k);
        // A value past the depth's range (a damaged file) stays white.
        const std::uint64_t scaled = std::uint64_t(k) * 65535u / max;
        return static_cast<unsigned short>(std::min<std::uint64_t>(scaled, 65535u));
    };
    for (std::size_t x = 0; x < width; ++x) {
        unsigned short* pixel = out + x * 4;
        pixel[0] = word(planes[6][x], planes[7][x], alphaMax);
        pixel[1] = word(planes[0][x], planes[1][x], colourMax);
        pixel[2] = word(planes[2][x], planes[3][x], colourMax);
        pixel[3] = word(planes[4][x], planes[5][x], colourMax);
    }
}

// A row of elements of size bytes from size planes, plane k holding byte k
// of every element.
RLA_KERNEL void InterleavePlanes(const unsigned char* const planes[8], int size, unsigned char* out, std::size_t count)
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
// bytes at in. Repeat runs are stored in 64-byte blocks and literal runs
// copied in 16-byte blocks, so either may write up to 128 bytes from out, and
// a literal run reads its n bytes rounded up to 16 from in; the callers'
// buffers have room for that after their last value (kSlack).
RLA_KERNEL void FillRun(unsigned char* out, unsigned char value, std::int32_t n)
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

RLA_KERNEL void CopyRun(unsigned char* out, const unsigned char* in, std::int32_t n)
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

}  // namespace rowkernels
