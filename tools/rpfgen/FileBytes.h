// Byte-level access to an encoded file: the big- and little-endian numbers
// and fixed-size text fields the format is made of. The writer builds files
// with them, and tests patch encoded files with them to make malformed ones.
// Every access is bounds-checked: a patch outside the file throws
// std::out_of_range instead of writing past it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rpfgen {

using Bytes = std::vector<std::uint8_t>;

void PutBigEndian16(Bytes& file, std::size_t at, int value);
void PutBigEndian32(Bytes& file, std::size_t at, std::uint32_t value);
void PutLittleEndian32(Bytes& file, std::size_t at, std::uint32_t value);
std::uint32_t GetBigEndian32(const Bytes& file, std::size_t at);

void AppendBigEndian16(Bytes& out, std::size_t value);
void AppendLittleEndian32(Bytes& out, std::uint32_t value);

// A text field of fieldSize bytes at `at`: the text, cut at the field's end,
// and NULs after it.
void PutText(Bytes& file, std::size_t at, std::size_t fieldSize, const std::string& text);

}  // namespace rpfgen
