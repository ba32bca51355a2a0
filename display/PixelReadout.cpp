#include "PixelReadout.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace {

QString Fraction(std::uint16_t word)
{
    return QString::number(word / 65535.0, 'f', 4);
}

QString Float(float value)
{
    return QString::number(double(value), 'g', 7);
}

// A colour float in the fewest digits that read back as the same float:
// values a renderer wrote apart (0.9017532 and 0.9017472) read apart, and
// round values stay short (4, 0.5).
QString ExactFloat(float value)
{
    for (int digits = 6; digits < 9; ++digits) {
        const QString text = QString::number(double(value), 'g', digits);
        if (text.toFloat() == value)
            return text;
    }
    return QString::number(double(value), 'g', 9);  // always enough; NaN and infinities too
}

std::uint16_t Word(const unsigned char* element)
{
    std::uint16_t value;
    std::memcpy(&value, element, 2);
    return value;
}

// Whether no ID of count 16-bit IDs exceeds limit. A block at a time, with
// no branch per ID, so that the compiler compares many IDs per instruction;
// the first block holding a larger ID ends the pass.
bool NoIdAbove(const unsigned char* ids, std::size_t count, std::uint16_t limit)
{
    constexpr std::size_t kBlock = 4096;
    for (std::size_t begin = 0; begin < count; begin += kBlock) {
        const std::size_t end = std::min(count, begin + kBlock);
        std::uint16_t largest = 0;
        for (std::size_t i = begin; i < end; ++i)
            largest = std::max(largest, Word(ids + 2 * i));
        if (largest > limit)
            return false;
    }
    return true;
}

}  // namespace

PixelReadout::PixelReadout(const FrameChannels& frame) : frame_(frame) {}

bool PixelReadout::IdsIndexNames() const
{
    std::call_once(idsChecked_, [this] {
        const std::size_t nameCount = frame_.names != nullptr ? frame_.names->size() : 0;
        if (nameCount == 0 || !frame_.Has(kChannelI))
            return;
        // IDs are 16-bit: a list of 65535 names or more indexes any of them.
        const auto limit = std::uint16_t(std::min<std::size_t>(nameCount, 0xffff));
        idsIndexNames_ = NoIdAbove(frame_.channels[kChannelI], frame_.PixelCount(), limit);
    });
    return idsIndexNames_;
}

QString PixelReadout::NodeName(std::uint32_t id) const
{
    if (id == 0 || !IdsIndexNames() || id > frame_.names->size())
        return {};
    return QString::fromStdString((*frame_.names)[id - 1]);
}

QString PixelReadout::ChannelText(int bit, const unsigned char* element) const
{
    const QString letter(QChar::fromLatin1(kChannelLetters[bit]));
    switch (bit) {
    case kChannelZ: {
        float z;
        std::memcpy(&z, element, 4);
        return letter + ' ' + Float(z);
    }
    case kChannelE:
    case kChannelC: return letter + ' ' + QString::number(element[0]);
    case kChannelO:
    case kChannelM: return letter + ' ' + QString::number(Word(element));
    case kChannelI: {
        const std::uint16_t id = Word(element);
        const QString name = NodeName(id);
        QString text = letter + ' ' + QString::number(id);
        if (!name.isEmpty())
            text += QStringLiteral(" \"%1\"").arg(name);
        return text;
    }
    case kChannelU:
    case kChannelV: {
        // The file's first float is the element's second half.
        float first, second;
        std::memcpy(&second, element, 4);
        std::memcpy(&first, element + 4, 4);
        return letter + ' ' + Float(first) + ' ' + Float(second);
    }
    default: break;
    }
    // Channels whose meaning the format leaves open: their bytes in file order.
    const int size = FrameChannels::ElementSize(bit);
    QString text = letter;
    for (int b = size - 1; b >= 0; --b)
        text += QStringLiteral(" %1").arg(element[b], 2, 16, QChar('0'));
    return text;
}

QString PixelReadout::Text(int x, int y) const
{
    if (x < 0 || y < 0 || x >= frame_.width || y >= frame_.height)
        return {};
    const std::size_t pixel = std::size_t(y) * std::size_t(frame_.width) + std::size_t(x);
    QStringList parts;
    parts << QStringLiteral("x %1 y %2").arg(x).arg(y);
    if (frame_.rgbaFloats != nullptr) {
        // A float file: its values, which the words only approximate
        // (clamped to 0..1 and cut to 16 bits).
        const float* floats = frame_.rgbaFloats + 4 * pixel;
        parts << QStringLiteral("RGB %1 %2 %3").arg(ExactFloat(floats[0]), ExactFloat(floats[1]), ExactFloat(floats[2]));
        if (frame_.hasAlpha)
            parts << QStringLiteral("A %1").arg(ExactFloat(floats[3]));
    } else if (frame_.argb16 != nullptr) {
        const std::uint16_t* words = frame_.argb16 + 4 * pixel;
        parts << QStringLiteral("RGB %1 %2 %3 (%4 %5 %6)")
                     .arg(words[1])
                     .arg(words[2])
                     .arg(words[3])
                     .arg(Fraction(words[1]), Fraction(words[2]), Fraction(words[3]));
        if (frame_.hasAlpha)
            parts << QStringLiteral("A %1 (%2)").arg(words[0]).arg(Fraction(words[0]));
    }
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (frame_.Has(bit))
            parts << ChannelText(bit, frame_.channels[bit] + pixel * std::size_t(FrameChannels::ElementSize(bit)));
    }
    return parts.join(QStringLiteral("  "));
}
