// What one print job or print preview knows while it runs: the printer it
// draws on, how it was started, the pages it covers and the page being
// drawn.
#pragma once

#include <QRect>

class QPaintDevice;
class QPainter;
class QPrinter;

class CPrintInfo {
public:
    QPrinter* m_pPrinter = nullptr;  // the device the pages go to
    bool m_bDirect = false;          // started without the print dialog
    bool m_bPreview = false;         // drawn for the print preview
    int m_nFromPage = 1;             // the pages to print, as chosen
    int m_nToPage = 1;
    int m_nCurPage = 1;              // the page being drawn
    QRect m_rectDraw;                // the printable area, in device pixels

    // The document's page count. A view that sets none has one page.
    void SetMaxPage(int pages) { m_nMaxPage = pages < 1 ? 1 : pages; }
    int GetMinPage() const { return 1; }
    int GetMaxPage() const { return m_nMaxPage; }

private:
    int m_nMaxPage = 1;
};

// A printer's page as the drawing code measures it, in device pixels: the
// distances from the paper's left and top edges to the printable area, and
// the printable area's width and height.
struct PrinterCaps {
    int physicalOffsetX = 0;
    int physicalOffsetY = 0;
    int horzRes = 0;
    int vertRes = 0;
};

// True when painter draws on a printer or a print preview.
bool IsPrinting(const QPainter& painter);
// The page measures of the printer painter draws on; zeros for any other
// device.
PrinterCaps GetPrinterCaps(const QPainter& painter);
