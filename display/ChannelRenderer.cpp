#include "ChannelRenderer.h"

#include "ChannelColours.h"
#include "DisplayBitmap.h"
#include "InStretches.h"
#include "NearestRank.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

namespace channelrenderer {

namespace {

constexpr std::uint32_t kOpaque = 0xff000000u;

std::uint32_t Grey(int level)
{
    const std::uint32_t g = std::uint32_t(level);
    return kOpaque | (g << 16) | (g << 8) | g;
}

void RenderAlpha(const std::uint16_t* argb16, std::size_t count, std::uint32_t* out)
{
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            out[i] = Grey(displaybitmap::ToByte(argb16[4 * i]));
    });
}

channelcolours::DepthRange MeasureDepth(const unsigned char* z, std::size_t count)
{
    std::mutex merging;
    channelcolours::DepthRange range;
    InStretches(count, [&](std::size_t begin, std::size_t end) {
        const channelcolours::DepthRange part = channelcolours::DepthRangeOf(z + 4 * begin, end - begin);
        const std::lock_guard<std::mutex> lock(merging);
        if (part.any && !range.any) {
            range = part;
        } else if (part.any) {
            range.nearest = std::min(range.nearest, part.nearest);
            range.farthest = std::max(range.farthest, part.farthest);
        }
    });
    return range;
}

channelcolours::DepthRange MeasureDepthPercentiles(const unsigned char* z, std::size_t count)
{
    const nearestrank::Result found =
        nearestrank::Select(count, {1, 99}, [z](std::size_t i, const auto& take) {
            float depth;
            std::memcpy(&depth, z + 4 * i, 4);
            if (!channelcolours::IsBackgroundDepth(depth))
                take(depth);
        });
    channelcolours::DepthRange range;
    if (found.count > 0) {
        range.any = true;
        range.nearest = found.atRanks[0];
        range.farthest = found.atRanks[1];
    }
    return range;
}

float MeasureLengthPercentile(const unsigned char* vectors, std::size_t count)
{
    const nearestrank::Result found =
        nearestrank::Select(count, {99}, [vectors](std::size_t i, const auto& take) {
            const channelcolours::Vector2 v = channelcolours::VectorAt(vectors + 8 * i);
            // As FlowColour measures it.
            float squared = v.first * v.first + v.second * v.second;
            squared = squared < std::numeric_limits<float>::max() ? squared : std::numeric_limits<float>::max();
            if (squared > 0)
                take(std::sqrt(squared));
        });
    return found.count > 0 ? found.atRanks[0] : 0.0f;
}

float MeasureLargest(const unsigned char* vectors, std::size_t count)
{
    std::mutex merging;
    float largest = 0;
    InStretches(count, [&](std::size_t begin, std::size_t end) {
        const float part = channelcolours::LargestMagnitude(vectors + 8 * begin, end - begin);
        const std::lock_guard<std::mutex> lock(merging);
        largest = std::max(largest, part);
    });
    return largest;
}

void RenderDepth(const unsigned char* z, std::size_t count, const channelcolours::DepthMapping& mapping,
                 QRgb background, std::uint32_t* out)
{
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            float depth;
            std::memcpy(&depth, z + 4 * i, 4);
            const int level = channelcolours::DepthGrey(depth, mapping);
            out[i] = level < 0 ? (kOpaque | background) : Grey(level);
        }
    });
}

void RenderBytes(const unsigned char* bytes, std::size_t count, std::uint32_t* out)
{
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i)
            out[i] = Grey(bytes[i]);
    });
}

void RenderIds(const unsigned char* ids, std::size_t count, std::uint32_t* out)
{
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        // Frames hold few distinct IDs in long runs: hash once per run.
        std::uint16_t last = 0;
        std::uint32_t colour = channelcolours::IdColour(0);
        for (std::size_t i = begin; i < end; ++i) {
            std::uint16_t id;
            std::memcpy(&id, ids + 2 * i, 2);
            if (id != last) {
                last = id;
                colour = channelcolours::IdColour(id);
            }
            out[i] = colour;
        }
    });
}

void RenderVectors(const unsigned char* vectors, std::size_t count, float fullLength, std::uint32_t* out)
{
    const float inverseLargest = channelcolours::InverseOfLargest(fullLength);
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        // Whatever stands still (most of a frame's velocity, often) is black:
        // a block whose components are all zero (of either sign) is filled
        // without colouring it pixel by pixel.
        constexpr std::size_t kBlock = 64;
        constexpr std::uint64_t kWithoutSigns = 0x7fffffff7fffffffull;
        for (std::size_t block = begin; block < end; block += kBlock) {
            const std::size_t blockEnd = std::min(end, block + kBlock);
            std::uint64_t moving = 0;
            for (std::size_t i = block; i < blockEnd; ++i) {
                std::uint64_t element;
                std::memcpy(&element, vectors + 8 * i, 8);
                moving |= element & kWithoutSigns;
            }
            if (moving == 0) {
                std::fill(out + block, out + blockEnd, kOpaque);
                continue;
            }
            for (std::size_t i = block; i < blockEnd; ++i)
                out[i] = channelcolours::FlowColour(channelcolours::VectorAt(vectors + 8 * i), inverseLargest);
        }
    });
}

