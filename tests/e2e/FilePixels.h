// What an RPF file should look like on screen, read with the reader itself,
// and where the view puts it at real size.
#pragma once

#include "RLA.h"

#include <QFile>
#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

namespace e2e {

class FilePixels {
public:
    explicit FilePixels(const QString& path) : m_file(std::make_unique<RLA>())
    {
        m_file->Leer(QFile::encodeName(path).constData(), true);
    }

    QSize Size() const { return QSize(m_file->ancho, m_file->alto); }

    // The colour the viewer shows for a pixel: each 16-bit word as a byte.
    QRgb At(int x, int y) const
    {
        const unsigned short* argb = m_file->ImageWords().data() + (std::size_t(y) * m_file->ancho + x) * 4;
        return qRgb(argb[1] * 255 / 65535, argb[2] * 255 / 65535, argb[3] * 255 / 65535);
    }

    // Pixels of the screenshot in where that differ from the file.
    int CountDiffering(const QImage& shot, const QRect& where) const
    {
        int differing = 0;
        for (int y = 0; y < m_file->alto; ++y)
            for (int x = 0; x < m_file->ancho; ++x)
                differing += shot.pixel(where.left() + x, where.top() + y) != At(x, y);
        return differing;
    }

private:
    std::unique_ptr<RLA> m_file;
};

// Where a picture of this size sits at real size in the view whose client
// area is field: half the free space on each side, rounded up.
inline QRect RealSizePlace(const QRect& field, QSize picture)
{
    return QRect(field.left() + (field.width() - picture.width() + 1) / 2,
                 field.top() + (field.height() - picture.height() + 1) / 2, picture.width(), picture.height());
}

}  // namespace e2e
