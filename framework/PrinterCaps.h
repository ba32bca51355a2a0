// A printer's page as the drawing code measures it, in device pixels: the
// distances from the paper's left and top edges to the printable area, and
// the printable area's width and height.
#pragma once

class QPainter;

struct PrinterCaps {
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int horzRes = 0;
    int vertRes = 0;
};

// The page measures of the printer painter draws on; zeros for any other
// device.
PrinterCaps GetPrinterCaps(const QPainter& painter);
