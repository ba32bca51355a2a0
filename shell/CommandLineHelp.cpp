#include "CommandLineHelp.h"

#include <cstdio>
#include <cstring>

namespace commandlinehelp {

namespace {

const char kHelp[] =
    "usage: brimwell [FILE.rpf]\n"
    "\n"
    "Shows the RPF image FILE.rpf. Without a file, or with anything but one\n"
    "file name, the viewer first asks for a file; it ends when none opens.\n"
    "\n"
    "Keys: Ctrl+keypad plus and minus zoom in and out (so does the wheel),\n"
    "Ctrl+keypad 0 fits the picture in the window, Ctrl+keypad 1 shows real\n"
    "size, Left and Right step to the previous and next .rpf file of the\n"
    "folder, Down and Up to the first and last, Ctrl+I shows the file's\n"
    "details, Ctrl+C copies what the window shows, Ctrl+P prints.\n"
    "\n"
    "  --help      prints this text\n"
    "  --version   prints the version\n";

}  // namespace

std::optional<int> Answer(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("brimwell %s\n", BRIMWELL_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace commandlinehelp
