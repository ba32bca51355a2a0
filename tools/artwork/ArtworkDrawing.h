// The program's pictures, drawn in code: the toolbar image strip, the two
// About box bitmaps and the application icon. Drawing needs no application
// object and no display.
#pragma once

#include <QImage>
#include <QRgb>
#include <QVector>

namespace artwork {

constexpr int kButtonSize = 50;
constexpr int kButtonCount = 16;
constexpr int kDrawnButtons = 10;  // the last six are blank: the banner lies over them
constexpr int kCompanyWidth = 79, kCompanyHeight = 65;
constexpr int kMakerWidth = 139, kMakerHeight = 65;
constexpr int kIconSize = 256;
constexpr QRgb kButtonFace = 0xFFC0C0C0;  // silver, of the palette

// The toolbar's sixteen colours: those of the classic system palette.
const QVector<QRgb>& Palette();

QImage Toolbar();      // kButtonCount buttons side by side, palette colours only
QImage CompanyMark();  // kCompanyWidth x kCompanyHeight
QImage MakerLogo();    // kMakerWidth x kMakerHeight
QImage Icon(int size); // size x size, transparent corners

}  // namespace artwork
