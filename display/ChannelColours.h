// The colour rules of the channel views, pixel by pixel: depth as grey
// between a near and a far depth, IDs as hashed colours,
// vectors on a colour wheel. The frame-wide facts the rules need (depth
// range, largest vector) are measured once per frame here too.
#pragma once

#include <QColor>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace channelcolours {

// Depth values this large mark the background: renderers write them where no
// surface covers the pixel.
constexpr float kBackgroundDepth = 1.0e30f;

// True also for NaN and the infinities: one comparison that the compiler
// can run on many depths at once.
inline bool IsBackgroundDepth(float z)
{
    return !(std::fabs(z) < kBackgroundDepth);
}

// The smallest and largest depth of a frame, background left out.
struct DepthRange {
    bool any = false;  // false when every pixel is background
    float nearest = 0;
    float farthest = 0;
};

// zElements: count native floats, possibly unaligned.
DepthRange DepthRangeOf(const unsigned char* zElements, std::size_t count);

// How the depth view turns a depth into grey, settled for one frame: the
// depths that run from black to white, and the curve between them.
struct DepthMapping {
    bool any = false;  // false: no range at all (every pixel is background)
    double nearDepth = 0;
    double farDepth = 0;
    bool invert = false;       // near white, far black
    bool logarithmic = false;  // see LogarithmicMapping
    double logShift = 0;        // added to depths before their logarithm is taken
    double logNear = 0;         // ln(nearDepth + logShift)
    double inverseLogSpan = 0;  // 1 / (ln(farDepth + logShift) - logNear)
};

// The linear mapping of range, as the frame's measure gives it.
DepthMapping LinearMapping(const DepthRange& range, bool invert = false);

// Grey by the logarithm of the depth: t = ln(z / near) / ln(far / near),
// so that each doubling of distance gets as many levels. A range that starts
// at zero or below is shifted first so that it starts at a thousandth of its
// span: its far end then lies three decades past its near one.
DepthMapping LogarithmicMapping(double nearDepth, double farDepth, bool invert = false);

// Grey level of a depth, 0..255; -1 for background. Linear:
// floor(255 * (z - near) / (far - near) + 0.5); logarithmic: floor(255 * t
// + 0.5); depths outside the range are clamped to its ends; with a range of
// one value, depths below it are black and the rest white; inverted, 255
// minus the level. Inline: it runs once per pixel of a depth view.
inline int DepthGrey(float z, const DepthMapping& mapping)
{
    if (IsBackgroundDepth(z) || !mapping.any)
        return -1;
    int whole;
    if (mapping.farDepth == mapping.nearDepth) {
        whole = double(z) < mapping.nearDepth ? 0 : 255;
    } else if (!mapping.logarithmic) {
        // In double, where z - near is exact for a measured range.
        // Multiplying by the reciprocal is several times faster than
        // dividing, and differs from the rule's quotient by a rounding step
        // at most, which can only change the result when the level lands
        // next to a half: those few are divided exactly. Levels are never
        // negative past the clamp, so truncation is the floor (and, unlike
        // std::floor, needs no library call on the baseline x86-64).
        const double span = mapping.farDepth - mapping.nearDepth;
        const double offset = double(z) - mapping.nearDepth;
        const double level = offset * (255.0 / span) + 0.5;
        if (level <= 0.5)
            whole = 0;
        else if (level >= 255.5)
            whole = 255;
        else {
            whole = int(level);
            const double fraction = level - double(whole);
            if (fraction < 1e-9 || fraction > 1.0 - 1e-9)
                whole = int(255.0 * offset / span + 0.5);
        }
    } else {
        double clamped = double(z);
        clamped = clamped < mapping.nearDepth ? mapping.nearDepth : clamped;
        clamped = clamped > mapping.farDepth ? mapping.farDepth : clamped;
        const double t = (std::log(clamped + mapping.logShift) - mapping.logNear) * mapping.inverseLogSpan;
        whole = int(255.0 * t + 0.5);
    }
    whole = whole < 0 ? 0 : whole > 255 ? 255 : whole;
    return mapping.invert ? 255 - whole : whole;
}

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
    // Comparisons rather than std::isfinite: false for NaN and infinities
    // alike, and without branches.
    constexpr float kLargest = std::numeric_limits<float>::max();
    v.first = std::fabs(v.first) <= kLargest ? v.first : 0.0f;
    v.second = std::fabs(v.second) <= kLargest ? v.second : 0.0f;
    return v;
}

// The largest length of count two-float elements; squares past the float
// range count as the largest float.
float LargestMagnitude(const unsigned char* elements, std::size_t count);

// atan2(y, x) in degrees 0..360, to a few thousandths of a degree: plenty
// for a hue, and far cheaper than the library's on a 4K frame.
inline float DirectionDegrees(float y, float x)
{
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float lo = ax < ay ? ax : ay, hi = ax < ay ? ay : ax;
    const float t = lo / (hi > 0 ? hi : 1.0f);  // divides always: no branch
    const float t2 = t * t;
    float a = t * (0.9998660f + t2 * (-0.3302995f + t2 * (0.1801410f + t2 * (-0.0851330f + t2 * 0.0208351f))));
    a = ay > ax ? 1.57079637f - a : a;
    a = x < 0 ? 3.14159274f - a : a;
    a = y < 0 ? 6.28318548f - a : a;
    const float degrees = a * 57.2957795f;
    return degrees >= 360.0f ? 0.0f : degrees;
}

// Optical-flow colouring: hue from the direction (first component positive is
// red, second positive yellow-green, first negative cyan, second negative
// violet), brightness from the length times inverseLargest (1 / the frame's
// largest length; full at the largest, and 0 makes everything black); black
// for a zero vector. Inline and without branches: it runs once per pixel of
// a vector view, and the compiler can colour several pixels at once.
inline QRgb FlowColour(Vector2 v, float inverseLargest)
{
    // Squares past the float range count as the largest float, as in
    // LargestMagnitude.
    float squared = v.first * v.first + v.second * v.second;
    squared = squared < std::numeric_limits<float>::max() ? squared : std::numeric_limits<float>::max();
    float value = std::sqrt(squared) * inverseLargest;
    value = value < 1.0f ? value : 1.0f;
    // HSV with full saturation, without branches on the hue's sector (which
    // changes from pixel to pixel): each component falls from full to zero
    // over one sector and rises back over another.
    const float sector = DirectionDegrees(v.second, v.first) * (1.0f / 60.0f);
    const float scale = value * 255.0f;
    const auto component = [sector, scale](float n) {
        float k = n + sector;
        k = k >= 6.0f ? k - 6.0f : k;
        float ramp = k < 4.0f - k ? k : 4.0f - k;
        ramp = ramp < 1.0f ? ramp : 1.0f;
        ramp = ramp > 0.0f ? ramp : 0.0f;
        // Through int: processors convert floats to signed integers in bulk.
        return std::uint32_t(int(scale * (1.0f - ramp) + 0.5f));
    };
    return 0xff000000u | (component(5.0f) << 16) | (component(3.0f) << 8) | component(1.0f);
}

// 1 / largest for FlowColour: 0 when there is no motion at all.
inline float InverseOfLargest(float largest)
{
    return largest > 0 ? 1.0f / largest : 0.0f;
}

}  // namespace channelcolours
