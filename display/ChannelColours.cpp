#include "ChannelColours.h"

#include <algorithm>
#include <limits>

namespace channelcolours {

DepthRange DepthRangeOf(const unsigned char* zElements, std::size_t count)
{
    // Without a branch per depth, so the loop runs on many depths at once.
    float nearest = std::numeric_limits<float>::infinity();
    float farthest = -std::numeric_limits<float>::infinity();
    for (std::size_t i = 0; i < count; ++i) {
        float z;
        std::memcpy(&z, zElements + 4 * i, 4);
        const bool background = IsBackgroundDepth(z);
        nearest = std::min(nearest, background ? nearest : z);
        farthest = std::max(farthest, background ? farthest : z);
    }
    DepthRange range;
    range.any = nearest <= farthest;
    if (range.any) {
        range.nearest = nearest;
        range.farthest = farthest;
    }
    return range;
}

DepthMapping LinearMapping(const DepthRange& range, bool invert)
{
    DepthMapping mapping;
    mapping.any = range.any;
    mapping.nearDepth = range.nearest;
    mapping.farDepth = range.farthest;
    mapping.invert = invert;
    return mapping;
}

DepthMapping LogarithmicMapping(double nearDepth, double farDepth, bool invert)
{
    DepthMapping mapping;
    mapping.any = true;
    mapping.nearDepth = nearDepth;
    mapping.farDepth = farDepth;
    mapping.invert = invert;
    if (farDepth > nearDepth) {
        mapping.logarithmic = true;
        // Logarithms of each end, never a quotient of them: a tiny near
        // depth and a far one could overflow it.
        mapping.logShift = nearDepth > 0 ? 0.0 : (farDepth - nearDepth) / 1000.0 - nearDepth;
        mapping.logNear = std::log(nearDepth + mapping.logShift);
        mapping.inverseLogSpan = 1.0 / (std::log(farDepth + mapping.logShift) - mapping.logNear);
    }
    return mapping;
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
    return std::sqrt(std::min(largestSquared, std::numeric_limits<float>::max()));
}

}  // namespace channelcolours
