// The figures of two compared 3840 x 2160 renders (demo frames 0 and 1, with
// Z, C, I and V): the colour's, the depth's and every channel's, against the
// time to read one of the frames, for 8-bit and float colour. Prints figures
// and ratios; asserts nothing.
#include "BenchTiming.h"
#include "DemoScene.h"
#include "ImageComparison.h"
#include "RLA.h"
#include "RpfWriter.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;

// The processor time of this program: on a machine shared with other work
// the wall clock also counts the time others had the processors. The
// comparison runs on one thread; the read readies memory on a second, which
// this counts too.
double ProcessCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const double start = ProcessCpuMilliseconds();
        work();
        times.push_back(ProcessCpuMilliseconds() - start);
    }
    return benchtiming::Median(times);
}

std::string WriteFrame(const std::string& folder, int frame, int bits)
{
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 1;
    settings.frame = frame;
    const std::string path = folder + "/frame" + std::to_string(frame) + "_" + std::to_string(bits) + ".rpf";
    if (!rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), bits, true))) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("brimwell-compare-bench-" + std::to_string(Clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);

    std::printf("Two 3840 x 2160 demo frames with Z, C, I and V; processor time, median of %d runs\n", runs);
    std::printf("  %-6s %12s %12s %12s %16s\n", "colour", "read one", "colour", "Z", "every channel");
    for (int bits : {8, 32}) {
        std::fprintf(stderr, "rendering the %d-bit frames ...\n", bits);
        const std::string a = WriteFrame(folder.string(), 0, bits);
        const std::string b = WriteFrame(folder.string(), 1, bits);
        const double read = MedianMs(runs, [&] {
            RLA frame;
            frame.Leer(a.c_str(), true);
        });
        RLA frameA, frameB;
        frameA.Leer(a.c_str(), true);
        frameB.Leer(b.c_str(), true);
        using Kind = ChannelFigures::Kind;
        const double colour = MedianMs(runs, [&] { CompareChannel(frameA, frameB, Kind::Colour); });
        const double depth = MedianMs(runs, [&] { CompareChannel(frameA, frameB, Kind::Render, kChannelZ); });
        const double every = MedianMs(runs, [&] { CompareImages(frameA, frameB); });
        std::printf("  %-6s %9.1f ms %9.1f ms %9.1f ms %13.1f ms\n", bits == 32 ? "float" : "8-bit", read, colour,
                    depth, every);
        std::printf("  %-6s %12s %11.2fx %11.2fx %15.2fx  of reading one frame\n", "", "", colour / read,
                    depth / read, every / read);
        const ImageComparison figures = CompareImages(frameA, frameB);
        const ChannelFigures* c = figures.Find(Kind::Colour);
        std::printf("  %-6s (colour: %llu pixels differ, largest %.4g, PSNR %.2f dB)\n", "",
                    static_cast<unsigned long long>(c->differing), c->maxDifference, c->psnr);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
