// The work state of one load's scanline decoding, apart from the image it
// fills: the record buffer a channel record's payload is read into, the line
// buffer its run-length blocks are decoded into, where the second block of a
// two-byte record starts, and the record length limit. A decoder lives for
// one load; the loaded image keeps none of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class Stream;

class ScanlineDecoder {
public:
    // Planes of the line buffer: the high and low bytes of red, green, blue
    // and alpha of one row, then a plane that stays zero. The first eight
    // serve the byte planes of a G-buffer channel in turn.
    enum ColourPlane { kRedHigh, kRedLow, kGreenHigh, kGreenLow, kBlueHigh, kBlueLow, kAlphaHigh, kAlphaLow,
                       kZeroPlane, kColourPlanes };

    // Buffers for rows of width pixels (width > 0), read from stream.
    ScanlineDecoder(Stream& stream, std::int32_t width);

    ScanlineDecoder(const ScanlineDecoder&) = delete;
    ScanlineDecoder& operator=(const ScanlineDecoder&) = delete;

    // One decoded plane of width values (and room after them, see the
    // source); planes stay as decoded until decoded into again.
    unsigned char* Plane(ColourPlane plane) const { return lines_.get() + std::size_t(plane) * planeStride_; }

    // Reads one run-length channel record and decodes its first block into
    // count (at most width) values at dst, a plane of the line buffer.
    void ReadNextChannel(unsigned char* dst, int count);

    // Decodes the record's next block, the low bytes of a two-byte colour
    // record, into count values at dst, a plane of the line buffer.
    void DecodeNextBlock(unsigned char* dst, int count);

    // Reads the size byte planes of a G-buffer channel's row, most
    // significant first, and weaves them into count elements of size bytes
    // at dst (the first plane read in each element's last byte).
    void ReadNChannels(unsigned char* dst, int size, int count);

    // Reads one float colour record, checked to hold width floats; returns
    // its payload, valid until the next record is read.
    const unsigned char* ReadFloatRecord();

    // A row of elements of up to eight bytes, for a G-buffer channel.
    unsigned char* ElementRow() { return elementRow_.data(); }

    // The bytes the decoder holds.
    std::size_t BytesHeld() const;

private:
    std::int32_t DecodeRunLengthBlock(std::int32_t pos, unsigned char* dst, int count);
    unsigned ReadLength(int site, const char* message);

    Stream& stream_;
    std::int32_t width_;
    std::int32_t recordLimit_;       // width * 30: a record's length must stay below it
    std::unique_ptr<unsigned char[]> record_;   // one channel record's payload
    std::int32_t recordLength_ = 0;  // bytes of the record now in record_
    std::int32_t continuePos_ = 0;   // where the record's next block starts
    std::size_t planeStride_;        // bytes from one plane of lines_ to the next
    std::unique_ptr<unsigned char[]> lines_;
    std::vector<unsigned char> elementRow_;
};
