// The view role of the single-document architecture: it shows the document,
// is told when a newly opened document is ready, draws on the screen and on
// the printer, and carries the print, direct print and print preview
// commands.
#pragma once

#include <QRect>

class CPrintInfo;
class QPainter;

class CView {
public:
    virtual ~CView() = default;

    // Sent after every successful open, before the new document is shown.
    virtual void OnInitialUpdate() = 0;

    // Draws the part clip of the view; on a printer (IsPrinting(painter)),
    // the page.
    virtual void OnDraw(QPainter& painter, const QRect& clip) = 0;

    // Print (the dialog first) and direct print (the current printer as it
    // is): prepare, then print the chosen pages.
    void OnFilePrint(bool direct = false);
    // Shows the pages in the print preview window.
    void OnFilePrintPreview();

    // Prints the pages of a prepared job to its printer: begin, every page,
    // end. Returns false, after telling the user, when the printer cannot
    // be started.
    bool PrintPages(CPrintInfo& info);

protected:
    // The steps of a print job, in the order they run. OnPreparePrinting
    // returns false to end the job before anything is printed; by default it
    // runs DoPreparePrinting.
    virtual bool OnPreparePrinting(CPrintInfo& info);
    virtual void OnBeginPrinting(QPainter& painter, CPrintInfo& info);
    // Draws one page; by default OnDraw over the printable area.
    virtual void OnPrint(QPainter& painter, CPrintInfo& info);
    virtual void OnEndPrinting(QPainter& painter, CPrintInfo& info);

    // Takes the application's printer and, for Print, shows the print
    // dialog on it; false when the dialog was cancelled or there is no
    // printer.
    bool DoPreparePrinting(CPrintInfo& info);
};
