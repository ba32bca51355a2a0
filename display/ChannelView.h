// What the window shows of a frame: the colour picture, its alpha, or one
// render channel, and how the depth and vector channels are scaled. Views
// are named by a letter on the command line and in tools: A for alpha, the
// channel list letters for render channels; the colour picture needs none.
// The scaling travels with the view wherever a frame is drawn (on the
// window's thread or a read-ahead worker), so a picture drawn with other
// settings is never taken for the one wanted.
#pragma once

#include "ChannelScaling.h"
#include "FrameChannels.h"

#include <QString>

class ChannelView {
public:
    enum class Kind { Colour, Alpha, Channel };

    ChannelView() = default;
    static ChannelView Colour() { return ChannelView(Kind::Colour, -1); }
    static ChannelView Alpha() { return ChannelView(Kind::Alpha, -1); }
    // The view of render channel `bit` (0..kChannelCount-1).
    static ChannelView Channel(int bit);
    // A, or a channel list letter (either case); false for anything else.
    static bool FromLetter(char letter, ChannelView& view);

    Kind kind() const { return kind_; }
    int bit() const { return bit_; }  // -1 unless kind() is Channel
    // 'A', a channel letter, or 0 for the colour picture.
    char Letter() const;
    // A name for menus and messages, e.g. "Z depth", "Node render ID".
    QString Name() const;

    // Whether frame holds what this view draws.
    bool AvailableIn(const FrameChannels& frame) const;

    // How depth and vectors are scaled; the command-line tools' rules unless
    // set. Only the part for this view's channel changes what it draws.
    const ChannelScaling& Scaling() const { return scaling_; }
    ChannelView WithScaling(const ChannelScaling& scaling) const
    {
        ChannelView view = *this;
        view.scaling_ = scaling;
        return view;
    }

    // The same view of the same channel, whatever the scaling (the menu's
    // idea of a view).
    bool operator==(const ChannelView& other) const { return kind_ == other.kind_ && bit_ == other.bit_; }
    bool operator!=(const ChannelView& other) const { return !(*this == other); }
    // The same view drawing the same picture of any frame: the same view,
    // and the same scaling of its channel.
    bool DrawsAs(const ChannelView& other) const;

private:
    ChannelView(Kind kind, int bit) : kind_(kind), bit_(bit) {}

    Kind kind_ = Kind::Colour;
    int bit_ = -1;
    ChannelScaling scaling_;
};
