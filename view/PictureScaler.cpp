#include "PictureScaler.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace picturescaler {

void Draw(const QImage& picture, QImage& target, QPoint deviceOrigin, int zoom, QPoint margin, int fromColumn)
{
    const int width = picture.width();
    const int height = picture.height();
    if (width <= 0 || height <= 0 || target.isNull())
        return;

    // Which picture column each target column shows; only a contiguous run
    // of columns can show the picture.
    std::vector<int> sourceColumn(std::size_t(target.width()));
    int firstColumn = -1;
    int endColumn = -1;
    for (int x = 0; x < target.width(); ++x) {
        const int source = SourceIndex(deviceOrigin.x() + x, zoom, margin.x());
        sourceColumn[std::size_t(x)] = source;
        if (source >= std::max(0, fromColumn) && source < width) {
            if (firstColumn < 0)
                firstColumn = x;
            endColumn = x + 1;
        }
    }
    if (firstColumn < 0)
        return;

    const std::size_t runBytes = std::size_t(endColumn - firstColumn) * 4;
    int previousSourceRow = -1;
    const std::uint32_t* previousRow = nullptr;
    for (int y = 0; y < target.height(); ++y) {
        const int sourceRow = SourceIndex(deviceOrigin.y() + y, zoom, margin.y());
        if (sourceRow < 0 || sourceRow >= height)
            continue;
        auto* out = reinterpret_cast<std::uint32_t*>(target.scanLine(y)) + firstColumn;
        if (sourceRow == previousSourceRow) {
            // Magnified rows repeat: copy the row just made.
            std::memcpy(out, previousRow, runBytes);
            continue;
        }
        const auto* in = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(sourceRow));
        for (int x = firstColumn; x < endColumn; ++x)
            *out++ = in[sourceColumn[std::size_t(x)]] | 0xFF000000u;
        previousSourceRow = sourceRow;
        previousRow = reinterpret_cast<const std::uint32_t*>(target.constScanLine(y)) + firstColumn;
    }
}

}  // namespace picturescaler
