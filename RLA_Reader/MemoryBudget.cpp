#include "MemoryBudget.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

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

// The first whole number of a file (a control group limit, "max" for none).
std::uint64_t NumberIn(const std::string& path)
{
    std::ifstream in(path);
    std::string word;
    if (!(in >> word) || word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
        return kUnknown;
    return std::strtoull(word.c_str(), nullptr, 10);
}

#ifdef __linux__
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
#endif

// A value of a control group's memory.stat file ("name value" lines), 0
// when absent.
std::uint64_t StatValue(const std::string& path, const std::string& name)
{
    std::ifstream in(path);
    std::string key;
    std::uint64_t value = 0;
    while (in >> key >> value) {
        if (key == name)
            return value;
    }
    return 0;
}

// Room left under one group's own limit. Usage counts the page cache, which
// the kernel gives back before it refuses or kills: the inactive part of it
// is counted as room, as container runtimes count it.
std::uint64_t RoomInGroup(const std::string& dir, bool version2)
{
    const std::uint64_t limit = NumberIn(dir + (version2 ? "/memory.max" : "/memory.limit_in_bytes"));
    if (limit == kUnknown)
        return kUnknown;
    std::uint64_t used = NumberIn(dir + (version2 ? "/memory.current" : "/memory.usage_in_bytes"));
    if (used == kUnknown)
        return limit;
    const std::uint64_t reclaimable =
        StatValue(dir + "/memory.stat", version2 ? "inactive_file" : "total_inactive_file");
    used -= std::min(used, reclaimable);
    return limit - std::min(limit, used);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return parts;
        start = end + 1;
    }
}

}  // namespace

std::uint64_t ControlGroupRoom(const std::string& cgroupList, const std::string& mountTable,
                               const std::string& fileRoot)
{
    // The process's group in the version 1 memory hierarchy and in the
    // version 2 one: "ID:CONTROLLERS:PATH" lines.
    std::string memoryGroup, unifiedGroup;
    bool inMemory = false, inUnified = false;
    {
        std::istringstream lines(cgroupList);
        for (std::string line; std::getline(lines, line);) {
            const std::vector<std::string> fields = Split(line, ':');
            if (fields.size() < 3)
                continue;
            const std::string path = line.substr(fields[0].size() + fields[1].size() + 2);
            if (fields[0] == "0" && fields[1].empty()) {
                unifiedGroup = path;
                inUnified = true;
            }
            for (const std::string& controller : Split(fields[1], ','))
                if (controller == "memory") {
                    memoryGroup = path;
                    inMemory = true;
                }
        }
    }
    std::uint64_t room = kUnknown;
    // mountinfo: ID PARENT DEV ROOT MOUNTPOINT OPTIONS... - TYPE SOURCE SUPEROPTIONS
    std::istringstream mounts(mountTable);
    for (std::string line; std::getline(mounts, line);) {
        const std::string::size_type dash = line.find(" - ");
        if (dash == std::string::npos)
            continue;
        std::istringstream before(line.substr(0, dash));
        std::istringstream after(line.substr(dash + 3));
        std::string id, parent, device, mountRoot, mountPoint, type, source, options;
        if (!(before >> id >> parent >> device >> mountRoot >> mountPoint) || !(after >> type >> source >> options))
            continue;
        bool version2 = false;
        std::string group;
        if (type == "cgroup2" && inUnified) {
            version2 = true;
            group = unifiedGroup;
        } else if (type == "cgroup" && inMemory) {
            const std::vector<std::string> superOptions = Split(options, ',');
            if (std::find(superOptions.begin(), superOptions.end(), "memory") == superOptions.end())
                continue;
            group = memoryGroup;
        } else {
            continue;
        }
        // A container sees its own group as the mount's root.
        if (mountRoot != "/" && group.compare(0, mountRoot.size(), mountRoot) == 0)
            group = group.substr(mountRoot.size());
        const std::string top = fileRoot + mountPoint;
        std::string dir = top + (group == "/" ? std::string() : group);
        // The process's own group, then every group above it up to the
        // hierarchy's root: a parent's limit binds its children too.
        for (;;) {
            room = std::min(room, RoomInGroup(dir, version2));
            if (dir.size() <= top.size())
                break;
            const std::string::size_type slash = dir.rfind('/');
            if (slash == std::string::npos || slash < top.size())
                dir = top;
            else
                dir = dir.substr(0, slash);
        }
    }
    return room;
}

namespace {

#ifdef __linux__

std::string FileText(const char* path)
{
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

bool ParseBytes(const char* text, std::uint64_t& bytes)
{
    if (text == nullptr || *text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno != 0 || value == 0)
        return false;
    bytes = value;
    return true;
}

std::uint64_t CapFromEnvironment(std::uint64_t programDefault)
{
    std::uint64_t bytes = 0;
    return ParseBytes(std::getenv("BRIMWELL_MAX_MEMORY"), bytes) ? bytes : programDefault;
}

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
    std::uint64_t available = std::min(
        MemAvailable(), ControlGroupRoom(FileText("/proc/self/cgroup"), FileText("/proc/self/mountinfo"), ""));
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

}  // namespace memorybudget
