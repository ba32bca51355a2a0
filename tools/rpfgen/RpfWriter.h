// Writes RPF files: the encoder the tests, the benchmarks and the demo sample
// are made with. It writes what the reader reads (big-endian header, offset
// table, optional P and D blocks, run-length channel records) and can vary
// everything a reader must cope with: colour depth, alpha and its depth, any
// channel list, P and D blocks, the order of the scanline records.
#pragma once

#include "RpfLayout.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rpfgen {

enum class RecordOrder {
    BottomUp,   // as renderers write them: the bottom scanline first
    TopDown,
    Shuffled,   // a seeded permutation, with gap bytes between records
};

enum class RunLengthStyle {
    Packed,       // repeat runs where two or more values repeat, literal runs otherwise
    LiteralOnly,  // literal runs of up to 128 values
    RepeatOnly,   // a repeat run per value (or per stretch of equal values)
};

struct RpfImage {
    int width = 0;
    int height = 0;
    int colourBits = 8;   // 8, 16 or 32 (float)
    int matteBits = 8;    // 8 or 16; ignored for float colour, whose alpha is float too
    bool alpha = false;   // writes a matte channel count of 1 and an alpha channel
    bool floatsLittleEndian = false;  // float colour stored little-endian, as several other writers do

    // Colour values, width * height each, rows top-down: the integer value
    // in the channel's own depth (0..255 or 0..65535; alpha in the matte
    // depth), or the float for float colour. An empty channel is written as 0.
    std::vector<double> red, green, blue, alphaValues;

    // Written at header offset 400 as given; its "(...)" list decides which
    // G-buffer channels and blocks are written, exactly as the reader decides
    // which it reads.
    std::string producer = "rpfgen";

    // G-buffer element bytes per channel bit, width * height elements of the
    // channel's size, rows top-down, each element in host (little-endian)
    // memory order. A listed channel without data is written as zeros.
    std::map<int, std::vector<std::uint8_t>> gbuffer;

    bool longPBlock = false;          // P block with the tag 1000 (262 bytes) instead of 244 bytes
    std::vector<std::string> dNames;  // D block names

    RecordOrder order = RecordOrder::BottomUp;
    std::uint32_t orderSeed = 1;
    RunLengthStyle runLength = RunLengthStyle::Packed;

    // Scanline records written verbatim instead of being encoded, by image
    // row (0 = top): hand-built or deliberately malformed records.
    std::map<int, std::vector<std::uint8_t>> rawRecords;

    std::string gammaText = "2.2";
    std::string aspectText = "1.0";
    int activeLeft = 0;    // active window origin; width and height fix the rest
    int activeBottom = 0;
    int frame = 1;
};

// Bytes per element of a G-buffer channel bit (0..13).
int ChannelElementSize(int bit);

// Channel bits named in the "(...)" list of a producer text.
std::vector<int> ListedChannels(const std::string& producer);

// Run-length encodes one plane of values (one block, no length prefix).
std::vector<std::uint8_t> EncodeRunLength(const std::uint8_t* values, std::size_t count, std::size_t stride,
                                          RunLengthStyle style = RunLengthStyle::Packed);

// One channel record: the big-endian 16-bit payload length, then the payload.
std::vector<std::uint8_t> ChannelRecord(const std::vector<std::uint8_t>& payload);

// The whole file.
std::vector<std::uint8_t> EncodeRpf(const RpfImage& image);

// Writes EncodeRpf(image) to path; false when the file cannot be written.
bool WriteRpf(const std::string& path, const RpfImage& image);

// Header field offsets and text field sizes: where the writer puts each
// field, and what tests patch to build malformed files.
namespace offsets {
constexpr std::size_t kWindowLeft = 0;
constexpr std::size_t kWindowRight = 2;
constexpr std::size_t kWindowBottom = 4;
constexpr std::size_t kWindowTop = 6;
constexpr std::size_t kActiveLeft = 8;
constexpr std::size_t kActiveRight = 10;
constexpr std::size_t kActiveBottom = 12;
constexpr std::size_t kActiveTop = 14;
constexpr std::size_t kFrame = 16;
constexpr std::size_t kStorageType = 18;  // colour channel type: 0 integer, 4 float
constexpr std::size_t kNumChan = 20;
constexpr std::size_t kNumMatte = 22;
constexpr std::size_t kRevision = 26;
constexpr std::size_t kGamma = 28;
constexpr std::size_t kGammaBytes = 16;
constexpr std::size_t kProducer = 400;
constexpr std::size_t kProducerBytes = 64;
constexpr std::size_t kAspectRatio = 572;
constexpr std::size_t kAspectRatioBytes = 8;
constexpr std::size_t kChan = 580;
constexpr std::size_t kChanBytes = 32;
constexpr std::size_t kChanBits = 658;
constexpr std::size_t kMatteType = 660;  // alpha channel type, as the colour's
constexpr std::size_t kMatteBits = 662;
constexpr std::size_t kNext = 736;
constexpr std::size_t kHeaderSize = rpflayout::kHeaderBytes;
constexpr std::size_t kOffsetTable = rpflayout::kOffsetTableStart;  // followed by the P and D blocks, when listed
}  // namespace offsets

}  // namespace rpfgen
