#include "FrameChannels.h"

FrameChannels FrameChannelsOf(const RLA& image)
{
    FrameChannels frame;
    frame.width = image.ancho;
    frame.height = image.alto;
    frame.argb16 = image.ImageWords().data();
    frame.hasAlpha = image.header.num_matte > 0;
    frame.rgbaFloats = image.ColourFloats();
    for (int bit = 0; bit < kChannelCount; ++bit)
        frame.channels[bit] = image.ChannelData(bit);
    frame.names = &image.names;
    return frame;
}
