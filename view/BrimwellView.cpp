#include "BrimwellView.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "ChannelCommands.h"
#include "ChannelScalingCommands.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "Comparison.h"
#include "DetailsDialog.h"
#include "OffscreenDC.h"
#include "PagePrinter.h"
#include "PictureScaler.h"
#include "PrintGeometry.h"
#include "PrinterCaps.h"
#include "Prompts.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {
// The composed area reaches this many picture pixels past the part to paint,
// so that rounding at its edges can never leave a seam.
constexpr int kPaintPadding = 10;
}  // namespace

CBrimwellView::CBrimwellView(CBrimwellDoc* document, CommandRouter* router, QPrinter* printer, QWidget* parent)
    : CScrollView(parent), m_document(document), m_router(router), m_printer(printer)
{
    // Every pixel is painted each time; nothing needs erasing first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);

    m_router->SetHandler(this, ID_VIEW_ZOOM_IN, &CBrimwellView::OnZoomIn);
    m_router->SetHandler(this, ID_VIEW_ZOOM_OUT, &CBrimwellView::OnZoomOut);
    m_router->SetHandler(this, ID_VIEW_FIT_WINDOW, &CBrimwellView::OnFitWindow);
    m_router->SetHandler(this, ID_VIEW_FIT_WIDTH, &CBrimwellView::OnFitWidth);
    m_router->SetHandler(this, ID_VIEW_REAL_SIZE, &CBrimwellView::OnRealSize);
    m_router->SetHandler(this, ID_VIEW_SHOW_INFO, &CBrimwellView::OnShowInfo);
    m_router->SetHandler(this, ID_EDIT_COPY, &CBrimwellView::OnEditCopy);
    m_router->SetHandler(this, ID_FILE_PRINT, &CBrimwellView::OnFilePrint);
    m_router->SetHandler(this, ID_FILE_PRINT_DIRECT, &CBrimwellView::OnFilePrintDirect);
    m_router->SetHandler(this, ID_FILE_PRINT_PREVIEW, &CBrimwellView::OnFilePrintPreview);
    m_router->SetHandler(this, ID_VIEW_PAGE_UP, [this] { ScrollByPage(-1); });
    m_router->SetHandler(this, ID_VIEW_PAGE_DOWN, [this] { ScrollByPage(+1); });
    m_router->SetHandler(this, ID_VIEW_SCROLL_TOP, [this] { ScrollToEdge(Qt::Vertical, false); });
    m_router->SetHandler(this, ID_VIEW_SCROLL_BOTTOM, [this] { ScrollToEdge(Qt::Vertical, true); });
    m_router->SetHandler(this, ID_VIEW_SCROLL_LEFT_EDGE, [this] { ScrollToEdge(Qt::Horizontal, false); });
    m_router->SetHandler(this, ID_VIEW_SCROLL_RIGHT_EDGE, [this] { ScrollToEdge(Qt::Horizontal, true); });
    // The open hand says the picture can be dragged.
    viewport()->setCursor(Qt::OpenHandCursor);
    m_channels = new CChannelCommands(m_document, m_router, viewport());
    connect(m_channels, &CChannelCommands::Changed, this, &CBrimwellView::ChannelChanged);
    new CChannelScalingCommands(m_document, m_router, this);

    // The readout follows the pointer without a button held.
    viewport()->setMouseTracking(true);
}

void CBrimwellView::OnChannel(const ChannelView& view)
{
    m_channels->Show(view);
}

std::optional<QPoint> CBrimwellView::PixelAt(QPoint p) const
{
    if (!m_document->HasPicture())
        return std::nullopt;
    const QPoint device = p + GetScrollPosition();
    const int x = picturescaler::SourceIndex(device.x(), m_geometry.m_zoom, m_geometry.MarginLeft());
    const int y = picturescaler::SourceIndex(device.y(), m_geometry.m_zoom, m_geometry.MarginTop());
    if (x < 0 || y < 0 || x >= m_document->rpf_width || y >= m_document->rpf_height)
        return std::nullopt;
    return QPoint(x, y);
}

