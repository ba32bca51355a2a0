// The colour side of a load: packing a row's colour and alpha into words at
// every depth, and the byte order of float colour.
#include "RLA.h"

#include "FileStream.h"
#include "FloatByteOrder.h"
#include "RowKernels.h"
#include "ScanlineDecoder.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

using rpflayout::TwoByteDepth;

// The rows read to choose the byte order of float colour, spread evenly over
// the image, and the values looked at in each record, spread along it:
// enough to find the picture wherever it lies in a frame that is mostly
// empty background, few enough that reading them again costs a few per cent
// of a load of a frame 1080 rows high or more.
constexpr std::int32_t kFloatOrderSampleRows = 32;
constexpr std::int32_t kFloatOrderValuesPerRecord = 512;

}  // namespace

int RLA::ColourDepth() const
{
    return header.chan_bits == 32 || TwoByteDepth(header.chan_bits) ? header.chan_bits : 8;
}

int RLA::MatteDepth() const
{
    return header.chan_bits == 32 ? 32 : TwoByteDepth(header.matte_bits) ? header.matte_bits : 8;
}

// Reads the colour records of one row and, when words is given, stores the
// row there as alpha, red, green, blue words, and for float files the floats
// as red, green, blue, alpha in floats. Without a matte channel alpha is 0:
// float rows leave it as the zero-filled buffers hold it, and integer rows
// take it from the zero plane.
void RLA::ReadRGBA(ScanlineDecoder& decoder, unsigned short* words, float* floats)
{
    using Plane = ScanlineDecoder::ColourPlane;
    const bool colour2 = TwoByteDepth(header.chan_bits);
    const bool alpha = header.num_matte > 0;
    const bool alpha2 = alpha && TwoByteDepth(header.matte_bits);
    auto at = [](auto* row, int offset) { return row ? row + offset : nullptr; };
    ReadFloatChannel(decoder, at(words, 1), at(floats, 0), Plane::kRedHigh, colour2);
    ReadFloatChannel(decoder, at(words, 2), at(floats, 1), Plane::kGreenHigh, colour2);
    ReadFloatChannel(decoder, at(words, 3), at(floats, 2), Plane::kBlueHigh, colour2);
    if (alpha)
        ReadFloatChannel(decoder, at(words, 0), at(floats, 3), Plane::kAlphaHigh, alpha2);
    if (words == nullptr || header.chan_bits == 32)
        return;

    // One-byte components bring their own plane as the low byte (v * 257).
    const unsigned char* zero = decoder.Plane(Plane::kZeroPlane);
    const auto low = [&](Plane high, bool twoBytes) { return decoder.Plane(Plane(high + (twoBytes ? 1 : 0))); };
    const unsigned char* const planes[8] = {
        decoder.Plane(Plane::kRedHigh),   low(Plane::kRedHigh, colour2),
        decoder.Plane(Plane::kGreenHigh), low(Plane::kGreenHigh, colour2),
        decoder.Plane(Plane::kBlueHigh),  low(Plane::kBlueHigh, colour2),
        alpha ? decoder.Plane(Plane::kAlphaHigh) : zero, alpha ? low(Plane::kAlphaHigh, alpha2) : zero,
    };
    // Depths 9 to 15 are scaled to the word range; 8 and 16 bits need no
    // scaling and take the fast packing.
    auto maxOf = [](int bits) { return TwoByteDepth(bits) && bits < 16 ? (1u << bits) - 1u : 0u; };
    const unsigned colourMax = maxOf(header.chan_bits);
    const unsigned alphaMax = alpha2 ? maxOf(header.matte_bits) : 0u;
    if (colourMax != 0 || alphaMax != 0)
        rowkernels::PackScaledWords(planes, colourMax, alphaMax, words, std::size_t(ancho));
    else
        rowkernels::PackWords(planes, words, std::size_t(ancho));
}

// Reads the colour records of rows spread over the whole image both ways
// round and keeps the order they make sense in, for the whole file. Renders
// often begin with rows of empty background, whose values tell little, so
// the first rows alone do not decide. The rows are read again when decoded;
// a damaged one is reported there and left out of the vote.
void RLA::ChooseFloatByteOrder(Stream& stream, ScanlineDecoder& decoder)
{
    FloatByteOrderVote vote;
    const int records = header.num_matte > 0 ? 4 : 3;
    const std::int32_t rows = std::min(alto, kFloatOrderSampleRows);
    const std::size_t step = std::size_t(std::max(1, ancho / kFloatOrderValuesPerRecord));
    for (std::int32_t i = 0; i < rows; ++i) {
        const std::int64_t entry = rows > 1 ? std::int64_t(i) * (alto - 1) / (rows - 1) : 0;
        try {
            stream.Seek(scanline_offsets[std::size_t(entry)], kSeekFromStart);
            for (int c = 0; c < records; ++c) {
                vote.Count(decoder.ReadFloatRecord(), std::size_t(ancho), step);
            }
        } catch (const std::runtime_error&) {
            // The vote stands on the other rows.
        }
    }
    floats_little_endian = vote.LittleEndian();
}
