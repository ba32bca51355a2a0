// The picture of a channel view: a display bitmap (32-bit, bytes B, G, R, A,
// rows top-down) that the window, the clipboard, the printer and exported
// PNG files draw alike.
#pragma once

#include "ChannelView.h"
#include "FrameChannels.h"

#include <QImage>

namespace channelrenderer {

// The grey around the picture in the window; depth views draw background
// pixels in it so that they read as "nothing here".
constexpr QRgb kViewBackground = 0xff404040;  // RGB(64, 64, 64)

// The bitmap of view for frame. The colour view is exactly the display bitmap
// (alpha byte carried along); every other view is opaque. A null image when
// the frame lacks what the view shows or is empty.
QImage Render(const FrameChannels& frame, const ChannelView& view, QRgb background = kViewBackground);

}  // namespace channelrenderer
