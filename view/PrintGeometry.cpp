#include "PrintGeometry.h"

#include "PrinterCaps.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace printgeometry {

PageGeometry Compute(int width, int height, int offsetX, int offsetY, int printableWidth, int printableHeight)
{
    PageGeometry geometry;
    if (width <= 0 || height <= 0 || printableWidth <= 0 || printableHeight <= 0)
        return geometry;
    const double frameWidth = double(width) + 2.0 * offsetX;
    const double frameHeight = double(height) + 2.0 * offsetY;
    if (frameWidth <= 0 || frameHeight <= 0)
        return geometry;
    geometry.scale = std::min(printableWidth / frameWidth, printableHeight / frameHeight);
    // Each edge is rounded on its own, so the picture's far edges land where
    // the scale puts them (the whole printable width or height when the
    // offsets are zero) and the size never drifts by a pixel from rounding
    // the corner and the size separately.
    const auto edge = [&](double pictureUnits) { return int(std::lround(pictureUnits * geometry.scale)); };
    const int left = edge(offsetX);
    const int top = edge(offsetY);
    const int right = edge(double(offsetX) + width);
    const int bottom = edge(double(offsetY) + height);
    geometry.picture = QRect(QPoint(left, top), QSize(right - left, bottom - top));
    return geometry;
}

void PaintPage(QPainter& painter, const QImage& picture, const PrinterCaps& caps)
{
    if (picture.isNull())
        return;
    const PageGeometry page = Compute(picture.width(), picture.height(), caps.physicalOffsetX, caps.physicalOffsetY,
                                      caps.horzRes, caps.vertRes);
    if (page.picture.isEmpty())
        return;
    // No background and no off-screen composing: the paper stays white
    // around the picture. Pixels are repeated or dropped, never averaged,
    // and the opaque picture keeps transparent pixels from blending. Print
    // jobs travel as PDF, whose writer would otherwise store the picture as
    // JPEG and shift its colours.
    painter.resetTransform();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.drawImage(QRectF(page.picture), picture, QRectF(picture.rect()));
}

}  // namespace printgeometry
