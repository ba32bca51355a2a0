#include "PngFile.h"

#include <QFile>
#include <QImageWriter>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pngfile {

QString Write(const QImage& image, const QString& path)
{
    // Beside the target, so the rename stays on one file system. Created
    // readable by its owner only, as thumbnails of private pictures should be.
    // Not synced to disk (as QSaveFile would): a thumbnail is cheap to make
    // again, and the sync would cost more than the rest of the write.
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open())
        return file.errorString();
    QImageWriter writer(&file, "png");
    if (!writer.write(image))
        return writer.errorString();
    file.close();
    if (file.error() != QFileDevice::NoError)
        return file.errorString();
    // rename() replaces an older file at path in one step, where QFile's
    // rename refuses to.
    if (std::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    file.setAutoRemove(false);
    return {};
}

}  // namespace pngfile
