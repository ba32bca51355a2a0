// The view of the document's picture: zoomed in ten steps, centred where it
// is smaller than the window, scrolled where it is larger, painted on a
// dark-grey field. It also copies what it shows to the clipboard, prints
// the picture on one page and shows the file's details.
#pragma once

#include "ScrollView.h"
#include "ZoomGeometry.h"

#include <QColor>
#include <QImage>

class CBrimwellDoc;
class CommandRouter;

class CBrimwellView : public CScrollView {
    Q_OBJECT
public:
    CBrimwellView(CBrimwellDoc* document, CommandRouter* router, QWidget* parent = nullptr);
    ~CBrimwellView() override;

    // The field around the picture.
    static QColor BackgroundColor() { return QColor(64, 64, 64); }

    CBrimwellDoc* GetDocument() const { return m_document; }
    const zoom::ZoomGeometry& Geometry() const { return m_geometry; }
    int Zoom() const { return m_geometry.m_zoom; }

    void OnInitialUpdate() override;

    void OnZoomIn();
    void OnZoomOut();
    void OnFitWindow();
    void OnFitWidth();
    void OnRealSize();

    // Puts the client area, as painted, on the clipboard.
    void OnEditCopy();
    // Shows the details box of the shown file.
    void OnShowInfo();

    // Recomputes the geometry from the zoom, the picture and the client area;
    // with apply, also sets the scroll range and positions.
    void UpdateZoom(bool apply);

    // Paints the part clip (view pixels) of the client area into painter,
    // which draws on a device the size of the client area. On a printer it
    // draws the page instead, whatever the zoom.
    void OnDraw(QPainter& painter, const QRect& clip) override;

    // The client area as painted, as an image.
    QImage RenderClientArea();

protected:
    bool OnPreparePrinting(CPrintInfo& info) override;
    void OnBeginPrinting(QPainter& painter, CPrintInfo& info) override;
    void OnEndPrinting(QPainter& painter, CPrintInfo& info) override;

    void OnSize() override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitSearch(bool widthOnly);
    void StepZoom(int step);
    void DrawPage(QPainter& painter);

    CBrimwellDoc* m_document;
    CommandRouter* m_router;
    zoom::ZoomGeometry m_geometry;
    int m_wheelRemainder = 0;  // wheel movement short of a notch
};
