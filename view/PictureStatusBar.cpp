#include "PictureStatusBar.h"

#include "BrimwellDoc.h"
#include "BrimwellView.h"

#include <QLabel>

#include <cmath>
#include <utility>

CPictureStatusBar::CPictureStatusBar(CBrimwellView* view, QWidget* parent)
    : QStatusBar(parent),
      m_view(view),
      m_readout(new QLabel(this)),
      m_zoom(new QLabel(this)),
      m_size(new QLabel(this)),
      m_playback(new QLabel(this)),
      m_frameNumber(new QLabel(this)),
      m_look(new QLabel(this)),
      m_comparison(new QLabel(this))
{
    m_readout->setTextFormat(Qt::PlainText);
    // A long readout must not widen the window.
    m_readout->setMinimumWidth(0);
    m_readout->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(m_readout, 1);
    // Beside the readout, sharing its room: long figures must not widen the
    // window either.
    m_comparison->setTextFormat(Qt::PlainText);
    m_comparison->setMinimumWidth(0);
    m_comparison->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_comparison->hide();
    addWidget(m_comparison, 1);
    m_frameNumber->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_frameNumber);
    m_playback->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_playback);
    m_look->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_look);
    addPermanentWidget(m_zoom);
    addPermanentWidget(m_size);
    connect(view, &CBrimwellView::GeometryChanged, this, &CPictureStatusBar::ShowGeometry);
    connect(view, &CBrimwellView::PointerOverPixel, this, &CPictureStatusBar::ShowPixel);
    connect(view, &CBrimwellView::PointerOffPicture, this, &CPictureStatusBar::ClearPixel);
    ShowGeometry();
}

QString CPictureStatusBar::ZoomText(int k)
{
    return QString::number(std::lround(zoom::kScaleNumerator * 100.0 / std::max(1, k))) + QLatin1Char('%');
}

void CPictureStatusBar::ShowPlayback(const QString& text)
{
    // Set every frame while playing: only a changed text relays the bar out.
    if (m_playback->text() != text)
        m_playback->setText(text);
}

void CPictureStatusBar::ShowFrameNumber(const QString& text)
{
    if (m_frameNumber->text() != text)
        m_frameNumber->setText(text);
}

void CPictureStatusBar::ShowLook(const QString& text)
{
    m_look->setText(text);
}

void CPictureStatusBar::ShowComparison(const QString& text)
{
    if (m_comparison->text() != text)
        m_comparison->setText(text);
    m_comparison->setVisible(!text.isEmpty());
}

void CPictureStatusBar::SetReadout(std::function<QString(int x, int y)> readout)
{
    m_readoutText = std::move(readout);
}

void CPictureStatusBar::ShowGeometry()
{
    // The readout is the view's to refresh: it tells what lies under the
    // pointer after every zoom, scroll or picture.
    const CBrimwellDoc* document = m_view->GetDocument();
    if (!document->HasPicture()) {
        m_zoom->clear();
        m_size->clear();
        return;
    }
    m_zoom->setText(ZoomText(m_view->Zoom()));
    m_size->setText(QStringLiteral("%1 x %2").arg(document->rpf_width).arg(document->rpf_height));
}

void CPictureStatusBar::ShowPixel(int x, int y)
{
    const auto& frame = m_view->GetDocument()->Frame();
    if (!frame || !frame->readout) {
        ClearPixel();
        return;
    }
    m_readout->setText(m_readoutText ? m_readoutText(x, y) : frame->readout->Text(x, y));
}

void CPictureStatusBar::ClearPixel()
{
    m_readout->clear();
}
