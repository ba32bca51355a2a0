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

// The reader accepts any image whose buffers stay within 32-bit byte counts,
// so a 16-byte header can ask for gigabytes. Every input is loaded under a
// low memory cap of the harness's own, which the reader's memory check
// weighs before it allocates: a declared image above it ends in the budget
// report, and the check itself is fuzzed. Images up to the cap load, within
// libFuzzer's memory limit.
constexpr std::uint64_t kMemoryCap = std::uint64_t(96) << 20;
// The pixel cap, so that its refusal runs too, on the images the memory
// cap would let through with fewer channels.
constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 22;

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
    setenv("BRIMWELL_MAX_PIXELS", std::to_string(kMaxPixels).c_str(), 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (ftruncate(inputFile, 0) != 0)
        Fail("ftruncate");
    for (std::size_t written = 0; written < size;) {
        const ssize_t n = pwrite(inputFile, data + written, size - written, off_t(written));
        if (n <= 0)
            Fail("pwrite");
        written += std::size_t(n);
    }

    // The loader never looks at the window x-min, so its low bits are free
    // to choose the kind of load: the colour kept or not, and every channel
    // (the viewer, rpfconvert), the colour alone (the thumbnailer) or no
    // pixels at all (rpfinfo).
    const unsigned choice = size < 2 ? 0u : data[1];
    LoadOptions options;
    options.keepImage = (choice & 1) == 0;
    options.pixels = (choice & 6) == 2   ? LoadOptions::Pixels::ColourOnly
                     : (choice & 6) == 4 ? LoadOptions::Pixels::None
                                         : LoadOptions::Pixels::Everything;
    options.callerBytesPerPixel = options.keepImage ? 8 : 0;
    options.memoryCap = kMemoryCap;
    RLA rla;
    try {
        rla.Leer(inputPath.c_str(), options);
    } catch (const std::runtime_error&) {
        // A report: the expected end of a malformed input.
    }
    return 0;
}
