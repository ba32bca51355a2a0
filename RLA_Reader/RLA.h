// RPF files: RLA images whose producer text announces per-pixel render
// channels (G-buffer channels) stored after the colour of every scanline.
//
// Layout, all numbers big-endian unless said otherwise:
//   740-byte header (RLAHeader below)
//   scanline offset table: one 32-bit absolute file offset per scanline,
//     entry 0 = bottom scanline (scanlines are stored bottom-up)
//   optional P block (channel list holds "P"): 244 bytes, or 262 when its
//     little-endian 16-bit tag is 1000; skipped
//   optional D block (channel list holds "D"): little-endian 32-bit name count
//     and byte size, then that many NUL-terminated names; at most
//     kMaxDBlockNames names in kMaxDBlockBytes bytes are loaded
//   scanline records, anywhere: red, green, blue, alpha when there is a matte
//     channel, then one byte plane per element byte of every G-buffer channel
//     in increasing channel bit order.
// A channel record is a 16-bit length L and L bytes of run-length data: header
// byte h >= 0 repeats the next byte h + 1 times, h < 0 copies the next -h
// bytes. Colour of 9 to 16 bits carries a second block (low bytes) right
// after the first. 32-bit colour records hold raw floats instead, big-endian
// unless the values say otherwise (FloatByteOrder.h).
#pragma once

#include "ConstSpan.h"
#include "NameList.h"
#include "RpfLayout.h"
#include "ZeroedBuffer.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ScanlineDecoder;
class Stream;

// The file header, one field per line in file order.
struct RLAHeader {
    std::int16_t window_left;      // 0   window x-min
    std::int16_t window_right;     // 2   window x-max
    std::int16_t window_bottom;    // 4   window y-min
    std::int16_t window_top;       // 6   window y-max
    std::int16_t active_left;      // 8   active window x-min
    std::int16_t active_right;     // 10  active window x-max
    std::int16_t active_bottom;    // 12  active window y-min
    std::int16_t active_top;       // 14  active window y-max
    std::int16_t frame;            // 16  frame number
    std::int16_t storage_type;     // 18
    std::int16_t num_chan;         // 20  colour channel count (always read as 3)
    std::int16_t num_matte;        // 22  > 0: one alpha channel follows the colour
    std::int16_t num_aux;          // 24  auxiliary channel count
    std::int16_t revision;         // 26
    char gamma[16];                // 28  decimal text
    char red_pri[24];              // 44  chromaticities, not read
    char green_pri[24];            // 68
    char blue_pri[24];             // 92
    char white_pt[24];             // 116
    std::int32_t job_num;          // 140
    char name[128];                // 144
    char desc[128];                // 272
    char program[64];              // 400 producer text with the channel list, e.g. "Renderer (ZCIV)"
    char machine[32];              // 464
    char user[32];                 // 496
    char date[20];                 // 528
    char aspect[24];               // 548
    char aspect_ratio[8];          // 572 decimal text
    char chan[32];                 // 580 channel type, must be "rgb"
    std::int16_t field;            // 612 field flag
    char time[12];                 // 614
    char filter[32];               // 626
    std::int16_t chan_bits;        // 658 colour bit depth: 32 float, 9 to 16 two bytes, anything else 8
    std::int16_t matte_type;       // 660
    std::int16_t matte_bits;       // 662 alpha bit depth: 9 to 16 two bytes, anything else 8
    std::int16_t aux_type;         // 664
    std::int16_t aux_bits;         // 666
    char aux[32];                  // 668
    char space[36];                // 700 reserved
    std::int32_t next;             // 736 offset of a following image, must be 0
};

static_assert(sizeof(RLAHeader) == rpflayout::kHeaderBytes, "the RLA header is 740 bytes on disk");
static_assert(offsetof(RLAHeader, active_left) == 8, "header layout");
static_assert(offsetof(RLAHeader, num_matte) == 22, "header layout");
static_assert(offsetof(RLAHeader, gamma) == 28, "header layout");
static_assert(offsetof(RLAHeader, job_num) == 140, "header layout");
static_assert(offsetof(RLAHeader, program) == 400, "header layout");
static_assert(offsetof(RLAHeader, aspect_ratio) == 572, "header layout");
static_assert(offsetof(RLAHeader, chan) == 580, "header layout");
static_assert(offsetof(RLAHeader, field) == 612, "header layout");
static_assert(offsetof(RLAHeader, chan_bits) == 658, "header layout");
static_assert(offsetof(RLAHeader, matte_bits) == 662, "header layout");
static_assert(offsetof(RLAHeader, aux_bits) == 666, "header layout");
static_assert(offsetof(RLAHeader, next) == 736, "header layout");

