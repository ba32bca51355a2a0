// Whole-picture passes split over the processors: the channel views and
// the looks of the colour view are tens of millions of element reads at 4K,
// and split they stay well inside the time a switch may take.
#pragma once

#include <algorithm>
#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

// The number of stretches InStretches splits count elements into.
inline std::size_t StretchCount(std::size_t count)
{
    constexpr std::size_t kSmallest = 1 << 18;  // below this a thread costs more than it saves
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    return std::min<std::size_t>({processors, 8, std::max<std::size_t>(1, count / kSmallest)});
}

// Runs work(stretch, begin, end) over 0..count in StretchCount(count)
// stretches, one thread each, the calling thread taking the first; every
// helper is joined before it returns.
template <typename Work>
void InNumberedStretches(std::size_t count, const Work& work)
{
    const std::size_t stretches = StretchCount(count);
    const std::size_t length = (count + stretches - 1) / stretches;
    std::vector<std::thread> helpers;
    for (std::size_t s = 1; s < stretches; ++s) {
        const std::size_t begin = s * length, end = std::min(count, begin + length);
        if (begin >= end)
            continue;
        try {
            helpers.emplace_back([&work, s, begin, end] { work(s, begin, end); });
        } catch (const std::system_error&) {
            work(s, begin, end);  // no thread to be had: this one does the stretch
        }
    }
    work(std::size_t(0), std::size_t(0), std::min(count, length));
    for (std::thread& helper : helpers)
        helper.join();
}

// As above, for work(begin, end) that needs no stretch number.
template <typename Work>
void InStretches(std::size_t count, const Work& work)
{
    InNumberedStretches(count, [&work](std::size_t, std::size_t begin, std::size_t end) { work(begin, end); });
}

