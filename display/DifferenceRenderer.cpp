#include "DifferenceRenderer.h"

#include "ChannelColours.h"
#include "DisplayBitmap.h"
#include "InStretches.h"
#include "LookRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::uint32_t kOpaque = 0xff000000u;
constexpr std::uint32_t kWhite = 0xffffffffu;
constexpr std::uint32_t kBlack = kOpaque;

std::uint32_t Grey(std::uint32_t level)
{
    return kOpaque | (level << 16) | (level << 8) | level;
}

// A byte's difference times the gain, as a byte.
std::uint32_t ByteDifference(unsigned char a, unsigned char b, int gain)
{
    const int d = a > b ? a - b : b - a;
    return std::uint32_t(std::min(255, d * gain));
}

// A 0..1 share of full brightness as a level, rounded (the level is never
// negative, so truncation is the floor).
std::uint32_t Level(double share)
{
    if (!(share > 0))
        return 0;
    return std::uint32_t(255.0 * std::min(share, 1.0) + 0.5);
}

// Runs work(y, x0, x1, first) over the width x height pixels in stretches
// of rows and parts of rows, first being the stretch's first pixel's index
// among them: a whole-picture pass split over the processors however the
// picture is shaped.
template <typename Work>
void InRowStretches(int width, int height, const Work& work)
{
    const std::size_t w = std::size_t(width);
    InStretches(w * std::size_t(height), [&](std::size_t begin, std::size_t end) {
        std::size_t i = begin;
        while (i < end) {
            const std::size_t y = i / w, x = i % w;
            const std::size_t x1 = std::min(w, x + (end - i));
            work(int(y), int(x), int(x1));
            i += x1 - x;
        }
    });
}

// A component of a pixel as the rules take it: a float file's float, or the
// word as a fraction; 1 for the alpha of a render without one.
double Component(const FrameChannels& frame, std::size_t pixel, int floatIndex)
{
    if (floatIndex == 3 && !frame.hasAlpha)
        return 1.0;
    if (frame.rgbaFloats != nullptr)
        return double(frame.rgbaFloats[4 * pixel + std::size_t(floatIndex)]);
    const int word = floatIndex == 3 ? 0 : floatIndex + 1;
    return frame.argb16[4 * pixel + std::size_t(word)] / 65535.0;
}

bool IsIdChannel(int bit)
{
    return bit == kChannelI || bit == kChannelO || bit == kChannelM;
}

}  // namespace

constexpr int DifferenceRenderer::kGains[];

int DifferenceRenderer::NextGain(int gain)
{
    for (std::size_t i = 0; i + 1 < std::size(kGains); ++i)
        if (kGains[i] == gain)
            return kGains[i + 1];
    return kGains[0];
}

double DifferenceRenderer::Difference(double a, double b)
{
    if (a == b)
        return 0;  // infinities of one sign too
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b) ? 0 : HUGE_VAL;
    return std::fabs(a - b);
}

QImage DifferenceRenderer::Render(const FrameChannels& a, const FrameChannels& b, const ChannelView& view,
                                  const Look& look, const channelrenderer::ChannelRanges& ranges, int gain)
{
    QImage picture = Draw(a, b, view, look, ranges, gain);
    // Kept only once drawn: a picture shared while it is drawn into would be
    // copied first.
    m_lastPicture = picture;
    return picture;
}

