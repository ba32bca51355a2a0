// Draws the program's pictures into res/, or checks those committed there.
//
//   brimwell_artwork write <res folder>   draws every picture, then checks it
//   brimwell_artwork check <res folder>   checks the pictures already there
//
// The pictures are committed, so a build never runs this; rerun it after a
// change to the drawing. The check reads every picture's size and format and
// compares it pixel for pixel with what the drawing code makes now.
#include "ArtworkDrawing.h"

#include <QFile>
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace artwork;

namespace {

int failures = 0;

void Fail(const QString& what)
{
    std::fprintf(stderr, "artwork: %s\n", qPrintable(what));
    ++failures;
}

QImage Load(const QString& path, int width, int height)
{
    QImage image(path);
    if (image.isNull())
        Fail(path + ": cannot be read");
    else if (image.width() != width || image.height() != height)
        Fail(QString("%1: %2 x %3, expected %4 x %5").arg(path).arg(image.width()).arg(image.height()).arg(width).arg(height));
    return image;
}

void CheckToolbar(const QString& path)
{
    const QImage strip = Load(path, kButtonSize * kButtonCount, kButtonSize);
    if (strip.isNull() || strip.width() != kButtonSize * kButtonCount)
        return;
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < strip.width(); ++x) {
            const QRgb pixel = strip.pixel(x, y);
            if (x >= kDrawnButtons * kButtonSize && pixel != kButtonFace) {
                Fail(QString("%1: blank button pixel (%2, %3) is %4, not C0C0C0").arg(path).arg(x).arg(y).arg(pixel, 8, 16));
                return;
            }
            if (!Palette().contains(pixel)) {
                Fail(QString("%1: pixel (%2, %3) is %4, outside the palette").arg(path).arg(x).arg(y).arg(pixel, 8, 16));
                return;
            }
        }
    }
    for (int i = 0; i < kDrawnButtons; ++i) {
        const QImage button = strip.copy(i * kButtonSize, 0, kButtonSize, kButtonSize);
        if (button.pixel(0, 0) != kButtonFace)
            Fail(QString("%1: button %2 has no button-face corner").arg(path).arg(i));
        bool drawn = false;
        for (int y = 0; y < kButtonSize && !drawn; ++y)
            for (int x = 0; x < kButtonSize && !drawn; ++x)
                drawn = button.pixel(x, y) != kButtonFace;
        if (!drawn)
            Fail(QString("%1: button %2 is empty").arg(path).arg(i));
    }
}

// Reads the file's headers: an uncompressed (BI_RGB) BMP with 24 bits per
// pixel of the given size.
void CheckBmp(const QString& path, int width, int height)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Fail(path + ": cannot be opened");
        return;
    }
    const QByteArray head = file.read(54);
    auto word = [&](int at) { return quint16(quint8(head[at]) | quint8(head[at + 1]) << 8); };
    auto dword = [&](int at) { return quint32(word(at)) | quint32(word(at + 2)) << 16; };
    if (head.size() < 54 || head[0] != 'B' || head[1] != 'M') {
        Fail(path + ": not a BMP file");
        return;
    }
    const qint32 storedHeight = qint32(dword(22));
    if (qint32(dword(18)) != width || std::abs(storedHeight) != height)
        Fail(path + ": wrong size in the header");
    if (word(28) != 24)
        Fail(QString("%1: %2 bits per pixel, expected 24").arg(path).arg(word(28)));
    if (dword(30) != 0)
        Fail(path + ": compressed");
    const qint64 rowBytes = (qint64(width) * 3 + 3) / 4 * 4;
    if (file.size() < qint64(dword(10)) + rowBytes * height)
        Fail(path + ": pixel data cut short");
    Load(path, width, height);
}

// The committed picture at path against the one the code draws now, pixel
// for pixel: a change to the drawing that was not written out, or a file
// edited by hand, shows. BMP files hold no alpha, so opaque ones compare
// without it.
void CheckSameAsDrawn(const QString& path, const QImage& drawn, bool withAlpha)
{
    const QImage committed = QImage(path);
    if (committed.isNull() || committed.size() != drawn.size())
        return;  // reported by the checks above
    const QImage::Format format = withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
    const QImage a = committed.convertToFormat(format);
    const QImage b = drawn.convertToFormat(format);
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.pixel(x, y) != b.pixel(x, y)) {
                Fail(QString("%1: pixel (%2, %3) is %4, drawn %5; run the artwork target to redraw")
                         .arg(path)
                         .arg(x)
                         .arg(y)
                         .arg(a.pixel(x, y), 8, 16, QLatin1Char('0'))
                         .arg(b.pixel(x, y), 8, 16, QLatin1Char('0')));
                return;
            }
        }
    }
}

void CheckAll(const QString& folder)
{
    CheckToolbar(folder + "/toolbar.png");
    CheckBmp(folder + "/about_company.bmp", kCompanyWidth, kCompanyHeight);
    CheckBmp(folder + "/about_maker.bmp", kMakerWidth, kMakerHeight);
    const QImage icon = Load(folder + "/brimwell.png", kIconSize, kIconSize);
    if (!icon.isNull() && (!icon.hasAlphaChannel() || qAlpha(icon.pixel(0, 0)) != 0))
        Fail(folder + "/brimwell.png: corners are not transparent");
    for (int size : {16, 32, 48})
        Load(QString("%1/brimwell_%2.png").arg(folder).arg(size), size, size);

    CheckSameAsDrawn(folder + "/toolbar.png", Toolbar(), false);
    CheckSameAsDrawn(folder + "/about_company.bmp", CompanyMark(), false);
    CheckSameAsDrawn(folder + "/about_maker.bmp", MakerLogo(), false);
    CheckSameAsDrawn(folder + "/brimwell.png", Icon(kIconSize), true);
    for (int size : {16, 32, 48})
        CheckSameAsDrawn(QString("%1/brimwell_%2.png").arg(folder).arg(size), Icon(size), true);
}

// ---------------------------------------------------------------------------

void Save(QImage image, const QString& path, const char* format)
{
    // 96 dots per inch, whatever the machine that draws them, so that a
    // redraw of unchanged pictures leaves the files unchanged.
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    if (!image.save(path, format))
        Fail(path + ": cannot be written");
}

void WriteAll(const QString& folder)
{
    const QImage strip = Toolbar();
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            if (!Palette().contains(strip.pixel(x, y))) {
                Fail(QString("toolbar drawing left the palette at (%1, %2)").arg(x).arg(y));
                return;
            }
    // Every pixel is a palette colour already, so the conversion is exact.
    Save(strip.convertToFormat(QImage::Format_Indexed8, Palette(), Qt::ThresholdDither | Qt::AvoidDither),
         folder + "/toolbar.png", "PNG");
    // Qt writes 32-bit images as 24-bit uncompressed BMPs.
    Save(CompanyMark(), folder + "/about_company.bmp", "BMP");
    Save(MakerLogo(), folder + "/about_maker.bmp", "BMP");
    Save(Icon(kIconSize), folder + "/brimwell.png", "PNG");
    for (int size : {16, 32, 48})
        Save(Icon(size), QString("%1/brimwell_%2.png").arg(folder).arg(size), "PNG");
}

}  // namespace

// Drawing into images and reading and writing PNG and BMP files need no
// application object and no display.
int main(int argc, char** argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "write") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: brimwell_artwork write|check <res folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    if (std::strcmp(argv[1], "write") == 0)
        WriteAll(folder);
    if (failures == 0)
        CheckAll(folder);
    return failures == 0 ? 0 : 1;
}
