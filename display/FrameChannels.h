// One loaded frame as the channel views and the value readout see it: the
// colour words and every render channel the file holds, borrowed from the
// loader (or from whoever keeps the buffers afterwards). Nothing is copied, so
// the frame is valid only while those buffers live.
#pragma once

#include "RLA.h"

#include <cstdint>
#include <string>
#include <vector>

struct FrameChannels {
    int width = 0;
    int height = 0;
    // Per pixel four 16-bit words alpha, red, green, blue, rows top-down;
    // null when the colour was not kept.
    const std::uint16_t* argb16 = nullptr;
    bool hasAlpha = false;  // the file stores a matte channel
    // A float file's colour and alpha as the file holds them: per pixel four
    // floats red, green, blue, alpha, rows top-down (RLA::ColourFloats);
    // null for integer files.
    const float* rgbaFloats = nullptr;
    // Per channel bit the elements as the loader assembles them (see
    // RLA::ChannelData), or null when the file lacks the channel.
    const unsigned char* channels[kChannelCount] = {};
    const NameList* names = nullptr;  // D block names, may be null

    // Bytes per element of channel bit, fixed by the file format.
    static int ElementSize(int bit)
    {
        static constexpr int kBytes[kChannelCount] = {4, 1, 2, 8, 4, 4, 1, 3, 2, 3, 3, 8, 3, 2};
        return bit >= 0 && bit < kChannelCount ? kBytes[bit] : 0;
    }

    bool Has(int bit) const { return bit >= 0 && bit < kChannelCount && channels[bit] != nullptr; }
    std::size_t PixelCount() const { return std::size_t(width) * std::size_t(height); }
};

// The frame of a loaded image; borrows image's buffers.
FrameChannels FrameChannelsOf(const RLA& image);
