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
#include <QPointF>

#include <optional>

class CBrimwellDoc;
class CChannelCommands;
class Comparison;
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

    // A newly opened file starts at real size, or fitted in the window when
    // it is bigger than the window and big pictures are fitted on open. That
    // choice is made again as the window changes size, until the user zooms:
    // a window still settling (maximized at start-up) gets it right.
    void OnInitialUpdate() override;
    // The document read its file again: same zoom, same place in the picture.
    void OnReloaded();

    void OnZoomIn();
    void OnZoomOut();
    void OnFitWindow();
    void OnFitWidth();
    void OnRealSize();

    // Whether a newly opened picture bigger than the window opens fitted in
    // it (View > Fit Big Pictures on Open, which the application sets up
    // from its settings; off until then); reloads and playback keep the zoom
    // whatever this says.
    void SetFitsBigPicturesOnOpen(bool fit);
    bool FitsBigPicturesOnOpen() const { return m_fitBigOnOpen; }

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

    // The picture pixel under viewport point p, by the arithmetic painting
    // places pixels with; nothing outside the picture.
    std::optional<QPoint> PixelAt(QPoint p) const;

    // The second render compared with the picture, which painting follows
    // and Shift+drag moves the wipe's divider of (null: none). Not owned.
    void SetComparison(Comparison* comparison) { m_comparison = comparison; }

signals:
    // The pointer moved over picture pixel (x, y), or left the picture.
    void PointerOverPixel(int x, int y);
    void PointerOffPicture();
    // The zoom, the picture or its size may have changed.
    void GeometryChanged();
    // Shift+drag moved the wipe's divider.
    void DividerMoved();
    // The user chose another channel view.
    void ChannelChanged();

public:

    // Recomputes the geometry from the zoom, the picture and the client area,
    // and sets the scroll range and positions.
    void UpdateZoom();

    // Tells the status bar again what lies under the pointer, which a scroll,
    // a zoom or another picture changes without the pointer moving.
    void RefreshPointer();

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
    void OnScroll() override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // A left-button drag pans the picture; a click without a move does nothing.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Where a zoom keeps the picture: the picture point under viewport point
    // pointer stays under it, on each axis where the picture is bigger than
    // the window.
    struct ZoomAnchor {
        QPoint pointer;
        QPointF picture;
    };

    void FitSearch(bool widthOnly);
    // The divisor Zoom in and Zoom out go to from the zoom shown; 0 when
    // there is no step (the beep).
    int ZoomInStep() const;
    int ZoomOutStep() const;
    // Shows the picture at zoom divisor k; without an anchor the scroll
    // positions keep their relative place.
    void ApplyZoom(int k, const std::optional<ZoomAnchor>& anchor = std::nullopt);
    void UpdateZoom(const std::optional<ZoomAnchor>& anchor);
    // The zoom a picture opens at: fitted in the window if it is too big to
    // be seen whole at real size, otherwise real size.
    void ApplyOpeningZoom();
    // A zoom command: the zoom is the user's from now on.
    void ZoomByUser(int k, const std::optional<ZoomAnchor>& anchor = std::nullopt);
    // Tells the status bar which pixel lies under the pointer at p, if any.
    void TellPointer(QPoint p);
    // Puts the wipe's divider at the picture column under viewport point p.
    void MoveDivider(QPoint p);

    CBrimwellDoc* m_document;
    CommandRouter* m_router;
    QPrinter* m_printer;
    zoom::ZoomGeometry m_geometry;
    zoom::WheelNotches m_wheel;
    bool m_dragging = false;   // the left button went down on the picture
    QPoint m_dragPoint;        // where the pointer was at the last pan
    bool m_fitBigOnOpen = false;
    // The zoom is still the one the open chose for the window's size.
    bool m_openingZoom = false;
    // Where the pointer last was over the view, in screen coordinates, so
    // that it can be found again after the window moved or changed size;
    // none while it is elsewhere.
    std::optional<QPointF> m_pointerGlobal;
    bool m_updatingZoom = false;  // scroll positions are being set
    Comparison* m_comparison = nullptr;
    CChannelCommands* m_channels;  // owned by the viewport
    bool m_movingDivider = false;  // a Shift+drag of the wipe's divider
};
