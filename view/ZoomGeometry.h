// Where the picture lands in the view at a zoom step, without any window.
// The zoom divisor k runs from 1 to 10 and the picture is shown at
// kScaleNumerator / k, so k = 5 is real size. Margins centre a picture smaller than the window and
// are counted in picture pixels.
#pragma once

#include <QSize>

namespace zoom {

// The numerator of every zoom scale.
constexpr int kScaleNumerator = 5;
constexpr int kMostIn = 1;
constexpr int kMostOut = 10;
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
// strictly smaller than the client area (on both axes, or on width only);
// 10 when none is.
int FitZoom(int width, int height, int clientWidth, int clientHeight, bool widthOnly);

// The scroll position as a percentage of the total scroll size (0 for an
// empty range).
double RelativePosition(int position, int total);

// Where a scroll position goes after a zoom change: from the relative
// position before it and the position the scroll bar holds now.
int RestoredPosition(double displaySize, double relative, int currentPosition);

}  // namespace zoom
