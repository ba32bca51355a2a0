// Small files for tests and the fuzz corpus: seeded contents for an image
// description, and where the parts of an encoded file lie, for damaging them
// on purpose.
#pragma once

#include "FileBytes.h"
#include "RpfWriter.h"

#include <cstddef>
#include <vector>

namespace rpfgen {

// Fills the colour and alpha values of image with seeded values over the
// whole range of their depth (0..1 for float colour).
void FillSeededColours(RpfImage& image, unsigned seed);

// Seeded element bytes for render channel bit of image, with enough repeats
// that both kinds of run occur.
std::vector<std::uint8_t> SeededElements(const RpfImage& image, int bit, unsigned seed);

// Seeded colours and elements for every channel the producer text lists.
void FillSeeded(RpfImage& image, unsigned seed);

// The file offset of image row `row`'s scanline record (row 0 = top) in an
// encoded file of the given height.
std::size_t RecordOffset(const Bytes& file, int height, int row);

// The offset of every channel record's 16-bit length in an encoded file of
// image, row by row from the top: colour, alpha, then every byte plane of
// the listed channels.
std::vector<std::size_t> RecordLengthFields(const Bytes& file, const RpfImage& image);

}  // namespace rpfgen