// Elements of three or four bytes drawn as colour from their first three
// bytes in file order (which the loader stores last first).
void RenderByteColour(const unsigned char* elements, std::size_t size, std::size_t count, std::uint32_t* out)
{
    InStretches(count, [=](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            const unsigned char* e = elements + size * i;
            out[i] = kOpaque | (std::uint32_t(e[size - 1]) << 16) | (std::uint32_t(e[size - 2]) << 8) | e[size - 3];
        }
    });
}

// The ranges of the channel with mask bit `only`, of every channel for
// kEveryChannel, of none for kNoChannel.
constexpr int kEveryChannel = -1;
constexpr int kNoChannel = -2;
ChannelRanges MeasureRangesOf(const FrameChannels& frame, int only)
{
    ChannelRanges ranges;
    const std::size_t count = frame.PixelCount();
    const auto wanted = [&](int bit) { return frame.Has(bit) && (only == kEveryChannel || only == bit); };
    if (wanted(kChannelZ)) {
        ranges.depth = MeasureDepth(frame.channels[kChannelZ], count);
        ranges.depthPercentiles = MeasureDepthPercentiles(frame.channels[kChannelZ], count);
    }
    if (wanted(kChannelV)) {
        ranges.largestVelocity = MeasureLargest(frame.channels[kChannelV], count);
        ranges.velocityPercentile = MeasureLengthPercentile(frame.channels[kChannelV], count);
    }
    if (wanted(kChannelU)) {
        ranges.largestUv = MeasureLargest(frame.channels[kChannelU], count);
        ranges.uvPercentile = MeasureLengthPercentile(frame.channels[kChannelU], count);
    }
    return ranges;
}

}  // namespace

channelcolours::DepthMapping DepthMappingFor(const ChannelRanges& ranges, const DepthScaling& scaling)
{
    channelcolours::DepthRange range = ranges.depth;
    if (scaling.mode == DepthRangeMode::Auto) {
        range = ranges.depthPercentiles;
    } else if (scaling.mode == DepthRangeMode::Typed) {
        // A typed range stands even on a frame of background alone.
        if (!scaling.logarithmic) {
            channelcolours::DepthMapping mapping;
            mapping.any = true;
            mapping.nearDepth = scaling.nearDepth;
            mapping.farDepth = scaling.farDepth;
            mapping.invert = scaling.invert;
            return mapping;
        }
        return channelcolours::LogarithmicMapping(scaling.nearDepth, scaling.farDepth, scaling.invert);
    }
    if (scaling.logarithmic && range.any)
        return channelcolours::LogarithmicMapping(range.nearest, range.farthest, scaling.invert);
    return channelcolours::LinearMapping(range, scaling.invert);
}

float VectorScaleFor(float largest, float percentile, const VectorScaling& scaling)
{
    switch (scaling.mode) {
    case VectorScaleMode::Largest: return largest;
    case VectorScaleMode::Auto: return percentile;
    case VectorScaleMode::Typed: break;
    }
    // Within the float range, so that its inverse is finite and non-zero
    // and a still pixel stays black.
    const double length = std::min<double>(std::max<double>(scaling.typedLength, std::numeric_limits<float>::min()),
                                           std::numeric_limits<float>::max());
    return float(length);
}

ChannelRanges MeasureRanges(const FrameChannels& frame)
{
    return MeasureRangesOf(frame, kEveryChannel);
}

ChannelRanges MeasureRanges(const FrameChannels& frame, const ChannelView& view)
{
    return MeasureRangesOf(frame, view.kind() == ChannelView::Kind::Channel ? view.bit() : kNoChannel);
}

QImage Render(const FrameChannels& frame, const ChannelView& view, QRgb background)
{
    return Render(frame, view, MeasureRanges(frame, view), background);
}

QImage Render(const FrameChannels& frame, const ChannelView& view, const ChannelRanges& ranges, QRgb background)
{
    if (frame.width <= 0 || frame.height <= 0 || !view.AvailableIn(frame))
        return {};
    if (view.kind() == ChannelView::Kind::Colour)
        return displaybitmap::Build(frame.argb16, frame.width, frame.height);

    QImage bitmap(frame.width, frame.height, QImage::Format_ARGB32);
    if (bitmap.isNull())
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    // 32-bit rows have no padding: the picture is one run of pixels.
    auto* out = reinterpret_cast<std::uint32_t*>(bitmap.bits());
    const std::size_t count = frame.PixelCount();
    if (view.kind() == ChannelView::Kind::Alpha) {
        RenderAlpha(frame.argb16, count, out);
        return bitmap;
    }
    const int bit = view.bit();
    const unsigned char* elements = frame.channels[bit];
    switch (bit) {
    case kChannelZ:
        RenderDepth(elements, count, DepthMappingFor(ranges, view.Scaling().depth), background, out);
        break;
    case kChannelC:
    case kChannelE: RenderBytes(elements, count, out); break;
    case kChannelI:
    case kChannelO:
    case kChannelM: RenderIds(elements, count, out); break;
    case kChannelV:
        RenderVectors(elements, count,
                      VectorScaleFor(ranges.largestVelocity, ranges.velocityPercentile, view.Scaling().velocity), out);
        break;
    case kChannelU:
        RenderVectors(elements, count, VectorScaleFor(ranges.largestUv, ranges.uvPercentile, view.Scaling().uv),
                      out);
        break;
    default: RenderByteColour(elements, std::size_t(FrameChannels::ElementSize(bit)), count, out); break;  // N R B G T W
    }
    return bitmap;
}

}  // namespace channelrenderer
