#include "BrimwellView.h"

#include "BrimwellDoc.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "DetailsDialog.h"
#include "OffscreenDC.h"
#include "PictureScaler.h"
#include "PrintGeometry.h"
#include "PrintInfo.h"
#include "Prompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace {
constexpr int kWheelNotch = 120;  // angle delta of one notch of a wheel
// The composed area reaches this many picture pixels past the part to paint,
// so that rounding at its edges can never leave a seam.
constexpr int kPaintPadding = 10;
const int kViewCommands[] = {ID_VIEW_ZOOM_IN,    ID_VIEW_ZOOM_OUT,     ID_VIEW_FIT_WINDOW,    ID_VIEW_FIT_WIDTH,
                             ID_VIEW_REAL_SIZE,  ID_VIEW_SHOW_INFO,    ID_EDIT_COPY,          ID_FILE_PRINT,
                             ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW};
}  // namespace

CBrimwellView::CBrimwellView(CBrimwellDoc* document, CommandRouter* router, QWidget* parent)
    : CScrollView(parent), m_document(document), m_router(router)
{
    // Every pixel is painted each time; nothing needs erasing first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);

    m_router->SetHandler(ID_VIEW_ZOOM_IN, [this] { OnZoomIn(); });
    m_router->SetHandler(ID_VIEW_ZOOM_OUT, [this] { OnZoomOut(); });
    m_router->SetHandler(ID_VIEW_FIT_WINDOW, [this] { OnFitWindow(); });
    m_router->SetHandler(ID_VIEW_FIT_WIDTH, [this] { OnFitWidth(); });
    m_router->SetHandler(ID_VIEW_REAL_SIZE, [this] { OnRealSize(); });
    m_router->SetHandler(ID_VIEW_SHOW_INFO, [this] { OnShowInfo(); });
    m_router->SetHandler(ID_EDIT_COPY, [this] { OnEditCopy(); });
    m_router->SetHandler(ID_FILE_PRINT, [this] { OnFilePrint(); });
    m_router->SetHandler(ID_FILE_PRINT_DIRECT, [this] { OnFilePrint(true); });
    m_router->SetHandler(ID_FILE_PRINT_PREVIEW, [this] { OnFilePrintPreview(); });
}

CBrimwellView::~CBrimwellView()
{
    for (int id : kViewCommands)
        m_router->RemoveHandlers(id);
}

void CBrimwellView::OnInitialUpdate()
{
    // Every newly opened file starts at real size. The scroll state of the
    // previous picture stays in effect until UpdateZoom replaces it.
    m_geometry = zoom::ZoomGeometry();
    UpdateZoom(true);
    viewport()->update();
}

void CBrimwellView::StepZoom(int step)
{
    const int next = m_geometry.m_zoom + step;
    if (next < zoom::kMostIn || next > zoom::kMostOut) {
        prompts::Beep();
        return;
    }
    m_geometry.m_zoom = next;
    UpdateZoom(true);
    viewport()->update();
}

void CBrimwellView::OnZoomIn()
{
    StepZoom(-1);
}

void CBrimwellView::OnZoomOut()
{
    StepZoom(+1);
}

void CBrimwellView::FitSearch(bool widthOnly)
{
    const QSize client = ClientSize();
    m_geometry.m_zoom =
        zoom::FitZoom(m_document->rpf_width, m_document->rpf_height, client.width(), client.height(), widthOnly);
    UpdateZoom(true);
    viewport()->update();
}

void CBrimwellView::OnFitWindow()
{
    FitSearch(false);
}

void CBrimwellView::OnFitWidth()
{
    FitSearch(true);
}

void CBrimwellView::OnRealSize()
{
    m_geometry.m_zoom = zoom::kRealSize;
    UpdateZoom(true);
    viewport()->update();
}

void CBrimwellView::UpdateZoom(bool apply)
{
    const QSize client = ClientSize();
    m_geometry.Compute(m_document->rpf_width, m_document->rpf_height, client.width(), client.height());

    // Relative positions under the scroll range still in effect.
    const QSize oldTotal = GetTotalSize();
    const QPoint oldPosition = GetScrollPosition();
    const double fx = zoom::RelativePosition(oldPosition.x(), oldTotal.width());
    const double fy = zoom::RelativePosition(oldPosition.y(), oldTotal.height());
    if (!apply)
        return;

    viewport()->setUpdatesEnabled(false);
    SetScrollSizes(m_geometry.TotalSize());
    if (m_geometry.m_marginX == 0) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(zoom::RestoredPosition(m_geometry.m_displayWidth, fx, bar->value()));
    }
    if (m_geometry.m_marginY == 0) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(zoom::RestoredPosition(m_geometry.m_displayHeight, fy, bar->value()));
    }
    viewport()->setUpdatesEnabled(true);
}

