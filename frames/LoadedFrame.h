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
    // The likely view (see SetLikelyView) drawn as it was read, when the
    // frame holds its channel: a frame played in a channel view comes with
    // its picture, and the window's thread draws nothing. Null otherwise.
    QImage likelyBitmap;
    ChannelView likelyView;

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

// Loads the file at pathBytes (the path as the file system spells it).
// Throws the reader's std::runtime_error reports, and
// std::runtime_error("rpf_bmp.CreateBitmap()") when the bitmap cannot be
// made.
std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes);

// The view frames loaded from now on are likely to be shown in (the one the
// user wants): LoadFrame measures its range while it reads, so that showing
// a frame read ahead costs the window's thread no pass over the channel.
// Changes only which thread measures, never what any frame shows. Any
// thread may call it.
void SetLikelyView(const ChannelView& view);
