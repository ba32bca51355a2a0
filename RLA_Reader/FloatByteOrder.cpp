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
    return std::isfinite(value) && magnitude >= 1e-10f && magnitude <= 1e6f;
}

void FloatByteOrderVote::Count(const unsigned char* record, std::size_t count)
{
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned char* p = record + 4 * k;
        const std::uint32_t big = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                  (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
        const std::uint32_t little = (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) |
                                     (std::uint32_t(p[1]) << 8) | std::uint32_t(p[0]);
        implausibleBig_ += Plausible(FromBits(big)) ? 0 : 1;
        implausibleLittle_ += Plausible(FromBits(little)) ? 0 : 1;
    }
    counted_ += count;
}

bool FloatByteOrderVote::LittleEndian() const
{
    // Read the wrong way round, about four values in five leave the range,
    // so a clear majority decides; a few odd values of a file read the right
    // way (a NaN here and there) do not turn it round.
    return implausibleBig_ > 4 * implausibleLittle_;
}
