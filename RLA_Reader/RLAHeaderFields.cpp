// The header's fields as the loader uses them: byte order and the channel
// list of the producer text.
#include "RLA.h"

#include <cstring>
#include <string>

namespace {

std::int16_t SwapBytes16(std::int16_t v)
{
    auto u = static_cast<std::uint16_t>(v);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
}

std::int32_t SwapBytes32(std::int32_t v)
{
    unsigned char p[4];
    std::memcpy(p, &v, 4);
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]));
}

}  // namespace

void ConvertHeaderToHost(RLAHeader& h)
{
    for (std::int16_t* field : {&h.window_left, &h.window_right, &h.window_bottom, &h.window_top,
                                &h.active_left, &h.active_right, &h.active_bottom, &h.active_top,
                                &h.frame, &h.storage_type, &h.num_chan, &h.num_matte, &h.num_aux,
                                &h.revision, &h.field, &h.chan_bits, &h.matte_type, &h.matte_bits,
                                &h.aux_bits})
        *field = SwapBytes16(*field);
    h.job_num = SwapBytes32(h.job_num);
    h.next = SwapBytes32(h.next);
}

void RLA::ParseChannelList()
{
    std::string producer = Producer();
    std::size_t open = producer.find('(');
    if (open == std::string::npos)
        return;
    for (std::size_t i = open + 1; i < producer.size(); ++i) {
        char c = producer[i];
        if (const char* letter = std::strchr(kChannelLetters, c); letter != nullptr)
            channel_mask |= 1u << (letter - kChannelLetters);
        else if (c == 'P')
            flag_P = true;
        else if (c == 'D')
            flag_D = true;
        else if (c == 'L')
            flag_L = true;
    }
}