void CBrimwellView::OnSize()
{
    CScrollView::OnSize();
    UpdateZoom(true);
}

void CBrimwellView::OnEditCopy()
{
    // The clipboard keeps its own copy, and setting it replaces everything
    // it held before.
    QGuiApplication::clipboard()->setImage(RenderClientArea());
}

void CBrimwellView::OnShowInfo()
{
    CDetailsDialog dialog;
    dialog.m_path = m_document->GetPathName();
    dialog.m_producer = m_document->GetProducer();
    dialog.m_width = m_document->rpf_width;
    dialog.m_height = m_document->rpf_height;
    dialog.DoModal();
}

bool CBrimwellView::OnPreparePrinting(CPrintInfo& info)
{
    return DoPreparePrinting(info);
}

// The page is drawn straight from the document's picture, so a print job
// has nothing of its own to set up or release.
void CBrimwellView::OnBeginPrinting(QPainter&, CPrintInfo&)
{
}

void CBrimwellView::OnEndPrinting(QPainter&, CPrintInfo&)
{
}

void CBrimwellView::DrawPage(QPainter& painter)
{
    if (!m_document->HasPicture())
        return;  // a blank page
    const PrinterCaps caps = GetPrinterCaps(painter);
    const printgeometry::PageGeometry page =
        printgeometry::Compute(m_document->rpf_width, m_document->rpf_height, caps.physicalOffsetX,
                               caps.physicalOffsetY, caps.horzRes, caps.vertRes);
    if (page.picture.isEmpty())
        return;
    // No background and no off-screen composing: the paper stays white
    // around the picture. Pixels are repeated or dropped, never averaged,
    // and the opaque picture keeps transparent pixels from blending. Print
    // jobs travel as PDF, whose writer would otherwise store the picture as
    // JPEG and shift its colours.
    painter.resetTransform();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    const QImage picture = m_document->Picture();
    painter.drawImage(QRectF(page.picture), picture, QRectF(picture.rect()));
}

void CBrimwellView::OnDraw(QPainter& painter, const QRect& clip)
{
    if (IsPrinting(painter)) {
        painter.save();
        DrawPage(painter);
        painter.restore();
        return;
    }
    const int padding = int(std::ceil(kPaintPadding * 5.0 / std::max(1, m_geometry.m_zoom)));
    const QRect area = clip.adjusted(-padding, -padding, padding, padding).intersected(QRect(QPoint(0, 0), ClientSize()));
    if (area.isEmpty())
        return;
    COffscreenDC offscreen(&painter, area);
    offscreen.Bitmap().fill(BackgroundColor());
    if (m_document->HasPicture()) {
        picturescaler::Draw(m_document->rpf_bmp, offscreen.Bitmap(), area.topLeft() + GetScrollPosition(),
                            m_geometry.m_zoom, QPoint(m_geometry.MarginLeft(), m_geometry.MarginTop()));
    }
}

QImage CBrimwellView::RenderClientArea()
{
    QImage image(ClientSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    OnDraw(painter, image.rect());
    painter.end();
    return image;
}

void CBrimwellView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    OnDraw(painter, event->rect());
}

void CBrimwellView::wheelEvent(QWheelEvent* event)
{
    // Vertical wheel only; a notch (or a message of a notch or more) is one
    // zoom step, and finer wheels and touchpads gather their movement into
    // notches. The wheel never scrolls.
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0)
        return;
    if (std::abs(delta) >= kWheelNotch) {
        m_wheelRemainder = 0;
    } else {
        if ((m_wheelRemainder > 0) != (delta > 0))
            m_wheelRemainder = 0;
        m_wheelRemainder += delta;
        if (std::abs(m_wheelRemainder) < kWheelNotch)
            return;
        m_wheelRemainder = 0;
    }
    if (delta > 0)
        OnZoomIn();
    else
        OnZoomOut();
}

void CBrimwellView::keyPressEvent(QKeyEvent* event)
{
    // No keyboard scrolling: the arrow keys belong to file navigation, even
    // when navigation is disabled.
    event->ignore();
}
