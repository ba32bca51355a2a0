// rpfconvert: RPF images to OpenEXR (every channel) or PNG (the colour, or
// one channel view as the viewer draws it), one file or a sequence.
#include "Conversion.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

const char kUsage[] =
    "usage: rpfconvert [--channel L [--range R] [--scale S]] IN.rpf OUT.exr|OUT.png\n"
    "       rpfconvert [--channel L [--range R] [--scale S]] [--format exr|png] IN.rpf... OUTDIR/\n"
    "\n"
    "Converts RPF images. OUT.exr gets every channel of the file as one OpenEXR\n"
    "file: R G B (A when the file has alpha) as floats 0..1, Z, coverage, nodeID,\n"
    "velocity.X and velocity.Y, objectID, uv.U and uv.V, rpf.E, rpf.N, rpf.R,\n"
    "rpf.M and rpf.B/G/T/W.R/G/B for the other channels, with the producer text\n"
    "and the D block names as the header attributes producer and nodeNames.\n"
    "OUT.png gets the colour as a 16-bit RGB PNG (alpha left out, as the viewer\n"
    "draws the colour). With --channel L the PNG is that channel's view as the\n"
    "viewer draws it, 8-bit RGB, depth and vectors scaled by the full range of\n"
    "the frame unless --range or --scale asks otherwise; L is A (alpha) or a\n"
    "channel letter of ZEOUNRCBIGTVWM.\n"
    "\n"
    "--range full|auto|NEAR,FAR (with --channel Z): the depths drawn from black\n"
    "to white. full (the default): the frame's nearest to its farthest depth;\n"
    "auto: the 1st to the 99th percentile of its depths (nearest rank,\n"
    "background left out), depths beyond drawn black or white; NEAR,FAR: the\n"
    "depths given (NEAR < FAR), likewise.\n"
    "--scale largest|auto|LENGTH (with --channel V or U): the vector length\n"
    "drawn at full brightness. largest (the default): the frame's longest;\n"
    "auto: the 99th percentile of its non-zero lengths (nearest rank); LENGTH:\n"
    "the length given (> 0). Longer vectors show at full brightness.\n"
    "\n"
    "With several inputs, or a last argument that is a folder (or ends in /),\n"
    "each input becomes OUTDIR/NAME.exr, or NAME.png with --channel or\n"
    "--format png; the folder is created when missing. A progress line shows on\n"
    "a terminal. Files that fail are reported on standard error, the others are\n"
    "still converted. An output is written under a temporary name and renamed\n"
    "when complete, so a failure leaves nothing under the output name.\n"
    "\n"
    "Exit status: 0 when every file converted, 1 when any failed, 2 for usage\n"
    "errors.\n";

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "rpfconvert: %s\n\n%s", message.c_str(), kUsage);
    std::exit(2);
}

struct Options {
    bool channelGiven = false;
    ChannelView view;
    ChannelScaling scaling;  // of the view, as --range and --scale ask
    std::string rangeGiven;  // the option's value, empty without it
    std::string scaleGiven;
    std::string format;  // "exr", "png" or empty
    std::vector<std::string> inputs;
    std::string target;
};

