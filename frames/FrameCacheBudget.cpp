#include "FrameCacheBudget.h"

#include <algorithm>
#include <limits>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__APPLE__)
#include <sys/sysctl.h>
#include <sys/types.h>
#else
#include <unistd.h>
#endif

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

std::size_t DefaultFrameCacheBudget()
{
    constexpr std::uint64_t kGiB = std::uint64_t(1) << 30;
    const std::uint64_t physical = PhysicalMemoryBytes();
    const std::uint64_t budget = physical == 0 ? kGiB : std::min(physical / 4, 4 * kGiB);
    return std::size_t(std::min<std::uint64_t>(budget, std::numeric_limits<std::size_t>::max()));
}
