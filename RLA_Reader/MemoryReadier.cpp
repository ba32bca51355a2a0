#include "MemoryReadier.h"

#include "ZeroedBuffer.h"

#include <algorithm>
#include <system_error>

#if defined(__linux__)
#include <sched.h>
#include <sys/mman.h>
#endif

#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
#define RLA_POPULATE_MEMORY 1
#endif

MemoryReadier::MemoryReadier(const std::vector<const ZeroedBuffer*>& buffers)
{
#ifdef RLA_POPULATE_MEMORY
    // Only buffers mapped straight from the system start on a page, and
    // kept memory of an earlier frame is backed already.
    std::vector<Region> regions;
    std::size_t total = 0;
    std::size_t largest = 0;
    for (const ZeroedBuffer* buffer : buffers) {
        if (!buffer->IsMapped() || buffer->IsReused())
            continue;
        regions.push_back({buffer->Data(), buffer->Size()});
        total += buffer->Size();
        largest = std::max(largest, buffer->Size());
    }
    constexpr std::size_t kWorthIt = std::size_t(16) << 20;
    if (total < kWorthIt)
        return;
    try {
        thread_ = std::thread([this, regions, largest] { Ready(regions, largest); });
    } catch (const std::system_error&) {
        // No thread to spare: the decoder's own writes fault the pages in.
    }
#else
    (void)buffers;
#endif
}

MemoryReadier::~MemoryReadier()
{
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable())
        thread_.join();
}

void MemoryReadier::Ready(const std::vector<Region>& regions, std::size_t largest)
{
#ifdef RLA_POPULATE_MEMORY
    // Spare time only: sharing the decoder's core, the helper would slow it
    // down more than the ready pages gain.
    sched_param lowest{};
    sched_setscheduler(0, SCHED_IDLE, &lowest);
    constexpr std::size_t kSlice = std::size_t(2) << 20;
    constexpr std::size_t kPage = 4096;  // a multiple of every page size in use, rounding only
    // From the end backwards, while the decoder writes from the start: the
    // two never wait for the same page, and when this core is slow the
    // decoder simply readies more of the memory itself.
    std::vector<std::size_t> low;
    for (const Region& region : regions)
        low.push_back(region.bytes);
    for (std::size_t reach = kSlice; !stop_.load(std::memory_order_relaxed); reach += kSlice) {
        bool more = false;
        for (std::size_t i = 0; i < regions.size(); ++i) {
            const Region& region = regions[i];
            const double left = 1.0 - double(std::min(reach, largest)) / double(largest);
            const std::size_t target = std::size_t(double(region.bytes) * left) & ~(kPage - 1);
            if (target < low[i]) {
                if (madvise(static_cast<unsigned char*>(region.start) + target, low[i] - target,
                            MADV_POPULATE_WRITE) != 0)
                    return;
                low[i] = target;
            }
            more = more || low[i] > 0;
        }
        if (!more)
            return;
    }
#else
    (void)regions;
    (void)largest;
#endif
}
