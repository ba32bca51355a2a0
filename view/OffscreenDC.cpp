#include "OffscreenDC.h"

#include <QPainter>

COffscreenDC::COffscreenDC(QPainter* target, const QRect& area)
    : m_offBitmap(area.size(), QImage::Format_RGB32), m_pTarget(target), m_area(area)
{
}

COffscreenDC::~COffscreenDC()
{
    if (m_offBitmap.isNull())
        return;
    // A plain copy: both sides are opaque and share the device's pixel grid.
    const QPainter::CompositionMode mode = m_pTarget->compositionMode();
    m_pTarget->setCompositionMode(QPainter::CompositionMode_Source);
    m_pTarget->drawImage(m_area.topLeft(), m_offBitmap);
    m_pTarget->setCompositionMode(mode);
}