QImage DifferenceRenderer::Draw(const FrameChannels& a, const FrameChannels& b, const ChannelView& view,
                                const Look& look, const channelrenderer::ChannelRanges& ranges, int gain)
{
    if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0)
        return {};
    // The alpha of a render without one is opaque: B may lack it.
    const bool bOffers = view.kind() == ChannelView::Kind::Alpha ? b.argb16 != nullptr : view.AvailableIn(b);
    if (!view.AvailableIn(a) || !bOffers)
        return {};
    gain = std::max(1, gain);
    const int width = std::min(a.width, b.width);
    const int height = std::min(a.height, b.height);
    const bool sameSize = a.width == b.width && a.height == b.height;

    QImage picture;
    if (view.kind() == ChannelView::Kind::Colour && look.IsPlain()) {
        // As stored at exposure 0: each component's byte straight from the
        // two renders, in one pass.
        picture = NewPicture(a.width, a.height, !sameSize);
        auto* out = reinterpret_cast<std::uint32_t*>(picture.bits());
        const std::size_t aw = std::size_t(a.width), bw = std::size_t(b.width);
        const bool words = a.rgbaFloats == nullptr && b.rgbaFloats == nullptr;
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            std::uint32_t* row = out + std::size_t(y) * aw;
            if (words) {
                // Whole rows of words, for the compiler to take several
                // pixels at once.
                const std::uint16_t* pa = a.argb16 + 4 * std::size_t(y) * aw;
                const std::uint16_t* pb = b.argb16 + 4 * std::size_t(y) * bw;
                const auto byteOf = [gain](int wa, int wb) {
                    const int d = wa > wb ? wa - wb : wb - wa;
                    return std::uint32_t(displaybitmap::ToByte(std::uint16_t(std::min(65535, d * gain))));
                };
                for (int x = x0; x < x1; ++x) {
                    const std::size_t i = 4 * std::size_t(x);
                    row[x] = kOpaque | (byteOf(pa[i + 1], pb[i + 1]) << 16) | (byteOf(pa[i + 2], pb[i + 2]) << 8) |
                             byteOf(pa[i + 3], pb[i + 3]);
                }
                return;
            }
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
                const std::size_t ib = std::size_t(y) * bw + std::size_t(x);
                std::uint32_t bytes[3];
                for (int c = 0; c < 3; ++c)
                    bytes[c] = lookrenderer::StoredByte(Difference(Component(a, ia, c), Component(b, ib, c)) * gain);
                row[x] = kOpaque | (bytes[0] << 16) | (bytes[1] << 8) | bytes[2];
            }
        });
        return picture;
    }
    if (view.kind() == ChannelView::Kind::Colour) {
        QImage common = RenderColour(a, b, width, height, look, gain);
        if (sameSize)
            return common;
        picture = QImage(a.width, a.height, QImage::Format_ARGB32);
        if (picture.isNull())
            throw std::runtime_error("rpf_bmp.CreateBitmap()");
        picture.fill(channelrenderer::kViewBackground);
        for (int y = 0; y < height; ++y)
            std::memcpy(picture.scanLine(y), common.constScanLine(y), std::size_t(width) * 4);
        return picture;
    }

    picture = NewPicture(a.width, a.height, !sameSize);
    auto* out = reinterpret_cast<std::uint32_t*>(picture.bits());
    const std::size_t aw = std::size_t(a.width), bw = std::size_t(b.width);

    if (view.kind() == ChannelView::Kind::Alpha) {
        const bool words = a.rgbaFloats == nullptr && b.rgbaFloats == nullptr && b.hasAlpha;
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x), ib = std::size_t(y) * bw + std::size_t(x);
                std::uint8_t level;
                if (words) {
                    const int d = std::abs(int(a.argb16[4 * ia]) - int(b.argb16[4 * ib]));
                    level = displaybitmap::ToByte(std::uint16_t(std::min(65535, d * gain)));
                } else {
                    level = lookrenderer::StoredByte(Difference(Component(a, ia, 3), Component(b, ib, 3)) * gain);
                }
                out[ia] = Grey(level);
            }
        });
        return picture;
    }

    const int bit = view.bit();
    const unsigned char* ea = a.channels[bit];
    const unsigned char* eb = b.channels[bit];
    const std::size_t size = std::size_t(FrameChannels::ElementSize(bit));

    if (bit == kChannelZ) {
        const auto depth = [](const unsigned char* z, std::size_t i) {
            float value;
            std::memcpy(&value, z + 4 * i, 4);
            return value;
        };
        // The largest difference where both have a surface sets the scale.
        std::mutex merging;
        double largest = 0;
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            double part = 0;
            for (int x = x0; x < x1; ++x) {
                const float za = depth(ea, std::size_t(y) * aw + std::size_t(x));
                const float zb = depth(eb, std::size_t(y) * bw + std::size_t(x));
                if (!channelcolours::IsBackgroundDepth(za) && !channelcolours::IsBackgroundDepth(zb))
                    part = std::max(part, std::fabs(double(za) - double(zb)));
            }
            const std::lock_guard<std::mutex> lock(merging);
            largest = std::max(largest, part);
        });
        const double perDepth = largest > 0 ? double(gain) / largest : 0.0;
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
                const float za = depth(ea, ia);
                const float zb = depth(eb, std::size_t(y) * bw + std::size_t(x));
                const bool backA = channelcolours::IsBackgroundDepth(za);
                const bool backB = channelcolours::IsBackgroundDepth(zb);
                if (backA || backB)
                    out[ia] = backA && backB ? kBlack : kWhite;
                else
                    out[ia] = Grey(Level(std::fabs(double(za) - double(zb)) * perDepth));
            }
        });
        return picture;
    }

    if (IsIdChannel(bit)) {
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
                const std::size_t ib = std::size_t(y) * bw + std::size_t(x);
                out[ia] = std::memcmp(ea + size * ia, eb + size * ib, size) != 0 ? kWhite : kBlack;
            }
        });
        return picture;
    }

    if (bit == kChannelV || bit == kChannelU) {
        const float full = bit == kChannelV
                               ? channelrenderer::VectorScaleFor(ranges.largestVelocity, ranges.velocityPercentile,
                                                                 view.Scaling().velocity)
                               : channelrenderer::VectorScaleFor(ranges.largestUv, ranges.uvPercentile,
                                                                 view.Scaling().uv);
        const double perLength = full > 0 ? double(gain) / double(full) : 0.0;
        const auto level = [perLength](double d) -> std::uint32_t {
            if (perLength > 0)
                return Level(d * perLength);
            return d > 0 ? 255u : 0u;  // nothing moves in A: any motion is full
        };
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
                const std::size_t ib = std::size_t(y) * bw + std::size_t(x);
                // Most of two renders' motion is alike: equal bytes are black.
                if (std::memcmp(ea + 8 * ia, eb + 8 * ib, 8) == 0) {
                    out[ia] = kBlack;
                    continue;
                }
                // VectorAt reads what is not finite as 0, as the view draws it.
                const channelcolours::Vector2 va = channelcolours::VectorAt(ea + 8 * ia);
                const channelcolours::Vector2 vb = channelcolours::VectorAt(eb + 8 * ib);
                const std::uint32_t red = level(std::fabs(double(va.first) - double(vb.first)));
                const std::uint32_t green = level(std::fabs(double(va.second) - double(vb.second)));
                out[ia] = kOpaque | (red << 16) | (green << 8);
            }
        });
        return picture;
    }

    if (size == 1) {  // coverage, E: grey bytes
        InRowStretches(width, height, [&](int y, int x0, int x1) {
            for (int x = x0; x < x1; ++x) {
                const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
                out[ia] = Grey(ByteDifference(ea[ia], eb[std::size_t(y) * bw + std::size_t(x)], gain));
            }
        });
        return picture;
    }

    // Colour bytes, laid out as the channel view lays them.
    InRowStretches(width, height, [&](int y, int x0, int x1) {
        for (int x = x0; x < x1; ++x) {
            const std::size_t ia = std::size_t(y) * aw + std::size_t(x);
            const unsigned char* pa = ea + size * ia;
            const unsigned char* pb = eb + size * (std::size_t(y) * bw + std::size_t(x));
            out[ia] = kOpaque | (ByteDifference(pa[size - 1], pb[size - 1], gain) << 16) |
                      (ByteDifference(pa[size - 2], pb[size - 2], gain) << 8) |
                      ByteDifference(pa[size - 3], pb[size - 3], gain);
        }
    });
    return picture;
}

