// Polling for what worker threads bring about, for tests without an event
// loop: the cache's reads, redraws and hand-overs.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Polls until done() holds; false once giveUp has passed, which only a hang
// takes.
inline bool WaitFor(const std::function<bool()>& done, std::chrono::seconds giveUp = std::chrono::seconds(10))
{
    const auto end = std::chrono::steady_clock::now() + giveUp;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace testsupport
