#include "FrameMemory.h"

#include "MemoryBudget.h"
#include "RLA.h"

#include <algorithm>
#include <exception>
#include <limits>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <sys/sysctl.h>
#include <sys/types.h>
#else
#include <unistd.h>
#endif

namespace framememory {

std::uint64_t PhysicalMemoryBytes()
{
#if defined(_WIN32)
    MEMORYSTATUSEX status;
    status.dwLength = sizeof(status);
    return GlobalMemoryStatusEx(&status) ? std::uint64_t(status.ullTotalPhys) : 0;
#elif defined(__APPLE__)
    std::uint64_t bytes = 0;
    std::size_t length = sizeof(bytes);
    return sysctlbyname("hw.memsize", &bytes, &length, nullptr, 0) == 0 ? bytes : 0;
#else
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageBytes = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageBytes <= 0)
        return 0;
    return std::uint64_t(pages) * std::uint64_t(pageBytes);
#endif
}

std::size_t DefaultBudget()
{
    constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
    const std::uint64_t physical = PhysicalMemoryBytes();
    const std::uint64_t budget = physical == 0 ? kGiB : std::min(physical / 4, 4 * kGiB);
    return std::size_t(std::min<std::uint64_t>(budget, std::numeric_limits<std::size_t>::max()));
}

Split SplitBudget(std::size_t frameMemory)
{
    // Kept memory serves the reads that replace evicted frames; an eighth of
    // the whole is room for two such frames' buffers at the default budget.
    Split split;
    split.kept = std::min(kMaxKeptBytes, frameMemory / 8);
    split.cache = frameMemory - split.kept;
    return split;
}

std::size_t EstimateFrameBytes(const std::string& pathBytes, int drawnChannel)
{
    RLA file;
    try {
        file.ReadHeaderOnly(pathBytes.c_str());
    } catch (const std::exception&) {
        return 0;
    }
    if (file.ancho <= 0 || file.alto <= 0)
        return 0;
    const std::uint64_t pixels = std::uint64_t(file.ancho) * std::uint64_t(file.alto);
    // An image past the pixel cap is refused before anything is allocated.
    if (pixels > memorybudget::MaxPixels())
        return 0;
    std::uint64_t perPixel = memorybudget::ReaderBytesPerPixel(file.channel_mask, file.header.chan_bits == 32, true) +
                             memorybudget::kPictureBytesPerPixel;
    if (drawnChannel == kColourPicture ||
        (drawnChannel >= 0 && drawnChannel < kChannelCount && (file.channel_mask & (1u << drawnChannel))))
        perPixel += memorybudget::kPictureBytesPerPixel;
    return std::size_t(std::min<std::uint64_t>(pixels * perPixel, std::numeric_limits<std::size_t>::max()));
}

}  // namespace framememory
