// The thumbnailer on a 1920 x 1080 frame of the demo scene (8-bit colour
// with alpha and the Z, C, I and V render channels): the whole program as a
// file manager starts it, and inside it the read and the whole thumbnail.
// Prints medians and how they stand against the 100 ms bound; asserts
// nothing.
#include "BenchTiming.h"
#include "DemoScene.h"
#include "OutputFile.h"
#include "PngExport.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "Thumbnail.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using benchtiming::Clock;
using benchtiming::Median;

constexpr double kBoundMs = 100.0;

double MedianMs(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const Clock::time_point start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return Median(times);
}

// Runs the program to its end; false when it did not exit with 0. Adds the
// processor time it took (user and system) to cpuMs: on a busy machine the
// wall time also holds the waits for a core.
bool Run(const std::vector<std::string>& command, double* cpuMs = nullptr)
{
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child <= 0 || wait4(child, &status, 0, &usage) != child)
        return false;
    if (cpuMs != nullptr) {
        auto ms = [](const timeval& t) { return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0; };
        *cpuMs += ms(usage.ru_utime) + ms(usage.ru_stime);
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Report(const char* what, double ms)
{
    std::printf("  %-44s %7.2f ms  %s\n", what, ms, ms < kBoundMs ? "within the bound" : "OVER the bound");
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    std::printf("Rendering the demo scene at 1920 x 1080 ...\n");
    QTemporaryDir folder;
    const std::string input = QFile::encodeName(folder.filePath(QStringLiteral("frame.rpf"))).toStdString();
    const std::string output = QFile::encodeName(folder.filePath(QStringLiteral("thumbnail.png"))).toStdString();
    rpfgen::DemoSettings settings;
    settings.width = 1920;
    settings.height = 1080;
    settings.samples = 2;
    if (!rpfgen::WriteRpf(input, rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, /*renderChannels=*/true))) {
        std::fprintf(stderr, "cannot write %s\n", input.c_str());
        return 1;
    }

    std::printf("\nThumbnail of 1920 x 1080 (8-bit with Z, C, I, V), median of %d (bound: %.0f ms):\n", runs, kBoundMs);
    const std::vector<std::string> command = {BRIMWELL_THUMBNAILER, "-s", "256", input, output};
    if (!Run(command)) {
        std::fprintf(stderr, "%s failed\n", BRIMWELL_THUMBNAILER);
        return 1;
    }
    std::vector<double> cpuTimes;
    Report("brimwell-thumbnailer -s 256, whole process", MedianMs(runs, [&] {
               double cpu = 0;
               Run(command, &cpu);
               cpuTimes.push_back(cpu);
           }));
    Report("  the same, processor time (user + system)", Median(cpuTimes));
    for (int size : {128, 256, 512}) {
        const std::string label = "in process, -s " + std::to_string(size) + ", read to PNG file";
        Report(label.c_str(), MedianMs(runs, [&] {
                   const QByteArray png = pngexport::Encode(thumbnail::Make(input, size));
                   outputfile::WriteInPlace(output, png.constData(), std::size_t(png.size()), {input});
               }));
    }
    std::printf("  of which the reader alone:                   %7.2f ms\n", MedianMs(runs, [&] {
                    RLA reader;
                    LoadOptions colourOnly;
                    colourOnly.pixels = LoadOptions::Pixels::ColourOnly;
                    reader.Leer(input.c_str(), colourOnly);
                }));
    return 0;
}
