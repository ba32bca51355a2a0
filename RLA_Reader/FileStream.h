// Byte sources for the image reader. The reader reaches a file only through
// Stream::Leer (read exactly n bytes) and Stream::Seek; FileStream is the one
// implementation, over the operating system's file calls.
#pragma once

#include <cstdint>
#include <memory>

// Where Stream::Seek counts its offset from.
enum SeekOrigin : int {
    kSeekFromStart = 0,
    kSeekFromCurrent = 1,
    kSeekFromEnd = 2,
};

class Stream {
public:
    virtual ~Stream() = default;

    // Reads exactly n bytes at the current position into buffer, or throws.
    virtual int Leer(void* buffer, std::int32_t n) = 0;

    // Moves the read position to offset from origin. Returns 0 or throws.
    virtual int Seek(std::int32_t offset, SeekOrigin origin) = 0;

    // Answers 0. The loader never asks it; byte sources written against this
    // interface implement it all the same.
    virtual int Query() = 0;

    virtual int Close() = 0;
};

// A file opened read-only. The reader asks for a few hundred bytes at a time
// (a record's length, then its payload) and jumps from scanline to scanline,
// mostly backwards through the file; a system call for each of those small
// reads cost more than decoding them. So reads are served from a window of
// the file read in one call, and a seek only moves the position: the file is
// touched again when a read leaves the window.
class FileStream : public Stream {
public:
    // Opens an existing file for reading, sharing it with other readers only.
    explicit FileStream(const char* path);
    ~FileStream() override;

    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    int Leer(void* buffer, std::int32_t n) override;
    int Seek(std::int32_t offset, SeekOrigin origin) override;
    int Query() override;
    int Close() override;

    // Bytes of the file held at once; reads this long or longer bypass it.
    static constexpr std::int32_t kWindowBytes = 512 * 1024;

private:
    // Fills the window with file bytes around position_, placed for the
    // direction the reader is moving in. Returns false on a read error.
    bool FillWindow();

#ifdef _WIN32
    void* handle = nullptr;  // HANDLE; null until the open succeeded
#else
    int handle = -1;  // file descriptor; -1 until the open succeeded
#endif
    std::int64_t position_ = 0;          // where the next Leer starts
    std::unique_ptr<unsigned char[]> window_;
    std::int32_t window_capacity_ = 0;
    std::int64_t window_start_ = 0;      // file offset of window_[0]
    std::int32_t window_bytes_ = 0;      // valid bytes in the window
};