void CBrimwellView::TellPointer(QPoint p)
{
    if (const std::optional<QPoint> pixel = PixelAt(p))
        emit PointerOverPixel(pixel->x(), pixel->y());
    else
        emit PointerOffPicture();
}

void CBrimwellView::MoveDivider(QPoint p)
{
    const int x = picturescaler::SourceIndex(p.x() + GetScrollPosition().x(), m_geometry.m_zoom,
                                             m_geometry.MarginLeft());
    m_comparison->SetDivider(x, m_document->rpf_width);
    viewport()->update();
    emit DividerMoved();
}

void CBrimwellView::RefreshPointer()
{
    if (!m_pointerGlobal)
        return;
    const QPoint p = viewport()->mapFromGlobal(*m_pointerGlobal).toPoint();
    if (viewport()->rect().contains(p))
        TellPointer(p);
    else
        emit PointerOffPicture();
}

bool CBrimwellView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Leave) {
        m_pointerGlobal.reset();
        emit PointerOffPicture();
    }
    return CScrollView::viewportEvent(event);
}

CBrimwellView::~CBrimwellView() = default;

void CBrimwellView::OnInitialUpdate()
{
    // Every newly opened file starts at real size. The scroll state of the
    // previous picture stays in effect until UpdateZoom replaces it.
    m_geometry = zoom::ZoomGeometry();
    m_openingZoom = m_fitBigOnOpen;
    if (m_openingZoom)
        ApplyOpeningZoom();
    else
        ApplyZoom(zoom::kRealSize);
}

void CBrimwellView::SetFitsBigPicturesOnOpen(bool fit)
{
    m_fitBigOnOpen = fit;
    // The picture shown keeps its zoom from now on.
    if (!fit)
        m_openingZoom = false;
}

void CBrimwellView::ApplyOpeningZoom()
{
    // Bigger than the window means not seen whole at real size, judged
    // without the scroll bars a big picture would bring.
    const QSize room = maximumViewportSize();
    if (m_document->HasPicture() && !zoom::SeenWholeAt(zoom::kRealSize, m_document->rpf_width,
                                                       m_document->rpf_height, room.width(), room.height(), false))
        FitSearch(false);
    else
        ApplyZoom(zoom::kRealSize);
}

void CBrimwellView::ZoomByUser(int k, const std::optional<ZoomAnchor>& anchor)
{
    m_openingZoom = false;
    ApplyZoom(k, anchor);
}

void CBrimwellView::OnReloaded()
{
    ApplyZoom(m_geometry.m_zoom);
}

void CBrimwellView::ApplyZoom(int k, const std::optional<ZoomAnchor>& anchor)
{
    m_geometry.m_zoom = k;
    UpdateZoom(anchor);
    viewport()->update();
}

int CBrimwellView::ZoomInStep() const
{
    const int next = m_geometry.m_zoom - 1;
    return next < zoom::kMostIn ? 0 : next;
}

int CBrimwellView::ZoomOutStep() const
{
    // Whether the whole picture is seen is judged without the scroll bars,
    // which go as soon as it is.
    const QSize room = maximumViewportSize();
    return zoom::ZoomOutStep(m_geometry.m_zoom, m_document->rpf_width, m_document->rpf_height, room.width(),
                             room.height());
}

void CBrimwellView::OnZoomIn()
{
    if (const int next = ZoomInStep())
        ZoomByUser(next);
    else
        prompts::Beep();
}

void CBrimwellView::OnZoomOut()
{
    if (const int next = ZoomOutStep())
        ZoomByUser(next);
    else
        prompts::Beep();
}

void CBrimwellView::FitSearch(bool widthOnly)
{
    const int width = m_document->rpf_width;
    const int height = m_document->rpf_height;
    const QSize client = ClientSize();
    int k = zoom::FitZoom(width, height, client.width(), client.height(), widthOnly);
    // Nothing fits in the ten steps: the search goes on in the room the
    // scroll bars leave once the picture is seen whole, which is all of it,
    // except that a height still too tall keeps its bar beside the width.
    if (k >= zoom::kMostOut) {
        QSize room = maximumViewportSize();
        k = std::max(zoom::kMostOut, zoom::FitZoom(width, height, room.width(), room.height(), widthOnly));
        if (widthOnly && !zoom::SeenWholeAt(k, width, height, room.width(), room.height(), false)) {
            room.rwidth() -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
            k = std::max(zoom::kMostOut, zoom::FitZoom(width, height, room.width(), room.height(), true));
        }
    }
    ApplyZoom(k);
}

