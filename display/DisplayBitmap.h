// The picture as the screen, the clipboard and the printer draw it: 8 bits
// per channel, 32 bits per pixel, bytes B, G, R, A (0xAARRGGBB words on a
// little-endian machine), rows top-down. Alpha is carried along and never
// blended: drawing takes the colour bytes as they are.
#pragma once

#include "ZeroedBuffer.h"

#include <QImage>

#include <cstddef>
#include <cstdint>

namespace displaybitmap {

// One 16-bit channel value as a byte: floor(v * 255 / 65535), truncated.
// As 65535 = 255 * 257 that is floor(v / 257), which stays in 32 bits and
// lets the compiler turn the division into a multiplication.
constexpr std::uint8_t ToByte(std::uint16_t value)
{
    return static_cast<std::uint8_t>(std::uint32_t(value) / 257u);
}

// Converts pixels of four 16-bit words (alpha, red, green, blue) into
// 0xAARRGGBB words.
void ConvertPixels(const std::uint16_t* argb16, std::size_t pixelCount, std::uint32_t* out);

// The display bitmap of a width x height picture of four-word pixels.
// Throws std::runtime_error("rpf_bmp.CreateBitmap()") when it cannot be made.
// keptBytesLimit: how much memory its release may leave kept for later
// bitmaps and frames (ZeroedBuffer::ForOverwrite), as its frame's buffers.
QImage Build(const std::uint16_t* argb16, int width, int height,
             std::size_t keptBytesLimit = ZeroedBuffer::kKeptBytesLimit);

// A view of a display bitmap that ignores its alpha byte, for drawing
// without blending. Shares the bitmap's pixels: valid while it lives.
QImage OpaqueView(const QImage& bitmap);

// A copy of a display bitmap with every alpha byte set to opaque, for
// painters that keep the image or read its alpha byte whatever its format
// says (print preview pages).
QImage OpaqueCopy(const QImage& bitmap);

}  // namespace displaybitmap
