// How the program's pictures are drawn (see ArtworkDrawing.h). The toolbar
// keeps to a 16-colour palette and is drawn without antialiasing, in the
// crisp style of a classic toolbar. The About bitmaps and the icon are
// smooth, on one dark plate, and share two motifs: picture cards in the
// channel colours red, green and blue behind a small landscape (the
// toolbar's picture buttons show the same landscape), and the monoline
// "Brimwell" lettering of the maker's logo.
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


// The toolbar's palette: the sixteen colours of the classic system palette.
const QRgb kBlack = 0xFF000000, kMaroon = 0xFF800000, kGreen = 0xFF008000, kOlive = 0xFF808000,
           kNavy = 0xFF000080, kPurple = 0xFF800080, kTeal = 0xFF008080, kSilver = 0xFFC0C0C0,
           kGrey = 0xFF808080, kRed = 0xFFFF0000, kLime = 0xFF00FF00, kYellow = 0xFFFFFF00,
           kBlue = 0xFF0000FF, kFuchsia = 0xFFFF00FF, kAqua = 0xFF00FFFF, kWhite = 0xFFFFFFFF;
const QVector<QRgb> kPalette = {kBlack, kMaroon, kGreen, kOlive, kNavy, kPurple, kTeal, kSilver,
                                kGrey,  kRed,    kLime,  kYellow, kBlue, kFuchsia, kAqua, kWhite};

// Colours of the About bitmaps and the icon.
const QColor kPlateTop(0x1B, 0x2F, 0x66), kPlateBottom(0x0E, 0x1A, 0x3D);
const QColor kChannelRed(0xE8, 0x4A, 0x4A), kChannelGreen(0x4C, 0xC0, 0x6A), kChannelBlue(0x4A, 0x8C, 0xF0);

// ---------------------------------------------------------------------------
// Toolbar buttons. Each draws one 50 x 50 image with its top-left corner at
// the painter's origin; antialiasing is off so only palette colours appear.

void Outlined(QPainter& p, QRgb fill, const QPolygon& shape)
{
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(fill));
    p.drawPolygon(shape);
}

void Box(QPainter& p, QRgb fill, int x, int y, int w, int h)
{
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(fill));
    p.drawRect(x, y, w - 1, h - 1);
}

void Fill(QPainter& p, QRgb colour, int x, int y, int w, int h)
{
    p.fillRect(x, y, w, h, QColor(colour));
}

// The small landscape that stands for "the picture" wherever one is needed:
// sky, sun and two hills, clipped to the given area.
void Landscape(QPainter& p, const QRect& area)
{
    p.save();
    p.setClipRect(area);
    Fill(p, kAqua, area.x(), area.y(), area.width(), area.height());
    const int w = area.width(), h = area.height(), x = area.x(), y = area.y();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kYellow));
    const int sun = std::max(4, h / 3);
    p.drawEllipse(x + w - sun - w / 8, y + h / 8, sun, sun);
    p.setBrush(QColor(kGreen));
    p.drawEllipse(QPoint(x + w / 4, y + h + h / 6), w / 2, h * 2 / 3);
    p.setBrush(QColor(kLime));
    p.drawEllipse(QPoint(x + w * 3 / 4, y + h + h / 4), w / 2, h / 2);
    p.restore();
}

// A left- or right-pointing block arrow with a light upper edge.
void Arrow(QPainter& p, bool pointsLeft)
{
    QPolygon left({QPoint(5, 25), QPoint(24, 6), QPoint(24, 16), QPoint(44, 16), QPoint(44, 34), QPoint(24, 34),
                   QPoint(24, 44)});
    QPolygon shape = left;
    if (!pointsLeft)
        for (QPoint& point : shape)
            point.setX(kButtonSize - 1 - point.x());
    Outlined(p, kBlue, shape);
    // Light along the upper edges, shade along the lower ones.
    const int sign = pointsLeft ? 1 : -1;
    const int base = pointsLeft ? 0 : kButtonSize - 1;
    p.setPen(QColor(kAqua));
    p.drawLine(base + sign * 7, 25, base + sign * 23, 9);
    p.drawLine(base + sign * 25, 17, base + sign * 43, 17);
    p.setPen(QColor(kNavy));
    p.drawLine(base + sign * 7, 26, base + sign * 23, 42);
    p.drawLine(base + sign * 25, 33, base + sign * 43, 33);
}

void DrawPrevious(QPainter& p) { Arrow(p, true); }
void DrawNext(QPainter& p) { Arrow(p, false); }

void DrawOpen(QPainter& p)
{
    // Back of the folder with its tab, a sheet inside, the front flap open.
    Outlined(p, kOlive,
             QPolygon({QPoint(4, 11), QPoint(17, 11), QPoint(21, 15), QPoint(40, 15), QPoint(40, 42), QPoint(4, 42)}));
    Box(p, kWhite, 9, 18, 26, 20);
    p.setPen(QColor(kGrey));
    for (int y = 22; y <= 30; y += 4)
        p.drawLine(12, y, 31, y);
    Outlined(p, kYellow, QPolygon({QPoint(12, 24), QPoint(47, 24), QPoint(40, 42), QPoint(4, 42)}));
    p.setPen(QColor(kWhite));
    p.drawLine(13, 25, 45, 25);
}

void DrawPrint(QPainter& p)
{
    Box(p, kWhite, 14, 4, 22, 18);  // the sheet going in
    Box(p, kSilver, 4, 18, 42, 20);  // the body
    p.setPen(QColor(kWhite));
    p.drawLine(5, 19, 44, 19);
    p.drawLine(5, 19, 5, 36);
    p.setPen(QColor(kGrey));
    p.drawLine(5, 36, 44, 36);
    p.drawLine(44, 20, 44, 36);
    Fill(p, kLime, 38, 23, 4, 3);  // the power light
    Outlined(p, kBlack, QPolygon({QPoint(10, 29), QPoint(39, 29), QPoint(39, 31), QPoint(10, 31)}));
    Box(p, kWhite, 12, 31, 26, 15);  // the printed page, with a small picture on it
    Landscape(p, QRect(15, 34, 20, 9));
}

