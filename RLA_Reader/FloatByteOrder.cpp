#include "FloatByteOrder.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

float FromBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

bool FloatByteOrderVote::Plausible(float value)
{
    if (value == 0.0f)
        return true;
    const float magnitude = std::fabs(value);
    return std::isfinite(value) && magnitude >= 1e-30f && magnitude <= 1e8f;
}

void FloatByteOrderVote::Count(const unsigned char* record, std::size_t count, std::size_t step)
{
    for (std::size_t k = 0; k < count; k += step) {
        const unsigned char* p = record + 4 * k;
        const std::uint32_t big = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                  (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
        const std::uint32_t little = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) |
                                     (std::uint32_t(p[1]) << 8) | std::uint32_t(p[0]);
        const bool bigPlausible = Plausible(FromBits(big));
        const bool littlePlausible = Plausible(FromBits(little));
        if (bigPlausible != littlePlausible)
            ++(bigPlausible ? forBig_ : forLittle_);
    }
}
