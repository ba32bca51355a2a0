// Where the picture lands in the view at a zoom step, without any window.
// The zoom divisor k runs from 1 to 10 and the picture is shown at
// kScaleNumerator / k, so k = 5 is real size. A picture too big to be seen
// whole at k = 10 goes on to k = 11, 12, ... until it is. Margins centre a picture smaller than the window and
// are counted in picture pixels.
#pragma once

#include <QSize>

namespace zoom {

// The numerator of every zoom scale.
constexpr int kScaleNumerator = 5;
constexpr int kMostIn = 1;
constexpr int kMostOut = 10;   // the last of the ten ordinary steps
constexpr int kRealSize = kScaleNumerator;

struct ZoomGeometry {
    double m_extViewportX = 0;   // 5 W
    double m_extViewportY = 0;   // 5 H
    double m_extWindowX = 0;     // W k
    double m_extWindowY = 0;     // H k
    double m_marginX = 0;        // left margin that centres the picture, picture pixels
    double m_marginY = 0;        // top margin
    double m_displayWidth = 0;   // width on screen: 5 W / k device pixels
    double m_displayHeight = 0;  // height on screen
    int m_zoom = kRealSize;      // the zoom divisor k

    // Recomputes the geometry for a width x height picture in a client area
    // of clientWidth x clientHeight. A picture without pixels has no size on
    // screen and no margins.
    void Compute(int width, int height, int clientWidth, int clientHeight);

    // The scroll range: the size on screen, rounded up.
    QSize TotalSize() const;
    // The margins as whole picture pixels, rounded up, as painting places them.
    int MarginLeft() const;
    int MarginTop() const;
};

// The fit searches: the first k from 1 to 10 at which the picture is
// strictly smaller than the client area (on both axes, or on width only).
// When none is, 10 if the picture is no larger than the client area there,
// and otherwise the first k past 10 at which it is no larger (no scroll bar
// is needed then), never beyond MostOutFor.
int FitZoom(int width, int height, int clientWidth, int clientHeight, bool widthOnly);

// Whether the whole picture (or its width) is seen at k without scrolling.
bool SeenWholeAt(int k, int width, int height, int clientWidth, int clientHeight, bool widthOnly);

// The farthest the view zooms out for a width x height picture: 10 for
// ordinary pictures, more for big ones, bounded so that absurd sizes cannot
// make the searches run on.
int MostOutFor(int width, int height);

// The step Zoom out takes from k: k + 1 up to 10; past 10 only while the
// whole picture is not yet seen. 0 when there is no step (the beep).
int ZoomOutStep(int k, int width, int height, int clientWidth, int clientHeight);

// The scroll position as a percentage of the total scroll size (0 for an
// empty range).
double RelativePosition(int position, int total);

// Where a scroll position goes after a zoom change: from the relative
// position before it and the position the scroll bar holds now.
int RestoredPosition(double displaySize, double relative, int currentPosition);

// Zooming about the pointer, on one axis. The picture coordinate (in picture
// pixels, fractions kept) under the centre of viewport pixel pointer, with
// the view scrolled to scroll, at divisor k with the margin painting uses.
double PictureCoordinate(int pointer, int scroll, int k, int margin);
// The scroll position at divisor k (margin as painting uses it) that puts
// picture coordinate picture back under the centre of viewport pixel
// pointer. Wherever a screen pixel is no bigger than a picture pixel (k up
// to real size) the picture pixel under the pointer stays the same one; the
// caller's scroll bar still holds the result within its range.
int PositionKeeping(double picture, int pointer, int k, int margin);

// A wheel's movement gathered into zoom steps: a message of a notch or more
// is one step; finer wheels and touchpads add up to a notch, and a turn the
// other way starts again.
class WheelNotches {
public:
    // The angle delta of one notch of a wheel.
    static constexpr int kNotch = 120;
    // +1 or -1 when delta completes a notch up or down, otherwise 0.
    int Add(int delta);

private:
    int m_remainder = 0;  // movement short of a notch
};

}  // namespace zoom
