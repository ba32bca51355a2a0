// rpfinfo: what the reader makes of RPF files, in a form scripts can read.
#include "MemoryBudget.h"
#include "RLA.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: rpfinfo [--stats] [--max-memory BYTES] FILE...\n"
    "\n"
    "Reads every FILE with the viewer's reader and prints, per file, one\n"
    "\"label: value\" line each, with a blank line between files:\n"
    "\n"
    "  file: PATH           the path as given\n"
    "  width: N             in pixels\n"
    "  height: N\n"
    "  producer: TEXT       the producer text (with its channel list)\n"
    "  colour-bits: N       8, 9 to 16, or 32 (float), as the reader decodes colour\n"
    "  matte-bits: N        8, 9 to 16, or 32 for the alpha channel, or none\n"
    "  channels: LETTERS    render channel letters present, in the order\n"
    "                       ZEOUNRCBIGTVWM, then the block letters P, D, L\n"
    "  names: \"A\" \"B\"...    the D block names, each in double quotes\n"
    "\n"
    "Only the header, the scanline offset table and the P and D blocks are\n"
    "read: no pixel is decoded, so damaged scanlines are found only with\n"
    "--stats, which decodes every scanline (colour and render channels) and\n"
    "adds two lines, as 16-bit words the way the reader decodes the colour:\n"
    "\n"
    "  colour-min: R G B A  the least red, green, blue and alpha in the image\n"
    "  colour-max: R G B A  the greatest\n"
    "\n"
    "With --stats a file whose image needs more memory than the system can\n"
    "give, or than --max-memory BYTES (or the environment variable\n"
    "BRIMWELL_MAX_MEMORY) allows, fails with a report before anything is\n"
    "allocated.\n"
    "\n"
    "A value with nothing in it ends right after the colon. In texts, a\n"
    "backslash, a double quote and bytes outside printable ASCII are written\n"
    "as \\\\, \\\" and \\xNN, so every value stays on its line.\n"
    "\n"
    "A file that fails to load prints \"PATH: \" and the reader's report (a\n"
    "message line and a source line) to standard error, after any diagnostic\n"
    "line the reader wrote while loading it, also prefixed with \"PATH: \". The\n"
    "other files are still reported. Exit status: 0 when every file loaded,\n"
    "1 when any failed, 2 for a usage error.\n";

std::string Escaped(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += char(c);
        }
    }
    return out;
}

void PrintLine(const char* label, const std::string& value)
{
    if (value.empty())
        std::printf("%s:\n", label);
    else
        std::printf("%s: %s\n", label, value.c_str());
}

std::string ColourBits(const RLA& image)
{
    return std::to_string(image.ColourDepth());
}

std::string MatteBits(const RLA& image)
{
    if (image.header.num_matte <= 0)
        return "none";
    return std::to_string(image.MatteDepth());
}

std::string ChannelLetters(const RLA& image)
{
    std::string letters;
    for (int bit = 0; bit < kChannelCount; ++bit)
        if (image.channel_mask & (1u << bit))
            letters += kChannelLetters[bit];
    if (image.flag_P)
        letters += 'P';
    if (image.flag_D)
        letters += 'D';
    if (image.flag_L)
        letters += 'L';
    return letters;
}

std::string Names(const RLA& image)
{
    std::string out;
    for (std::size_t i = 0; i < image.names.size(); ++i) {
        if (!out.empty())
            out += ' ';
        out += '"' + Escaped(image.names[i]) + '"';
    }
    return out;
}

struct Settings {
    bool stats = false;
    std::uint64_t memoryCap = memorybudget::CapFromEnvironment();
};

// The least and greatest of each of the four words of every pixel.
void PrintColourRange(const RLA& image)
{
    std::uint16_t least[4] = {65535, 65535, 65535, 65535};
    std::uint16_t most[4] = {0, 0, 0, 0};
    const std::size_t pixels = std::size_t(image.ancho) * std::size_t(image.alto);
    const unsigned short* words = image.image_buf;  // alpha, red, green, blue
    for (std::size_t i = 0; i < pixels; ++i, words += 4) {
        for (int k = 0; k < 4; ++k) {
            least[k] = std::min<std::uint16_t>(least[k], words[k]);
            most[k] = std::max<std::uint16_t>(most[k], words[k]);
        }
    }
    std::printf("colour-min: %u %u %u %u\n", least[1], least[2], least[3], least[0]);
    std::printf("colour-max: %u %u %u %u\n", most[1], most[2], most[3], most[0]);
}

// Prints the file's lines, or its report to standard error; true when it loaded.
bool Report(const char* path, bool first, const Settings& settings)
{
    RLA image;
    // The reader writes a diagnostic line to standard output when a render
    // channel fails; it belongs with the failure on standard error, not among
    // the labelled lines.
    std::ostringstream diagnostics;
    std::streambuf* const console = std::cout.rdbuf(diagnostics.rdbuf());
    std::string failure;
    try {
        LoadOptions options;
        options.pixels = settings.stats ? LoadOptions::Pixels::Everything : LoadOptions::Pixels::None;
        options.keepImage = settings.stats;
        options.memoryCap = settings.memoryCap;
        image.Leer(path, options);
    } catch (const std::runtime_error& report) {
        failure = report.what();
    } catch (const std::exception& error) {
        failure = std::string(error.what()) + "\n";
    }
    std::cout.rdbuf(console);
    if (!failure.empty()) {
        std::fflush(stdout);
        std::istringstream lines(diagnostics.str());
        for (std::string line; std::getline(lines, line);)
            std::fprintf(stderr, "%s: %s\n", path, line.c_str());
        std::fprintf(stderr, "%s: %s", path, failure.c_str());
        return false;
    }
    if (!first)
        std::printf("\n");
    PrintLine("file", path);
    PrintLine("width", std::to_string(image.ancho));
    PrintLine("height", std::to_string(image.alto));
    PrintLine("producer", Escaped(image.Producer()));
    PrintLine("colour-bits", ColourBits(image));
    PrintLine("matte-bits", MatteBits(image));
    PrintLine("channels", ChannelLetters(image));
    PrintLine("names", Names(image));
    if (settings.stats)
        PrintColourRange(image);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<const char*> files;
    Settings settings;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || arg[1] == '\0') {
            files.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(arg, "--stats") == 0) {
            settings.stats = true;
        } else if (std::strcmp(arg, "--max-memory") == 0) {
            if (i + 1 == argc || !memorybudget::ParseBytes(argv[i + 1], settings.memoryCap)) {
                std::fprintf(stderr, "rpfinfo: --max-memory wants a whole number of bytes\n\n%s", kUsage);
                return 2;
            }
            ++i;
        } else {
            std::fprintf(stderr, "rpfinfo: unknown option \"%s\"\n\n%s", arg, kUsage);
            return 2;
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    bool allLoaded = true;
    bool first = true;
    for (const char* path : files) {
        if (Report(path, first, settings))
            first = false;
        else
            allLoaded = false;
    }
    std::fflush(stdout);
    return allLoaded ? 0 : 1;
}