// Converts every numeric field the reader uses from file (big-endian) order
// to host order.
void ConvertHeaderToHost(RLAHeader& header);

// G-buffer channel letters; a letter's index is its bit in the channel mask.
using rpflayout::kChannelLetters;
using rpflayout::kChannelCount;
enum ChannelBit {
    kChannelZ = 0,   // Z depth, 32-bit float
    kChannelE = 1,
    kChannelO = 2,
    kChannelU = 3,
    kChannelN = 4,
    kChannelR = 5,
    kChannelC = 6,   // coverage
    kChannelB = 7,
    kChannelI = 8,   // node render ID
    kChannelG = 9,
    kChannelT = 10,
    kChannelV = 11,  // velocity
    kChannelW = 12,
    kChannelM = 13,
};

// Limits of the D block, far above any scene's object count and name text;
// a block past them is reported rather than loaded.
constexpr std::uint32_t kMaxDBlockNames = 1u << 20;
constexpr std::uint32_t kMaxDBlockBytes = 64u << 20;

// What one load decodes, and the most memory it may take for the image.
struct LoadOptions {
    enum class Pixels {
        Everything,  // the colour and every render channel
        ColourOnly,  // the colour and alpha; the render channel buffers stay null
        None,        // header, offset table and blocks only: nothing decoded
    };
    bool keepImage = true;  // store the colour in image_buf (with Pixels other than None)
    Pixels pixels = Pixels::Everything;
    // Bytes per pixel the caller goes on to allocate from the loaded image
    // (display bitmap, channel views, export buffers), weighed with the
    // reader's own before anything is allocated.
    std::uint64_t callerBytesPerPixel = 0;
    // Bytes the image's buffers may take at most, beside what the system can
    // still give; the program's cap (memorybudget::CapFromEnvironment).
    std::uint64_t memoryCap = UINT64_MAX;
};

// One loaded RPF image. Serves one load: construct, Leer, read the members,
// destroy. Every failure of Leer throws a std::runtime_error report.
class RLA {
public:
    RLA();
    virtual ~RLA();

    RLA(const RLA&) = delete;
    RLA& operator=(const RLA&) = delete;

    // Loads path (which must end in ".rpf", any case); keepImage decides
    // whether the colour image is stored in image_buf.
    // The memory cap is BRIMWELL_MAX_MEMORY's, when set; with the image
    // kept, a display bitmap and a channel view of it are weighed too.
    void Leer(const char* path, bool keepImage);
    void Leer(const char* path, const LoadOptions& options);

    // Reads the header of path alone (the name checked as Leer checks it):
    // the sizes and the channel list a load would find, without a byte of
    // the image. Throws as Leer does when the header cannot be read.
    void ReadHeaderOnly(const char* path);

    // The bytes a load of the header read with options allocates for the
    // image and its caller, as weighed before anything is allocated; for
    // programs that run several loads at once within one budget.
    std::uint64_t LoadBytes(const LoadOptions& options) const;

    // How much memory released buffers of this load may keep, together with
    // all kept before, for later loads to reuse (ZeroedBuffer::ForOverwrite);
    // set before Leer.
    void KeepReleasedMemoryUpTo(std::size_t bytes) { kept_bytes_limit_ = bytes; }

    // The producer text of the header, up to its NUL or the field's end.
    std::string Producer() const;

    // The depths the reader decodes colour and alpha at: 32 (float), 9 to 16
    // (two bytes), or 8 for any other header value. Float colour carries a
    // float alpha whatever the matte depth says.
    int ColourDepth() const;
    int MatteDepth() const;

