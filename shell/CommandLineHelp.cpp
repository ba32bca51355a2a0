#include "CommandLineHelp.h"

#include "ChannelView.h"

#include <cstdio>
#include <cstring>

namespace commandlinehelp {

namespace {

const char kHelp[] =
    "usage: brimwell [--channel LETTER] [FILE.rpf]\n"
    "\n"
    "Shows the RPF image FILE.rpf. Without a file, or with anything but one\n"
    "file name, the viewer first asks for a file; it ends when none opens.\n"
    "\n"
    "Channel keys: 1 the colour, A the alpha, and each render channel by its\n"
    "letter (Z E O U N R C B I G T V W M); the key of the view shown goes back\n"
    "to the colour. Ctrl+E exports the view as PNG or the file as OpenEXR.\n"
    "\n"
    "Keys, on the main keyboard or the keypad: Ctrl+plus (or Ctrl+=) and\n"
    "Ctrl+minus zoom in and out, Ctrl+0 fits the picture in the window,\n"
    "Ctrl+1 shows real size; the wheel zooms about the pointer. Pictures\n"
    "bigger than the window open fitted in it (View > Fit Big Pictures on\n"
    "Open turns that off). Left and Right step to the previous and next .rpf\n"
    "file of the folder, Down and Up to the first and last, Ctrl+I shows the\n"
    "file's details, Ctrl+C copies what the window shows, Ctrl+P prints.\n"
    "\n"
    "  --channel LETTER  starts in that channel's view (A for alpha)\n"
    "  --help      prints this text\n"
    "  --version   prints the version\n";

constexpr int kUsageError = 2;

}  // namespace

std::optional<int> Answer(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--channel") == 0) {
            // A wrong letter is a typing error: said at once, rather than
            // after a dialog the user did not ask for.
            ChannelView view;
            if (i + 1 >= argc || std::strlen(argv[i + 1]) != 1 || !ChannelView::FromLetter(argv[i + 1][0], view)) {
                std::fprintf(stderr, "brimwell: --channel wants A or one of the letters %s, not \"%s\"\n",
                             kChannelLetters, i + 1 < argc ? argv[i + 1] : "");
                return kUsageError;
            }
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("brimwell %s\n", BRIMWELL_VERSION);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace commandlinehelp
