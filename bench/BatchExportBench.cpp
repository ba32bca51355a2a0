// Batch export: a folder of 3840 x 2160 frames, colour and alpha only (so
// that both programs write the same four channels), converted to zip EXR by
// rpfconvert (its default: one file per processor, each compressed on every
// processor) and by OpenImageIO's oiiotool one file at a time, as a script
// would run it, asked for float channels as rpfconvert writes them. Prints
// the times and their ratio against the bound of twice as fast; asserts
// nothing. Arguments: the number of frames (default 24) and, optionally,
// the colour depth of the frames (8 or 32, default 8).
#include "BenchTiming.h"
#include "DemoScene.h"
#include "RpfWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

namespace {

using benchtiming::TimeOnce;

// Runs a shell command line; false when it did not end with status 0.
bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

std::string Quoted(const std::filesystem::path& path)
{
    return "'" + path.string() + "'";
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    const int bits = argc > 2 ? std::atoi(argv[2]) : 8;
    if (!Run("command -v oiiotool > /dev/null")) {
        std::fprintf(stderr, "oiiotool is needed (Debian: openimageio-tools)\n");
        return 1;
    }
    std::error_code error;
    const std::filesystem::path root = std::filesystem::temp_directory_path() / "brimwell-batch-export-bench";
    std::filesystem::remove_all(root, error);
    const std::filesystem::path frames = root / "frames", ours = root / "rpfconvert", theirs = root / "oiiotool";
    for (const auto& folder : {frames, ours, theirs})
        std::filesystem::create_directories(folder);

    std::printf("Writing %d frames of 3840 x 2160, %d-bit colour and alpha ...\n", count, bits);
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 1;
    const rpfgen::RpfImage image = rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), bits, false);
    std::string inputs;
    for (int i = 1; i <= count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "shot_%04d", i);
        const std::filesystem::path rpf = frames / (std::string(name) + ".rpf");
        if (!rpfgen::WriteRpf(rpf.string(), image)) {
            std::fprintf(stderr, "cannot write %s\n", rpf.c_str());
            return 1;
        }
        // oiiotool chooses its reader by the name's ending.
        std::filesystem::create_symlink(rpf.filename(), frames / (std::string(name) + ".rla"));
        inputs += " " + Quoted(rpf);
    }

    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    std::printf("uptime:");
    std::fflush(stdout);
    Run("uptime");
    bool ok = true;
    const double rpfconvert = TimeOnce([&] {
        ok &= Run(std::string(BRIMWELL_RPFCONVERT_PATH) + " --compression zip" + inputs + " " + Quoted(ours) + "/");
    });
    const double oneAtATime = TimeOnce([&] {
        ok &= Run(std::string(BRIMWELL_RPFCONVERT_PATH) + " -j 1 --compression zip" + inputs + " " +
                  Quoted(ours) + "/");
    });
    const double oiiotool = TimeOnce([&] {
        for (int i = 1; i <= count && ok; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "shot_%04d", i);
            ok &= Run("oiiotool " + Quoted(frames / (std::string(name) + ".rla")) + " -d float --compression zip -o " +
                      Quoted(theirs / (std::string(name) + ".exr")));
        }
    });
    if (!ok) {
        std::fprintf(stderr, "a conversion failed\n");
        return 1;
    }
    std::printf("\n%d frames, zip, %u processors:\n", count, processors);
    std::printf("  rpfconvert (default -j %u)      %8.0f ms  %6.2f s a frame\n", processors, rpfconvert,
                rpfconvert / 1000 / count);
    std::printf("  rpfconvert -j 1                 %8.0f ms\n", oneAtATime);
    std::printf("  oiiotool, one file at a time    %8.0f ms\n", oiiotool);
    const double ratio = oiiotool / rpfconvert;
    std::printf("  oiiotool / rpfconvert = %.2f (bound: at least 2) %s\n", ratio, ratio >= 2 ? "within" : "UNDER");
    std::filesystem::remove_all(root, error);
    return 0;
}
