#include "MemoryBudget.h"

#include "RpfLayout.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace memorybudget {

namespace {

constexpr std::uint64_t kUnknown = UINT64_MAX;

#ifdef __linux__

// The first whole number of a file (a control group limit, "max" for none).
std::uint64_t NumberIn(const std::string& path)
{
    std::ifstream in(path);
    std::string word;
    if (!(in >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
        return kUnknown;
    return std::strtoull(word.c_str(), nullptr, 10);
}

std::uint64_t MemAvailable()
{
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 13, "MemAvailable:") == 0)
            return std::strtoull(line.c_str() + 13, nullptr, 10) * 1024u;
    }
    return kUnknown;
}

// Room left under the control group's memory limit (version 2, then 1).
std::uint64_t ControlGroupRoom()
{
    std::string group;
    {
        std::ifstream in("/proc/self/cgroup");
        std::string line;
        while (std::getline(in, line)) {
            if (line.compare(0, 3, "0::") == 0)
                group = line.substr(3);
        }
    }
    for (const std::string& dir : {"/sys/fs/cgroup" + group, std::string("/sys/fs/cgroup")}) {
        const std::uint64_t limit = NumberIn(dir + "/memory.max");
        if (limit != kUnknown) {
            const std::uint64_t used = NumberIn(dir + "/memory.current");
            return used == kUnknown ? limit : limit - std::min(limit, used);
        }
    }
    const std::uint64_t limit = NumberIn("/sys/fs/cgroup/memory/memory.limit_in_bytes");
    const std::uint64_t used = NumberIn("/sys/fs/cgroup/memory/memory.usage_in_bytes");
    if (limit == kUnknown || used == kUnknown)
        return kUnknown;
    return limit - std::min(limit, used);
}

// Room left under a resource limit, given the bytes the process already uses
// against it.
std::uint64_t RoomUnder(int resource, std::uint64_t used)
{
    struct rlimit limit;
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
        return kUnknown;
    const std::uint64_t cap = limit.rlim_cur;
    return cap - std::min(cap, used);
}

#endif

}  // namespace

std::uint64_t MaxPixels()
{
    const char* text = std::getenv("BRIMWELL_MAX_PIXELS");
    if (text == nullptr || *text == '\0')
        return kDefaultMaxPixels;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || value == 0 || text[0] == '-')
        return kDefaultMaxPixels;
    return value;
}

std::uint64_t AvailableBytes()
{
#ifdef _WIN32
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return kUnknown;
    // What can still be committed, within the address space left.
    return std::min<std::uint64_t>(status.ullAvailPageFile, status.ullAvailVirtual);
#elif defined(__linux__)
    std::uint64_t available = std::min(MemAvailable(), ControlGroupRoom());
    // statm: total program size and data (with stack), in pages.
    std::uint64_t sizePages = 0;
    std::uint64_t dataPages = 0;
    {
        std::ifstream in("/proc/self/statm");
        std::uint64_t resident = 0, shared = 0, text = 0, library = 0;
        in >> sizePages >> resident >> shared >> text >> library >> dataPages;
    }
    const std::uint64_t page = std::uint64_t(sysconf(_SC_PAGESIZE));
    available = std::min(available, RoomUnder(RLIMIT_AS, sizePages * page));
    available = std::min(available, RoomUnder(RLIMIT_DATA, dataPages * page));
    return available;
#else
    return kUnknown;
#endif
}

std::uint64_t ReaderBytesPerPixel(std::uint32_t channelMask, bool floatColour, bool keepImage)
{
    std::uint64_t bytes = keepImage ? 8u : 0u;
    if (keepImage && floatColour)
        bytes += 4u * sizeof(float);
    for (int bit = 0; bit < rpflayout::kChannelCount; ++bit) {
        if (channelMask & (1u << bit))
            bytes += std::uint64_t(rpflayout::kChannelElementBytes[bit]);
    }
    return bytes;
}

}  // namespace memorybudget
