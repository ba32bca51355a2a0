#include "FileStream.h"

#include "ErrorReport.h"

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
}  // namespace

#ifdef _WIN32

FileStream::FileStream(const char* path)
{
    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_ARCHIVE,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        RLA_THROW(kSiteOpen, "FileStream::FileStream()");
    handle = h;
}

int FileStream::Leer(void* buffer, std::int32_t n)
{
    DWORD leido = 0;
    BOOL result = n < 0 ? FALSE : ReadFile(handle, buffer, static_cast<DWORD>(n), &leido, nullptr);
    if (!result)
        RLA_THROW(kSiteReadError, "FileStream::Leer() =", static_cast<int>(result));
    if (leido != static_cast<DWORD>(n))
        RLA_THROW(kSiteShortRead, "FileStream::Leer() leido != buffer_size");
    return result;
}

int FileStream::Seek(std::int32_t offset, int origin)
{
    if (SetFilePointer(handle, offset, nullptr, static_cast<DWORD>(origin)) == INVALID_SET_FILE_POINTER)
        RLA_THROW(kSiteSeek, "FileStream::Seek() offset=", offset, "origin=", origin);
    return 0;
}

int FileStream::Close()
{
    if (handle == nullptr)
        return 0;
    int result = CloseHandle(handle);
    handle = nullptr;
    return result;
}

#else  // POSIX

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
        RLA_THROW(kSiteOpen, "FileStream::FileStream()");
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        RLA_THROW(kSiteOpen, "FileStream::FileStream()");
    }
    handle = fd;
}

int FileStream::Leer(void* buffer, std::int32_t n)
{
    constexpr int kFailed = 0;  // what the Win32 read call answers on failure
    if (n < 0)
        RLA_THROW(kSiteReadError, "FileStream::Leer() =", kFailed);
    auto* out = static_cast<unsigned char*>(buffer);
    std::int32_t leido = 0;
    while (leido < n) {
        ssize_t got = ::read(handle, out + leido, static_cast<size_t>(n - leido));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            RLA_THROW(kSiteReadError, "FileStream::Leer() =", kFailed);
        }
        if (got == 0)
            break;  // end of file
        leido += static_cast<std::int32_t>(got);
    }
    if (leido != n)
        RLA_THROW(kSiteShortRead, "FileStream::Leer() leido != buffer_size");
    return 1;
}

int FileStream::Seek(std::int32_t offset, int origin)
{
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    // Positions beyond 2 GiB cannot be reached with a 32-bit file pointer;
    // refuse them here so the behaviour does not depend on the platform.
    off_t result = -1;
    if (origin >= 0 && origin <= 2)
        result = ::lseek(handle, static_cast<off_t>(offset), kWhence[origin]);
    if (result < 0 || result > static_cast<off_t>(INT32_MAX))
        RLA_THROW(kSiteSeek, "FileStream::Seek() offset=", offset, "origin=", origin);
    return 0;
}

int FileStream::Close()
{
    if (handle == -1)
        return 0;
    int result = ::close(handle) == 0 ? 1 : 0;
    handle = -1;
    return result;
}

#endif

int FileStream::Query()
{
    return 0;
}

FileStream::~FileStream()
{
    Close();
}
