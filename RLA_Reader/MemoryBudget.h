// What a load may ask of the machine. A file of a few kilobytes can declare
// an image of gigabytes (every row pointing at one shared record), so the
// loader weighs what the declared image needs against a pixel cap and the
// memory the system can still give before it allocates anything.
#pragma once

#include <cstdint>
#include <string>

namespace memorybudget {

// No cap of the program's own: only what the system can give limits a load.
constexpr std::uint64_t kNoCap = UINT64_MAX;

// A whole positive number of bytes, as BRIMWELL_MAX_MEMORY and the tools'
// --max-memory take it; false for anything else.
bool ParseBytes(const char* text, std::uint64_t& bytes);

// The program's memory cap: BRIMWELL_MAX_MEMORY when set to a whole
// positive number of bytes, otherwise programDefault.
std::uint64_t CapFromEnvironment(std::uint64_t programDefault = kNoCap);

// The largest image loaded by default: 2^28 pixels, 16384 x 16384.
constexpr std::uint64_t kDefaultMaxPixels = std::uint64_t(1) << 28;

// The pixel cap: BRIMWELL_MAX_PIXELS when set to a positive whole number,
// otherwise the default.
std::uint64_t MaxPixels();

// Bytes the process can still allocate: on Linux the least of the system's
// available memory, the room left under its control group's limit and
// under its address-space and data limits; on Windows what can still be
// committed within the address space left; elsewhere no limit is known
// (UINT64_MAX).
std::uint64_t AvailableBytes();

// Room left under the memory limits of the process's control group and of
// every group above it (version 1 "memory" hierarchy and version 2), as
// read from the cgroup list and mount table given, with fileRoot put before
// every mount point (empty on a real system; a test's folder in tests).
// UINT64_MAX when no group sets a limit.
std::uint64_t ControlGroupRoom(const std::string& cgroupList, const std::string& mountTable,
                               const std::string& fileRoot);

}  // namespace memorybudget
