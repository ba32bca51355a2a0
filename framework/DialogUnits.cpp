#include "DialogUnits.h"

#include <QFontMetrics>
#include <QString>

#include <cstdint>

namespace dialogunits {

int MulDiv(int number, int numerator, int denominator)
{
    if (denominator == 0)
        return 0;
    std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t divisor = denominator;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t quotient = product >= 0 ? (product + half) / divisor : -((-product + half) / divisor);
    return int(quotient);
}

BaseUnits FromMeasurements(int letterRunWidth, int fontHeight)
{
    // Half-width steps first, then halved with rounding: the average of 52
    // letters to the nearest pixel without floating point.
    return {(letterRunWidth / 26 + 1) / 2, fontHeight};
}

BaseUnits FromMetrics(const QFontMetrics& metrics)
{
    static const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return FromMeasurements(metrics.horizontalAdvance(letters), metrics.height());
}

QRect ToPixels(const QRect& dialogRect, BaseUnits units)
{
    const int left = MulDiv(dialogRect.x(), units.cx, 4);
    const int top = MulDiv(dialogRect.y(), units.cy, 8);
    const int right = MulDiv(dialogRect.x() + dialogRect.width(), units.cx, 4);
    const int bottom = MulDiv(dialogRect.y() + dialogRect.height(), units.cy, 8);
    return QRect(QPoint(left, top), QSize(right - left, bottom - top));
}

QSize ToPixels(const QSize& dialogSize, BaseUnits units)
{
    return ToPixels(QRect(QPoint(0, 0), dialogSize), units).size();
}

}  // namespace dialogunits
