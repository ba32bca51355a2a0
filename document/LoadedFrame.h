// Everything one RPF file gives the window, loaded once: the loader with the
// 16-bit colour and every render channel (for the channel views and the
// value readout), the colour's display bitmap, the frame's channel ranges
// and the readout set up for the frame. Made without any widget, so frames
// may be loaded on any thread and handed to the document afterwards.
#pragma once

#include "ChannelRenderer.h"
#include "FrameChannels.h"
#include "PixelReadout.h"
#include "RLA.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>
#include <string>

struct LoadedFrame {
    RLA loader;                           // owns the colour words and every channel
    QImage bitmap;                        // the colour's display bitmap (ARGB32)
    FrameChannels channels;               // borrows loader's buffers
    channelrenderer::ChannelRanges ranges;
    std::optional<PixelReadout> readout;  // borrows loader's buffers
    int width = 0;
    int height = 0;
    QString producer;                     // the header's producer text
    const NameList& Names() const { return loader.names; }
};

// Loads the file at pathBytes (the path as the file system spells it).
// Throws the reader's std::runtime_error reports, and
// std::runtime_error("rpf_bmp.CreateBitmap()") when the bitmap cannot be
// made.
std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes);
