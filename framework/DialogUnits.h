// Dialog units: the resolution-free measure in which dialog layouts are
// given. A horizontal unit is a quarter of the dialog font's average
// character width and a vertical unit an eighth of its height, so a layout
// keeps its proportions with whatever font the system substitutes.
#pragma once

#include <QRect>
#include <QSize>

class QFontMetrics;

namespace dialogunits {

// The dialog font's average character width (cx) and height (cy), in pixels.
struct BaseUnits {
    int cx = 0;
    int cy = 0;
};

// number * numerator / denominator with a 64-bit product, rounded half away
// from zero (the rounding every dialog-unit conversion uses).
int MulDiv(int number, int numerator, int denominator);

// Base units from measurements of the dialog font: the width of the 52
// letters "A".."Z" "a".."z" written in one run, and the font's height.
// The average is rounded to the nearest whole pixel.
BaseUnits FromMeasurements(int letterRunWidth, int fontHeight);

// Measures the dialog font as it is drawn on the screen.
BaseUnits FromMetrics(const QFontMetrics& metrics);

// A rectangle in dialog units to pixels. Each edge is converted on its own,
// so neighbouring controls that share an edge in dialog units share it in
// pixels too.
QRect ToPixels(const QRect& dialogRect, BaseUnits units);
QSize ToPixels(const QSize& dialogSize, BaseUnits units);

}  // namespace dialogunits
