// How the About bitmaps and the icon are drawn (see ArtworkDrawing.h; the
// toolbar is drawn in ArtworkToolbar.cpp). They are smooth, on one dark
// plate, and share two motifs: picture cards in the channel colours red,
// green and blue, and the monoline "Brimwell" lettering of the maker's logo.
#include "ArtworkDrawing.h"

#include <QColor>
#include <QFile>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QString>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

using namespace artwork;

namespace {

// Colours of the About bitmaps and the icon.
const QColor kPlateTop(0x1B, 0x2F, 0x66), kPlateBottom(0x0E, 0x1A, 0x3D);
const QColor kChannelRed(0xE8, 0x4A, 0x4A), kChannelGreen(0x4C, 0xC0, 0x6A), kChannelBlue(0x4A, 0x8C, 0xF0);

// ---------------------------------------------------------------------------
// The "Brimwell" lettering: monoline strokes with round ends on a grid whose
// cap height is 10 units and x-height 7, baseline at y = 10.

struct Glyph {
    double advance;  // width of the strokes, without the space after them
    std::function<void(QPainterPath&)> strokes;
    bool dot = false;  // the dot of the i, drawn filled above the stem
};

QVector<Glyph> Lettering()
{
    auto stem = [](double top) {
        return [top](QPainterPath& path) {
            path.moveTo(0, top);
            path.lineTo(0, 10);
        };
    };
    Glyph B{6.0, [](QPainterPath& path) {
                path.moveTo(0, 10);
                path.lineTo(0, 0);
                path.lineTo(3.2, 0);
                path.arcTo(QRectF(0.7, 0, 5, 5), 90, -180);
                path.lineTo(0, 5);
                path.moveTo(3.2, 5);
                path.lineTo(3.5, 5);
                path.arcTo(QRectF(1, 5, 5, 5), 90, -180);
                path.lineTo(0, 10);
            }};
    Glyph r{3.6, [](QPainterPath& path) {
                path.moveTo(0, 10);
                path.lineTo(0, 3);
                path.moveTo(0, 6.2);
                path.cubicTo(0, 4.2, 1.6, 3, 3.6, 3);
            }};
    Glyph i{0.0, stem(3), true};
    Glyph m{7.0, [](QPainterPath& path) {
                path.moveTo(0, 10);
                path.lineTo(0, 3);
                path.moveTo(0, 10);
                path.lineTo(0, 5.5);
                path.arcTo(QRectF(0, 3, 3.5, 5), 180, -180);
                path.lineTo(3.5, 10);
                path.moveTo(3.5, 5.5);
                path.arcTo(QRectF(3.5, 3, 3.5, 5), 180, -180);
                path.lineTo(7, 10);
            }};
    Glyph w{7.6, [](QPainterPath& path) {
                path.moveTo(0, 3);
                path.lineTo(1.9, 10);
                path.lineTo(3.8, 4.2);
                path.lineTo(5.7, 10);
                path.lineTo(7.6, 3);
            }};
    Glyph e{6.4, [](QPainterPath& path) {
                path.moveTo(0.1, 6.5);
                path.lineTo(6.4, 6.5);
                path.arcTo(QRectF(0, 3, 6.4, 7), 0, 310);
            }};
    Glyph l{0.0, stem(0)};
    return {B, r, i, m, w, e, l, l};
}

constexpr double kLetterSpace = 2.3;

double LetteringWidth()
{
    double width = 0;
    const QVector<Glyph> glyphs = Lettering();
    for (const Glyph& g : glyphs)
        width += g.advance;
    return width + kLetterSpace * (glyphs.size() - 1);
}

// Strokes "Brimwell" with its left end of baseline at origin, in units of
// `unit` pixels.
void DrawLettering(QPainter& p, QPointF origin, double unit, const QColor& colour)
{
    const double pen = 1.25;
    p.save();
    p.translate(origin.x(), origin.y() - 10 * unit);
    p.scale(unit, unit);
    p.setPen(QPen(colour, pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    double x = 0;
    for (const Glyph& g : Lettering()) {
        QPainterPath path;
        g.strokes(path);
        p.drawPath(path.translated(x, 0));
        if (g.dot) {
            p.save();
            p.setPen(Qt::NoPen);
            p.setBrush(colour);
            p.drawEllipse(QPointF(x, 0.7), pen * 0.62, pen * 0.62);
            p.restore();
        }
        x += g.advance + kLetterSpace;
    }
    p.restore();
}

// The dark plate both About bitmaps stand on.
void Plate(QPainter& p, int width, int height)
{
    QLinearGradient shade(0, 0, 0, height);
    shade.setColorAt(0, kPlateTop);
    shade.setColorAt(1, kPlateBottom);
    p.fillRect(0, 0, width, height, shade);
}

// Three offset picture cards, red, green and blue behind the landscape: an
// image with its render channels behind it. Drawn in a square of side `size`.
void ChannelCards(QPainter& p, QPointF topLeft, double size, double corner)
{
    // Four cards stepping down and to the left, the picture in front.
    const double card = size * 0.64, step = (size - card) / 3;
    const QColor colours[3] = {kChannelBlue, kChannelGreen, kChannelRed};
    p.save();
    p.translate(topLeft);
    p.setPen(Qt::NoPen);
    for (int k = 0; k < 3; ++k) {
        p.setBrush(colours[k]);
        p.drawRoundedRect(QRectF((3 - k) * step, k * step, card, card), corner, corner);
    }
    // The front card: white edge, the landscape inside.
    const QRectF front(0, 3 * step, card, card);
    p.setBrush(Qt::white);
    p.drawRoundedRect(front, corner, corner);
    const double border = std::max(1.0, size * 0.035);
    const QRectF inside = front.adjusted(border, border, -border, -border);
    QPainterPath clip;
    clip.addRoundedRect(inside, corner * 0.6, corner * 0.6);
    p.setClipPath(clip);
    QLinearGradient sky(inside.topLeft(), inside.bottomLeft());
    sky.setColorAt(0, QColor(0x7F, 0xD3, 0xF5));
    sky.setColorAt(1, QColor(0xD8, 0xF3, 0xFF));
    p.fillRect(inside, sky);
    const double w = inside.width(), h = inside.height();
    p.setBrush(QColor(0xFF, 0xD2, 0x3C));
    p.drawEllipse(QPointF(inside.left() + w * 0.72, inside.top() + h * 0.28), w * 0.12, w * 0.12);
    p.setBrush(QColor(0x2F, 0x9E, 0x4F));
    p.drawEllipse(QPointF(inside.left() + w * 0.25, inside.bottom() + h * 0.15), w * 0.55, h * 0.55);
    p.setBrush(QColor(0x5C, 0xC8, 0x5A));
    p.drawEllipse(QPointF(inside.left() + w * 0.80, inside.bottom() + h * 0.25), w * 0.50, h * 0.48);
    p.restore();
}

// The maker's logo: the channel cards and the lettering, with a stripe in the
// three channel colours under the word.
QImage DrawMakerLogo()
{
    QImage image(kMakerWidth, kMakerHeight, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    Plate(p, kMakerWidth, kMakerHeight);
    const double margin = 7, cards = 29;
    ChannelCards(p, QPointF(margin, (kMakerHeight - cards) / 2), cards, 2.5);
    // The word fills the room right of the cards.
    const double left = margin + cards + 6;
    const double width = kMakerWidth - margin - left;
    const double unit = width / LetteringWidth();
    DrawLettering(p, QPointF(left, 39), unit, Qt::white);
    const double third = width / 3;
    const QColor stripe[3] = {kChannelRed, kChannelGreen, kChannelBlue};
    for (int k = 0; k < 3; ++k)
        p.fillRect(QRectF(left + k * third, 45, third, 3), stripe[k]);
    return image;
}

// The company mark: a round lens built from a grid of pixels, lit from the
// upper left, on the same plate.
QImage DrawCompanyMark()
{
    QImage image(kCompanyWidth, kCompanyHeight, QImage::Format_RGB32);
    QPainter p(&image);
    Plate(p, kCompanyWidth, kCompanyHeight);
    // Whole pixels: the cells stay crisp.
    const int cells = 9, cell = 6, gap = 1;
    const int span = cells * cell;
    const int left = (kCompanyWidth - span + 1) / 2, top = (kCompanyHeight - span + 1) / 2;
    const double centre = span / 2.0, radius = span / 2.0;
    for (int row = 0; row < cells; ++row) {
        for (int col = 0; col < cells; ++col) {
            const double dx = (col + 0.5) * cell - centre, dy = (row + 0.5) * cell - centre;
            const double distance = std::sqrt(dx * dx + dy * dy) / radius;
            if (distance > 1.02)
                continue;
            // Brightest towards the upper left, like light on a lens; the
            // outer ring takes the channel colours in turn.
            QColor colour;
            if (row == cells / 2 && col == cells / 2) {
                colour = kPlateBottom;  // the pupil
            } else if (distance > 0.80) {
                const QColor ring[3] = {kChannelRed, kChannelGreen, kChannelBlue};
                colour = ring[(row + col) % 3];
            } else {
                const double light = std::clamp(0.55 - (dx + dy) / (2.6 * radius), 0.0, 1.0);
                colour = QColor::fromRgbF(0.35 + 0.6 * light, 0.65 + 0.35 * light, 0.95);
            }
            p.fillRect(left + col * cell, top + row * cell, cell - gap, cell - gap, colour);
        }
    }
    return image;
}

// The application icon: the channel cards on a rounded plate.
QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    const double s = size;
    const double margin = s * 0.04;
    QLinearGradient shade(0, margin, 0, s - margin);
    shade.setColorAt(0, kPlateTop);
    shade.setColorAt(1, kPlateBottom);
    p.setPen(Qt::NoPen);
    p.setBrush(shade);
    p.drawRoundedRect(QRectF(margin, margin, s - 2 * margin, s - 2 * margin), s * 0.18, s * 0.18);
    ChannelCards(p, QPointF(s * 0.15, s * 0.15), s * 0.70, s * 0.05);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

namespace artwork {

QImage CompanyMark()
{
    return DrawCompanyMark();
}

QImage MakerLogo()
{
    return DrawMakerLogo();
}

QImage Icon(int size)
{
    return DrawIcon(size);
}

}  // namespace artwork