    RLAHeader header;                 // numeric fields in host order
    std::int32_t ancho = 0;           // width in pixels
    std::int32_t alto = 0;            // height in pixels
    float gamma = 0;                  // header gamma text, parsed
    float aspect_ratio = 0;           // header pixel aspect ratio, parsed
    std::uint32_t channel_mask = 0;   // bit i set: channel kChannelLetters[i] is stored
    std::vector<std::int32_t> scanline_offsets;  // alto entries, entry 0 = bottom scanline
    bool flag_P = false;
    bool flag_L = false;
    bool flag_D = false;
    NameList names;                   // D block names, in file order

    // The image and the four channel buffers every load has, as the file
    // format's own names for them. The memory is the reader's own and goes
    // with it; these point into it (null until the load allocates it) and
    // are for reading. Code of ours reads through the accessors below, which
    // carry the sizes.
    // Image: per pixel four 16-bit words alpha, red, green, blue; rows top-down.
    const unsigned short* image_buf = nullptr;
    const unsigned char* bmm_chan_veloc_buf = nullptr;             // V: 8 bytes per pixel
    const unsigned short* bmm_chan_node_render_id_buf = nullptr;   // I: 16-bit node id
    const unsigned char* bmm_chan_coverage_buf = nullptr;          // C: 8-bit coverage
    const float* bmm_chan_z_buf = nullptr;                         // Z: 32-bit float depth
    bool keep_image = true;
    bool floats_little_endian = false;  // float colour records read little-endian

    // The colour image: ancho * alto pixels of four words alpha, red, green,
    // blue, rows top-down; empty when the load did not keep it.
    ConstSpan<unsigned short> ImageWords() const;

    // The elements of the render channel with mask bit `bit` as bytes:
    // ancho * alto elements of TamanioCanal(bit) bytes (see ChannelData);
    // empty when the file does not hold that channel.
    ConstSpan<unsigned char> ChannelBytes(int bit) const;

    // Bytes per element of the G-buffer channel with the given mask bit.
    int TamanioCanal(int bit) const;

    // The elements of the render channel with mask bit `bit`, or null when
    // the file does not hold that channel: ancho * alto elements of
    // TamanioCanal(bit) bytes, rows top-down, each element in the order
    // ReadNChannels assembles it (the first plane read in its last byte).
    // Z, C, I and V are the four buffers above; every other channel the file
    // holds has a buffer of its own, and one it lacks takes no memory.
    const unsigned char* ChannelData(int bit) const;

    // The colour and alpha of a 32-bit float file exactly as the file holds
    // them (after the byte-order decision), beside the words of image_buf:
    // per pixel four floats red, green, blue, alpha, rows top-down; alpha 0
    // where the file has no matte channel, as in the words. Null for integer
    // files and for loads that do not keep the image; those take no memory
    // for it.
    const float* ColourFloats() const { return reinterpret_cast<const float*>(float_memory.Data()); }

    // The bytes of every buffer this load holds that it fills: the image,
    // the floats, the channels the file holds, the offset table and the
    // names; the decoding's own buffers go when the load ends. The Z, C, I
    // and V buffers of channels the file lacks are not counted: they are
    // never written, and unwritten zero pages take no memory.
    std::size_t BytesHeld() const;

private:
    void LoadBody(Stream& stream, const LoadOptions& options);
    void ReadHeader(Stream& stream);
    void ParseChannelList();
    void ReadOffsets(Stream& stream);
    void SkipPBlock(Stream& stream);
    void ReadDBlock(Stream& stream);
    void CheckMemoryBudget(const LoadOptions& options) const;
    void AllocateImageBuffers(bool renderChannels);
    void ReadScanlines(Stream& stream, bool renderChannels);

    void ReadRGBA(ScanlineDecoder& decoder, unsigned short* words, float* floats);
    void ReadFloatChannel(ScanlineDecoder& decoder, unsigned short* words, float* floats, int highPlane,
                          bool twoBytes);
    void ChooseFloatByteOrder(Stream& stream, ScanlineDecoder& decoder);

    // The memory behind image_buf and every render channel, by mask bit: Z,
    // C, I and V always, every other channel when the file holds it.
    std::size_t kept_bytes_limit_ = ZeroedBuffer::kKeptBytesLimit;
    ZeroedBuffer image_memory;
    ZeroedBuffer float_memory;  // ColourFloats(), float files only
    ZeroedBuffer channel_memory[kChannelCount];
};
