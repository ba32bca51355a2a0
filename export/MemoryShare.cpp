#include "MemoryShare.h"

#include <algorithm>

void MemoryShare::Take(std::uint64_t bytes)
{
    std::unique_lock<std::mutex> lock(mutex_);
    given_.wait(lock, [&] { return holders_ == 0 || (taken_ <= budget_ && bytes <= budget_ - taken_); });
    taken_ += bytes;
    ++holders_;
    peak_ = std::max(peak_, taken_);
}

void MemoryShare::Give(std::uint64_t bytes)
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        taken_ -= std::min(taken_, bytes);
        --holders_;
    }
    given_.notify_all();
}

std::uint64_t MemoryShare::Peak() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return peak_;
}
