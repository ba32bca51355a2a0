#include "OutputFile.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#ifdef _WIN32
#include <filesystem>
#include <fstream>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace outputfile {

namespace {

std::string SystemReason(int error)
{
    return std::strerror(error);
}

#ifndef _WIN32

// Why the file with status file may not be written by a run reading inputs.
std::string RefusalOf(const struct stat& file, const std::string& output, const std::vector<std::string>& inputs)
{
    if (!S_ISREG(file.st_mode))
        return "refusing to write " + output + ": it exists and is not a regular file";
    for (const std::string& input : inputs) {
        struct stat in;
        if (stat(input.c_str(), &in) == 0 && in.st_dev == file.st_dev && in.st_ino == file.st_ino)
            return "refusing to write " + output + ": it is the input file " + input;
    }
    return {};
}

// Writes every byte, through interruptions and short writes; false with
// errno set when the system refuses (a full disk, a lost mount).
bool WriteAll(int fd, const void* data, std::size_t size)
{
    const char* next = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = write(fd, next, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        next += written;
        size -= std::size_t(written);
    }
    return true;
}

#endif

}  // namespace

#ifndef _WIN32

std::string Refusal(const std::string& output, const std::vector<std::string>& inputs)
{
    struct stat file;
    if (stat(output.c_str(), &file) != 0)
        return {};  // missing; any other trouble is the write's to report
    return RefusalOf(file, output, inputs);
}

void WriteNew(const std::string& path, const void* data, std::size_t size)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0)
        throw std::runtime_error("cannot write " + path + ": " + SystemReason(errno));
    const bool written = WriteAll(fd, data, size);
    const int writeError = errno;
    // A network file system may report a failed write only when closed.
    if (close(fd) != 0 && written)
        throw std::runtime_error("cannot write " + path + ": " + SystemReason(errno));
    if (!written)
        throw std::runtime_error("cannot write " + path + ": " + SystemReason(writeError));
}

std::string WriteInPlace(const std::string& path, const void* data, std::size_t size,
                         const std::vector<std::string>& inputs)
{
    std::string refusal = Refusal(path, inputs);
    if (!refusal.empty())
        return refusal;
    // Created readable by its owner only, as thumbnails of private pictures
    // should be; a file the caller made keeps the caller's permissions.
    bool created = true;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        // Not blocking: a pipe put there since the check fails to open
        // rather than wait for a reader.
        fd = open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    }
    if (fd < 0)
        return SystemReason(errno);
    // The file actually opened is checked again: the name may have been
    // pointed elsewhere since.
    struct stat file;
    if (fstat(fd, &file) != 0) {
        refusal = SystemReason(errno);
    } else {
        refusal = RefusalOf(file, path, inputs);
    }
    if (!refusal.empty()) {
        close(fd);
        return refusal;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::string failure;
    if (ftruncate(fd, 0) != 0 || !WriteAll(fd, data, size))
        failure = SystemReason(errno);
    if (failure.empty()) {
        if (close(fd) != 0)
            failure = SystemReason(errno);
    } else {
        (void)!ftruncate(fd, 0);
        close(fd);
    }
    if (!failure.empty() && created)
        unlink(path.c_str());
    return failure;
}

#else

std::string Refusal(const std::string& output, const std::vector<std::string>& inputs)
{
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(output, error);
    if (error || !std::filesystem::exists(status))
        return {};
    if (!std::filesystem::is_regular_file(status))
        return "refusing to write " + output + ": it exists and is not a regular file";
    for (const std::string& input : inputs) {
        if (std::filesystem::equivalent(output, input, error))
            return "refusing to write " + output + ": it is the input file " + input;
    }
    return {};
}

void WriteNew(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out.write(static_cast<const char*>(data), std::streamsize(size)) || !out.flush())
        throw std::runtime_error("cannot write " + path + ": " + SystemReason(errno));
}

std::string WriteInPlace(const std::string& path, const void* data, std::size_t size,
                         const std::vector<std::string>& inputs)
{
    const std::string refusal = Refusal(path, inputs);
    if (!refusal.empty())
        return refusal;
    try {
        WriteNew(path, data, size);
    } catch (const std::exception& error) {
        std::ofstream(path, std::ios::binary | std::ios::trunc);
        return error.what();
    }
    return {};
}

#endif

}  // namespace outputfile
