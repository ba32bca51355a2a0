// Where the banner lies on the toolbar and where a movie frame lands inside
// the banner, without any window.
#pragma once

#include <QRect>
#include <QSize>

namespace bannergeometry {

// The banner covers the toolbar's last six (blank) buttons: from the left
// edge of the first of them to the right edge of the last, 50 pixels high,
// starting 2 pixels below the last one's top. Both rectangles are in the
// toolbar's coordinates; with 57 x 57 buttons side by side this is 342 x 50.
QRect BannerRect(const QRect& firstBlank, const QRect& lastBlank);

// How a movie frame is fitted to the banner, by the values the banner's
// ScaleMode takes.
enum ScaleMode : int {
    kShowAll = 0,   // whole frame visible, aspect kept, bands left over
    kNoBorder = 1,  // area filled, aspect kept, the overflow cropped
    kExactFit = 2,  // stretched to the area, aspect ignored
    kNoScale = 3,   // natural size
};
bool IsScaleMode(long value);

// Where a frame of size movie is drawn in an area of size area: a rectangle
// in area coordinates, centred, which may reach past the area (the painter
// clips it). Empty when either size has no pixels.
QRect MovieRect(ScaleMode mode, QSize movie, QSize area);

}  // namespace bannergeometry
