// Float colour records are big-endian in files of our own renderers, but
// several other writers store them little-endian. Nothing in the header says
// which, so the values decide: read the wrong way round, a picture's floats
// turn into NaNs, infinities and magnitudes no picture holds, while the
// right order gives ordinary values.
#pragma once

#include <cstddef>

class FloatByteOrderVote {
public:
    // Counts count four-byte floats at record, read both ways.
    void Count(const unsigned char* record, std::size_t count);

    // Whether the file reads as little-endian: its values read big-endian
    // are implausible far more often than read little-endian. A file whose
    // values pass either way stays big-endian.
    bool LittleEndian() const;

    std::size_t Counted() const { return counted_; }

    // Whether a colour value could belong to a picture: zero, or finite with
    // a magnitude between 1e-10 and 1e6. Subnormal and absurdly small values
    // are what the other order's bytes make of ordinary ones.
    static bool Plausible(float value);

private:
    std::size_t counted_ = 0;
    std::size_t implausibleBig_ = 0;
    std::size_t implausibleLittle_ = 0;
};
