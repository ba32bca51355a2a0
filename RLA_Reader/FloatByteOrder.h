// Float colour records are big-endian in files of our own renderers, but
// several other writers store them little-endian. Nothing in the header says
// which, so the values decide: read the wrong way round, a picture's floats
// turn into NaNs, infinities and magnitudes no picture holds, while the
// right order gives ordinary values.
#pragma once

#include <cstddef>

class FloatByteOrderVote {
public:
    // Counts every step-th of count four-byte floats at record, read both
    // ways. Only values plausible one way and not the other tell anything:
    // zeros read the same both ways, and a value whose two readings both
    // pass, or both fail, speaks for neither order.
    void Count(const unsigned char* record, std::size_t count, std::size_t step = 1);

    // Whether the file reads as little-endian: more of its telling values
    // make sense read little-endian than big-endian. A file none of whose
    // values tell stays big-endian.
    bool LittleEndian() const { return forLittle_ > forBig_; }

    // The values that told one way or the other.
    std::size_t Counted() const { return forLittle_ + forBig_; }

    // Whether a colour value could belong to a picture: zero, or finite and
    // not subnormal with a magnitude between 1e-30 and 1e8. Renders hold
    // genuine tiny values (1e-14 in an empty background is common), so the
    // lower bound sits far below them; what the other order's bytes make of
    // ordinary values lands outside the range about half the time and
    // inside it no more often than chance.
    static bool Plausible(float value);

private:
    std::size_t forBig_ = 0;
    std::size_t forLittle_ = 0;
};
