#include "ChannelView.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

ChannelView ChannelView::Channel(int bit)
{
    if (bit < 0 || bit >= kChannelCount)
        throw std::out_of_range("no render channel with bit " + std::to_string(bit));
    return ChannelView(Kind::Channel, bit);
}

bool ChannelView::FromLetter(char letter, ChannelView& view)
{
    const char upper = char(std::toupper(static_cast<unsigned char>(letter)));
    if (upper == 'A') {
        view = Alpha();
        return true;
    }
    const char* found = upper != 0 ? std::strchr(kChannelLetters, upper) : nullptr;
    if (found == nullptr)
        return false;
    view = Channel(int(found - kChannelLetters));
    return true;
}

char ChannelView::Letter() const
{
    switch (kind_) {
    case Kind::Colour: return 0;
    case Kind::Alpha: return 'A';
    case Kind::Channel: break;
    }
    return kChannelLetters[bit_];
}

QString ChannelView::Name() const
{
    // Names for the channels whose meaning the file format fixes; the others
    // go by their letter.
    static const char* const kNames[kChannelCount] = {
        "Z depth", "Channel E", "Object ID", "UV coordinates", "Normals", "Channel R", "Coverage",
        "Channel B", "Node render ID", "Channel G", "Channel T", "Velocity", "Channel W", "Channel M"};
    switch (kind_) {
    case Kind::Colour: return QStringLiteral("Colour");
    case Kind::Alpha: return QStringLiteral("Alpha");
    case Kind::Channel: break;
    }
    return QString::fromLatin1(kNames[bit_]);
}

bool ChannelView::AvailableIn(const FrameChannels& frame) const
{
    switch (kind_) {
    case Kind::Colour: return frame.argb16 != nullptr;
    case Kind::Alpha: return frame.argb16 != nullptr && frame.hasAlpha;
    case Kind::Channel: break;
    }
    return frame.Has(bit_);
}

bool ChannelView::DrawsAs(const ChannelView& other) const
{
    if (*this != other)
        return false;
    if (kind_ != Kind::Channel)
        return true;
    switch (bit_) {
    case kChannelZ: return scaling_.depth == other.scaling_.depth;
    case kChannelV: return scaling_.velocity == other.scaling_.velocity;
    case kChannelU: return scaling_.uv == other.scaling_.uv;
    default: return true;
    }
}
