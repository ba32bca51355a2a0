#include "LookRenderer.h"

#include "ByteSteps.h"
#include "DisplayBitmap.h"
#include "InStretches.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace lookrenderer {

namespace {

constexpr std::uint32_t kOpaque = 0xff000000u;

double SrgbCurve(double c)
{
    return c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

// Where each sRGB byte begins: starts[k] is the least x in 0..1 whose
// SrgbByte is k or more (k = 1..255), found by bisecting the bit patterns
// of doubles, which order as their values do for positive numbers. The
// inputs from 2^-20 (below it every byte is 0) to 1 fall in buckets by
// their exponent and the top 12 bits of their mantissa; a bucket is so
// narrow against the curve's steepest rise (under a thirtieth of a byte)
// that at most one start lies inside it, so the byte at its lower end and
// one comparison give any x's byte without the power function.
struct SrgbStarts {
    static constexpr int kLeastExponent = -20;
    static constexpr int kMantissaBits = 12;
    static constexpr int kBuckets = -kLeastExponent << kMantissaBits;
    double starts[257] = {};
    std::uint8_t bucketFirst[kBuckets] = {};

    static std::uint64_t BitsOf(double value)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &value, 8);
        return bits;
    }
    static double ValueOf(std::uint64_t bits)
    {
        double value;
        std::memcpy(&value, &bits, 8);
        return value;
    }
    // x in 2^-20 .. 1 (1 excluded).
    static int BucketOf(double x)
    {
        const std::uint64_t bits = BitsOf(x);
        const int exponent = int(bits >> 52) - 1023;
        return ((exponent - kLeastExponent) << kMantissaBits) | int((bits >> (52 - kMantissaBits)) & 0xfff);
    }

    SrgbStarts()
    {
        for (int k = 1; k < 256; ++k) {
            std::uint64_t low = 0, high = BitsOf(1.0);
            while (low < high) {
                const std::uint64_t middle = low + (high - low) / 2;
                if (SrgbByte(ValueOf(middle)) >= k)
                    high = middle;
                else
                    low = middle + 1;
            }
            starts[k] = ValueOf(low);
        }
        starts[256] = 2;  // past every input that reaches the table
        for (int exponent = kLeastExponent; exponent < 0; ++exponent) {
            for (int top = 0; top < (1 << kMantissaBits); ++top) {
                const std::uint64_t lowest =
                    (std::uint64_t(exponent + 1023) << 52) | (std::uint64_t(top) << (52 - kMantissaBits));
                bucketFirst[((exponent - kLeastExponent) << kMantissaBits) | top] = SrgbByte(ValueOf(lowest));
            }
        }
    }

    std::uint8_t ByteOf(double x) const
    {
        if (!(x >= 0x1p-20))
            return 0;  // negative, NaN, or too small to reach byte 1
        if (x >= 1)
            return 255;
        int k = bucketFirst[BucketOf(x)];
        while (x >= starts[k + 1])
            ++k;
        return std::uint8_t(k);
    }
};

const SrgbStarts& Starts()
{
    static const SrgbStarts starts;
    return starts;
}

inline std::uint8_t InlineStoredByte(double x)
{
    // max(0, NaN) is 0: NaN shows black, as the reader stores it.
    const double scaled = std::min(std::max(0.0, x * 65535.0), 65535.0);
    return std::uint8_t(std::uint32_t(scaled) / 257u);
}

std::uint32_t Pixel(std::uint32_t alphaByte, std::uint32_t r, std::uint32_t g, std::uint32_t b)
{
    return (alphaByte << 24) | (r << 16) | (g << 8) | b;
}

std::uint32_t GreyPixel(std::uint32_t alphaByte, std::uint32_t grey)
{
    return (alphaByte << 24) | (grey * 0x010101u);
}

// The component's index among a float pixel's red, green, blue, alpha;
// words are alpha, red, green, blue, one further on.
int FloatIndex(Look::Component component)
{
    switch (component) {
    case Look::Component::Red: return 0;
    case Look::Component::Green: return 1;
    case Look::Component::Blue: return 2;
    default: return -1;
    }
}

bool ShownGrey(Look::Component component)
{
    return component != Look::Component::Colour && component != Look::Component::OverChecker;
}

