// brimwell-thumbnailer: PNG thumbnails of RPF files for file managers, run
// through the freedesktop thumbnailer entry. Needs no display.
#include "MemoryBudget.h"
#include "OutputFile.h"
#include "PngExport.h"
#include "Thumbnail.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: brimwell-thumbnailer -s SIZE [--max-memory BYTES] INPUT OUTPUT\n"
    "\n"
    "Writes a PNG thumbnail of the RPF file INPUT to OUTPUT: its colour\n"
    "picture as the viewer shows it (alpha ignored), no larger than SIZE\n"
    "pixels on its long side, with its aspect kept. Smaller pictures keep\n"
    "their size. Only the colour is read; the render channels are skipped.\n"
    "\n"
    "The PNG is written into OUTPUT itself, as thumbnail services expect (they\n"
    "create that file and read it back). OUTPUT is refused when it is INPUT\n"
    "(the same file under any name) or exists and is not a regular file.\n"
    "\n"
    "  -s, --size SIZE      the long side's limit, 1 to 16384 pixels\n"
    "  --max-memory BYTES   the most the picture may take in memory; 512 MiB\n"
    "                       unless this or the environment variable\n"
    "                       BRIMWELL_MAX_MEMORY (bytes) says otherwise. A file\n"
    "                       needing more is refused before anything is\n"
    "                       allocated.\n"
    "  --help               prints this text\n"
    "  --version            prints the version\n"
    "\n"
    "Exit status: 0 when the thumbnail was written; 1 when INPUT could not be\n"
    "read or OUTPUT not written or refused, in which case nothing new is left\n"
    "at OUTPUT; 2 for a usage error.\n";

constexpr int kMaxSize = 16384;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "brimwell-thumbnailer: %s\n\n%s", message.c_str(), kUsage);
    std::exit(kExitUsage);
}

int ParseSize(const char* text)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < 1 || value > kMaxSize)
        UsageError("the size wants a whole number from 1 to " + std::to_string(kMaxSize) + ", not \"" + text + "\"");
    return int(value);
}

}  // namespace

int main(int argc, char** argv)
{
    int size = 0;
    std::uint64_t memoryCap = memorybudget::CapFromEnvironment(thumbnail::kDefaultMemoryCap);
    std::vector<const char*> files;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            files.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "-s") == 0 || std::strcmp(arg, "--size") == 0) {
            if (i + 1 == argc)
                UsageError(std::string(arg) + " wants a size");
            size = ParseSize(argv[++i]);
        } else if (std::strcmp(arg, "--max-memory") == 0) {
            if (i + 1 == argc)
                UsageError("--max-memory wants a number of bytes");
            ++i;
            if (!memorybudget::ParseBytes(argv[i], memoryCap))
                UsageError(std::string("--max-memory wants a whole number of bytes, not \"") + argv[i] + "\"");
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(arg, "--version") == 0) {
            std::printf("brimwell-thumbnailer %s\n", BRIMWELL_VERSION);
            return 0;
        } else {
            UsageError(std::string("unknown option \"") + arg + "\"");
        }
    }
    if (size == 0)
        UsageError("-s SIZE is missing");
    if (files.size() != 2)
        UsageError("wants one INPUT and one OUTPUT");

    // The reader writes its diagnostic lines to standard output; the file
    // manager keeps standard error, where they belong with the failure.
    std::cout.rdbuf(std::cerr.rdbuf());
    const std::vector<std::string> inputs = {files[0]};
    // Refused before the read: a refused output costs no decoding.
    const std::string refusal = outputfile::Refusal(files[1], inputs);
    if (!refusal.empty()) {
        std::fprintf(stderr, "brimwell-thumbnailer: %s\n", refusal.c_str());
        return kExitFailed;
    }
    QByteArray png;
    try {
        png = pngexport::Encode(thumbnail::Make(files[0], size, memoryCap));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brimwell-thumbnailer: %s: %s", files[0], error.what());
        const std::size_t length = std::strlen(error.what());
        if (length == 0 || error.what()[length - 1] != '\n')
            std::fputc('\n', stderr);
        return kExitFailed;
    }
    const std::string failure = outputfile::WriteInPlace(files[1], png.constData(), std::size_t(png.size()), inputs);
    if (!failure.empty()) {
        std::fprintf(stderr, "brimwell-thumbnailer: %s: %s\n", files[1], failure.c_str());
        return kExitFailed;
    }
    return 0;
}
