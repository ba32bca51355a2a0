// Everything one RPF file gives the window, loaded once: the loader with the
// 16-bit colour and every render channel (for the channel views and the
// value readout), the colour's display bitmap, and the readout set up for
// the frame. Made without any widget, so frames may be loaded on any thread
// and handed to the document afterwards.
//
// A frame is drawn for a drawing (FrameDrawing.h): the picture of the view
// and look wanted, beside the display bitmap, so that showing it costs the
// window's thread nothing. Drawn again for another drawing (DrawnFor), it
// shares everything read with the frame it comes from and adds only the
// new picture.
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
#include "FrameDrawing.h"
#include "PixelReadout.h"
#include "RLA.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct LoadedFrame {
    std::shared_ptr<const RLA> loader;                // owns the colour words and every channel
    QImage bitmap;                                    // the colour's display bitmap (ARGB32)
    FrameChannels channels;                           // borrows loader's buffers
    std::shared_ptr<const PixelReadout> readout;      // borrows loader's buffers
    int width = 0;
    int height = 0;
    QString producer;                                 // the header's producer text
    // What the frame was drawn for, and its picture in it: null when that
    // is the display bitmap itself (the colour in the plain look).
    FrameDrawing drawing;
    QImage picture;

    // Bytes of memory the frame holds: the reader's buffers, the display
    // bitmap and the picture (FrameMemory.h).
    std::size_t Bytes() const;

    // The frame drawn for drawing: shares what was read with this one, and
    // draws only its picture, on the calling thread. Throws
    // std::runtime_error when the picture cannot be made.
    std::shared_ptr<const LoadedFrame> DrawnFor(const FrameDrawing& drawing) const;

    // What view scales by, for channelrenderer::Render: the range of its
    // channel, as MeasureRanges gives it, measured the first time any thread
    // asks and kept; empty ranges for a view that scales by nothing.
    channelrenderer::ChannelRanges RangesFor(const ChannelView& view) const;

private:
    struct Measured {
        std::once_flag once;
        channelrenderer::ChannelRanges ranges;
    };
    // By channel bit; shared by every drawing of the frame.
    std::shared_ptr<std::array<Measured, kChannelCount>> measured_ =
        std::make_shared<std::array<Measured, kChannelCount>>();
};

// Loads the file at pathBytes (the path as the file system spells it), on
// any thread, and draws it for drawing (the one the user wants): showing
// it then costs the window's thread nothing; the drawing changes only which
// thread draws, never what any frame shows. Throws the reader's
// std::runtime_error reports, and std::runtime_error("rpf_bmp.CreateBitmap()")
// when the bitmap cannot be made.
// keptBytesLimit: how much memory the frame's buffers may leave kept for
// later reads once it is released (FrameMemory.h).
std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes, const FrameDrawing& drawing,
                                             std::size_t keptBytesLimit = ZeroedBuffer::kKeptBytesLimit);
