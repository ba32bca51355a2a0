#include "FileStream.h"

#include "ErrorReport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

// Site numbers of the reports raised here; callers tell failures apart by them.
namespace {
constexpr int kSiteOpen = 18;
constexpr int kSiteReadError = 33;
constexpr int kSiteShortRead = 36;
constexpr int kSiteSeek = 42;

// The reason of the read that just failed, as an errno value.
int LastReadError();

#ifdef _WIN32
void* const kNoHandle = nullptr;
#else
constexpr int kNoHandle = -1;
#endif

// A small file is held whole; a large one a window at a time.
std::int32_t WindowCapacityFor(std::int64_t fileBytes)
{
    if (fileBytes < 1)
        return 1;
    return static_cast<std::int32_t>(std::min<std::int64_t>(fileBytes, FileStream::kWindowBytes));
}
}  // namespace

// The platform's part: open, read at an offset, size, close. Everything
// above them (the window, the position, the reports) is shared.
#ifdef _WIN32

namespace {

// Reads up to n bytes at offset; fewer only at the end of the file. Returns
// the count, or -1 when the system reports an error.
std::int64_t ReadAt(void* handle, std::int64_t offset, unsigned char* out, std::int32_t n)
{
    LARGE_INTEGER where;
    where.QuadPart = offset;
    if (!SetFilePointerEx(handle, where, nullptr, FILE_BEGIN))
        return -1;
    std::int64_t total = 0;
    while (total < n) {
        DWORD got = 0;
        if (!ReadFile(handle, out + total, static_cast<DWORD>(n - total), &got, nullptr))
            return -1;
        if (got == 0)
            break;  // end of file
        total += got;
    }
    return total;
}

// The C library's number for the system's last error, so that reports give
// the same reason on every platform.
int ErrnoOfLastError()
{
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

int LastReadError()
{
    return ErrnoOfLastError();
}

std::int64_t SizeOf(void* handle)
{
    LARGE_INTEGER size;
    return GetFileSizeEx(handle, &size) ? size.QuadPart : -1;
}

}  // namespace

FileStream::FileStream(const char* path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        RLA_THROW_REASON(kSiteOpen, ErrnoOfLastError(), "FileStream::FileStream()");
    handle = h;
    window_capacity_ = WindowCapacityFor(SizeOf(h));
}

int FileStream::Close()
{
    if (handle == nullptr)
        return 0;
    int result = CloseHandle(handle);
    handle = nullptr;
    window_bytes_ = 0;
    return result;
}

#else  // POSIX

namespace {

std::int64_t ReadAt(int handle, std::int64_t offset, unsigned char* out, std::int32_t n)
{
    std::int64_t total = 0;
    while (total < n) {
        ssize_t got = ::pread(handle, out + total, static_cast<size_t>(n - total), static_cast<off_t>(offset + total));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (got == 0)
            break;  // end of file
        total += got;
    }
    return total;
}

int LastReadError()
{
    return errno;
}

std::int64_t SizeOf(int handle)
{
    struct stat info;
    return ::fstat(handle, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

}  // namespace

FileStream::FileStream(const char* path)
{
    // O_NONBLOCK only matters for FIFOs, whose open would otherwise wait for a
    // writer; anything but a regular file is refused right after opening, as
    // a directory or device is no image file here any more than on Windows.
    int fd;
    do {
        fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1)
        RLA_THROW_REASON(kSiteOpen, errno, "FileStream::FileStream()");
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        // A directory gets the reason reading it would give; other special
        // files have none the system states.
        const int reason = S_ISDIR(info.st_mode) ? EISDIR : 0;
        ::close(fd);
        RLA_THROW_REASON(kSiteOpen, reason, "FileStream::FileStream()");
    }
    handle = fd;
    window_capacity_ = WindowCapacityFor(static_cast<std::int64_t>(info.st_size));
}

int FileStream::Close()
{
    if (handle == -1)
        return 0;
    int result = ::close(handle) == 0 ? 1 : 0;
    handle = -1;
    window_bytes_ = 0;
    return result;
}

#endif

int FileStream::Leer(void* buffer, std::int32_t n)
{
    constexpr int kFailed = 0;  // what the Win32 read call answers on failure
    if (n < 0 || handle == kNoHandle)
        RLA_THROW(kSiteReadError, "FileStream::Leer() =", kFailed);
    auto* out = static_cast<unsigned char*>(buffer);
    std::int32_t leido = 0;
    while (leido < n) {
        const std::int32_t wanted = n - leido;
        const std::int64_t inWindow = position_ - window_start_;
        if (inWindow >= 0 && inWindow < window_bytes_) {
            const auto take = static_cast<std::int32_t>(std::min<std::int64_t>(wanted, window_bytes_ - inWindow));
            std::memcpy(out + leido, window_.get() + inWindow, static_cast<std::size_t>(take));
            leido += take;
            position_ += take;
            continue;
        }
        if (wanted >= window_capacity_) {
            // As long as the window or longer: straight into the caller's buffer.
            const std::int64_t got = ReadAt(handle, position_, out + leido, wanted);
            if (got < 0)
                RLA_THROW_REASON(kSiteReadError, LastReadError(), "FileStream::Leer() =", kFailed);
            leido += static_cast<std::int32_t>(got);
            position_ += got;
            break;
        }
        if (!FillWindow())
            RLA_THROW_REASON(kSiteReadError, LastReadError(), "FileStream::Leer() =", kFailed);
        if (position_ - window_start_ >= window_bytes_)
            break;  // the file ends at or before the position
    }
    if (leido != n)
        RLA_THROW(kSiteShortRead, "FileStream::Leer() leido != buffer_size");
    return 1;
}

bool FileStream::FillWindow()
{
    if (!window_)
        window_.reset(new unsigned char[static_cast<std::size_t>(window_capacity_)]);
    // The loader reads the top scanline first, and files store the bottom one
    // first: a jump to just before the window means the reader is walking
    // backwards, so the new window ends where the old one began.
    std::int64_t start = position_;
    if (window_bytes_ > 0 && position_ < window_start_ && position_ >= window_start_ - window_capacity_)
        start = std::max<std::int64_t>(0, window_start_ - window_capacity_);
    window_bytes_ = 0;
    const std::int64_t got = ReadAt(handle, start, window_.get(), window_capacity_);
    if (got < 0)
        return false;
    window_start_ = start;
    window_bytes_ = static_cast<std::int32_t>(got);
    return true;
}

int FileStream::Seek(std::int32_t offset, SeekOrigin origin)
{
    // Positions beyond 2 GiB cannot be reached with a 32-bit file pointer;
    // refuse them here so the behaviour does not depend on the platform.
    std::int64_t base = -1;
    if (handle != kNoHandle) {
        if (origin == kSeekFromStart)
            base = 0;
        else if (origin == kSeekFromCurrent)
            base = position_;
        else if (origin == kSeekFromEnd)
            base = SizeOf(handle);
    }
    const std::int64_t target = base + offset;
    if (base < 0 || target < 0 || target > INT32_MAX)
        RLA_THROW(kSiteSeek, "FileStream::Seek() offset=", offset, "origin=", origin);
    position_ = target;
    return 0;
}

int FileStream::Query()
{
    return 0;
}

FileStream::~FileStream()
{
    Close();
}
