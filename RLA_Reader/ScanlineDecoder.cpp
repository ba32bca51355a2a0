#include "ScanlineDecoder.h"

#include "ErrorReport.h"
#include "FileStream.h"
#include "RowKernels.h"
#include "RpfLayout.h"

#include <iostream>

#ifdef _MSC_VER
#define DECODER_NOINLINE __declspec(noinline)
#else
#define DECODER_NOINLINE __attribute__((noinline))
#endif

namespace {

// The decoder's reports are the loader's, with the texts and site numbers
// callers tell failures apart by; they name the loader's source file.
const char kLoaderSource[] = "RLA_Reader/RLA.cpp";

constexpr int kSiteFloatLength = 320;
constexpr int kSiteFloatRecordShort = 324;
constexpr int kSiteRecordLength = 374;
constexpr int kSiteRunPastRecord = 380;

// Room after the record buffer and after each plane of the line buffer. The
// run-length decoder consumes every run whole: it stores repeat runs in
// 64-byte blocks and copies literal runs in 16-byte blocks, so a run of up
// to 128 values that starts before a plane's last value may write up to 128
// bytes from its start, and a literal run reads up to 15 bytes past the
// record's end.
constexpr std::size_t kSlack = 128;

// The largest G-buffer element, in bytes (velocity and UV).
constexpr std::size_t kLargestElement = 8;

// Kept out of line so the decoding loop stays small.
[[noreturn]] DECODER_NOINLINE void ThrowRunPastRecord(std::int32_t length)
{
    ::rla_report::Throw(kLoaderSource, kSiteRunPastRecord,
                        "RLA::ReadNextChannel(). run-length data runs past the record, length =", length);
}

}  // namespace

ScanlineDecoder::ScanlineDecoder(Stream& stream, std::int32_t width)
    : stream_(stream),
      width_(width),
      recordLimit_(width * rpflayout::kRecordBytesPerPixel),
      record_(std::make_unique<unsigned char[]>(std::size_t(recordLimit_) + kSlack)),
      planeStride_((std::size_t(width) + kSlack + 63) & ~std::size_t(63)),
      lines_(std::make_unique<unsigned char[]>(planeStride_ * kColourPlanes)),
      elementRow_(std::size_t(width) * kLargestElement)
{
}

std::size_t ScanlineDecoder::BytesHeld() const
{
    return std::size_t(recordLimit_) + kSlack + planeStride_ * kColourPlanes + elementRow_.capacity();
}

// A record's 16-bit length, checked against the limit before any of the
// record is read.
unsigned ScanlineDecoder::ReadLength(int site, const char* message)
{
    unsigned char lengthBytes[2];
    stream_.Leer(lengthBytes, 2);
    const unsigned length = (unsigned(lengthBytes[0]) << 8) | lengthBytes[1];
    if (length >= unsigned(recordLimit_))
        ::rla_report::Throw(kLoaderSource, site, message, length);
    return length;
}

const unsigned char* ScanlineDecoder::ReadFloatRecord()
{
    const unsigned length = ReadLength(kSiteFloatLength, "RLA::ReadFloatChannel() length=");
    stream_.Leer(record_.get(), std::int32_t(length));
    recordLength_ = std::int32_t(length);
    if (length < 4u * unsigned(width_))
        ::rla_report::Throw(kLoaderSource, kSiteFloatRecordShort,
                            "RLA::ReadFloatChannel() record shorter than 4*ancho: length=", length);
    return record_.get();
}

void ScanlineDecoder::ReadNextChannel(unsigned char* dst, int count)
{
    const unsigned length = ReadLength(kSiteRecordLength, "RLA::ReadNextChannel(). length =");
    stream_.Leer(record_.get(), std::int32_t(length));
    recordLength_ = std::int32_t(length);
    continuePos_ = DecodeRunLengthBlock(0, dst, count);
}

void ScanlineDecoder::DecodeNextBlock(unsigned char* dst, int count)
{
    continuePos_ = DecodeRunLengthBlock(continuePos_, dst, count);
}

// Each plane is decoded whole into a plane of the line buffer (free again
// once the row's colour is packed), then the planes are woven into elements:
// far cheaper than decoding every plane one byte in size apart. size is at
// most 8.
void ScanlineDecoder::ReadNChannels(unsigned char* dst, int size, int count)
{
    const unsigned char* planes[kLargestElement] = {};
    for (int j = 0; j < size; ++j) {
        const int byte = size - 1 - j;
        planes[byte] = Plane(ColourPlane(byte));
        try {
            ReadNextChannel(Plane(ColourPlane(byte)), count);
        } catch (...) {
            std::cout << "RLA::ReadNChannels()" << "i=" << byte << " n=" << size << std::endl;
            throw;
        }
    }
    rowkernels::InterleavePlanes(planes, size, dst, std::size_t(count));
}

// Decodes one run-length block of the record, starting at pos, into count
// values at dst, a plane with kSlack bytes of room after count: a run that
// overshoots count is consumed whole, its surplus landing in that room where
// nothing reads it. Runs move in whole blocks, which the record buffer's own
// room after its limit allows too. Returns the position after the last run.
std::int32_t ScanlineDecoder::DecodeRunLengthBlock(std::int32_t pos, unsigned char* dst, int count)
{
    const unsigned char* record = record_.get();
    const std::int32_t end = recordLength_;
    std::int32_t written = 0;
    while (written < count) {
        if (pos >= end)
            ThrowRunPastRecord(end);
        const int h = static_cast<signed char>(record[pos]);
        if (h >= 0) {
            if (pos + 2 > end)
                ThrowRunPastRecord(end);
            rowkernels::FillRun(dst + written, record[pos + 1], h + 1);
            written += h + 1;
            pos += 2;
        } else {
            if (pos + 1 - h > end)
                ThrowRunPastRecord(end);
            rowkernels::CopyRun(dst + written, record + pos + 1, -h);
            written -= h;
            pos += 1 - h;
        }
    }
    return pos;
}
