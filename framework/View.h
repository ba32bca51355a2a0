// The view role of the single-document architecture: it shows the document,
// is told when a newly opened document is ready, and draws on the screen and
// on the printed page.
#pragma once

#include <QRect>

class QPainter;

class CView {
public:
    virtual ~CView() = default;

    // Sent after every successful open, before the new document is shown.
    virtual void OnInitialUpdate() = 0;

    // Draws the part clip of the view on the screen.
    virtual void OnDraw(QPainter& painter, const QRect& clip) = 0;

    // Draws the printed page, whatever the view shows on the screen, from
    // the top-left corner of the printer's printable area.
    virtual void PaintPage(QPainter& painter) = 0;
};
