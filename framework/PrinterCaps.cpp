#include "PrinterCaps.h"

#include <QPainter>
#include <QPrinter>

#include <cmath>

PrinterCaps GetPrinterCaps(const QPainter& painter)
{
    PrinterCaps caps;
    const QPaintDevice* device = painter.device();
    if (device == nullptr || device->devType() != QInternal::Printer)
        return caps;
    const auto* printer = static_cast<const QPrinter*>(device);
    // The printable area's place on the paper; painting starts at its
    // top-left corner.
    const QRectF paper = printer->paperRect(QPrinter::DevicePixel);
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    caps.physicalOffsetX = int(std::lround(page.left() - paper.left()));
    caps.physicalOffsetY = int(std::lround(page.top() - paper.top()));
    caps.horzRes = printer->width();
    caps.vertRes = printer->height();
    return caps;
}
