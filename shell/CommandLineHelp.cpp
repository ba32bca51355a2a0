#include "CommandLineHelp.h"

#include "ChannelView.h"
#include "OcioConfig.h"

#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace commandlinehelp {

namespace {

const char kHelp[] =
    "usage: brimwell [--channel LETTER] [--exposure STOPS] [--transform T] [--compare B] [FILE.rpf]\n"
    "\n"
    "Shows the RPF image FILE.rpf. Without a file, or with anything but one\n"
    "file name, the viewer first asks for a file; it ends when none opens.\n"
    "\n"
    "Channel keys: 1 the colour, A the alpha, and each render channel by its\n"
    "letter (Z E O U N R C B I G T V W M); the key of the view shown goes back\n"
    "to the colour. Ctrl+E exports the view as PNG or the file as OpenEXR.\n"
    "\n"
    "Look keys (the colour view): ] and [ exposure up and down half a stop,\n"
    "\\ exposure 0; Shift+R, Shift+G, Shift+B, Shift+L red, green, blue,\n"
    "luminance in grey; Shift+A the colour over a checkerboard by alpha.\n"
    "\n"
    "Compare keys (with a reference loaded by File > Compare With... or\n"
    "--compare): Shift+W wipe on or off (Shift+drag moves the divider),\n"
    "Shift+X the file or the reference in turn, Shift+D the difference on or\n"
    "off, Ctrl+Shift+D the difference's gain 1, 10, 100.\n"
    "\n"
    "Keys, on the main keyboard or the keypad: Ctrl+plus (or Ctrl+=) and\n"
    "Ctrl+minus zoom in and out, Ctrl+0 fits the picture in the window,\n"
    "Ctrl+1 shows real size; the wheel zooms about the pointer. Pictures\n"
    "bigger than the window open fitted in it (View > Fit Big Pictures on\n"
    "Open turns that off). Left and Right step to the previous and next .rpf\n"
    "file of the folder, Down and Up to the first and last, Ctrl+I shows the\n"
    "file's details, Ctrl+C copies what the window shows, Ctrl+P prints.\n"
    "\n"
    "Sequence keys (a file named with a frame number, beauty_0042.rpf): Space\n"
    "plays its sequence in number order; , and . the previous and next frame\n"
    "(a missing number shows the frame before it); Ctrl+G goes to a frame;\n"
    "Ctrl+Shift+I and Ctrl+Shift+O set the in and out points, Ctrl+Shift+X\n"
    "clears them; Ctrl+T shows or hides the timeline.\n"
    "\n"
    "  --channel LETTER  starts in that channel's view (A for alpha)\n"
    "  --exposure STOPS  starts at that exposure (each value times 2^STOPS)\n"
    "  --transform T     starts with display transform T: stored (the values\n"
    "                    as stored), srgb, or DISPLAY/VIEW of the OpenColorIO\n"
    "                    config $OCIO names\n"
    "  --compare B       compares FILE.rpf with the render B; B a folder (or\n"
    "                    a file of FILE.rpf's name in another folder): its\n"
    "                    file of the name of each frame shown\n"
    "  --help      prints this text\n"
    "  --version   prints the version\n";

constexpr int kUsageError = 2;
// Further than any render needs (2^64), short of where a float turns to
// infinity or zero whatever it held.
constexpr int kMostStops = 64;

// Why text names no display transform, or nothing when it names one: the
// two built in, or a display/view of the config $OCIO names.
std::optional<std::string> TransformProblem(const char* text)
{
    const QString key = QString::fromLocal8Bit(text);
    if (key == QLatin1String("stored") || key == QLatin1String("srgb"))
        return std::nullopt;
    const QString usage = QStringLiteral("wants stored, srgb or DISPLAY/VIEW of the OpenColorIO config $OCIO names");
    if (!key.contains(QLatin1Char('/')))
        return (usage + QStringLiteral(", not \"%1\"").arg(key)).toStdString();
    const QString path = qEnvironmentVariable("OCIO");
    if (path.isEmpty())
        return (QStringLiteral("\"%1\": $OCIO names no OpenColorIO config").arg(key)).toStdString();
    const OcioConfig config = OcioConfig::Load(path);
    if (!config.IsLoaded())
        return (QStringLiteral("\"%1\": ").arg(key) + config.Error()).toStdString();
    QString why;
    if (!config.Transform(key, &why))
        return why.toLocal8Bit().toStdString();
    return std::nullopt;
}

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
        if (std::strcmp(argv[i], "--exposure") == 0) {
            const char* text = i + 1 < argc ? argv[i + 1] : "";
            char* end = nullptr;
            const double stops = std::strtod(text, &end);
            if (*text == 0 || *end != 0 || !std::isfinite(stops) || std::fabs(stops) > kMostStops) {
                std::fprintf(stderr, "brimwell: --exposure wants a number of stops from -%d to %d, not \"%s\"\n",
                             kMostStops, kMostStops, text);
                return kUsageError;
            }
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--transform") == 0) {
            const char* text = i + 1 < argc ? argv[i + 1] : "";
            if (std::optional<std::string> why = TransformProblem(text)) {
                std::fprintf(stderr, "brimwell: --transform %s\n", why->c_str());
                return kUsageError;
            }
            ++i;
            continue;
        }
        if (std::strcmp(argv[i], "--compare") == 0) {
            const char* text = i + 1 < argc ? argv[i + 1] : "";
            std::error_code error;
            if (*text == 0 || !std::filesystem::exists(std::filesystem::path(text), error)) {
                std::fprintf(stderr, "brimwell: --compare wants a file or folder, \"%s\" is neither\n", text);
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
