// Nearest-neighbour scaling of the display bitmap into a part of the view,
// with hard pixel edges: a device pixel takes the colour of the picture
// pixel under its centre, and nothing is averaged.
#pragma once

#include "ZoomGeometry.h"

#include <QImage>
#include <QPoint>

namespace picturescaler {

// Draws picture at scale zoom::kScaleNumerator / zoom into target, whose pixel (0, 0) is the
// view's device pixel deviceOrigin (scroll position included). The picture's
// top-left corner sits at margin (in picture pixels) times the scale. Pixels
// of target that the picture does not cover are left as they are. picture
// and target are 32-bit images; the picture's alpha byte is not copied:
// target pixels come out opaque. Picture columns left of fromColumn are
// not drawn (the wipe draws its second picture right of the divider).
void Draw(const QImage& picture, QImage& target, QPoint deviceOrigin, int zoom, QPoint margin, int fromColumn = 0);

// The picture pixel under the centre of device pixel d on one axis, before
// checking it against the picture's size.
constexpr int SourceIndex(int d, int zoom, int margin)
{
    // floor((d + 0.5) * zoom / kScaleNumerator) - margin, in integers (both
    // sides doubled); d + 0.5 >= 0 is not given (d may be negative), so
    // floor explicitly.
    const long long numerator = (2LL * d + 1) * zoom;
    const long long denominator = 2LL * zoom::kScaleNumerator;
    const long long quotient =
        numerator >= 0 ? numerator / denominator : -((-numerator + denominator - 1) / denominator);
    return int(quotient) - margin;
}

}  // namespace picturescaler
