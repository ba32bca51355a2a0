#include "FileBytes.h"

#include <algorithm>
#include <stdexcept>

namespace rpfgen {

namespace {

void CheckRange(const Bytes& file, std::size_t at, std::size_t size)
{
    if (at > file.size() || size > file.size() - at)
        throw std::out_of_range("byte access outside the file");
}

}  // namespace

void PutBigEndian16(Bytes& file, std::size_t at, int value)
{
    CheckRange(file, at, 2);
    file[at] = std::uint8_t((value >> 8) & 0xFF);
    file[at + 1] = std::uint8_t(value & 0xFF);
}

void PutBigEndian32(Bytes& file, std::size_t at, std::uint32_t value)
{
    CheckRange(file, at, 4);
    for (std::size_t i = 0; i < 4; ++i)
        file[at + i] = std::uint8_t(value >> (24 - 8 * i));
}

void PutLittleEndian32(Bytes& file, std::size_t at, std::uint32_t value)
{
    CheckRange(file, at, 4);
    for (std::size_t i = 0; i < 4; ++i)
        file[at + i] = std::uint8_t(value >> (8 * i));
}

std::uint32_t GetBigEndian32(const Bytes& file, std::size_t at)
{
    CheckRange(file, at, 4);
    return (std::uint32_t(file[at]) << 24) | (std::uint32_t(file[at + 1]) << 16) |
           (std::uint32_t(file[at + 2]) << 8) | std::uint32_t(file[at + 3]);
}

void AppendBigEndian16(Bytes& out, std::size_t value)
{
    out.push_back(std::uint8_t((value >> 8) & 0xFF));
    out.push_back(std::uint8_t(value & 0xFF));
}

void AppendLittleEndian32(Bytes& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(value >> (8 * i)));
}

void PutText(Bytes& file, std::size_t at, std::size_t fieldSize, const std::string& text)
{
    CheckRange(file, at, fieldSize);
    std::fill_n(file.begin() + std::ptrdiff_t(at), fieldSize, std::uint8_t(0));
    std::copy_n(text.begin(), std::min(fieldSize, text.size()), file.begin() + std::ptrdiff_t(at));
}

}  // namespace rpfgen