// Draws pixels begin..end of a float file: each component's byte from
// steps (the rule with the gain, by the file's float), the luminance, which
// is no float of the file, with byteOf(y) of the exposed luminance y.
template <typename ByteOf>
void DrawFloats(const FrameChannels& frame, const Look& look, double gain, const ByteSteps& steps,
                const ByteOf& byteOf, std::uint32_t* out, std::size_t begin, std::size_t end)
{
    const float* rgba = frame.rgbaFloats;
    const std::uint16_t* words = frame.argb16;
    if (!ShownGrey(look.component)) {
        for (std::size_t i = begin; i < end; ++i) {
            const float* p = rgba + 4 * i;
            out[i] = Pixel(displaybitmap::ToByte(words[4 * i]), steps.ByteOrBlack(p[0]), steps.ByteOrBlack(p[1]),
                           steps.ByteOrBlack(p[2]));
        }
    } else if (look.component == Look::Component::Luminance) {
        for (std::size_t i = begin; i < end; ++i) {
            const float* p = rgba + 4 * i;
            const double y = Luminance(double(p[0]) * gain, double(p[1]) * gain, double(p[2]) * gain);
            out[i] = GreyPixel(displaybitmap::ToByte(words[4 * i]), byteOf(y));
        }
    } else {
        const int c = FloatIndex(look.component);
        for (std::size_t i = begin; i < end; ++i)
            out[i] = GreyPixel(displaybitmap::ToByte(words[4 * i]), steps.ByteOrBlack(rgba[4 * i + c]));
    }
}

// Draws pixels begin..end of an integer file: a byte per word for the
// colour and single components, byteOf of the exposed luminance for that.
template <typename ByteOf>
void DrawWords(const FrameChannels& frame, const Look& look, double gain, const std::uint8_t* byteOfWord,
               const ByteOf& byteOf, std::uint32_t* out, std::size_t begin, std::size_t end)
{
    const std::uint16_t* words = frame.argb16;
    if (!ShownGrey(look.component)) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t* p = words + 4 * i;
            out[i] = Pixel(displaybitmap::ToByte(p[0]), byteOfWord[p[1]], byteOfWord[p[2]], byteOfWord[p[3]]);
        }
    } else if (look.component == Look::Component::Luminance) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t* p = words + 4 * i;
            // Each value is word / 65535, then exposed, as the rule has it.
            const double y = Luminance(p[1] / 65535.0 * gain, p[2] / 65535.0 * gain, p[3] / 65535.0 * gain);
            out[i] = GreyPixel(displaybitmap::ToByte(p[0]), byteOf(y));
        }
    } else {
        const int c = FloatIndex(look.component) + 1;
        for (std::size_t i = begin; i < end; ++i)
            out[i] = GreyPixel(displaybitmap::ToByte(words[4 * i]), byteOfWord[words[4 * i + c]]);
    }
}

// Draws pixels begin..end through an OpenColorIO view, a row's worth at a
// time: by the view's channel steps where it has them and the input is not
// negative or NaN, through the library otherwise.
void DrawThroughOcio(const FrameChannels& frame, const Look& look, double gain, std::uint32_t* out, std::size_t begin,
                     std::size_t end)
{
    constexpr std::size_t kRun = 2048;
    std::vector<float> rgb(kRun * 3);
    std::vector<std::size_t> left;  // pixels of the run the steps could not draw
    left.reserve(kRun);
    const OcioProcessor& processor = *look.transform.Processor();
    const std::vector<ByteSteps>& steps = processor.ChannelSteps();
    const int single = FloatIndex(look.component);
    for (std::size_t runBegin = begin; runBegin < end; runBegin += kRun) {
        const std::size_t count = std::min(kRun, end - runBegin);
        left.clear();
        for (std::size_t j = 0; j < count; ++j) {
            const std::size_t i = runBegin + j;
            double x[3];
            for (int c = 0; c < 3; ++c)
                x[c] = (frame.rgbaFloats != nullptr ? double(frame.rgbaFloats[4 * i + c])
                                                    : frame.argb16[4 * i + 1 + c] / 65535.0) *
                       gain;
            float p[3];
            if (!ShownGrey(look.component)) {
                p[0] = float(x[0]);
                p[1] = float(x[1]);
                p[2] = float(x[2]);
            } else {
                const double grey = single >= 0 ? x[single] : Luminance(x[0], x[1], x[2]);
                p[0] = p[1] = p[2] = float(grey);
            }
            if (!steps.empty()) {
                const int r = steps[0].Find(p[0]), g = steps[1].Find(p[1]), b = steps[2].Find(p[2]);
                if (r >= 0 && g >= 0 && b >= 0) {
                    out[i] = Pixel(displaybitmap::ToByte(frame.argb16[4 * i]), std::uint32_t(r), std::uint32_t(g),
                                   std::uint32_t(b));
                    continue;
                }
            }
            std::copy(p, p + 3, &rgb[3 * left.size()]);
            left.push_back(i);
        }
        processor.Apply(rgb.data(), left.size());
        for (std::size_t j = 0; j < left.size(); ++j) {
            const float* p = &rgb[3 * j];
            const std::size_t i = left[j];
            out[i] = Pixel(displaybitmap::ToByte(frame.argb16[4 * i]), OutputByte(p[0]), OutputByte(p[1]),
                           OutputByte(p[2]));
        }
    }
}

