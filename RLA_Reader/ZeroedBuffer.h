// Zero-filled memory for the image and the render channel buffers, owned:
// released by the destructor, whichever way it was obtained.
//
// The buffers are zero-filled without writing a byte of them. A large buffer
// is mapped straight from the system, whose fresh pages read as zeros until
// written; calloc would hand back recycled heap memory and clear it whenever
// the allocator has raised its own mapping threshold, which it does after
// each large free, so loading frame after frame would pay for clearing every
// channel buffer the files never fill. The mapping also asks for large pages
// where the system offers them on request: a buffer written from end to end
// then costs one fault per 2 MiB instead of per page.
#pragma once

#include <cstddef>

class ZeroedBuffer {
public:
    // No memory.
    ZeroedBuffer() = default;
    // bytes of zeros; holds no memory (Data() null) when the system has none
    // to give.
    explicit ZeroedBuffer(std::size_t bytes);
    ~ZeroedBuffer();

    ZeroedBuffer(ZeroedBuffer&& other) noexcept;
    ZeroedBuffer& operator=(ZeroedBuffer&& other) noexcept;
    ZeroedBuffer(const ZeroedBuffer&) = delete;
    ZeroedBuffer& operator=(const ZeroedBuffer&) = delete;

    unsigned char* Data() const { return data_; }
    std::size_t Size() const { return data_ != nullptr ? bytes_ : 0; }

    // True when the memory was mapped straight from the system: it starts on
    // a page and its pages are not backed until first written.
    bool IsMapped() const;

    // Buffers of at least this many bytes are mapped straight from the system.
    static constexpr std::size_t kMapDirectlyBytes = std::size_t(1) << 20;

private:
    void Release();

    unsigned char* data_ = nullptr;
    std::size_t bytes_ = 0;
};
