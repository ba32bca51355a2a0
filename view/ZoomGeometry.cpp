#include "ZoomGeometry.h"

#include <cmath>

namespace zoom {

void ZoomGeometry::Compute(int width, int height, int clientWidth, int clientHeight)
{
    if (width <= 0 || height <= 0) {
        // Nothing to show: the ratios below would divide by zero.
        m_extViewportX = m_extViewportY = m_extWindowX = m_extWindowY = 0;
        m_marginX = m_marginY = m_displayWidth = m_displayHeight = 0;
        return;
    }
    m_extViewportX = double(kScaleNumerator) * width;
    m_extViewportY = double(kScaleNumerator) * height;
    m_extWindowX = double(width) * m_zoom;
    m_extWindowY = double(height) * m_zoom;

    const double rx = m_extWindowX / m_extViewportX;
    const double ry = m_extWindowY / m_extViewportY;
    m_displayWidth = width / rx;
    m_displayHeight = height / ry;

    m_marginX = clientWidth > m_displayWidth ? (clientWidth - m_displayWidth) * 0.5 * rx : 0;
    m_marginY = clientHeight > m_displayHeight ? (clientHeight - m_displayHeight) * 0.5 * ry : 0;
}

QSize ZoomGeometry::TotalSize() const
{
    return QSize(int(std::ceil(m_displayWidth)), int(std::ceil(m_displayHeight)));
}

int ZoomGeometry::MarginLeft() const
{
    return int(std::ceil(m_marginX));
}

int ZoomGeometry::MarginTop() const
{
    return int(std::ceil(m_marginY));
}

int FitZoom(int width, int height, int clientWidth, int clientHeight, bool widthOnly)
{
    ZoomGeometry probe;
    for (int k = kMostIn; k <= kMostOut; ++k) {
        probe.m_zoom = k;
        probe.Compute(width, height, clientWidth, clientHeight);
        const bool fitsWidth = clientWidth > probe.m_displayWidth;
        if (fitsWidth && (widthOnly || clientHeight > probe.m_displayHeight))
            return k;
    }
    return kMostOut;
}

double RelativePosition(int position, int total)
{
    return total == 0 ? 0.0 : double(100 * position) / total;
}

int RestoredPosition(double displaySize, double relative, int currentPosition)
{
    const double target = std::ceil(displaySize * 0.01 * relative);
    return int(2 * target - currentPosition);
}

}  // namespace zoom
