// A read-only view of a run of elements someone else owns: pointer and
// count, for handing out a loaded buffer with its size (we build as C++17,
// before std::span).
#pragma once

#include <cstddef>

template <typename T>
class ConstSpan {
public:
    ConstSpan() = default;
    ConstSpan(const T* data, std::size_t size) : data_(size != 0 ? data : nullptr), size_(data ? size : 0) {}

    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    const T* data_ = nullptr;
    std::size_t size_ = 0;
};
