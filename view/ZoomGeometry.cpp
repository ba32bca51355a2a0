#include "ZoomGeometry.h"

#include "PictureScaler.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace zoom {

namespace {
// Past this divisor even the largest picture the reader accepts is a speck.
constexpr long long kLongestZoomOut = 1 << 20;
}  // namespace

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
    // The ten steps keep their strict test; past them a picture exactly as
    // big as the window is seen whole, so it stays at the last step. In a
    // window without room nothing is ever seen, and no search goes on.
    if (clientWidth <= 0 || (!widthOnly && clientHeight <= 0))
        return kMostOut;
    const int last = MostOutFor(width, height);
    for (int k = kMostOut; k < last; ++k) {
        if (SeenWholeAt(k, width, height, clientWidth, clientHeight, widthOnly))
            return k;
    }
    return last;
}

bool SeenWholeAt(int k, int width, int height, int clientWidth, int clientHeight, bool widthOnly)
{
    ZoomGeometry probe;
    probe.m_zoom = k;
    probe.Compute(width, height, clientWidth, clientHeight);
    return probe.m_displayWidth <= clientWidth && (widthOnly || probe.m_displayHeight <= clientHeight);
}

int MostOutFor(int width, int height)
{
    // At k = 5 * max(W, H) the picture is one pixel on screen.
    const long long longest = std::max(std::max(width, height), 1);
    return int(std::clamp<long long>(kScaleNumerator * longest, kMostOut, kLongestZoomOut));
}

int ZoomOutStep(int k, int width, int height, int clientWidth, int clientHeight)
{
    if (k < kMostOut)
        return k + 1;
    if (k >= MostOutFor(width, height) || SeenWholeAt(k, width, height, clientWidth, clientHeight, false))
        return 0;
    return k + 1;
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

double PictureCoordinate(int pointer, int scroll, int k, int margin)
{
    return (double(pointer) + scroll + 0.5) * k / kScaleNumerator - margin;
}

int PositionKeeping(double picture, int pointer, int k, int margin)
{
    const double ideal = (picture + margin) * kScaleNumerator / k - 0.5 - pointer;
    int scroll = int(std::lround(ideal));
    // Rounding to whole screen pixels may land on the neighbour of the pixel
    // that was under the pointer; one screen pixel over puts it back when
    // a picture pixel spans at least one.
    if (k <= kScaleNumerator) {
        const int wanted = int(std::floor(picture));
        const int landed = picturescaler::SourceIndex(pointer + scroll, k, margin);
        if (landed < wanted)
            ++scroll;
        else if (landed > wanted)
            --scroll;
    }
    return scroll;
}

int WheelNotches::Add(int delta)
{
    if (delta == 0)
        return 0;
    if (std::abs(delta) >= kNotch) {
        m_remainder = 0;
    } else {
        if ((m_remainder > 0) != (delta > 0))
            m_remainder = 0;
        m_remainder += delta;
        if (std::abs(m_remainder) < kNotch)
            return 0;
        m_remainder = 0;
    }
    return delta > 0 ? 1 : -1;
}

}  // namespace zoom
