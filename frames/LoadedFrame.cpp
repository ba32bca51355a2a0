#include "LoadedFrame.h"

#include "DisplayBitmap.h"

channelrenderer::ChannelRanges LoadedFrame::RangesFor(const ChannelView& view) const
{
    if (view.kind() != ChannelView::Kind::Channel || view.bit() < 0 || view.bit() >= kChannelCount)
        return {};
    Measured& measured = measured_[view.bit()];
    std::call_once(measured.once, [&] { measured.ranges = channelrenderer::MeasureRanges(channels, view); });
    return measured.ranges;
}

std::size_t LoadedFrame::Bytes() const
{
    return loader.BytesHeld() + std::size_t(bitmap.sizeInBytes()) + std::size_t(likelyBitmap.sizeInBytes());
}

std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes, const ChannelView& view,
                                             std::size_t keptBytesLimit)
{
    auto frame = std::make_shared<LoadedFrame>();
    RLA& loader = frame->loader;
    loader.KeepReleasedMemoryUpTo(keptBytesLimit);
    loader.Leer(pathBytes.c_str(), true);
    frame->width = loader.ancho;
    frame->height = loader.alto;
    // Header texts are narrow bytes in whatever code page the renderer used;
    // Latin-1 shows every byte as one character.
    frame->producer = QString::fromLatin1(loader.Producer());
    frame->bitmap = displaybitmap::Build(loader.ImageWords().data(), loader.ancho, loader.alto);
    frame->channels = FrameChannelsOf(loader);
    frame->readout.emplace(frame->channels);
    if (view.kind() == ChannelView::Kind::Channel && frame->channels.Has(view.bit())) {
        frame->likelyView = view;
        frame->likelyBitmap =
            channelrenderer::Render(frame->channels, frame->likelyView, frame->RangesFor(frame->likelyView));
    }
    return frame;
}
