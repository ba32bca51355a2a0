#include "PngExport.h"

#include "ChannelRenderer.h"
#include "DisplayBitmap.h"

#include <QImage>
#include <QImageWriter>
#include <QRgba64>

#include <stdexcept>

namespace pngexport {

namespace {

void Save(const QImage& picture, const std::string& path)
{
    // The format is named: the file may carry a temporary name.
    QImageWriter writer(QString::fromStdString(path), "png");
    if (!writer.write(picture))
        throw std::runtime_error("cannot write " + path + ": " + writer.errorString().toStdString());
}

}  // namespace

void WriteColourPng(const FrameChannels& frame, const std::string& path)
{
    if (frame.argb16 == nullptr || frame.width <= 0 || frame.height <= 0)
        throw std::runtime_error("no picture to write");
    QImage picture(frame.width, frame.height, QImage::Format_RGBX64);
    if (picture.isNull())
        throw std::runtime_error("no memory for a " + std::to_string(frame.width) + " x " +
                                 std::to_string(frame.height) + " picture");
    const std::uint16_t* words = frame.argb16;  // alpha, red, green, blue
    for (int y = 0; y < frame.height; ++y) {
        auto* row = reinterpret_cast<QRgba64*>(picture.scanLine(y));
        for (int x = 0; x < frame.width; ++x, words += 4)
            row[x] = QRgba64::fromRgba64(words[1], words[2], words[3], 65535);
    }
    Save(picture, path);
}

void WriteViewPng(const FrameChannels& frame, const ChannelView& view, const std::string& path)
{
    const QImage bitmap = channelrenderer::Render(frame, view);
    if (bitmap.isNull())
        throw std::runtime_error("the file has no " + view.Name().toStdString() + " to write");
    // Drawn as the window draws it: without the alpha byte.
    Save(displaybitmap::OpaqueView(bitmap), path);
}

}  // namespace pngexport
