// Where the picture goes on a printed page, without any printer. The
// picture and a border around it are fitted to the printable area as a
// whole, keeping the picture's proportions. The border is the printer's
// physical offsets counted in picture pixels, on all four sides; on the
// axis that does not limit the scale, what is left over stays blank at the
// right or the bottom.
#pragma once

#include <QRect>

class QImage;
class QPainter;
struct PrinterCaps;

namespace printgeometry {

struct PageGeometry {
    double scale = 0;  // printer pixels per picture pixel
    QRect picture;     // from the printable area's top-left corner, printer pixels
};

// width x height: the picture; offsetX, offsetY: the printer's physical
// offsets; printableWidth x printableHeight: its printable area. All but the
// picture's size are in printer pixels. A picture without pixels gets an
// empty rectangle.
PageGeometry Compute(int width, int height, int offsetX, int offsetY, int printableWidth, int printableHeight);

// Prints picture where Compute puts it on a page measured as caps; a null
// picture leaves the page blank.
void PaintPage(QPainter& painter, const QImage& picture, const PrinterCaps& caps);

}  // namespace printgeometry
