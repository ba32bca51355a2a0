// Thumbnails of RPF files for file managers: the colour picture as the
// viewer's window shows it (alpha ignored), scaled down with its aspect kept.
#pragma once

#include <QImage>
#include <QSize>

#include <cstdint>
#include <string>

namespace thumbnail {

// What a thumbnail may take unless BRIMWELL_MAX_MEMORY or --max-memory says
// otherwise: file managers run the thumbnailer on every file they show,
// downloaded ones included, so its cap is fixed rather than all the free
// memory.
constexpr std::uint64_t kDefaultMemoryCap = std::uint64_t(512) << 20;

// The size a width x height picture takes in a square of longSide pixels:
// the long side becomes longSide, the short one follows (rounded, at least one
// pixel). Pictures that already fit keep their size: a thumbnail never
// enlarges.
QSize FittedSize(int width, int height, int longSide);

// Reads the colour of the RPF file at path with the viewer's reader and
// makes its thumbnail, no larger than longSide on its long side. Throws
// std::runtime_error with the reader's report when the file cannot be read
// or its picture would take more than memoryCap bytes.
QImage Make(const std::string& path, int longSide, std::uint64_t memoryCap = kDefaultMemoryCap);

}  // namespace thumbnail
