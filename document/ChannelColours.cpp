#include "ChannelColours.h"

#include <algorithm>
#include <limits>

namespace channelcolours {

DepthRange DepthRangeOf(const unsigned char* zElements, std::size_t count)
{
    DepthRange range;
    float nearest = 0, farthest = 0;
    for (std::size_t i = 0; i < count; ++i) {
        float z;
        std::memcpy(&z, zElements + 4 * i, 4);
        if (IsBackgroundDepth(z))
            continue;
        if (!range.any) {
            nearest = farthest = z;
            range.any = true;
        } else {
            nearest = std::min(nearest, z);
            farthest = std::max(farthest, z);
        }
    }
    range.nearest = nearest;
    range.farthest = farthest;
    return range;
}

int DepthGrey(float z, const DepthRange& range)
{
    if (IsBackgroundDepth(z) || !range.any)
        return -1;
    if (range.farthest == range.nearest)
        return 255;
    // In double: the rule's rounding must not depend on float steps, and
    // both ends must land exactly on 0 and 255.
    const double level =
        std::floor(255.0 * (double(z) - range.nearest) / (double(range.farthest) - range.nearest) + 0.5);
    return std::clamp(int(level), 0, 255);
}

QRgb IdColour(std::uint32_t id)
{
    if (id == 0)
        return qRgb(0, 0, 0);
    // A 32-bit integer mix (the finaliser of a well-known hash): neighbouring
    // IDs get unrelated colours.
    std::uint32_t h = id;
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    // Each component in 48..255 keeps every ID clear of black and of the
    // dark grey behind the picture.
    const auto component = [](std::uint32_t byte) { return int(48 + byte * 207 / 255); };
    return qRgb(component(h & 0xff), component((h >> 8) & 0xff), component((h >> 16) & 0xff));
}

float LargestMagnitude(const unsigned char* elements, std::size_t count)
{
    float largestSquared = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Vector2 v = VectorAt(elements + 8 * i);
        largestSquared = std::max(largestSquared, v.first * v.first + v.second * v.second);
    }
    // Finite components can still square past the float range.
    return std::isfinite(largestSquared) ? std::sqrt(largestSquared) : std::numeric_limits<float>::max();
}

namespace {

// atan2 in degrees 0..360, to a few thousandths of a degree: plenty for a
// hue, and far cheaper than the library's on a 4K frame.
float DirectionDegrees(float y, float x)
{
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float lo = std::min(ax, ay), hi = std::max(ax, ay);
    const float t = hi > 0 ? lo / hi : 0.0f;
    const float t2 = t * t;
    float a = t * (0.9998660f + t2 * (-0.3302995f + t2 * (0.1801410f + t2 * (-0.0851330f + t2 * 0.0208351f))));
    if (ay > ax)
        a = 1.57079637f - a;
    if (x < 0)
        a = 3.14159274f - a;
    if (y < 0)
        a = 6.28318548f - a;
    const float degrees = a * 57.2957795f;
    return degrees >= 360.0f ? 0.0f : degrees;
}

}  // namespace

QRgb FlowColour(Vector2 v, float largest)
{
    if (!(largest > 0))
        return qRgb(0, 0, 0);
    const float length = std::sqrt(v.first * v.first + v.second * v.second);
    const float value = std::min(1.0f, std::isfinite(length) ? length / largest : 1.0f);
    if (!(value > 0))
        return qRgb(0, 0, 0);
    // HSV with full saturation.
    const float sector = DirectionDegrees(v.second, v.first) / 60.0f;
    const int index = std::min(5, int(sector));
    const float f = sector - float(index);
    const int full = int(value * 255.0f + 0.5f);
    const int falling = int(value * (1.0f - f) * 255.0f + 0.5f);
    const int rising = int(value * f * 255.0f + 0.5f);
    switch (index) {
    case 0: return qRgb(full, rising, 0);
    case 1: return qRgb(falling, full, 0);
    case 2: return qRgb(0, full, rising);
    case 3: return qRgb(0, falling, full);
    case 4: return qRgb(rising, 0, full);
    default: return qRgb(full, 0, falling);
    }
}

}  // namespace channelcolours
