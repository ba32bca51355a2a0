// How much memory frames may take, and what one frame takes: the one place
// the cache's budget, its split with the memory kept for reuse, and the cost
// of a frame before and after it is read come from.
//
// - The budget for frames is the smaller of a quarter of the machine's
//   physical memory and 4 GiB: a quarter leaves the rest of the machine (the
//   renderer that writes the frames, a compositor) room to work, and 4 GiB
//   holds about 18 frames of 3840 x 2160 with Z, C, I and V, or 75 of
//   1920 x 1080: enough for read-ahead to stay ahead of playback. Where the
//   physical memory cannot be found, 1 GiB.
// - Of it, the memory released frames leave for the next reads to reuse
//   (ZeroedBuffer's kept memory) takes an eighth, at most 512 MiB; the cache,
//   with the reads in progress and the frame on screen, the rest.
// - A frame read costs what the reader's buffers hold (RLA::BytesHeld) plus
//   its pictures (LoadedFrame::Bytes); a frame not read yet is weighed from
//   its header with the same bytes per pixel (EstimateFrameBytes).
#pragma once

#include "ZeroedBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace framememory {

// The machine's physical memory in bytes, or 0 when it cannot be found.
std::uint64_t PhysicalMemoryBytes();

// The memory for frames, as above.
std::size_t DefaultBudget();

// The most memory kept for reuse, whatever the budget.
constexpr std::size_t kMaxKeptBytes = ZeroedBuffer::kKeptBytesLimit;

struct Split {
    std::size_t cache = 0;  // frames cached, being read and shown
    std::size_t kept = 0;   // memory of released frames kept for the next reads
};
Split SplitBudget(std::size_t frameMemory);

// Which picture a read draws beside the display bitmap: none, one of the
// colour (the colour in a look, the alpha), drawn whatever the file holds,
// or (any other value) that of the render channel with that bit, drawn
// when the file holds it.
constexpr int kNoPicture = -1;
constexpr int kColourPicture = -2;

// What the file at pathBytes will take once read, from its header: the
// reader's buffers, the display bitmap, and the picture drawn as it is read
// (drawnChannel, as above). 0 when the header cannot be read (the read
// itself then fails at once).
std::size_t EstimateFrameBytes(const std::string& pathBytes, int drawnChannel);

}  // namespace framememory
