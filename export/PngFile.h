// Writing a PNG so that a reader of the target never sees half a file: file
// managers pick thumbnails up by name, and a failed run must leave nothing.
#pragma once

#include <QImage>
#include <QString>

namespace pngfile {

// Writes image as a PNG at path through a temporary file in the same folder
// that is renamed to path once complete. On failure nothing new is left at
// path (a file already there stays as it was) and the result says what went
// wrong; on success it is empty.
QString Write(const QImage& image, const QString& path);

}  // namespace pngfile
