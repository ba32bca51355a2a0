#include "FrameDrawing.h"

#include "FrameMemory.h"

ChannelView FrameDrawing::ViewFor(const FrameChannels& frame) const
{
    return view.kind() == ChannelView::Kind::Colour || view.AvailableIn(frame)
               ? view
               : ChannelView::Colour().WithScaling(view.Scaling());
}

bool FrameDrawing::IsDisplayBitmap(const FrameChannels& frame) const
{
    return ViewFor(frame).kind() == ChannelView::Kind::Colour && look.IsPlain();
}

int FrameDrawing::PictureChannel() const
{
    switch (view.kind()) {
    case ChannelView::Kind::Colour: return look.IsPlain() ? framememory::kNoPicture : framememory::kColourPicture;
    case ChannelView::Kind::Alpha: return framememory::kColourPicture;
    case ChannelView::Kind::Channel: break;
    }
    // A file without the channel shows the colour, drawn in the look.
    return look.IsPlain() ? view.bit() : framememory::kColourPicture;
}

bool FrameDrawing::operator==(const FrameDrawing& other) const
{
    // A file without the view's channel (or alpha) shows the colour in the
    // look, so the look matters to every view.
    return view.DrawsAs(other.view) && look == other.look;
}
