// The values of one pixel as text, for the status bar: position, colour as
// 16-bit words and fractions (a float file's as its floats), alpha, and every render channel of the frame in
// its natural form. Built once per frame, for nothing: what needs a look at
// the whole frame (whether node IDs index the D block names) is settled the
// first time a name is wanted, once, so frames read for playback and never
// pointed at skip that pass, and every later readout costs only the
// formatting.
#pragma once

#include "FrameChannels.h"

#include <QString>

#include <mutex>

class PixelReadout {
public:
    // Borrows frame's buffers: valid while they live. Safe to use from
    // several threads at once.
    explicit PixelReadout(const FrameChannels& frame);

    // The readout of the pixel x right, y down from the top-left pixel; empty
    // outside the picture.
    QString Text(int x, int y) const;

    // Node render ID n names the object names[n - 1] of the D block when the
    // frame has names and every non-zero ID of the frame lies in 1..count;
    // otherwise IDs name nothing (a renderer that numbers nodes its own way
    // would give wrong names, which is worse than none).
    bool IdsIndexNames() const;
    // The name of node render ID id, or an empty string.
    QString NodeName(std::uint32_t id) const;

private:
    QString ChannelText(int bit, const unsigned char* element) const;

    FrameChannels frame_;
    // Settled by the first IdsIndexNames, on whichever thread asks first.
    mutable std::once_flag idsChecked_;
    mutable bool idsIndexNames_ = false;
};
