#include "ScrollView.h"

#include <QScrollBar>

#include <algorithm>

CScrollView::CScrollView(QWidget* parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFrameShape(QFrame::NoFrame);
}

void CScrollView::SetScrollSizes(QSize total)
{
    m_totalSize = total;
    m_pageStep = QSize(total.width() / 10, total.height() / 10);
    m_lineStep = QSize(m_pageStep.width() / 10, m_pageStep.height() / 10);
    UpdateBars();
}

QPoint CScrollView::GetScrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

QSize CScrollView::ClientSize() const
{
    return viewport()->size();
}

void CScrollView::UpdateBars()
{
    if (m_insideUpdate)
        return;
    m_insideUpdate = true;
    // A bar that appears or goes narrows or widens the visible area later,
    // through a resize of the viewport, which calls OnSize again.
    QSize client = viewport()->size();
    // Each bar takes room from the other axis: a total that fits once
    // neither bar is shown would otherwise keep both.
    const QSize room = maximumViewportSize();
    if (m_totalSize.width() <= room.width() && m_totalSize.height() <= room.height())
        client = room;
    horizontalScrollBar()->setRange(0, std::max(0, m_totalSize.width() - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, m_totalSize.height() - client.height()));
    horizontalScrollBar()->setPageStep(std::max(1, m_pageStep.width()));
    verticalScrollBar()->setPageStep(std::max(1, m_pageStep.height()));
    horizontalScrollBar()->setSingleStep(std::max(1, m_lineStep.width()));
    verticalScrollBar()->setSingleStep(std::max(1, m_lineStep.height()));
    m_insideUpdate = false;
}

void CScrollView::OnScroll()
{
    viewport()->update();
}

void CScrollView::OnSize()
{
    UpdateBars();
}

void CScrollView::scrollContentsBy(int, int)
{
    OnScroll();
}

// Called for resizes of the viewport, the area inside the scroll bars.
void CScrollView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (!m_insideUpdate)
        OnSize();
}
