#include "BannerGeometry.h"

#include <QtGlobal>

namespace bannergeometry {

namespace {
constexpr int kTopInset = 2;  // below the buttons' top edge
constexpr int kHeight = 50;   // the banner's height

// length * numerator / denominator, rounded to the nearest whole pixel.
int Scaled(int length, int numerator, int denominator)
{
    const qint64 product = qint64(length) * numerator;
    return int((2 * product + denominator) / (2 * qint64(denominator)));
}

QRect Centred(QSize size, QSize area)
{
    return QRect((area.width() - size.width()) / 2, (area.height() - size.height()) / 2, size.width(),
                 size.height());
}
}  // namespace

QRect BannerRect(const QRect& firstBlank, const QRect& lastBlank)
{
    // QRect::right() is the last pixel inside; the banner ends one past it,
    // where the last button ends.
    const int left = firstBlank.left();
    const int right = lastBlank.left() + lastBlank.width();
    return QRect(left, lastBlank.top() + kTopInset, right - left, kHeight);
}

bool IsScaleMode(long value)
{
    return value >= kShowAll && value <= kNoScale;
}

QRect MovieRect(ScaleMode mode, QSize movie, QSize area)
{
    if (movie.isEmpty() || area.isEmpty())
        return {};
    // Whether the area is wider, relative to its height, than the movie.
    const bool areaWider = qint64(area.width()) * movie.height() > qint64(area.height()) * movie.width();
    QSize size;
    switch (mode) {
    case kShowAll:
        size = areaWider ? QSize(Scaled(movie.width(), area.height(), movie.height()), area.height())
                         : QSize(area.width(), Scaled(movie.height(), area.width(), movie.width()));
        break;
    case kNoBorder:
        size = areaWider ? QSize(area.width(), Scaled(movie.height(), area.width(), movie.width()))
                         : QSize(Scaled(movie.width(), area.height(), movie.height()), area.height());
        break;
    case kExactFit:
        size = area;
        break;
    case kNoScale:
        size = movie;
        break;
    }
    return Centred(size, area);
}

}  // namespace bannergeometry
