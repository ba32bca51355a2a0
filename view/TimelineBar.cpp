#include "TimelineBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QWheelEvent>

#include <algorithm>

namespace {

const QColor kRangeShade(80, 140, 220, 70);
const QColor kBracket(40, 100, 200);
const QColor kMissing(220, 40, 40);

}  // namespace

CTimelineBar::CTimelineBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    // The keys stay with the picture: arrows step the folder, not the bar.
    setFocusPolicy(Qt::NoFocus);
    setTracking(true);
    setPageStep(1);
}

void CTimelineBar::SetSequence(std::int64_t first, std::int64_t last, std::vector<Gap> gaps)
{
    // Frame numbers have nine digits at most, so they fit the slider's int.
    const QSignalBlocker quiet(this);
    setRange(int(first), int(last));
    m_gaps = std::move(gaps);
    update();
}

void CTimelineBar::SetPosition(std::int64_t number)
{
    const QSignalBlocker quiet(this);
    setValue(int(number));
}

void CTimelineBar::SetInOut(std::int64_t in, std::int64_t out, bool hasIn, bool hasOut)
{
    m_in = in;
    m_out = out;
    m_hasIn = hasIn;
    m_hasOut = hasOut;
    update();
}

int CTimelineBar::XOf(std::int64_t number) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = std::max(0, groove.width() - handle.width());
    return groove.x() + handle.width() / 2 +
           QStyle::sliderPositionFromValue(minimum(), maximum(), int(number), span, option.upsideDown);
}

std::int64_t CTimelineBar::NumberAt(int x) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int span = std::max(0, groove.width() - handle.width());
    const int along = std::clamp(x - groove.x() - handle.width() / 2, 0, span);
    return QStyle::sliderValueFromPosition(minimum(), maximum(), along, span, option.upsideDown);
}

void CTimelineBar::ScrubTo(int x)
{
    const std::int64_t number = NumberAt(x);
    if (number == value())
        return;
    SetPosition(number);
    emit Scrubbed(number);
}

void CTimelineBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || maximum() <= minimum()) {
        event->ignore();
        return;
    }
    m_scrubbing = true;
    setSliderDown(true);
    ScrubTo(int(event->position().x()));
    event->accept();
}

void CTimelineBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_scrubbing) {
        event->ignore();
        return;
    }
    ScrubTo(int(event->position().x()));
    event->accept();
}

void CTimelineBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_scrubbing) {
        event->ignore();
        return;
    }
    m_scrubbing = false;
    setSliderDown(false);
    event->accept();
}

void CTimelineBar::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

void CTimelineBar::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const int top = 2;
    const int bottom = height() - 3;
    if (maximum() > minimum()) {
        if (m_hasIn || m_hasOut)
            painter.fillRect(QRect(QPoint(XOf(m_in), top), QPoint(XOf(m_out), bottom)), kRangeShade);
        // A run of missing frames is at least a line wide, so that one lost
        // frame among thousands still shows.
        for (const Gap& gap : m_gaps) {
            const int left = XOf(gap.first);
            const int right = std::max(left, XOf(gap.second));
            painter.fillRect(QRect(QPoint(left, top), QPoint(right, bottom)), kMissing);
        }
    }
    painter.end();
    QSlider::paintEvent(event);
    if (maximum() <= minimum())
        return;
    QPainter marks(this);
    marks.setPen(QPen(kBracket, 2));
    if (m_hasIn) {
        const int x = XOf(m_in);
        marks.drawLine(x, top, x, bottom);
        marks.drawLine(x, top, x + 4, top);
        marks.drawLine(x, bottom, x + 4, bottom);
    }
    if (m_hasOut) {
        const int x = XOf(m_out);
        marks.drawLine(x, top, x, bottom);
        marks.drawLine(x, top, x - 4, top);
        marks.drawLine(x, bottom, x - 4, bottom);
    }
}
