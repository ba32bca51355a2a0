#include "PrintInfo.h"

#include <QPainter>
#include <QPrinter>

#include <cmath>

bool IsPrinting(const QPainter& painter)
{
    const QPaintDevice* device = painter.device();
    return device != nullptr && device->devType() == QInternal::Printer;
}

PrinterCaps GetPrinterCaps(const QPainter& painter)
{
    PrinterCaps caps;
    if (!IsPrinting(painter))
        return caps;
    const auto* printer = static_cast<const QPrinter*>(painter.device());
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
