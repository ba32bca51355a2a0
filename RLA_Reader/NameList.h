// The D block's object names, stored compactly: every name's bytes in one
// block, each followed by its NUL, and where each name starts. A block of a
// million short names then costs a few bytes a name rather than a string
// object each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class NameList {
public:
    // Appends a name (its bytes up to, not including, a NUL).
    void Add(std::string_view name);
    void Reserve(std::size_t names, std::size_t bytes);

    std::size_t size() const { return starts_.size(); }
    bool empty() const { return starts_.empty(); }

    // Name i in file order, 0 <= i < size().
    std::string operator[](std::size_t i) const { return std::string(View(i)); }
    std::string_view View(std::size_t i) const;

    std::vector<std::string> ToVector() const;

    // The memory the list holds.
    std::size_t BytesHeld() const { return bytes_.capacity() + starts_.capacity() * sizeof(std::uint32_t); }

    bool operator==(const std::vector<std::string>& other) const;

private:
    std::string bytes_;                 // the names, each followed by a NUL
    std::vector<std::uint32_t> starts_; // where each name begins in bytes_
};