void CBrimwellView::OnFitWindow()
{
    m_openingZoom = false;
    FitSearch(false);
}

void CBrimwellView::OnFitWidth()
{
    m_openingZoom = false;
    FitSearch(true);
}

void CBrimwellView::OnRealSize()
{
    ZoomByUser(zoom::kRealSize);
}

void CBrimwellView::UpdateZoom()
{
    UpdateZoom(std::nullopt);
}

void CBrimwellView::UpdateZoom(const std::optional<ZoomAnchor>& anchor)
{
    const QSize client = ClientSize();
    m_geometry.Compute(m_document->rpf_width, m_document->rpf_height, client.width(), client.height());

    // Relative positions under the scroll range still in effect.
    const QSize oldTotal = GetTotalSize();
    const QPoint oldPosition = GetScrollPosition();
    const double fx = zoom::RelativePosition(oldPosition.x(), oldTotal.width());
    const double fy = zoom::RelativePosition(oldPosition.y(), oldTotal.height());

    viewport()->setUpdatesEnabled(false);
    m_updatingZoom = true;
    SetScrollSizes(m_geometry.TotalSize());
    const int k = m_geometry.m_zoom;
    if (m_geometry.m_marginX == 0) {
        QScrollBar* bar = horizontalScrollBar();
        bar->setValue(anchor ? zoom::PositionKeeping(anchor->picture.x(), anchor->pointer.x(), k,
                                                     m_geometry.MarginLeft())
                             : zoom::RestoredPosition(m_geometry.m_displayWidth, fx, bar->value()));
    }
    if (m_geometry.m_marginY == 0) {
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(anchor ? zoom::PositionKeeping(anchor->picture.y(), anchor->pointer.y(), k,
                                                     m_geometry.MarginTop())
                             : zoom::RestoredPosition(m_geometry.m_displayHeight, fy, bar->value()));
    }
    m_updatingZoom = false;
    viewport()->setUpdatesEnabled(true);
    emit GeometryChanged();
    RefreshPointer();
}

void CBrimwellView::OnSize()
{
    CScrollView::OnSize();
    if (m_openingZoom)
        ApplyOpeningZoom();
    else
        UpdateZoom();
}

void CBrimwellView::OnScroll()
{
    CScrollView::OnScroll();
    // Setting the zoom moves the bars on its own and refreshes once at the end.
    if (!m_updatingZoom)
        RefreshPointer();
}

void CBrimwellView::OnEditCopy()
{
    // The clipboard keeps its own copy, and setting it replaces everything
    // it held before.
    QGuiApplication::clipboard()->setImage(RenderClientArea());
}

void CBrimwellView::OnShowInfo()
{
    CDetailsDialog dialog(window());
    dialog.m_path = m_document->GetPathName();
    dialog.m_producer = m_document->GetProducer();
    dialog.m_width = m_document->rpf_width;
    dialog.m_height = m_document->rpf_height;
    dialog.DoModal();
}

void CBrimwellView::OnFilePrint()
{
    pageprinter::Run(pageprinter::Mode::Dialog, m_printer, window(), [this](QPainter& p) { PaintPage(p); });
}

void CBrimwellView::OnFilePrintDirect()
{
    pageprinter::Run(pageprinter::Mode::Direct, m_printer, window(), [this](QPainter& p) { PaintPage(p); });
}

void CBrimwellView::OnFilePrintPreview()
{
    pageprinter::Run(pageprinter::Mode::Preview, m_printer, window(), [this](QPainter& p) { PaintPage(p); });
}

void CBrimwellView::PaintPage(QPainter& painter)
{
    if (m_document->HasPicture())
        printgeometry::PaintPage(painter, m_document->ShownPicture(), GetPrinterCaps(painter));
}

