// Asks the system to back freshly mapped buffers with memory, on a thread of
// its own while the loader decodes into them. The system clears every page it
// hands out, and for a large image that clearing costs about as much as the
// decoding; done alongside, it leaves the decoder pages that are ready when it
// reaches them. The decoder fills all its buffers row by row together, so the
// helper readies them together too, each in step with the largest. Only
// memory is touched, never the buffers' contents, so the two threads never
// disturb each other; where the system cannot populate memory on request,
// nothing happens.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

class ZeroedBuffer;

class MemoryReadier {
public:
    // Readies the buffers the decoder is about to fill; they must outlive
    // this object, which stops and joins the helper when it goes.
    explicit MemoryReadier(const std::vector<const ZeroedBuffer*>& buffers);
    ~MemoryReadier();

    MemoryReadier(const MemoryReadier&) = delete;
    MemoryReadier& operator=(const MemoryReadier&) = delete;

private:
    struct Region {
        void* start;
        std::size_t bytes;
    };

    void Ready(const std::vector<Region>& regions, std::size_t largest);

    std::atomic<bool> stop_{false};
    std::thread thread_;
};
