#include "FileStamp.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
#endif

FileStamp FileStamp::Of(const std::string& pathBytes)
{
    FileStamp stamp;
#ifdef _WIN32
    // Paths are UTF-8 bytes on Windows; the wide call sees every name.
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, pathBytes.c_str(), -1, nullptr, 0);
    if (wideLength <= 0)
        return stamp;
    std::wstring wide(std::size_t(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, pathBytes.c_str(), -1, wide.data(), wideLength);
    struct _stat64 info;
    if (_wstat64(wide.c_str(), &info) != 0)
        return stamp;
    stamp.modifiedNs = std::int64_t(info.st_mtime) * 1000000000;
#else
    struct stat info;
    if (stat(pathBytes.c_str(), &info) != 0)
        return stamp;
#if defined(__APPLE__)
    stamp.modifiedNs = std::int64_t(info.st_mtimespec.tv_sec) * 1000000000 + info.st_mtimespec.tv_nsec;
#else
    stamp.modifiedNs = std::int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
#endif
    stamp.inode = std::uint64_t(info.st_ino);
#endif
    stamp.exists = true;
    stamp.size = std::uint64_t(info.st_size);
    stamp.device = std::uint64_t(info.st_dev);
    return stamp;
}
