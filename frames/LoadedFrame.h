// Everything one RPF file gives the window, loaded once: the loader with the
// 16-bit colour and every render channel (for the channel views and the
// value readout), the colour's display bitmap, and the readout set up for
// the frame. Made without any widget, so frames may be loaded on any thread
// and handed to the document afterwards.
//
// What only a channel view or the readout needs, a pass over a whole
// channel (the depth and vector ranges, whether node IDs index the names),
// is left out of the load and done the first time it is wanted, once, on
// whichever thread wants it: frames played in the colour view never pay for
// it. A frame is shared const between the window's thread and the read-ahead
// workers, so those late passes are guarded by once-flags inside it.
#pragma once

#include "ChannelRenderer.h"
#include "ChannelView.h"
#include "FrameChannels.h"
#include "PixelReadout.h"
#include "RLA.h"

#include <QImage>
#include <QString>

#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct LoadedFrame {
    RLA loader;                           // owns the colour words and every channel
    QImage bitmap;                        // the colour's display bitmap (ARGB32)
    FrameChannels channels;               // borrows loader's buffers
    std::optional<PixelReadout> readout;  // borrows loader's buffers
    int width = 0;
    int height = 0;
    QString producer;                     // the header's producer text
    // The view wanted when it was read (LoadFrame's view), drawn as it was
    // read, when the frame holds its channel: a frame played in a channel
    // view comes with its picture, and the window's thread draws nothing.
    // Null otherwise.
    QImage likelyBitmap;
    ChannelView likelyView;

    // Bytes of memory the frame holds: the reader's buffers and the
    // pictures drawn as it was read (FrameMemory.h).
    std::size_t Bytes() const;

    // What view scales by, for channelrenderer::Render: the range of its
    // channel, as MeasureRanges gives it, measured the first time any thread
    // asks and kept; empty ranges for a view that scales by nothing.
    channelrenderer::ChannelRanges RangesFor(const ChannelView& view) const;

private:
    struct Measured {
        std::once_flag once;
        channelrenderer::ChannelRanges ranges;
    };
    mutable Measured measured_[kChannelCount];  // by channel bit
};

// Loads the file at pathBytes (the path as the file system spells it), on
// any thread. view is the one the frame is likely to be shown in (the one
// the user wants): a channel view of a channel the file holds is measured
// and drawn while the file is read, so that showing the frame costs the
// window's thread nothing; it changes only which thread draws, never what
// any frame shows. Throws the reader's std::runtime_error reports, and
// std::runtime_error("rpf_bmp.CreateBitmap()") when the bitmap cannot be
// made.
// keptBytesLimit: how much memory the frame's buffers may leave kept for
// later reads once it is released (FrameMemory.h).
std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes, const ChannelView& view,
                                             std::size_t keptBytesLimit = ZeroedBuffer::kKeptBytesLimit);
