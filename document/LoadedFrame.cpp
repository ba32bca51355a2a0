#include "LoadedFrame.h"

#include "DisplayBitmap.h"

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
    frame->ranges = channelrenderer::MeasureRanges(frame->channels);
    frame->readout.emplace(frame->channels);
    return frame;
}
