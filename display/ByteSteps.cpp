#include "ByteSteps.h"

namespace {

float FloatOf(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

ByteSteps::ByteSteps(const std::function<std::uint8_t(float)>& rule) : bucketFirst_(kBuckets)
{
    infinityByte_ = rule(FloatOf(kInfinityBits));
    for (int k = 1; k < 256; ++k) {
        // The least bits in 0 .. infinity whose byte is k or more; one past
        // infinity when even infinity stays below k.
        std::uint32_t low = 0, high = kInfinityBits + 1;
        while (low < high) {
            const std::uint32_t middle = low + (high - low) / 2;
            if (rule(FloatOf(middle)) >= k)
                high = middle;
            else
                low = middle + 1;
        }
        starts_[std::size_t(k)] = low;
    }
    starts_[0] = 0;
    starts_[256] = UINT32_MAX;
    int k = 0;
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        const std::uint32_t lowest = std::uint32_t(bucket) << kBucketShift;
        while (lowest >= starts_[std::size_t(k) + 1])
            ++k;
        bucketFirst_[bucket] = std::uint8_t(k);
    }
}

std::vector<float> ByteSteps::BucketEdges()
{
    std::vector<float> edges;
    edges.reserve(2 * kBuckets + 1);
    for (std::size_t bucket = 0; bucket < kBuckets; ++bucket) {
        edges.push_back(FloatOf(std::uint32_t(bucket) << kBucketShift));
        edges.push_back(FloatOf((std::uint32_t(bucket + 1) << kBucketShift) - 1));
    }
    edges.push_back(FloatOf(kInfinityBits));
    return edges;
}

bool ByteSteps::AgreesWith(const std::vector<float>& edges, const std::vector<std::uint8_t>& ruleBytes) const
{
    if (edges.size() != ruleBytes.size())
        return false;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        if (Find(edges[i]) != ruleBytes[i])
            return false;
    }
    return true;
}
