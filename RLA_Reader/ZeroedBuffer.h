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
//
// Buffers their owner overwrites whole before reading any byte (ForOverwrite)
// skip even that: fresh pages cost the system a fault and clearing each, about
// as much as decoding the frame, and frames played one after another release
// buffers of the very sizes the next frame asks for. So such buffers, once
// released, are kept (a bounded amount, process-wide) and handed to the next
// ForOverwrite of their size with their pages in place and their old bytes in
// them. A plain buffer never gets kept memory: it reads as zeros.
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

    // bytes for a caller that writes every one of them before it reads any:
    // kept memory of a released ForOverwrite buffer of this size, holding
    // whatever that buffer held, when there is some; otherwise as the
    // constructor (zeros, or no memory). Its memory is kept again when it
    // is released, as long as the memory kept then stays within keptLimit.
    static ZeroedBuffer ForOverwrite(std::size_t bytes, std::size_t keptLimit = kKeptBytesLimit);

    unsigned char* Data() const { return data_; }
    std::size_t Size() const { return data_ != nullptr ? bytes_ : 0; }

    // True when the memory was mapped straight from the system: it starts on
    // a page and its pages are not backed until first written.
    bool IsMapped() const;
    // True when the memory is kept memory of an earlier buffer: mapped, its
    // pages already backed.
    bool IsReused() const { return reused_; }

    // Buffers of at least this many bytes are mapped straight from the system.
    static constexpr std::size_t kMapDirectlyBytes = std::size_t(1) << 20;
    // The most memory kept for reuse at once unless the owner of a buffer
    // asks for less: two 3840 x 2160 frames' worth of image, render channels
    // and display bitmap, so that two read-ahead workers each find a
    // released frame's buffers. A program that budgets its frames' memory
    // passes its own limit with each buffer and counts it in, so that kept
    // memory never takes it over budget; a release under a lower limit gives
    // back the oldest kept memory.
    static constexpr std::size_t kKeptBytesLimit = std::size_t(512) << 20;

    // Bytes kept for reuse now.
    static std::size_t KeptBytes();
    // Gives every kept buffer back to the system (before a load is refused
    // for want of memory, the memory kept counts as free).
    static void ReleaseKept();

private:
    void Release();

    unsigned char* data_ = nullptr;
    std::size_t bytes_ = 0;
    bool keep_ = false;    // its memory is kept on release (made by ForOverwrite, mapped)
    std::size_t keptLimit_ = 0;  // ... while the memory kept stays within this
    bool reused_ = false;  // its memory came from the kept ones
};
