// Byte sources for the image reader. The reader reaches a file only through
// Stream::Leer (read exactly n bytes) and Stream::Seek; FileStream is the one
// implementation, over the operating system's file calls, with no buffering
// of its own: every Leer is one system read of exactly the bytes asked for.
#pragma once

#include <cstdint>

class Stream {
public:
    virtual ~Stream() = default;

    // Reads exactly n bytes at the current position into buffer, or throws.
    virtual int Leer(void* buffer, std::int32_t n) = 0;

    // Moves the read position; origin 0 = from the start, 1 = from the
    // current position, 2 = from the end. Returns 0 or throws.
    virtual int Seek(std::int32_t offset, int origin) = 0;

    // Kept for the slot layout of the interface; nothing in the reader asks it.
    virtual int Query() = 0;

    virtual int Close() = 0;
};

class FileStream : public Stream {
public:
    // Opens an existing file for reading, sharing it with other readers only.
    explicit FileStream(const char* path);
    ~FileStream() override;

    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    int Leer(void* buffer, std::int32_t n) override;
    int Seek(std::int32_t offset, int origin) override;
    int Query() override;
    int Close() override;

private:
#ifdef _WIN32
    void* handle = nullptr;  // HANDLE; null until the open succeeded
#else
    int handle = -1;  // file descriptor; -1 until the open succeeded
#endif
};
