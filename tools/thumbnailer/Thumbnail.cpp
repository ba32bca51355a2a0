#include "Thumbnail.h"

#include "DisplayBitmap.h"
#include "RLA.h"

#include <algorithm>
#include <cstdint>

namespace thumbnail {

namespace {

// The only place that asks the reader for a picture. A thumbnail needs the
// colour alone: the render channels are neither decoded nor given memory.
void LoadColourPicture(RLA& reader, const std::string& path, std::uint64_t memoryCap)
{
    LoadOptions options;
    options.pixels = LoadOptions::Pixels::ColourOnly;
    options.callerBytesPerPixel = 4;  // the display bitmap; the scaled picture is small
    options.memoryCap = memoryCap;
    reader.Leer(path.c_str(), options);
}

}  // namespace

QSize FittedSize(int width, int height, int longSide)
{
    if (width <= longSide && height <= longSide)
        return QSize(width, height);
    const std::int64_t longer = std::max(width, height);
    const std::int64_t shorter = std::min(width, height);
    // Rounded to the nearest pixel in integers: no float error at large sizes.
    const int fitted = int(std::max<std::int64_t>(1, (2 * shorter * longSide + longer) / (2 * longer)));
    return width >= height ? QSize(longSide, fitted) : QSize(fitted, longSide);
}

QImage Make(const std::string& path, int longSide, std::uint64_t memoryCap)
{
    RLA reader;
    LoadColourPicture(reader, path, memoryCap);
    const QImage bitmap = displaybitmap::Build(reader.image_buf, reader.ancho, reader.alto);
    // The window draws the colour bytes without blending; so does the thumbnail.
    const QImage opaque = displaybitmap::OpaqueView(bitmap);
    const QSize size = FittedSize(reader.ancho, reader.alto, longSide);
    if (size == opaque.size())
        return opaque.copy();  // the view shares the bitmap, which ends here
    return opaque.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace thumbnail
