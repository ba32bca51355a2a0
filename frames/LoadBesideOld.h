// The order a new file is loaded in while the old picture is on screen. The
// old picture is kept through the load, so that a file that turns out bad
// leaves the window as it was, as long as memory holds both. When the reader
// refuses the new image for want of memory while an old picture is held, the
// old one is released and the load runs once more: a good file the machine
// can show alone is shown, at the price of an empty window should it then
// fail after all.
#pragma once

#include <exception>
#include <stdexcept>

namespace loadbesideold {

// Whether failure is the reader's refusal for want of memory (its budget, or
// an allocation that failed).
bool IsMemoryShortage(const std::exception& failure);

// load() with the old picture kept; on a shortage, and only when holdingOld,
// releaseOld() and load() once more.
template <typename Load, typename Release>
auto Run(Load&& load, Release&& releaseOld, bool holdingOld) -> decltype(load())
{
    try {
        return load();
    } catch (const std::runtime_error& failure) {
        if (!holdingOld || !IsMemoryShortage(failure))
            throw;
    }
    releaseOld();
    return load();
}

}  // namespace loadbesideold
