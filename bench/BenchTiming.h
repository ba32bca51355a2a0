// What every benchmark here times with: a steady clock, its durations in
// milliseconds, and the median of repeated runs, which a busy machine
// disturbs less than the mean.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

namespace benchtiming {

using Clock = std::chrono::steady_clock;

inline double Milliseconds(Clock::duration elapsed)
{
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// How long one run of work takes, in milliseconds.
inline double TimeOnce(const std::function<void()>& work)
{
    const Clock::time_point start = Clock::now();
    work();
    return Milliseconds(Clock::now() - start);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace benchtiming
