#include "LoadedFrame.h"

#include "DisplayBitmap.h"
#include "LookRenderer.h"

namespace {

// frame's picture in drawing: null when that is the display bitmap (the
// renderers throw when a picture cannot be made).
QImage DrawPicture(const LoadedFrame& frame, const FrameDrawing& drawing)
{
    if (drawing.IsDisplayBitmap(frame.channels))
        return QImage();
    const ChannelView view = drawing.ViewFor(frame.channels);
    return view.kind() == ChannelView::Kind::Colour
               ? lookrenderer::Render(frame.channels, drawing.look)
               : channelrenderer::Render(frame.channels, view, frame.RangesFor(view));
}

}  // namespace

channelrenderer::ChannelRanges LoadedFrame::RangesFor(const ChannelView& view) const
{
    if (view.kind() != ChannelView::Kind::Channel || view.bit() < 0 || view.bit() >= kChannelCount)
        return {};
    Measured& measured = (*measured_)[std::size_t(view.bit())];
    std::call_once(measured.once, [&] { measured.ranges = channelrenderer::MeasureRanges(channels, view); });
    return measured.ranges;
}

std::size_t LoadedFrame::Bytes() const
{
    return (loader ? loader->BytesHeld() : 0) + std::size_t(bitmap.sizeInBytes()) +
           std::size_t(picture.sizeInBytes());
}

std::shared_ptr<const LoadedFrame> LoadedFrame::DrawnFor(const FrameDrawing& wanted) const
{
    auto frame = std::make_shared<LoadedFrame>(*this);
    frame->drawing = wanted;
    frame->picture = QImage();  // this frame's picture is not the new one's
    frame->picture = DrawPicture(*frame, wanted);
    return frame;
}

std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes, const FrameDrawing& drawing,
                                             std::size_t keptBytesLimit)
{
    auto loader = std::make_shared<RLA>();
    loader->KeepReleasedMemoryUpTo(keptBytesLimit);
    loader->Leer(pathBytes.c_str(), true);
    auto frame = std::make_shared<LoadedFrame>();
    frame->loader = loader;
    frame->width = loader->ancho;
    frame->height = loader->alto;
    // Header texts are narrow bytes in whatever code page the renderer used;
    // Latin-1 shows every byte as one character.
    frame->producer = QString::fromLatin1(loader->Producer());
    frame->bitmap = displaybitmap::Build(loader->ImageWords().data(), loader->ancho, loader->alto, keptBytesLimit);
    frame->channels = FrameChannelsOf(*loader);
    frame->readout = std::make_shared<const PixelReadout>(frame->channels);
    frame->drawing = drawing;
    frame->picture = DrawPicture(*frame, drawing);
    return frame;
}