// A window frame with a navy title bar; returns its client area.
QRect WindowFrame(QPainter& p)
{
    Box(p, kGrey, 3, 5, 44, 40);
    Fill(p, kNavy, 4, 6, 42, 6);
    Fill(p, kWhite, 41, 7, 4, 4);
    return QRect(4, 12, 42, 32);
}

void DrawFitWindow(QPainter& p)
{
    const QRect client = WindowFrame(p);
    Landscape(p, client);
    // Four arrow heads pushing the picture out to the corners.
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(kBlack));
    const int l = client.left() + 2, t = client.top() + 2, r = client.right() - 2, b = client.bottom() - 2;
    p.drawPolygon(QPolygon({QPoint(l, t), QPoint(l + 7, t), QPoint(l, t + 7)}));
    p.drawPolygon(QPolygon({QPoint(r, t), QPoint(r - 7, t), QPoint(r, t + 7)}));
    p.drawPolygon(QPolygon({QPoint(l, b), QPoint(l + 7, b), QPoint(l, b - 7)}));
    p.drawPolygon(QPolygon({QPoint(r, b), QPoint(r - 7, b), QPoint(r, b - 7)}));
}

void DrawFitWidth(QPainter& p)
{
    const QRect client = WindowFrame(p);
    // The picture spans the width; the view's dark grey lies above and below.
    Fill(p, kGrey, client.x(), client.y(), client.width(), client.height());
    Landscape(p, QRect(client.x(), client.y() + 5, client.width(), 16));
    // A double-headed arrow across the whole width.
    const int y = client.bottom() - 4;
    p.setPen(QColor(kBlack));
    p.drawLine(client.left() + 2, y, client.right() - 2, y);
    p.setBrush(QColor(kBlack));
    p.drawPolygon(QPolygon({QPoint(client.left() + 1, y), QPoint(client.left() + 6, y - 4), QPoint(client.left() + 6, y + 4)}));
    p.drawPolygon(
        QPolygon({QPoint(client.right() - 1, y), QPoint(client.right() - 6, y - 4), QPoint(client.right() - 6, y + 4)}));
}

void DrawRealSize(QPainter& p)
{
    Box(p, kWhite, 5, 8, 40, 34);
    p.setPen(QColor(kGrey));
    p.drawLine(6, 41, 44, 41);
    p.drawLine(44, 9, 44, 41);
    // "1:1" in block figures.
    auto one = [&](int x) {
        Fill(p, kBlack, x + 3, 13, 4, 24);  // stem
        Fill(p, kBlack, x, 16, 3, 3);       // flag
        Fill(p, kBlack, x + 1, 15, 2, 1);
        Fill(p, kBlack, x, 34, 10, 3);      // foot
    };
    one(9);
    Fill(p, kNavy, 23, 20, 4, 4);
    Fill(p, kNavy, 23, 29, 4, 4);
    one(31);
}

// A magnifying glass with a plus (zoom in) or a minus (zoom out) in its lens.
void Magnifier(QPainter& p, bool plus)
{
    // The handle first, so the rim covers its end.
    Outlined(p, kMaroon, QPolygon({QPoint(28, 33), QPoint(33, 28), QPoint(46, 41), QPoint(41, 46)}));
    p.setPen(QColor(kRed));
    p.drawLine(33, 30, 44, 41);
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(kGrey));
    p.drawEllipse(3, 3, 34, 34);
    p.setBrush(QColor(kWhite));
    p.drawEllipse(7, 7, 26, 26);
    p.setPen(QColor(kAqua));
    p.drawArc(10, 10, 20, 20, 100 * 16, 70 * 16);  // glint
    Fill(p, kBlack, 13, 18, 15, 4);
    if (plus)
        Fill(p, kBlack, 18, 13, 4, 14);
}

void DrawZoomIn(QPainter& p) { Magnifier(p, true); }
void DrawZoomOut(QPainter& p) { Magnifier(p, false); }

void DrawShowInfo(QPainter& p)
{
    p.setPen(QPen(QColor(kBlack), 1));
    p.setBrush(QColor(kNavy));
    p.drawEllipse(5, 5, 40, 40);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(kBlue));
    p.drawEllipse(7, 7, 36, 36);
    Fill(p, kWhite, 22, 12, 6, 6);   // dot
    Fill(p, kWhite, 22, 21, 6, 17);  // stem
    Fill(p, kWhite, 19, 21, 3, 3);   // serif
    Fill(p, kWhite, 19, 35, 12, 3);  // foot
}

QImage DrawToolbar()
{
    QImage strip(kButtonSize * kButtonCount, kButtonSize, QImage::Format_RGB32);
    strip.fill(kButtonFace);
    const std::function<void(QPainter&)> buttons[kDrawnButtons] = {
        DrawPrevious, DrawNext, DrawOpen, DrawPrint, DrawFitWindow, DrawFitWidth, DrawRealSize,
        DrawZoomIn, DrawZoomOut, DrawShowInfo};
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int i = 0; i < kDrawnButtons; ++i) {
        p.save();
        p.setClipRect(i * kButtonSize, 0, kButtonSize, kButtonSize);
        p.translate(i * kButtonSize, 0);
        buttons[i](p);
        p.restore();
    }
    p.end();
    return strip;
}

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

const QVector<QRgb>& Palette()
{
    return kPalette;
}

QImage Toolbar()
{
    return DrawToolbar();
}

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
