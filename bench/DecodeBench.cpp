// Decode throughput of the reader on large frames of the demo scene, and of
// OpenImageIO on the same bytes saved as .rla, side by side in one run.
//
// The files are rendered and written to a temporary folder first (not
// timed); each figure is the median of several loads of a file that is in
// the page cache, from opening it to releasing every buffer of the load.
#include "DemoScene.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "TempDir.h"

#ifdef BRIMWELL_HAVE_OIIO
#include <OpenImageIO/imageio.h>
#ifdef __linux__
#include <sys/mman.h>
#endif
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

namespace {

const char kUsage[] =
    "usage: decode_bench [--runs N] [--size WxH] [--samples N]\n"
    "\n"
    "Renders the demo scene (default 3840x2160, 2x2 samples per pixel), writes it\n"
    "as 8-bit, 16-bit and float RGBA files and as an 8-bit RGBA file with the Z, C,\n"
    "I and V channels, and prints the median load time of each over N runs\n"
    "(default 9). The 8-bit RGBA bytes are also loaded by OpenImageIO as .rla\n"
    "(when built with it) and the speed ratio is printed.\n";

using Clock = std::chrono::steady_clock;

struct Options {
    int runs = 9;
    int width = 3840;
    int height = 2160;
    int samples = 2;
};

[[noreturn]] void UsageError(const char* message)
{
    std::fprintf(stderr, "decode_bench: %s\n\n%s", message, kUsage);
    std::exit(2);
}

int ParsePositive(const char* text, int high, const char* what)
{
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 1 || value > high)
        UsageError(what);
    return int(value);
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (i + 1 >= argc)
            UsageError("an option without its value");
        const char* value = argv[++i];
        if (option == "--runs") {
            options.runs = ParsePositive(value, 1000, "--runs wants 1..1000");
        } else if (option == "--samples") {
            options.samples = ParsePositive(value, 8, "--samples wants 1..8");
        } else if (option == "--size") {
            const char* x = std::strchr(value, 'x');
            if (x == nullptr)
                UsageError("--size wants WxH");
            options.width = ParsePositive(std::string(value, x).c_str(), 16383, "--size width wants 1..16383");
            options.height = ParsePositive(x + 1, 16383, "--size height wants 1..16383");
        } else {
            UsageError("unknown option");
        }
    }
    return options;
}

