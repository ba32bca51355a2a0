// Percentiles of a channel by nearest rank, exactly, without sorting or
// copying it: the value of rank r (1-based, in ascending order) is found by
// two counting passes over the floats' bit patterns, the first by their
// upper 16 bits, the second by the lower 16 bits within the bucket that
// holds the rank. Memory stays a few 65536-entry tables however large the
// frame.
#pragma once

#include "InStretches.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace nearestrank {

// The rank of the percent-th percentile among count values by nearest
// rank: ceil(percent / 100 * count), at least 1. percent is 1..100.
inline std::size_t RankOf(int percent, std::size_t count)
{
    const std::size_t rank = (std::size_t(percent) * count + 99) / 100;
    return rank < 1 ? 1 : rank;
}

// A float's bits turned so that unsigned order is the floats' order
// (negative values below positive ones). Not for NaN.
inline std::uint32_t OrderKey(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

inline float FromOrderKey(std::uint32_t key)
{
    const std::uint32_t bits = (key & 0x80000000u) ? (key & 0x7fffffffu) : ~key;
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// The values of the given ranks among those values(i, take) offers for the
// elements 0..elements-1: values calls take(v) for each value element i
// contributes (none, for an element left out), and must give the same
// values every time it is called for the same element. values runs on
// several threads at once. No rank is found when no element contributed.
struct Result {
    std::size_t count = 0;        // values contributed
    std::vector<float> atRanks;   // the value of each asked rank, clamped into 1..count
};

template <typename Values>
Result Select(std::size_t elements, const std::vector<int>& percents, const Values& values)
{
    constexpr std::size_t kBuckets = 1 << 16;
    using Table = std::vector<std::uint32_t>;
    const std::size_t stretches = StretchCount(elements);
    Result result;

    // The first pass: how many values fall in each upper-bits bucket.
    std::vector<Table> parts(stretches, Table(kBuckets, 0));
    InNumberedStretches(elements, [&](std::size_t s, std::size_t begin, std::size_t end) {
        Table& table = parts[s];
        for (std::size_t i = begin; i < end; ++i)
            values(i, [&table](float v) { ++table[OrderKey(v) >> 16]; });
    });
    Table upper(kBuckets, 0);
    for (const Table& part : parts)
        for (std::size_t b = 0; b < part.size(); ++b)
            upper[b] += part[b];
    for (std::uint32_t n : upper)
        result.count += n;
    if (result.count == 0)
        return result;

    // Each rank's bucket and its rank inside the bucket.
    struct Wanted {
        std::uint32_t bucket = 0;
        std::size_t rankInBucket = 0;
    };
    std::vector<Wanted> wanted;
    for (int percent : percents) {
        const std::size_t rank = RankOf(percent, result.count);
        std::size_t before = 0;
        std::uint32_t bucket = 0;
        while (before + upper[bucket] < rank)
            before += upper[bucket++];
        wanted.push_back({bucket, rank - before});
    }

    // The second pass: the lower bits of the values in the wanted buckets.
    std::vector<std::uint32_t> buckets;
    for (const Wanted& w : wanted)
        if (std::find(buckets.begin(), buckets.end(), w.bucket) == buckets.end())
            buckets.push_back(w.bucket);
    std::vector<std::vector<Table>> lowerParts(stretches, std::vector<Table>(buckets.size(), Table(kBuckets, 0)));
    InNumberedStretches(elements, [&](std::size_t s, std::size_t begin, std::size_t end) {
        std::vector<Table>& tables = lowerParts[s];
        for (std::size_t i = begin; i < end; ++i)
            values(i, [&](float v) {
                const std::uint32_t key = OrderKey(v);
                for (std::size_t k = 0; k < buckets.size(); ++k)
                    if (key >> 16 == buckets[k])
                        ++tables[k][key & 0xffffu];
            });
    });
    for (const Wanted& w : wanted) {
        const std::size_t k = std::size_t(std::find(buckets.begin(), buckets.end(), w.bucket) - buckets.begin());
        std::size_t before = 0;
        std::uint32_t low = 0;
        for (;; ++low) {
            std::size_t inLow = 0;
            for (const std::vector<Table>& tables : lowerParts)
                inLow += tables[k][low];
            if (before + inLow >= w.rankInBucket)
                break;
            before += inLow;
        }
        result.atRanks.push_back(FromOrderKey((w.bucket << 16) | low));
    }
    return result;
}

}  // namespace nearestrank
