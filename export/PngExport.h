// PNG files of a frame: the colour at its full 16 bits, or one channel view
// exactly as the window draws it.
#pragma once

#include "ChannelView.h"
#include "FrameChannels.h"

#include <string>

namespace pngexport {

// The colour as a 16-bit RGB PNG. Alpha is left out, as the window draws the
// colour without it; the EXR export carries alpha.
void WriteColourPng(const FrameChannels& frame, const std::string& path);

// The view's display bitmap as an 8-bit RGB PNG.
void WriteViewPng(const FrameChannels& frame, const ChannelView& view, const std::string& path);

}  // namespace pngexport
