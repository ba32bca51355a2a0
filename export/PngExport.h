// PNG files of a frame: the colour at its full 16 bits, or one channel view
// exactly as the window draws it.
#pragma once

#include "ChannelView.h"
#include "FrameChannels.h"

#include <QByteArray>

#include <string>

class QImage;

namespace pngexport {

// The picture as the bytes of a PNG file; throws std::runtime_error when
// Qt's writer cannot encode it.
QByteArray Encode(const QImage& picture);

// The writers create path, which must not exist (a temporary name), and
// throw std::runtime_error with the system's reason when they cannot.

// The colour as a 16-bit RGB PNG. Alpha is left out, as the window draws the
// colour without it; the EXR export carries alpha.
void WriteColourPng(const FrameChannels& frame, const std::string& path);

// The view's display bitmap as an 8-bit RGB PNG.
void WriteViewPng(const FrameChannels& frame, const ChannelView& view, const std::string& path);

}  // namespace pngexport
