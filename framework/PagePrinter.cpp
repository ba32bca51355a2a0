#include "PagePrinter.h"

#include "Prompts.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace pageprinter {

bool PrintOn(QPrinter* printer, const PaintPage& paintPage)
{
    QPainter painter;
    if (printer == nullptr || !painter.begin(printer)) {
        prompts::ShowMessage(QStringLiteral("Printing could not start: the printer, or the file to print to, "
                                            "cannot be opened."));
        return false;
    }
    painter.save();
    paintPage(painter);
    painter.restore();
    painter.end();
    return true;
}

void Run(Mode mode, QPrinter* printer, QWidget* owner, const PaintPage& paintPage)
{
    if (printer == nullptr)
        return;
    switch (mode) {
    case Mode::Dialog: {
        QPrintDialog dialog(printer, owner);
        // One page: the dialog offers no other.
        dialog.setMinMax(1, 1);
        if (prompts::RunModal(dialog) != QDialog::Accepted)
            return;
        // A page range that leaves out the one page prints nothing.
        if (printer->printRange() == QPrinter::PageRange && (printer->fromPage() > 1 || printer->toPage() < 1))
            return;
        PrintOn(printer, paintPage);
        return;
    }
    case Mode::Direct:
        PrintOn(printer, paintPage);
        return;
    case Mode::Preview: {
        QPrintPreviewDialog preview(printer, owner);
        // The preview asks for the page whenever it lays it out anew (page
        // setup, orientation); each time it is drawn as for the printer.
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                         [&paintPage](QPrinter* previewPrinter) { PrintOn(previewPrinter, paintPage); });
        prompts::RunModal(preview);
        return;
    }
    }
}

}  // namespace pageprinter
