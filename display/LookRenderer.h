// The colour view drawn in a look: exposure, display transform, component.
//
// The rule, for a component value v (a float file's float; an integer
// file's word / 65535 in double) and exposure E, with x = v * 2^E:
// - "As stored": a float file's byte is floor(ToWord(x) / 257), ToWord
//   clamping to 0..1 and scaling as the reader does for floats; an integer
//   file's is floor(min(65535, floor(word * 2^E)) / 257), in double from the
//   word. At E = 0 both are the display bitmap's word / 257.
// - "sRGB": floor(255 * s(clamp(x, 0, 1)) + 0.5), s the sRGB curve.
// - An OpenColorIO view: its output o for x, floor(255 * clamp(o, 0, 1) + 0.5).
// NaN shows as 0. A component shown as grey (red, green, blue, or the
// Rec. 709 luminance of the exposed values) goes through the transform as
// the grey colour (g, g, g). Over the checkerboard, the colour as drawn is
// taken as premultiplied by its alpha and laid over light and dark grey
// squares: byte + (1 - alpha) * square, rounded.
#pragma once

#include "FrameChannels.h"
#include "Look.h"

#include <QImage>

#include <cstdint>

namespace lookrenderer {

// The side of one checkerboard square, in picture pixels, and its greys.
constexpr int kCheckerSquare = 8;
constexpr int kCheckerLight = 153;
constexpr int kCheckerDark = 102;

// 2^stops.
double Gain(double stops);

// The rule's bytes for one exposed value x (the value times the gain).
std::uint8_t StoredByte(double x);                             // a float file's
std::uint8_t StoredWordByte(std::uint16_t word, double gain);  // an integer file's
std::uint8_t SrgbByte(double x);
std::uint8_t OutputByte(float o);  // of an OpenColorIO view's output

// SrgbByte without the power function: a table of the inputs at which each
// byte begins. Gives exactly SrgbByte.
std::uint8_t FastSrgbByte(double x);

// Rec. 709 luminance.
inline double Luminance(double r, double g, double b)
{
    return 0.2126 * r + 0.7152 * g + 0.0722 * b;
}

// The colour view of frame in look, as a display bitmap (ARGB32, the alpha
// byte the display bitmap's, opaque over the checkerboard). A null image
// for a frame without colour. Throws std::runtime_error when the bitmap
// cannot be made. reuse: a picture no longer wanted, whose memory is drawn
// into when it has the frame's size and nobody else holds it (fresh memory
// costs a fault and a clearing per page, about as much as drawing).
QImage Render(const FrameChannels& frame, const Look& look, QImage reuse = QImage());

}  // namespace lookrenderer