Options ParseArguments(int argc, char** argv)
{
    Options options;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (argument == "--channel" || argument == "--format" || argument == "--range" || argument == "--scale") {
            if (i + 1 >= argc)
                UsageError(argument + " needs a value");
            const std::string value = argv[++i];
            if (argument == "--range") {
                if (!channelscaling::ParseDepthRange(value, options.scaling.depth))
                    UsageError("--range wants full, auto or NEAR,FAR with NEAR < FAR, not \"" + value + "\"");
                options.rangeGiven = value;
            } else if (argument == "--scale") {
                if (!channelscaling::ParseVectorScale(value, options.scaling.velocity))
                    UsageError("--scale wants largest, auto or a length > 0, not \"" + value + "\"");
                options.scaling.uv = options.scaling.velocity;
                options.scaleGiven = value;
            } else if (argument == "--format") {
                if (value != "exr" && value != "png")
                    UsageError("--format wants exr or png, not \"" + value + "\"");
                options.format = value;
            } else if (value.size() != 1 || !ChannelView::FromLetter(value[0], options.view)) {
                UsageError("--channel wants A or one of ZEOUNRCBIGTVWM, not \"" + value + "\"");
            } else {
                options.channelGiven = true;
            }
        } else if (argument.size() > 1 && argument[0] == '-') {
            UsageError("unknown option \"" + argument + "\"");
        } else {
            paths.push_back(argument);
        }
    }
    if (paths.size() < 2)
        UsageError("an input and an output are needed");
    options.target = paths.back();
    paths.pop_back();
    options.inputs = paths;
    if (options.channelGiven && options.format == "exr")
        UsageError("--channel writes PNG files");
    // A choice the view would not use is a mistake worth saying.
    if (!options.rangeGiven.empty() && !(options.channelGiven && options.view.Letter() == 'Z'))
        UsageError("--range goes with --channel Z");
    if (!options.scaleGiven.empty() &&
        !(options.channelGiven && (options.view.Letter() == 'V' || options.view.Letter() == 'U')))
        UsageError("--scale goes with --channel V or --channel U");
    options.view = options.view.WithScaling(options.scaling);
    return options;
}

bool IsFolderTarget(const Options& options)
{
    const std::string& target = options.target;
    std::error_code error;
    return options.inputs.size() > 1 || target.back() == '/' || target.back() == '\\' ||
           std::filesystem::is_directory(target, error);
}

std::vector<conversion::Job> PlanJobs(const Options& options)
{
    std::vector<conversion::Job> jobs;
    if (!IsFolderTarget(options)) {
        conversion::Job job{options.inputs.front(), options.target, conversion::OutputType::Exr, options.view};
        if (!conversion::TypeFromName(options.target, options.channelGiven, job.type))
            UsageError(options.channelGiven ? "--channel writes PNG files: the output must end in .png"
                                            : "the output must end in .exr or .png");
        jobs.push_back(job);
        return jobs;
    }
    const bool png = options.channelGiven || options.format == "png";
    const conversion::OutputType type = options.channelGiven ? conversion::OutputType::ViewPng
                                        : png                ? conversion::OutputType::ColourPng
                                                             : conversion::OutputType::Exr;
    std::error_code error;
    std::filesystem::create_directories(options.target, error);
    if (error) {
        std::fprintf(stderr, "rpfconvert: cannot create %s: %s\n", options.target.c_str(), error.message().c_str());
        std::exit(1);
    }
    for (const std::string& input : options.inputs) {
        const std::filesystem::path name = std::filesystem::path(input).stem().concat(png ? ".png" : ".exr");
        jobs.push_back({input, (std::filesystem::path(options.target) / name).string(), type, options.view});
    }
    return jobs;
}

}  // namespace

int main(int argc, char** argv)
{
    const Options options = ParseArguments(argc, argv);
    const std::vector<conversion::Job> jobs = PlanJobs(options);
    const bool progress = jobs.size() > 1 && isatty(fileno(stderr));
    int failures = 0;
    std::size_t shown = 0;  // length of the progress line now on screen
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (progress) {
            const std::string line = "[" + std::to_string(i + 1) + "/" + std::to_string(jobs.size()) + "] " +
                                     jobs[i].input;
            std::fprintf(stderr, "\r%s%*s", line.c_str(), int(shown > line.size() ? shown - line.size() : 0), "");
            std::fflush(stderr);
            shown = line.size();
        }
        std::string error;
        if (!conversion::Convert(jobs[i], error)) {
            while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
                error.pop_back();
            if (shown > 0) {
                std::fputc('\n', stderr);
                shown = 0;
            }
            std::fprintf(stderr, "rpfconvert: %s: %s\n", jobs[i].input.c_str(), error.c_str());
            ++failures;
        }
    }
    if (shown > 0)
        std::fputc('\n', stderr);
    return failures == 0 ? 0 : 1;
}