// Draws pixels begin..end of an integer file through an OpenColorIO view
// that has channel steps: each output channel's byte per word, from the
// word's exposed value as the view takes it (a float). The luminance, no
// word of the file, goes through DrawThroughOcio.
void DrawWordsThroughSteps(const FrameChannels& frame, const Look& look, const std::vector<std::uint8_t> (&byteOfWord)[3],
                           std::uint32_t* out, std::size_t begin, std::size_t end)
{
    const std::uint16_t* words = frame.argb16;
    if (!ShownGrey(look.component)) {
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t* p = words + 4 * i;
            out[i] = Pixel(displaybitmap::ToByte(p[0]), byteOfWord[0][p[1]], byteOfWord[1][p[2]], byteOfWord[2][p[3]]);
        }
    } else {
        const int c = FloatIndex(look.component) + 1;
        for (std::size_t i = begin; i < end; ++i) {
            const std::uint16_t* p = words + 4 * i;
            out[i] = Pixel(displaybitmap::ToByte(p[0]), byteOfWord[0][p[c]], byteOfWord[1][p[c]], byteOfWord[2][p[c]]);
        }
    }
}

// Lays pixels begin..end, drawn as colour, over the checkerboard by alpha.
void OverChecker(const FrameChannels& frame, std::uint32_t* out, std::size_t begin, std::size_t end)
{
    const std::size_t width = std::size_t(frame.width);
    for (std::size_t i = begin; i < end; ++i) {
        double alpha = 1;  // a file without a matte is opaque
        if (frame.hasAlpha) {
            alpha = frame.rgbaFloats != nullptr ? double(frame.rgbaFloats[4 * i + 3]) : frame.argb16[4 * i] / 65535.0;
            alpha = alpha > 0 ? std::min(alpha, 1.0) : 0.0;  // NaN counts as 0
        }
        const std::size_t x = i % width, y = i / width;
        const double square = ((x / kCheckerSquare + y / kCheckerSquare) & 1) != 0 ? kCheckerLight : kCheckerDark;
        const double under = (1 - alpha) * square;
        const auto lay = [under](std::uint32_t byte) {
            return std::min<std::uint32_t>(255u, std::uint32_t(byte + under + 0.5));
        };
        const std::uint32_t p = out[i];
        out[i] = kOpaque | (lay((p >> 16) & 0xffu) << 16) | (lay((p >> 8) & 0xffu) << 8) | lay(p & 0xffu);
    }
}

}  // namespace

double Gain(double stops)
{
    return std::exp2(stops);
}

std::uint8_t StoredByte(double x)
{
    return InlineStoredByte(x);
}

std::uint8_t StoredWordByte(std::uint16_t word, double gain)
{
    // In double from the word: a float's product would lose the last bit
    // of half the words at E = 0.
    const double exposed = std::min(65535.0, std::floor(double(word) * gain));
    return std::uint8_t(std::uint32_t(exposed) / 257u);
}

std::uint8_t SrgbByte(double x)
{
    if (!(x > 0))
        return 0;  // negative, zero and NaN
    return std::uint8_t(std::floor(255 * SrgbCurve(std::min(x, 1.0)) + 0.5));
}

