// Channel views of a 3840 x 2160 frame with every channel the demo renders
// (Z, O, U, N, C, I, V): the time to draw each view's bitmap (a view switch in
// the window), and the time to build the pixel readout of a frame and to
// format one readout (a pointer move). Prints figures and how they stand
// against their bounds; asserts nothing.
#include "BenchTiming.h"
#include "ChannelRenderer.h"
#include "ChannelView.h"
#include "DemoScene.h"
#include "FrameChannels.h"
#include "PixelReadout.h"
#include "RLA.h"
#include "RpfWriter.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Milliseconds;

constexpr double kViewSwitchBoundMs = 50.0;
constexpr double kReadoutBoundMs = 1.0;

// The time this program's threads spent on the processors: on a machine
// shared with other work the wall clock also counts the time others had
// them, while this is the work itself (summed over the rendering threads).
double ProcessCpuMilliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

struct Timing {
    double wall = 0;  // median milliseconds
    double cpu = 0;
};

Timing MedianOf(int runs, const std::function<void()>& work)
{
    std::vector<double> walls, cpus;
    for (int run = 0; run < runs; ++run) {
        const double cpuStart = ProcessCpuMilliseconds();
        const Clock::time_point start = Clock::now();
        work();
        walls.push_back(Milliseconds(Clock::now() - start));
        cpus.push_back(ProcessCpuMilliseconds() - cpuStart);
    }
    std::sort(walls.begin(), walls.end());
    std::sort(cpus.begin(), cpus.end());
    return {walls[walls.size() / 2], cpus[cpus.size() / 2]};
}

const char* Verdict(double value, double bound)
{
    return value < bound ? "within" : "OVER";
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;

    std::printf("Rendering the demo scene at 3840 x 2160 with every channel ...\n");
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("brimwell-channel-bench-" + std::to_string(Clock::now().time_since_epoch().count()) +
                               ".rpf")).string();
    rpfgen::DemoSettings settings;
    settings.width = 3840;
    settings.height = 2160;
    settings.samples = 1;
    if (!rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true, true))) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return 1;
    }
    RLA loader;
    loader.Leer(path.c_str(), true);
    std::filesystem::remove(path);
    const FrameChannels frame = FrameChannelsOf(loader);

    std::printf("\nView switch: drawing the view's bitmap (median of %d, bound %.0f ms;\n"
                "wall clock, and processor time summed over the threads)\n", runs, kViewSwitchBoundMs);
    std::vector<ChannelView> views = {ChannelView::Colour(), ChannelView::Alpha()};
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (frame.Has(bit))
            views.push_back(ChannelView::Channel(bit));
    }
    // The window's scalings beside the tools' ones (above): depth and vectors
    // by their percentiles, and logarithmic inverted depth.
    ChannelScaling logarithmic = ChannelScaling::Window();
    logarithmic.depth.logarithmic = logarithmic.depth.invert = true;
    for (const int bit : {int(kChannelZ), int(kChannelV), int(kChannelU)})
        if (frame.Has(bit))
            views.push_back(ChannelView::Channel(bit).WithScaling(ChannelScaling::Window()));
    if (frame.Has(kChannelZ))
        views.push_back(ChannelView::Channel(kChannelZ).WithScaling(logarithmic));
    const auto label = [](const ChannelView& view) {
        QString name = view.Name();
        if (!view.DrawsAs(ChannelView::Channel(std::max(0, view.bit()))) && view.kind() == ChannelView::Kind::Channel)
            name += view.Scaling().depth.logarithmic && view.bit() == kChannelZ ? QStringLiteral(" log") : QStringLiteral(" auto");
        return name;
    };
    const Timing measuring = MedianOf(runs, [&] { channelrenderer::MeasureRanges(frame); });
    const channelrenderer::ChannelRanges ranges = channelrenderer::MeasureRanges(frame);
    std::printf("  measuring the depth and vector ranges, once per frame: %.2f ms  cpu %.2f ms\n", measuring.wall,
                measuring.cpu);
    std::printf("  %-20s %-24s %s\n", "", "ranges measured before", "measuring on the switch");
    for (const ChannelView& view : views) {
        const Timing t = MedianOf(runs, [&] { channelrenderer::Render(frame, view, ranges); });
        const Timing first = MedianOf(runs, [&] { channelrenderer::Render(frame, view); });
        std::printf("  %-20s %6.2f ms (cpu %6.2f) %-6s %6.2f ms (cpu %6.2f) %s\n", label(view).toUtf8().constData(),
                    t.wall, t.cpu, Verdict(t.wall, kViewSwitchBoundMs), first.wall, first.cpu,
                    Verdict(first.wall, kViewSwitchBoundMs));
    }

    std::printf("\nPixel readout (bound %.1f ms per pointer move)\n", kReadoutBoundMs);
    const Timing build = MedianOf(runs, [&] { PixelReadout readout(frame); });
    std::printf("  building it, once per frame: %7.2f ms  cpu %7.2f ms\n", build.wall, build.cpu);
    const PixelReadout readout(frame);
    constexpr int kMoves = 2000;
    std::size_t characters = 0;
    const Timing moves = MedianOf(runs, [&] {
        for (int i = 0; i < kMoves; ++i)
            characters += std::size_t(readout.Text((i * 977) % frame.width, (i * 613) % frame.height).size());
    });
    const double perMove = moves.wall / kMoves;
    std::printf("  one readout: %.4f ms  cpu %.4f ms  %s  (%zu characters formatted)\n", perMove, moves.cpu / kMoves,
                Verdict(perMove, kReadoutBoundMs), characters);
    std::printf("  e.g. %s\n", readout.Text(1920, 1400).toUtf8().constData());
    return 0;
}
