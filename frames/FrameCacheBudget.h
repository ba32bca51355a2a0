// How much memory the read-ahead frame cache may hold by default.
#pragma once

#include <cstddef>
#include <cstdint>

// The smaller of a quarter of the machine's physical memory and 4 GiB: a
// quarter leaves the rest of the machine (the renderer that writes the
// frames, a compositor) room to work, and 4 GiB holds about 18 frames of
// 3840 x 2160 with Z, C, I and V as the window keeps them (some 225 MB
// each), or 75 of 1920 x 1080: enough for read-ahead to stay ahead of
// playback. Where the physical memory cannot be found, 1 GiB.
std::size_t DefaultFrameCacheBudget();

// The machine's physical memory in bytes, or 0 when it cannot be found.
std::uint64_t PhysicalMemoryBytes();
