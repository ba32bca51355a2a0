// The view of the document's picture: zoomed in ten steps (more for big
// pictures), centred where it
// is smaller than the window, scrolled where it is larger, painted on a
// dark-grey field. It also copies what it shows to the clipboard, prints
// the picture on one page and shows the file's details.
#pragma once

#include "ChannelView.h"
#include "ScrollView.h"
#include "ZoomGeometry.h"

#include <QColor>
#include <QImage>
#include <QPoint>

#include <optional>

class CBrimwellDoc;
class CommandRouter;
class QPrinter;

class CBrimwellView : public CScrollView {
    Q_OBJECT
public:
    // printer: what the print commands print on (none: they do nothing).
    CBrimwellView(CBrimwellDoc* document, CommandRouter* router, QPrinter* printer = nullptr,
                  QWidget* parent = nullptr);
    ~CBrimwellView() override;

    // The field around the picture.
    static QColor BackgroundColor() { return QColor(64, 64, 64); }

    CBrimwellDoc* GetDocument() const { return m_document; }
    const zoom::ZoomGeometry& Geometry() const { return m_geometry; }
    int Zoom() const { return m_geometry.m_zoom; }

    void OnInitialUpdate() override;
    // The document read its file again: same zoom, same place in the picture.
    void OnReloaded();

    void OnZoomIn();
    void OnZoomOut();
    void OnFitWindow();
    void OnFitWidth();
    void OnRealSize();

    // Puts the client area, as painted, on the clipboard.
    void OnEditCopy();
    // Shows the details box of the shown file.
    void OnShowInfo();

    // Print (the print dialog first), direct print and Print Preview of the
    // one page.
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();

    // Shows view; asking for the view already shown goes back to the colour.
    // Zoom and scroll position stay.
    void OnChannel(const ChannelView& view);
    // Saves the view shown as PNG or the whole file as OpenEXR.
    void OnFileExport();

    // The picture pixel under viewport point p, by the arithmetic painting
    // places pixels with; nothing outside the picture.
    std::optional<QPoint> PixelAt(QPoint p) const;

signals:
    // The pointer moved over picture pixel (x, y), or left the picture.
    void PointerOverPixel(int x, int y);
    void PointerOffPicture();
    // The zoom, the picture or its size may have changed.
    void GeometryChanged();

public:

    // Recomputes the geometry from the zoom, the picture and the client area,
    // and sets the scroll range and positions.
    void UpdateZoom();

    // Paints the part clip (view pixels) of the client area into painter,
    // which draws on a device the size of the client area.
    void OnDraw(QPainter& painter, const QRect& clip) override;

    // The printed page: the picture fitted to the printable area, whatever
    // the zoom, on white paper.
    void PaintPage(QPainter& painter) override;

    // The client area as painted, as an image.
    QImage RenderClientArea();

    // Scrolls down (+1) or up (-1) by the height of the client area.
    void ScrollByPage(int direction);
    // Scrolls to the top or left edge, or (far) the bottom or right edge.
    void ScrollToEdge(Qt::Orientation orientation, bool far);
    // Moves the picture with the pointer by pointerMove device pixels, as far
    // as the scroll range goes.
    void PanBy(QPoint pointerMove);

protected:
    void OnSize() override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A left-button drag pans the picture; a click without a move does nothing.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void FitSearch(bool widthOnly);
    // Shows the picture at zoom divisor k.
    void ApplyZoom(int k);
    void SetChannelHandlers(int id, const ChannelView& view);
    // Tells the status bar which pixel lies under the pointer at p, if any.
    void TellPointer(QPoint p);

    CBrimwellDoc* m_document;
    CommandRouter* m_router;
    QPrinter* m_printer;
    zoom::ZoomGeometry m_geometry;
    int m_wheelRemainder = 0;  // wheel movement short of a notch
    bool m_dragging = false;   // the left button went down on the picture
    QPoint m_dragPoint;        // where the pointer was at the last pan
};
