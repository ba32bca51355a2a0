#include "Comparison.h"

#include "BrimwellDoc.h"
#include "ChannelRenderer.h"
#include "LookRenderer.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// picture at width x height: itself when it has that size, otherwise its
// common top-left area on the view's background.
QImage AtSize(const QImage& picture, int width, int height)
{
    if (picture.isNull() || (picture.width() == width && picture.height() == height))
        return picture;
    QImage sized(width, height, QImage::Format_ARGB32);
    if (sized.isNull())
        throw std::runtime_error("rpf_bmp.CreateBitmap()");
    sized.fill(channelrenderer::kViewBackground);
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const int columns = std::min(width, source.width());
    for (int y = 0; y < std::min(height, source.height()); ++y)
        std::memcpy(sized.scanLine(y), source.constScanLine(y), std::size_t(columns) * 4);
    return sized;
}

// A readout without its leading position ("x 3 y 4  ").
QString WithoutPosition(const QString& readout)
{
    const qsizetype values = readout.indexOf(QStringLiteral("  "));
    return values < 0 ? QString() : readout.mid(values + 2);
}

}  // namespace

void Comparison::Start()
{
    m_active = true;
    m_mode = Mode::Wipe;
    m_side = Side::A;
    m_gain = 1;
    m_divider = -1;
}

void Comparison::Stop()
{
    m_active = false;
    m_reference.reset();
    m_referencePath.clear();
    m_referencePicture = QImage();
    m_differencePicture = QImage();
    m_referenceKey = Key();
    m_differenceKey = Key();
    m_renderer = DifferenceRenderer();
}

void Comparison::SetReference(std::shared_ptr<const LoadedFrame> frame, const QString& path)
{
    m_reference = std::move(frame);
    m_referencePath = path;
}

int Comparison::Divider(int width) const
{
    return m_divider < 0 ? width / 2 : std::min(m_divider, width);
}

void Comparison::SetDivider(int column, int width)
{
    m_divider = std::clamp(column, 0, std::max(0, width));
}

Comparison::Key Comparison::KeyFor(const CBrimwellDoc& document, int gain) const
{
    Key key;
    key.a = document.Frame();
    key.b = m_reference;
    key.view = document.ShownView();
    // Channel views ignore the look.
    if (key.view.kind() == ChannelView::Kind::Colour)
        key.look = document.WantedLook();
    key.gain = gain;
    return key;
}

QImage Comparison::ReferencePicture(const CBrimwellDoc& document)
{
    const auto& a = document.Frame();
    if (!a || !m_reference)
        return {};
    const Key key = KeyFor(document, 0);
    if (m_referenceKey.Same(key))
        return m_referencePicture;
    const LoadedFrame& b = *m_reference;
    QImage picture;
    if (key.view.kind() == ChannelView::Kind::Colour) {
        picture = key.look.IsPlain() ? b.bitmap : lookrenderer::Render(b.channels, key.look);
    } else if (key.view.kind() == ChannelView::Kind::Alpha && !b.channels.hasAlpha) {
        // Without a matte B is opaque: white, as an opaque matte shows.
        picture = QImage(b.width, b.height, QImage::Format_ARGB32);
        picture.fill(0xffffffffu);
    } else {
        picture = channelrenderer::Render(b.channels, key.view, a->RangesFor(key.view));
    }
    m_referencePicture = AtSize(picture, a->width, a->height);
    m_referenceKey = key;
    return m_referencePicture;
}

QImage Comparison::DifferencePicture(const CBrimwellDoc& document)
{
    const auto& a = document.Frame();
    if (!a || !m_reference)
        return {};
    const Key key = KeyFor(document, m_gain);
    if (m_differenceKey.Same(key))
        return m_differencePicture;
    m_differencePicture = QImage();  // its memory goes before the next is made
    m_differencePicture =
        m_renderer.Render(a->channels, m_reference->channels, key.view, key.look, a->RangesFor(key.view), m_gain);
    m_differenceKey = key;
    return m_differencePicture;
}

Comparison::Painted Comparison::PaintedFor(const CBrimwellDoc& document)
{
    Painted painted;
    // Without B for the frame shown (no counterpart, or still read), A alone.
    if (!m_active || !m_reference)
        return painted;
    // Where B lacks what the view shows, the view's background stands for it.
    const auto orBackground = [&document](QImage picture) {
        if (!picture.isNull() || !document.Frame())
            return picture;
        QImage background(document.rpf_width, document.rpf_height, QImage::Format_ARGB32);
        background.fill(channelrenderer::kViewBackground);
        return background;
    };
    switch (m_mode) {
    case Mode::Plain: break;
    case Mode::Wipe: painted.wipeB = orBackground(ReferencePicture(document)); break;
    case Mode::Flicker:
        if (m_side == Side::B)
            painted.picture = orBackground(ReferencePicture(document));
        break;
    case Mode::Difference: painted.picture = orBackground(DifferencePicture(document)); break;
    }
    return painted;
}

QString Comparison::ReadoutText(const CBrimwellDoc& document, int x, int y) const
{
    const auto& a = document.Frame();
    if (!a || !a->readout)
        return {};
    const QString textA = a->readout->Text(x, y);
    if (textA.isEmpty())
        return textA;
    QString textB = QStringLiteral("-");
    if (m_reference && m_reference->readout) {
        const QString b = m_reference->readout->Text(x, y);
        textB = b.isEmpty() ? QStringLiteral("outside") : WithoutPosition(b);
    } else if (m_reference == nullptr) {
        textB = QStringLiteral("missing");
    }
    return QStringLiteral("x %1 y %2    A: %3    B: %4").arg(x).arg(y).arg(WithoutPosition(textA), textB);
}