std::string WriteFile(const testsupport::TempDir& dir, const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    const std::string path = dir.Write(name, bytes);
    std::error_code error;
    if (std::filesystem::file_size(path, error) != bytes.size() || error) {
        std::fprintf(stderr, "decode_bench: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    return path;
}

// Median seconds of runs calls of each load, after one untimed call of each
// that brings its file into the cache and checks that it loads. The loads take
// turns, so that loads compared with each other meet the machine in the same
// state (other work, memory, clock) rather than one after the other.
std::vector<double> MedianSeconds(int runs, const std::vector<std::function<void()>>& loads)
{
    for (const auto& load : loads)
        load();
    std::vector<std::vector<double>> seconds(loads.size());
    for (int i = 0; i < runs; ++i) {
        for (std::size_t k = 0; k < loads.size(); ++k) {
            const auto start = Clock::now();
            loads[k]();
            seconds[k].push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
    }
    std::vector<double> medians;
    for (std::vector<double>& each : seconds) {
        std::sort(each.begin(), each.end());
        medians.push_back(each[each.size() / 2]);
    }
    return medians;
}

void LoadOurs(const std::string& path)
{
    RLA image;
    image.Leer(path.c_str(), true);
}

#ifdef BRIMWELL_HAVE_OIIO
// The peer's destination gets what the reader gives its own buffers: memory
// from calloc with the same large-page hint, allocated and released inside
// the timed load, so that both sides pay the same for fresh memory.
struct FreshBuffer {
    explicit FreshBuffer(std::size_t bytes) : data(static_cast<unsigned char*>(std::calloc(bytes, 1)))
    {
        if (data == nullptr) {
            std::fprintf(stderr, "decode_bench: out of memory\n");
            std::exit(1);
        }
#ifdef __linux__
        constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
        const std::uintptr_t start = (reinterpret_cast<std::uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
        const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(data) + bytes) & ~(kLargePage - 1);
        if (bytes >= 2 * kLargePage && end > start)
            madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#endif
    }
    ~FreshBuffer() { std::free(data); }
    FreshBuffer(const FreshBuffer&) = delete;
    FreshBuffer& operator=(const FreshBuffer&) = delete;

    unsigned char* data;
};

void LoadWithOpenImageIO(const std::string& path)
{
    auto input = OIIO::ImageInput::open(path);
    if (!input) {
        std::fprintf(stderr, "decode_bench: OpenImageIO cannot open %s: %s\n", path.c_str(),
                     OIIO::geterror().c_str());
        std::exit(1);
    }
    const OIIO::ImageSpec& format = input->spec();
    const std::size_t bytes = std::size_t(format.width) * format.height * 4;
    FreshBuffer pixels(bytes);
    if (!input->read_image(0, 0, 0, 4, OIIO::TypeDesc::UINT8, pixels.data)) {
        std::fprintf(stderr, "decode_bench: OpenImageIO cannot read %s: %s\n", path.c_str(),
                     input->geterror().c_str());
        std::exit(1);
    }
    input->close();
}
#endif

struct Row {
    std::string label;
    std::size_t bytes;
    double seconds;
};

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseArguments(argc, argv);
    const double megapixels = double(options.width) * options.height / 1e6;

    std::printf("Rendering the demo scene at %d x %d ...\n", options.width, options.height);
    std::fflush(stdout);
    rpfgen::DemoSettings settings;
    settings.width = options.width;
    settings.height = options.height;
    settings.frame = 114;
    settings.samples = options.samples;
    const rpfgen::DemoRender render = rpfgen::RenderDemo(settings);

    testsupport::TempDir dir;
    struct Case {
        const char* label;
        const char* name;
        int bits;
        bool channels;
    };
    const Case cases[] = {
        {"8-bit RGBA", "rgba8.rpf", 8, false},
        {"16-bit RGBA", "rgba16.rpf", 16, false},
        {"float RGBA", "rgbaf.rpf", 32, false},
        {"8-bit RGBA + ZCIV", "rgba8_zciv.rpf", 8, true},
    };
    std::vector<Row> rows;
    std::vector<std::uint8_t> rgba8Bytes;
    std::string rgba8Path;
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(rpfgen::DemoRpfImage(render, c.bits, c.channels));
        const std::string path = WriteFile(dir, c.name, bytes);
        rows.push_back({std::string("ours  ") + c.label, bytes.size(), 0.0});
        if (c.bits == 8 && !c.channels) {
            // Timed below, taking turns with OpenImageIO on the same bytes.
            rgba8Bytes = std::move(bytes);
            rgba8Path = path;
            continue;
        }
        rows.back().seconds = MedianSeconds(options.runs, {[&] { LoadOurs(path); }})[0];
    }
    std::vector<std::function<void()>> rgba8Loads = {[&] { LoadOurs(rgba8Path); }};
#ifdef BRIMWELL_HAVE_OIIO
    // The same bytes under the name OpenImageIO knows them by. It may use every
    // core, as ours does: our loader decodes on the calling thread while a
    // helper readies the image's memory. (OpenImageIO's time is the same with
    // one thread; its decoding of these files is not parallel.)
    OIIO::attribute("threads", 0);
    const std::string rlaPath = WriteFile(dir, "rgba8.rla", rgba8Bytes);
    rows.push_back({"OpenImageIO  8-bit RGBA (.rla, read_image to 8-bit)", rgba8Bytes.size(), 0.0});
    rgba8Loads.push_back([&] { LoadWithOpenImageIO(rlaPath); });
#endif
    const std::vector<double> rgba8Seconds = MedianSeconds(options.runs, rgba8Loads);
    rows.front().seconds = rgba8Seconds[0];
#ifdef BRIMWELL_HAVE_OIIO
    rows.back().seconds = rgba8Seconds[1];
#endif

    std::printf("\nDecode of %d x %d (%.2f Mpixel), median of %d runs\n\n", options.width, options.height, megapixels,
                options.runs);
    std::printf("%-64s %12s %10s %12s\n", "reader  file", "bytes", "ms", "Mpixel/s");
    for (const Row& row : rows)
        std::printf("%-64s %12zu %10.2f %12.1f\n", row.label.c_str(), row.bytes, row.seconds * 1e3,
                    megapixels / row.seconds);
#ifdef BRIMWELL_HAVE_OIIO
    // Speed ratio: how many times faster our load is than OpenImageIO's.
    const double ratio = rows.back().seconds / rows.front().seconds;
    std::printf("\nspeed ratio ours / OpenImageIO, 8-bit RGBA, our full load (colour and four channel buffers): "
                "%.2f (target: at least 4)\n",
                ratio);
#else
    std::printf("\nOpenImageIO comparison not built (its development files were not found).\n");
#endif
    return 0;
}
