// What the window wants frames drawn in: the view (with its scaling of
// depth and vectors) and the look of the colour view. A plain value, handed
// with every read to whoever draws (the window's thread for a file it
// opens, the read-ahead workers for the frames ahead), so that a picture
// drawn for one drawing is never taken for another's.
#pragma once

#include "ChannelView.h"
#include "FrameChannels.h"
#include "Look.h"

struct FrameDrawing {
    ChannelView view = ChannelView::Colour();
    Look look;

    // What is drawn of frame: the view wanted when frame holds it, else the
    // colour (with the view's scaling, which the colour ignores).
    ChannelView ViewFor(const FrameChannels& frame) const;
    // Whether frame drawn so is its display bitmap itself: the colour in
    // the plain look, which needs no picture of its own.
    bool IsDisplayBitmap(const FrameChannels& frame) const;
    // Which picture a read draws beside the display bitmap, for weighing a
    // file before it is read (framememory::EstimateFrameBytes).
    int PictureChannel() const;

    // Whether both draw the same picture of any frame: the same view with
    // the same scaling of its channel, and the same look (which a channel
    // view ignores, but a file without its channel shows the colour).
    bool operator==(const FrameDrawing& other) const;
    bool operator!=(const FrameDrawing& other) const { return !(*this == other); }
};