void CBrimwellView::OnDraw(QPainter& painter, const QRect& clip)
{
    // The padding in device pixels at the zoom shown.
    const int padding = int(std::ceil(kPaintPadding * double(zoom::kScaleNumerator) / std::max(1, m_geometry.m_zoom)));
    const QRect area = clip.adjusted(-padding, -padding, padding, padding).intersected(QRect(QPoint(0, 0), ClientSize()));
    if (area.isEmpty())
        return;
    COffscreenDC offscreen(&painter, area);
    offscreen.Bitmap().fill(BackgroundColor());
    if (!m_document->HasPicture())
        return;
    const QPoint origin = area.topLeft() + GetScrollPosition();
    const QPoint margin(m_geometry.MarginLeft(), m_geometry.MarginTop());
    Comparison::Painted compared;
    if (m_comparison) {
        try {
            compared = m_comparison->PaintedFor(*m_document);
        } catch (const std::runtime_error&) {
            compared = Comparison::Painted();  // no memory for the comparison: A alone
        }
    }
    const QImage picture = compared.picture.isNull() ? m_document->ShownBitmap() : compared.picture;
    picturescaler::Draw(picture, offscreen.Bitmap(), origin, m_geometry.m_zoom, margin);
    if (!compared.wipeB.isNull())
        picturescaler::Draw(compared.wipeB, offscreen.Bitmap(), origin, m_geometry.m_zoom, margin,
                            m_comparison->Divider(m_document->rpf_width));
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
    // Vertical wheel only, a notch a zoom step; it never scrolls. It zooms
    // about the pointer, so what the user points at stays where it is.
    event->accept();
    const int notch = m_wheel.Add(event->angleDelta().y());
    if (notch == 0)
        return;
    const int next = notch > 0 ? ZoomInStep() : ZoomOutStep();
    if (next == 0) {
        prompts::Beep();
        return;
    }
    const QPoint pointer = event->position().toPoint();
    m_pointerGlobal = event->globalPosition();
    const QPoint scroll = GetScrollPosition();
    const int k = m_geometry.m_zoom;
    const QPointF picture(zoom::PictureCoordinate(pointer.x(), scroll.x(), k, m_geometry.MarginLeft()),
                          zoom::PictureCoordinate(pointer.y(), scroll.y(), k, m_geometry.MarginTop()));
    ZoomByUser(next, ZoomAnchor{pointer, picture});
}

void CBrimwellView::ScrollByPage(int direction)
{
    // A page is what the window shows: the next page begins where this one ends.
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + direction * ClientSize().height());
}

void CBrimwellView::ScrollToEdge(Qt::Orientation orientation, bool far)
{
    QScrollBar* bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    bar->setValue(far ? bar->maximum() : bar->minimum());
}

void CBrimwellView::PanBy(QPoint pointerMove)
{
    // The picture follows the pointer, so the scroll position moves against it.
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - pointerMove.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - pointerMove.y());
}

void CBrimwellView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        CScrollView::mousePressEvent(event);
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && m_comparison && m_comparison->IsActive() &&
        m_comparison->mode() == Comparison::Mode::Wipe) {
        m_movingDivider = true;
        MoveDivider(event->position().toPoint());
        event->accept();
        return;
    }
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
    viewport()->setCursor(Qt::ClosedHandCursor);
    event->accept();
}

void CBrimwellView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    m_pointerGlobal = event->globalPosition();
    if (m_movingDivider && (event->buttons() & Qt::LeftButton)) {
        MoveDivider(point);
        TellPointer(point);
        event->accept();
        return;
    }
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        PanBy(point - m_dragPoint);
        m_dragPoint = point;
        TellPointer(point);
        event->accept();
        return;
    }
    TellPointer(point);
    CScrollView::mouseMoveEvent(event);
}

void CBrimwellView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_movingDivider) {
        m_movingDivider = false;
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && m_dragging) {
        m_dragging = false;
        viewport()->setCursor(Qt::OpenHandCursor);
        event->accept();
        return;
    }
    CScrollView::mouseReleaseEvent(event);
}

void CBrimwellView::keyPressEvent(QKeyEvent* event)
{
    // No keyboard scrolling: the arrow keys belong to file navigation, even
    // when navigation is disabled.
    event->ignore();
}
