// Printing a document that is one page: Print (the print dialog first),
// direct print (the printer as it is set up) and Print Preview all come
// here, and all draw the page with the same painting function.
#pragma once

#include <functional>

class QPainter;
class QPrinter;
class QWidget;

namespace pageprinter {

enum class Mode { Dialog, Direct, Preview };

// Paints the page onto a painter that draws on the printer, from the top-left
// corner of the printable area.
using PaintPage = std::function<void(QPainter&)>;

// Runs a print command on printer; owner is the window its dialogs belong
// to. Without a printer there is nothing to print on and nothing happens. A
// cancelled dialog prints nothing; a printer that cannot start is reported
// to the user.
void Run(Mode mode, QPrinter* printer, QWidget* owner, const PaintPage& paintPage);

// Prints the one page on printer. Returns false, after telling the user,
// when the printer cannot be started.
bool PrintOn(QPrinter* printer, const PaintPage& paintPage);

}  // namespace pageprinter
