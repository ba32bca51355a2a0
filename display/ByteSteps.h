// A rule from a float to a screen byte that never falls as the float grows
// (exposure then "As stored", exposure then the sRGB curve, one channel of a
// display transform without crosstalk), kept as the 256 floats at which its
// bytes begin. A 4K float frame is 25 million component values: the rule's
// double arithmetic and power function for each cost ten times the look's
// time budget, a table lookup and a comparison or two do not.
//
// Exact by construction: each start is found by bisecting the bit patterns
// of the non-negative floats (which order as their values do) with the rule
// itself, and a value's byte is the number of starts at or below it. The
// table by exponent and top mantissa bits only says where to begin
// counting. Negative floats and NaN are not covered: the caller decides.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

class ByteSteps {
public:
    // What Find gives for a negative float or a NaN.
    static constexpr int kNotCovered = -1;

    // rule must not fall anywhere from +0 to +infinity.
    explicit ByteSteps(const std::function<std::uint8_t(float)>& rule);

    // The rule's byte for value, or kNotCovered.
    int Find(float value) const
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        if (bits >= kInfinityBits)  // negative, NaN or +infinity
            return bits == kInfinityBits ? int(infinityByte_) : kNotCovered;
        int k = bucketFirst_[bits >> kBucketShift];
        while (bits >= starts_[std::size_t(k) + 1])
            ++k;
        return k;
    }

    // The byte of a value the built-in transforms show black when negative
    // or NaN.
    std::uint8_t ByteOrBlack(float value) const
    {
        const int byte = Find(value);
        return std::uint8_t(byte < 0 ? 0 : byte);
    }

    // The lowest and the highest float of every bucket the table keeps,
    // and infinity: where a rule that falls somewhere (which a display
    // transform may) most likely shows it.
    static std::vector<float> BucketEdges();
    // Whether the rule's bytes at BucketEdges() (given in that order) are
    // the table's; when not, the caller must not use the table.
    bool AgreesWith(const std::vector<float>& edges, const std::vector<std::uint8_t>& ruleBytes) const;

private:
    static constexpr std::uint32_t kInfinityBits = 0x7f800000u;
    static constexpr int kTopMantissaBits = 8;
    static constexpr int kBucketShift = 23 - kTopMantissaBits;
    static constexpr std::size_t kBuckets = kInfinityBits >> kBucketShift;

    // starts_[k]: the bits of the least non-negative float whose byte is k
    // or more (k = 1..255; past infinity when none is); starts_[0] is 0 and
    // starts_[256] above every float, so counting always stops.
    std::array<std::uint32_t, 257> starts_{};
    std::vector<std::uint8_t> bucketFirst_;  // the byte at each bucket's lowest float
    std::uint8_t infinityByte_ = 0;
};
