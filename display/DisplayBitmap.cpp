#include "DisplayBitmap.h"

#include "ZeroedBuffer.h"

#include <memory>
#include <stdexcept>

namespace displaybitmap {

void ConvertPixels(const std::uint16_t* argb16, std::size_t pixelCount, std::uint32_t* out)
{
    for (std::size_t i = 0; i < pixelCount; ++i, argb16 += 4) {
        out[i] = (std::uint32_t(ToByte(argb16[0])) << 24) | (std::uint32_t(ToByte(argb16[1])) << 16) |
                 (std::uint32_t(ToByte(argb16[2])) << 8) | std::uint32_t(ToByte(argb16[3]));
    }
}

QImage Build(const std::uint16_t* argb16, int width, int height, std::size_t keptBytesLimit)
{
    if (width <= 0 || height <= 0)
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    // Every pixel is written, so the memory may be a released frame's: one
    // bitmap per frame read, and fresh memory would cost a fault and the
    // clearing of every page (the heap maps a bitmap this large afresh each
    // time, in small pages). The image gives the memory back when its last
    // copy goes, on whichever thread that is.
    const std::size_t count = std::size_t(width) * std::size_t(height);
    auto memory = std::make_unique<ZeroedBuffer>(ZeroedBuffer::ForOverwrite(count * 4, keptBytesLimit));
    if (memory->Data() == nullptr)
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    // Rows of 32-bit pixels have no padding, so the picture converts as one run.
    static_assert(sizeof(QRgb) == sizeof(std::uint32_t), "32-bit pixels");
    ConvertPixels(argb16, count, reinterpret_cast<std::uint32_t*>(memory->Data()));
    QImage bitmap(
        memory->Data(), width, height, qsizetype(width) * 4, QImage::Format_ARGB32,
        [](void* owner) { delete static_cast<ZeroedBuffer*>(owner); }, memory.get());
    if (bitmap.isNull())
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    memory.release();  // the image's now
    return bitmap;
}

QImage OpaqueView(const QImage& bitmap)
{
    if (bitmap.isNull())
        return {};
    return QImage(bitmap.constBits(), bitmap.width(), bitmap.height(), bitmap.bytesPerLine(), QImage::Format_RGB32);
}

QImage OpaqueCopy(const QImage& bitmap)
{
    if (bitmap.isNull())
        return {};
    QImage copy(bitmap.width(), bitmap.height(), QImage::Format_RGB32);
    if (copy.isNull())
        return {};
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(bitmap.constScanLine(y));
        auto* out = reinterpret_cast<std::uint32_t*>(copy.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x)
            out[x] = in[x] | 0xFF000000u;
    }
    return copy;
}

}  // namespace displaybitmap