QImage DifferenceRenderer::NewPicture(int width, int height, bool background)
{
    // The last picture's memory when nobody holds it any more: fresh memory
    // costs a fault and a clearing per page, about as much as drawing.
    QImage picture = std::exchange(m_lastPicture, QImage());
    if (picture.size() != QSize(width, height) || picture.format() != QImage::Format_ARGB32 || !picture.isDetached())
        picture = QImage(width, height, QImage::Format_ARGB32);
    if (picture.isNull())
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    if (background)
        picture.fill(channelrenderer::kViewBackground);
    return picture;
}

QImage DifferenceRenderer::RenderColour(const FrameChannels& a, const FrameChannels& b, int width, int height,
                                        const Look& look, int gain)
{
    // The difference becomes a frame of its own, drawn by the look's
    // renderer: exposure, transform and component apply to it exactly as to
    // a render. Two integer files differ by whole words, which the gain
    // keeps whole; anything else by floats. It is made and drawn a band of
    // rows at a time: a whole 4K float difference would be a few hundred
    // megabytes that nothing counts against the frames' budget.
    constexpr int kBandRows = 256;
    const std::size_t aw = std::size_t(a.width), bw = std::size_t(b.width);
    const bool words = a.rgbaFloats == nullptr && b.rgbaFloats == nullptr;
    const std::size_t bandCount = std::size_t(width) * std::size_t(std::min(kBandRows, height));
    std::vector<std::uint16_t> differenceWords(4 * bandCount);
    std::vector<float> differenceFloats(words ? 0 : 4 * bandCount);
    std::uint16_t* w = differenceWords.data();
    float* f = differenceFloats.data();
    Look drawnLook = look;
    if (drawnLook.component == Look::Component::OverChecker)
        drawnLook.component = Look::Component::Colour;

    QImage picture = NewPicture(width, height, false);
    QImage band;
    for (int top = 0; top < height; top += kBandRows) {
        const int rows = std::min(kBandRows, height - top);
        InRowStretches(width, rows, [&](int row, int x0, int x1) {
            const std::size_t y = std::size_t(top + row);
            for (int x = x0; x < x1; ++x) {
                const std::size_t i = std::size_t(row) * std::size_t(width) + std::size_t(x);
                const std::size_t ia = y * aw + std::size_t(x), ib = y * bw + std::size_t(x);
                w[4 * i] = 65535;
                if (words) {
                    for (std::size_t c = 1; c < 4; ++c) {
                        const int d = std::abs(int(a.argb16[4 * ia + c]) - int(b.argb16[4 * ib + c]));
                        w[4 * i + c] = std::uint16_t(std::min(65535, d * gain));
                    }
                } else {
                    for (int c = 0; c < 3; ++c)
                        f[4 * i + std::size_t(c)] = float(Difference(Component(a, ia, c), Component(b, ib, c)) * gain);
                    f[4 * i + 3] = 1.0f;
                }
            }
        });
        FrameChannels difference;
        difference.width = width;
        difference.height = rows;
        difference.argb16 = w;
        difference.rgbaFloats = words ? nullptr : f;
        band = lookrenderer::Render(difference, drawnLook, std::move(band));
        for (int row = 0; row < rows; ++row)
            std::memcpy(picture.scanLine(top + row), band.constScanLine(row), std::size_t(width) * 4);
    }
    return picture;
}
