// rpfgen: writes the demo scene as RPF files, one frame or a folder of frames.
#include "DemoScene.h"
#include "RpfWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

const char kUsage[] =
    "usage: rpfgen demo OUT.rpf [options]\n"
    "       rpfgen frames DIR [--first N] [--count N] [options]\n"
    "\n"
    "Renders the demo scene (four moving spheres over a checkered ground) with\n"
    "alpha and the Z, C, I and V render channels, and a D block naming the\n"
    "objects by node render ID (1 = ground, then the spheres); unless --channels\n"
    "ZCIV, also O (object IDs: ground 100, spheres 201..204), U (texture coordinates:\n"
    "sphere longitude and latitude, ground tiles) and N (world-space normals:\n"
    "bytes x, y, z as round(n * 127.5 + 127.5) in file order, then 255 on a\n"
    "surface and 0 for the sky).\n"
    "\n"
    "  demo     writes one frame to OUT.rpf\n"
    "  frames   writes frames first .. first+count-1 to DIR/demo_NNNN.rpf\n"
    "           (DIR is created; defaults: --first 0, --count 8)\n"
    "\n"
    "options:\n"
    "  --frame N      frame to render (demo; default 0): the spheres move with it\n"
    "  --size WxH     image size (default 640x480; each side 1..16383, at most\n"
    "                 8192 x 8192 pixels in all)\n"
    "  --bits B       colour depth 8, 16 or 32 (float); default 8\n"
    "  --samples N    N x N samples per pixel for anti-aliasing (1..8; default 4)\n"
    "  --channels C   all (default) or ZCIV: the render channels written\n"
    "  --help         prints this text\n";

constexpr int kMaxSide = 16383;   // a float record of one row must fit a 16-bit length
constexpr int kMaxFrame = 32767;  // the header's frame field is 16-bit
// Rendering keeps several full-size buffers of floats and doubles; beyond this
// a frame would take many gigabytes.
constexpr long long kMaxPixels = 8192LL * 8192LL;

struct Options {
    std::string mode;
    std::string target;
    rpfgen::DemoSettings settings;
    int bits = 8;
    int first = 0;
    int count = 8;
    bool everyChannel = true;
};

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "rpfgen: %s\n\n%s", message.c_str(), kUsage);
    std::exit(2);
}

int ParseInt(const std::string& option, const char* text, int low, int high)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || value < low || value > high)
        UsageError(option + " wants a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                   ", not \"" + text + "\"");
    return int(value);
}

void ParseSize(const char* text, rpfgen::DemoSettings& settings)
{
    const char* x = std::strchr(text, 'x');
    if (x == nullptr)
        UsageError(std::string("--size wants WxH, not \"") + text + "\"");
    const std::string width(text, x);
    settings.width = ParseInt("--size width", width.c_str(), 1, kMaxSide);
    settings.height = ParseInt("--size height", x + 1, 1, kMaxSide);
    if (static_cast<long long>(settings.width) * settings.height > kMaxPixels)
        UsageError("--size " + std::string(text) + " is more than " + std::to_string(kMaxPixels) + " pixels");
}

Options ParseArguments(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
    }
    if (argc < 3)
        UsageError("a mode and a target are needed");
    Options options;
    options.mode = argv[1];
    options.target = argv[2];
    if (options.mode != "demo" && options.mode != "frames")
        UsageError("unknown mode \"" + options.mode + "\"");

    for (int i = 3; i < argc; ++i) {
        const std::string option = argv[i];
        if (i + 1 >= argc)
            UsageError(option + " needs a value");
        const char* value = argv[++i];
        if (option == "--size")
            ParseSize(value, options.settings);
        else if (option == "--bits")
            options.bits = ParseInt(option, value, 8, 32);
        else if (option == "--samples")
            options.settings.samples = ParseInt(option, value, 1, 8);
        else if (option == "--channels" && (std::strcmp(value, "all") == 0 || std::strcmp(value, "ZCIV") == 0))
            options.everyChannel = std::strcmp(value, "all") == 0;
        else if (option == "--channels")
            UsageError("--channels wants ZCIV or all, not \"" + std::string(value) + "\"");
        else if (option == "--frame" && options.mode == "demo")
            options.settings.frame = ParseInt(option, value, 0, kMaxFrame);
        else if (option == "--first" && options.mode == "frames")
            options.first = ParseInt(option, value, 0, kMaxFrame);
        else if (option == "--count" && options.mode == "frames")
            options.count = ParseInt(option, value, 1, 1000);
        else
            UsageError("unknown option \"" + option + "\" for " + options.mode);
    }
    if (options.bits != 8 && options.bits != 16 && options.bits != 32)
        UsageError("--bits must be 8, 16 or 32");
    if (options.mode == "frames" && options.first + options.count - 1 > kMaxFrame)
        UsageError("frames beyond " + std::to_string(kMaxFrame) + " do not fit the header");
    return options;
}

bool WriteFrame(const Options& options, int frame, const std::string& path)
{
    rpfgen::DemoSettings settings = options.settings;
    settings.frame = frame;
    const rpfgen::DemoRender render = rpfgen::RenderDemo(settings);
    if (!rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(render, options.bits, true, options.everyChannel))) {
        std::fprintf(stderr, "rpfgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseArguments(argc, argv);
    if (options.mode == "demo")
        return WriteFrame(options, options.settings.frame, options.target) ? 0 : 1;

    std::error_code error;
    std::filesystem::create_directories(options.target, error);
    if (error) {
        std::fprintf(stderr, "rpfgen: cannot create %s: %s\n", options.target.c_str(), error.message().c_str());
        return 1;
    }
    for (int frame = options.first; frame < options.first + options.count; ++frame) {
        char name[32];
        std::snprintf(name, sizeof name, "demo_%04d.rpf", frame);
        if (!WriteFrame(options, frame, (std::filesystem::path(options.target) / name).string()))
            return 1;
    }
    return 0;
}
