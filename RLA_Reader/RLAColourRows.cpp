// The colour side of a load: packing a row's colour and alpha into words at
// every depth, and the byte order of float colour.
#include "RLA.h"

#include "FileStream.h"
#include "FloatByteOrder.h"
#include "RowKernels.h"

#include <stdexcept>

namespace {

using rpflayout::TwoByteDepth;

// Rows read to choose the byte order of float colour: enough values to
// outvote a few odd ones, few enough to cost nothing beside the load.
constexpr std::size_t kFloatOrderSampleValues = 4096;

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
void RLA::ReadRGBA(Stream& stream, unsigned short* words, float* floats)
{
    const bool colour2 = TwoByteDepth(header.chan_bits);
    const bool alpha = header.num_matte > 0;
    const bool alpha2 = alpha && TwoByteDepth(header.matte_bits);
    auto at = [](auto* row, int offset) { return row ? row + offset : nullptr; };
    ReadFloatChannel(stream, at(words, 1), at(floats, 0), kRedHigh, colour2);
    ReadFloatChannel(stream, at(words, 2), at(floats, 1), kGreenHigh, colour2);
    ReadFloatChannel(stream, at(words, 3), at(floats, 2), kBlueHigh, colour2);
    if (alpha)
        ReadFloatChannel(stream, at(words, 0), at(floats, 3), kAlphaHigh, TwoByteDepth(header.matte_bits));
    if (words == nullptr || header.chan_bits == 32)
        return;

    const unsigned char* zero = Plane(kZeroPlane);
    const unsigned char* const planes[8] = {
        Plane(kRedHigh),   colour2 ? Plane(kRedLow) : zero,
        Plane(kGreenHigh), colour2 ? Plane(kGreenLow) : zero,
        Plane(kBlueHigh),  colour2 ? Plane(kBlueLow) : zero,
        alpha ? Plane(kAlphaHigh) : zero, alpha2 ? Plane(kAlphaLow) : zero,
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

// Reads the colour records of the first rows both ways round and keeps the
// order they make sense in, for the whole file. The rows are read again when
// decoded; a damaged one is reported there.
void RLA::ChooseFloatByteOrder(Stream& stream)
{
    FloatByteOrderVote vote;
    const int records = header.num_matte > 0 ? 4 : 3;
    try {
        for (std::int32_t r = 0; r < alto && vote.Counted() < kFloatOrderSampleValues; ++r) {
            stream.Seek(scanline_offsets[std::size_t(alto - 1 - r)], kSeekFromStart);
            for (int c = 0; c < records; ++c) {
                ReadFloatRecord(stream);
                vote.Count(record_buf.get(), std::size_t(ancho));
            }
        }
    } catch (const std::runtime_error&) {
        // The vote stands on the values read before the damage.
    }
    floats_little_endian = vote.LittleEndian();
}