std::uint8_t FastSrgbByte(double x)
{
    return Starts().ByteOf(x);
}

std::uint8_t OutputByte(float o)
{
    if (!(o > 0))
        return 0;
    return std::uint8_t(std::floor(255 * double(std::min(o, 1.0f)) + 0.5));
}

QImage Render(const FrameChannels& frame, const Look& look, QImage reuse)
{
    if (frame.width <= 0 || frame.height <= 0 || frame.argb16 == nullptr)
        return {};
    const bool reusable = reuse.size() == QSize(frame.width, frame.height) &&
                          reuse.format() == QImage::Format_ARGB32 && reuse.isDetached();
    QImage bitmap = reusable ? std::move(reuse) : QImage(frame.width, frame.height, QImage::Format_ARGB32);
    reuse = QImage();
    if (bitmap.isNull())
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    // 32-bit rows have no padding: the picture is one run of pixels.
    auto* out = reinterpret_cast<std::uint32_t*>(bitmap.bits());
    const std::size_t count = frame.PixelCount();
    const double gain = Gain(look.exposure);
    const DisplayTransform::Kind kind = look.transform.kind();
    const bool ocio = kind == DisplayTransform::Kind::Ocio && look.transform.Processor() != nullptr;
    const bool srgb = kind == DisplayTransform::Kind::Srgb;

    const SrgbStarts& starts = Starts();  // made once, before the stretches share it
    const auto srgbByte = [&starts](double x) { return starts.ByteOf(x); };
    const auto storedByte = [](double x) { return InlineStoredByte(x); };

    // A float file's components by the float: the rule's steps at this gain.
    std::optional<ByteSteps> floatSteps;
    if (frame.rgbaFloats != nullptr && !ocio) {
        if (srgb)
            floatSteps.emplace([gain](float v) { return SrgbByte(double(v) * gain); });
        else
            floatSteps.emplace([gain](float v) { return InlineStoredByte(double(v) * gain); });
    }
    // An integer file has 65536 words: one table maps them all.
    std::vector<std::uint8_t> byteOfWord;
    if (frame.rgbaFloats == nullptr && !ocio) {
        byteOfWord.resize(65536);
        for (std::uint32_t word = 0; word < 65536; ++word)
            byteOfWord[word] = srgb ? srgbByte(word / 65535.0 * gain) : StoredWordByte(std::uint16_t(word), gain);
    }
    // An integer file through a view with channel steps: a table per output
    // channel, as DrawThroughOcio would find each word's byte.
    std::vector<std::uint8_t> ocioByteOfWord[3];
    const bool ocioWords = ocio && frame.rgbaFloats == nullptr && !look.transform.Processor()->ChannelSteps().empty() &&
                           look.component != Look::Component::Luminance;
    if (ocioWords) {
        const std::vector<ByteSteps>& steps = look.transform.Processor()->ChannelSteps();
        for (int c = 0; c < 3; ++c) {
            ocioByteOfWord[c].resize(65536);
            for (std::uint32_t word = 0; word < 65536; ++word)
                ocioByteOfWord[c][word] = std::uint8_t(steps[std::size_t(c)].Find(float(word / 65535.0 * gain)));
        }
    }
    InStretches(count, [&](std::size_t begin, std::size_t end) {
        if (ocioWords)
            DrawWordsThroughSteps(frame, look, ocioByteOfWord, out, begin, end);
        else if (ocio)
            DrawThroughOcio(frame, look, gain, out, begin, end);
        else if (frame.rgbaFloats != nullptr && srgb)
            DrawFloats(frame, look, gain, *floatSteps, srgbByte, out, begin, end);
        else if (frame.rgbaFloats != nullptr)
            DrawFloats(frame, look, gain, *floatSteps, storedByte, out, begin, end);
        else if (srgb)
            DrawWords(frame, look, gain, byteOfWord.data(), srgbByte, out, begin, end);
        else
            DrawWords(frame, look, gain, byteOfWord.data(), storedByte, out, begin, end);
        if (look.component == Look::Component::OverChecker)
            OverChecker(frame, out, begin, end);
    });
    return bitmap;
}

}  // namespace lookrenderer
