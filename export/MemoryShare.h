// The memory a batch of conversions may take together: each load takes its
// weighed bytes before it allocates and gives them back when its file is
// written, and waits while they would not fit beside the others'. So the
// program's cap bounds the whole run however many files are converted at
// once: files too big to go together go one after another.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

class MemoryShare {
public:
    explicit MemoryShare(std::uint64_t budget) : budget_(budget) {}

    // Waits until bytes fit beside what is taken, or until nothing is: a
    // load bigger than the whole budget runs alone, and its own weighing
    // then reports it.
    void Take(std::uint64_t bytes);
    void Give(std::uint64_t bytes);

    // The most bytes taken at once so far.
    std::uint64_t Peak() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable given_;
    const std::uint64_t budget_;
    std::uint64_t taken_ = 0;
    int holders_ = 0;
    std::uint64_t peak_ = 0;
};
