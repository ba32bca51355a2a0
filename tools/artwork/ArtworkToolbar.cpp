// How the toolbar's image strip is drawn (see ArtworkDrawing.h). It keeps to
// a 16-colour palette and is drawn without antialiasing, in the crisp style
// of a classic toolbar. Its picture buttons show a small landscape for "the
// picture".
#include "ArtworkDrawing.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QRect>

#include <algorithm>
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

}  // namespace artwork
