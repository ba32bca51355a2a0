#include "LoadedFrame.h"

#include "DisplayBitmap.h"

#include <atomic>

namespace {

// The channel bit of the likely view, or -1 for a view that needs no range.
std::atomic<int> g_likelyChannel{-1};

}  // namespace

channelrenderer::ChannelRanges LoadedFrame::RangesFor(const ChannelView& view) const
{
    if (view.kind() != ChannelView::Kind::Channel || view.bit() < 0 || view.bit() >= kChannelCount)
        return {};
    Measured& measured = measured_[view.bit()];
    std::call_once(measured.once, [&] { measured.ranges = channelrenderer::MeasureRanges(channels, view); });
    return measured.ranges;
}

void SetLikelyView(const ChannelView& view)
{
    g_likelyChannel.store(view.kind() == ChannelView::Kind::Channel ? view.bit() : -1, std::memory_order_relaxed);
}

std::shared_ptr<const LoadedFrame> LoadFrame(const std::string& pathBytes)
{
    auto frame = std::make_shared<LoadedFrame>();
    RLA& loader = frame->loader;
    loader.Leer(pathBytes.c_str(), true);
    // The row buffers serve decoding only; a frame kept for viewing holds
    // nothing but its pixels.
    loader.record_buf.reset();
    loader.line_buf.reset();
    frame->width = loader.ancho;
    frame->height = loader.alto;
    // Header texts are narrow bytes in whatever code page the renderer used;
    // Latin-1 shows every byte as one character.
    frame->producer = QString::fromLatin1(loader.Producer());
    frame->bitmap = displaybitmap::Build(loader.image_buf, loader.ancho, loader.alto);
    frame->channels = FrameChannelsOf(loader);
    frame->readout.emplace(frame->channels);
    const int likely = g_likelyChannel.load(std::memory_order_relaxed);
    if (likely >= 0 && frame->channels.Has(likely)) {
        frame->likelyView = ChannelView::Channel(likely);
        frame->likelyBitmap =
            channelrenderer::Render(frame->channels, frame->likelyView, frame->RangesFor(frame->likelyView));
    }
    return frame;
}
