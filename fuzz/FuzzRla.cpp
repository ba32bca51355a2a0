// libFuzzer target over RLA::Leer. Every input is written to one file whose
// name ends in .rpf and loaded from there, the way the viewer loads a file.
// A load must end in a clean image or a report (std::runtime_error); any
// other exception escapes and, like a crash or a sanitizer finding, is
// reported by libFuzzer.
#include "RLA.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// The input lives in an in-memory file; the reader opens it through a
// symbolic link that gives it the .rpf name the loader insists on. One of
// each per process, reused for every input.
int inputFile = -1;
std::string inputPath;

// The reader accepts any image whose buffers stay within 32-bit byte counts
// and zero-fills about 23 bytes a pixel before it finds the rows missing, so
// a 16-byte header can ask for gigabytes. That measures the machine, not the
// reader, and would trip libFuzzer's memory limit; such inputs are refused
// before loading.
constexpr std::int64_t kMaxPixels = std::int64_t(4) << 20;

std::int64_t BigEndian16(const std::uint8_t* p)
{
    return std::int16_t(std::uint16_t((p[0] << 8) | p[1]));
}

bool DescribesHugeImage(const std::uint8_t* data, std::size_t size)
{
    if (size < 16)
        return false;
    const std::int64_t width = BigEndian16(data + 10) - BigEndian16(data + 8) + 1;
    const std::int64_t height = BigEndian16(data + 14) - BigEndian16(data + 12) + 1;
    return width > 0 && height > 0 && width * height > kMaxPixels;
}

void Fail(const char* what)
{
    std::perror(what);
    std::abort();
}

void RemoveInputLink()
{
    unlink(inputPath.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    inputFile = memfd_create("brimwell-fuzz-input", MFD_CLOEXEC);
    if (inputFile < 0)
        Fail("memfd_create");
    const char* tmp = std::getenv("TMPDIR");
    inputPath = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/brimwell-fuzz-" +
                std::to_string(getpid()) + ".rpf";
    unlink(inputPath.c_str());
    if (symlink(("/proc/self/fd/" + std::to_string(inputFile)).c_str(), inputPath.c_str()) != 0)
        Fail("symlink");
    std::atexit(RemoveInputLink);
    // The reader's own pixel cap, below the bound above, so that its refusal
    // runs on the inputs between the two; the memory budget then weighs what
    // passes it.
    setenv("BRIMWELL_MAX_PIXELS", std::to_string(kMaxPixels / 4).c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (DescribesHugeImage(data, size))
        return -1;  // keeps the input out of the corpus
    if (ftruncate(inputFile, 0) != 0)
        Fail("ftruncate");
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = pwrite(inputFile, data + written, size - written, off_t(written));
        if (n <= 0)
            Fail("pwrite");
        written += std::size_t(n);
    }

    // The loader never looks at the window x-min, so its low bit is free to
    // choose between the two kinds of load.
    const bool keepImage = size < 2 || (data[1] & 1) == 0;
    RLA rla;
    try {
        rla.Leer(inputPath.c_str(), keepImage);
    } catch (const std::runtime_error&) {
        // A report: the expected end of a malformed input.
    }
    return 0;
}
