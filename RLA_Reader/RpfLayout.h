// The fixed sizes and tables of the file layout, shared by the reader and the
// writer so the two cannot drift apart. Standard library only: the writer
// builds without the reader.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rpflayout {

// The header, then the scanline offset table right after it: one 32-bit
// offset per scanline.
constexpr std::size_t kHeaderBytes = 740;
constexpr std::size_t kOffsetTableStart = kHeaderBytes;
constexpr std::size_t kOffsetEntryBytes = 4;

// The P block: 244 bytes, or 262 when it opens with the little-endian 16-bit
// tag 1000.
constexpr std::size_t kPBlockBytes = 244;
constexpr std::size_t kLongPBlockBytes = 262;
constexpr std::size_t kPBlockTagBytes = 2;
constexpr int kLongPBlockTag = 1000;

// The D block opens with two little-endian 32-bit fields, the name count and
// the byte size of the NUL-terminated names that follow.
constexpr std::size_t kDBlockCountBytes = 4;
constexpr std::size_t kDBlockSizeBytes = 4;

// Colour and alpha of 9 to 16 bits are stored as two bytes per value, high
// byte block first; 32 is float colour, and any other depth one byte.
constexpr bool TwoByteDepth(int bits)
{
    return bits >= 9 && bits <= 16;
}

// A channel record opens with its big-endian 16-bit payload length.
constexpr std::size_t kRecordLengthBytes = 2;

// A channel record's payload is shorter than this many bytes per pixel of a
// row: the limit every record length is checked against.
constexpr std::int32_t kRecordBytesPerPixel = 30;

// Render channel letters; a letter's index is its bit in the channel mask.
constexpr const char kChannelLetters[] = "ZEOUNRCBIGTVWM";
constexpr int kChannelCount = 14;
static_assert(sizeof kChannelLetters == kChannelCount + 1, "one letter per channel");

// Bytes per element of each render channel, by bit.
constexpr int kChannelElementBytes[kChannelCount] = {4, 1, 2, 8, 4, 4, 1, 3, 2, 3, 3, 8, 3, 2};

// The widest element: a row of any channel fits in this many bytes per pixel.
constexpr int kMaxChannelElementBytes = 8;

}  // namespace rpflayout
