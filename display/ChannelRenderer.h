// The picture of a channel view: a display bitmap (32-bit, bytes B, G, R, A,
// rows top-down) that the window, the clipboard, the printer and exported
// PNG files draw alike.
#pragma once

#include "ChannelColours.h"
#include "ChannelScaling.h"
#include "ChannelView.h"
#include "FrameChannels.h"

#include <QImage>

namespace channelrenderer {

// The grey around the picture in the window; depth views draw background
// pixels in it so that they read as "nothing here".
constexpr QRgb kViewBackground = 0xff404040;  // RGB(64, 64, 64)

// What the depth and vector views scale by: facts of the whole frame, so
// measured once per frame (a few passes over each channel) rather than per
// switch. Percentiles are by nearest rank; background depths and zero
// vectors are left out of them (a zero vector is black at any scale).
struct ChannelRanges {
    channelcolours::DepthRange depth;          // of Z: nearest and farthest
    channelcolours::DepthRange depthPercentiles;  // of Z: the 1st and 99th percentile
    float largestVelocity = 0;                 // longest V
    float velocityPercentile = 0;              // 99th percentile of V's non-zero lengths
    float largestUv = 0;                       // longest U
    float uvPercentile = 0;                    // 99th percentile of U's non-zero lengths
};

// The depth mapping scaling asks for, on a frame measured as ranges.
channelcolours::DepthMapping DepthMappingFor(const ChannelRanges& ranges, const DepthScaling& scaling);

// The length that shows at full brightness: the frame's largest, its
// percentile or the typed length, as scaling asks.
float VectorScaleFor(float largest, float percentile, const VectorScaling& scaling);

// The ranges of every channel frame holds.
ChannelRanges MeasureRanges(const FrameChannels& frame);

// The range view scales by, alone (the rest left empty): what
// MeasureRanges gives for view's channel, at the cost of one pass over it,
// or none for a view that scales by nothing.
ChannelRanges MeasureRanges(const FrameChannels& frame, const ChannelView& view);

// The bitmap of view for frame, scaled as view.Scaling() asks on ranges (as
// MeasureRanges gives them for this frame). The colour view is exactly the display bitmap (alpha
// byte carried along); every other view is opaque. A null image when the
// frame lacks what the view shows or is empty.
QImage Render(const FrameChannels& frame, const ChannelView& view, const ChannelRanges& ranges,
              QRgb background = kViewBackground);

// As above, measuring what the view needs first.
QImage Render(const FrameChannels& frame, const ChannelView& view, QRgb background = kViewBackground);

}  // namespace channelrenderer
