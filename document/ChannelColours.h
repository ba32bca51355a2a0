// The colour rules of the channel views, pixel by pixel: depth as grey
// between the frame's nearest and farthest surface, IDs as hashed colours,
// vectors on a colour wheel. The frame-wide facts the rules need (depth
// range, largest vector) are measured once per frame here too.
#pragma once

#include <QColor>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace channelcolours {

// Depth values this large mark the background: renderers write them where no
// surface covers the pixel.
constexpr float kBackgroundDepth = 1.0e30f;

inline bool IsBackgroundDepth(float z)
{
    return !std::isfinite(z) || std::fabs(z) >= kBackgroundDepth;
}

// The smallest and largest depth of a frame, background left out.
struct DepthRange {
    bool any = false;  // false when every pixel is background
    float nearest = 0;
    float farthest = 0;
};

// zElements: count native floats, possibly unaligned.
DepthRange DepthRangeOf(const unsigned char* zElements, std::size_t count);

// Grey level of a depth: floor(255 * (z - nearest) / (farthest - nearest) + 0.5),
// 255 when the range is a single value; -1 for background.
int DepthGrey(float z, const DepthRange& range);

// A colour for an ID that stays the same across frames and runs; black for 0,
// and never black (nor the view background) for any other ID.
QRgb IdColour(std::uint32_t id);

// A two-float element as the loader assembles it: the file's first float in
// bytes 4..7, its second in bytes 0..3. Non-finite components read as 0.
struct Vector2 {
    float first = 0;
    float second = 0;
};

inline Vector2 VectorAt(const unsigned char* element)
{
    Vector2 v;
    std::memcpy(&v.second, element, 4);
    std::memcpy(&v.first, element + 4, 4);
    if (!std::isfinite(v.first))
        v.first = 0;
    if (!std::isfinite(v.second))
        v.second = 0;
    return v;
}

// The largest length of count two-float elements.
float LargestMagnitude(const unsigned char* elements, std::size_t count);

// Optical-flow colouring: hue from the direction (first component positive is
// red, second positive yellow-green, first negative cyan, second negative
// violet), brightness from the length relative to largest (full at largest);
// black for a zero vector or when largest is 0.
QRgb FlowColour(Vector2 v, float largest);

}  // namespace channelcolours
