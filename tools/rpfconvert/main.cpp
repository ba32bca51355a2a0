// rpfconvert: RPF images to OpenEXR (every channel) or PNG (the colour, or
// one channel view as the viewer draws it), one file or a sequence.
#include "BatchConversion.h"
#include "Conversion.h"
#include "FramePick.h"
#include "MemoryBudget.h"
#include "OutputFile.h"
#include "TemporaryFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <system_error>
#include <thread>
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
    "usage: rpfconvert [--channel L [--range R] [--scale S]] [--max-memory BYTES] [--compression NAME]\n"
    "                  IN.rpf OUT.exr|OUT.png\n"
    "       rpfconvert [--channel L [--range R] [--scale S]] [--format exr|png] [--max-memory BYTES]\n"
    "                  [--compression NAME] [-j N] IN.rpf... OUTDIR/\n"
    "       rpfconvert [options as above] --frames A-B FILE.rpf OUTDIR/\n"
    "\n"
    "Converts RPF images. OUT.exr gets every channel of the file as one OpenEXR\n"
    "file: R G B (A when the file has alpha) as floats (a float file's values as\n"
    "they are, others 0..1), Z, coverage, nodeID,\n"
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
    "--compression NAME compresses the EXR with zip (the default), none, rle,\n"
    "zips or piz, which keep every value, or with pxr24, b44, dwaa or dwab,\n"
    "which are lossy and may change float values (colour, Z, velocity).\n"
    "\n"
    "With several inputs, or a last argument that is a folder (or ends in /),\n"
    "each input becomes OUTDIR/NAME.exr, or NAME.png with --channel or\n"
    "--format png; the folder is created when missing. A progress line shows on\n"
    "a terminal. Files that fail are reported on standard error, the others are\n"
    "still converted. An output is written under a temporary name and renamed\n"
    "when complete, so a failure leaves nothing under the output name; on\n"
    "SIGINT or SIGTERM the temporary file is removed and the program ends by\n"
    "that signal.\n"
    "\n"
    "-j N converts N files at once (default: one per processor, at most 16);\n"
    "each EXR is also compressed on every processor. The output of a file is\n"
    "the same whatever N is.\n"
    "\n"
    "--frames A-B FILE converts frames A to B (or --frames A: frame A alone)\n"
    "of the sequence FILE belongs to: the .rpf files of FILE's folder with the\n"
    "same name around the frame number (the last run of digits; padding\n"
    "aside), which FILE names even when it does not exist. Numbers in A-B that\n"
    "no file gives are reported as missing and make the exit status 1; the\n"
    "frames found are still converted. For a render farm: one job per range.\n"
    "\n"
    "Nothing is converted when an output would be an input file (the same\n"
    "file under any name), exists and is not a regular file, or when two\n"
    "inputs would write the same output name.\n"
    "\n"
    "A file whose image needs more memory than the system can give, or than\n"
    "--max-memory BYTES (or the environment variable BRIMWELL_MAX_MEMORY)\n"
    "allows, is refused with a report before anything is allocated. The cap\n"
    "holds for the whole run: files converted at once share it, and a file\n"
    "that would not fit beside those being converted waits for them, so\n"
    "fewer than N run at once when the files are large.\n"
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
    bool compressionGiven = false;
    exrexport::ExrCompression compression = exrexport::ExrCompression::Zip;
    std::vector<std::string> inputs;
    std::string target;
    std::uint64_t memoryCap = memorybudget::CapFromEnvironment();
    unsigned workers = 0;    // -j; 0: one per processor
    std::string framesGiven;  // --frames, empty without it
    framepick::Range frames;
};

// Files converted at once at most: each holds one temporary output name,
// of which the signal handler keeps a fixed number.
constexpr unsigned kMostWorkers = 16;

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
        if (argument == "--channel" || argument == "--format" || argument == "--max-memory" ||
            argument == "--compression" || argument == "--range" || argument == "--scale" || argument == "-j" ||
            argument == "--frames") {
            if (i + 1 >= argc)
                UsageError(argument + " needs a value");
            const std::string value = argv[++i];
            if (argument == "--compression") {
                if (!exrexport::CompressionFromName(value, options.compression))
                    UsageError("--compression wants zip, none, rle, zips, piz, pxr24, b44, dwaa or dwab, not \"" +
                               value + "\"");
                options.compressionGiven = true;
            } else if (argument == "-j") {
                char* end = nullptr;
                const long workers = std::strtol(value.c_str(), &end, 10);
                if (value.empty() || *end != '\0' || workers < 1 || value[0] == '+')
                    UsageError("-j wants a whole number of files at once, not \"" + value + "\"");
                options.workers = unsigned(std::min<long>(workers, kMostWorkers));
            } else if (argument == "--frames") {
                if (!framepick::ParseRange(value, options.frames))
                    UsageError("--frames wants A-B (A <= B) or A, not \"" + value + "\"");
                options.framesGiven = value;
            } else if (argument == "--max-memory") {
                if (!memorybudget::ParseBytes(value.c_str(), options.memoryCap))
                    UsageError("--max-memory wants a whole number of bytes, not \"" + value + "\"");
            } else if (argument == "--range") {
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
    if (!options.framesGiven.empty()) {
        if (options.inputs.size() != 1)
            UsageError("--frames takes one FILE of the sequence");
        const std::string& target = options.target;
        std::error_code error;
        if (target.back() != '/' && target.back() != '\\' && !std::filesystem::is_directory(target, error))
            UsageError("--frames writes to a folder: end OUTDIR with /");
    }
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
        conversion::Job job{options.inputs.front(), options.target, conversion::OutputType::Exr, options.view,
                            options.memoryCap, options.compression};
        if (!conversion::TypeFromName(options.target, options.channelGiven, job.type))
            UsageError(options.channelGiven ? "--channel writes PNG files: the output must end in .png"
                                            : "the output must end in .exr or .png");
        if (options.compressionGiven && job.type != conversion::OutputType::Exr)
            UsageError("--compression applies to EXR files");
        jobs.push_back(job);
        return jobs;
    }
    const bool png = options.channelGiven || options.format == "png";
    const conversion::OutputType type = options.channelGiven ? conversion::OutputType::ViewPng
                                        : png                ? conversion::OutputType::ColourPng
                                                             : conversion::OutputType::Exr;
    if (options.compressionGiven && png)
        UsageError("--compression applies to EXR files");
    std::error_code error;
    std::filesystem::create_directories(options.target, error);
    if (error) {
        std::fprintf(stderr, "rpfconvert: cannot create %s: %s\n", options.target.c_str(), error.message().c_str());
        std::exit(1);
    }
    for (const std::string& input : options.inputs) {
        const std::filesystem::path name = std::filesystem::path(input).stem().concat(png ? ".png" : ".exr");
        jobs.push_back({input, (std::filesystem::path(options.target) / name).string(), type, options.view,
                        options.memoryCap, options.compression});
    }
    return jobs;
}

// Ends the run, before anything is converted, when two inputs would write
// the same output or an output would destroy an input or a special file.
void RefuseDangerousOutputs(const std::vector<conversion::Job>& jobs, const std::vector<std::string>& inputs)
{
    bool refused = false;
    std::map<std::string, std::string> firstInputOf;
    for (const conversion::Job& job : jobs) {
        const auto [earlier, added] = firstInputOf.emplace(job.output, job.input);
        if (!added) {
            std::fprintf(stderr, "rpfconvert: %s and %s would both be written to %s\n", earlier->second.c_str(),
                         job.input.c_str(), job.output.c_str());
            refused = true;
            continue;
        }
        const std::string refusal = outputfile::Refusal(job.output, inputs);
        if (!refusal.empty()) {
            std::fprintf(stderr, "rpfconvert: %s\n", refusal.c_str());
            refused = true;
        }
    }
    if (refused)
        std::exit(1);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options = ParseArguments(argc, argv);
    // Standard output is for data; the reader's diagnostic lines belong with
    // the failures on standard error.
    std::cout.rdbuf(std::cerr.rdbuf());
    temporaryfiles::RemoveOnSignals();
    bool framesMissing = false;
    if (!options.framesGiven.empty()) {
        const framepick::Pick pick = framepick::PickFrames(options.inputs.front(), options.frames);
        if (!pick.error.empty()) {
            std::fprintf(stderr, "rpfconvert: %s\n", pick.error.c_str());
            return 1;
        }
        for (const std::string& missing : pick.missing)
            std::fprintf(stderr, "rpfconvert: frame %s of %s is missing\n", missing.c_str(),
                         options.inputs.front().c_str());
        framesMissing = !pick.missing.empty();
        if (pick.paths.empty())
            return 1;
        options.inputs = pick.paths;
    }
    const std::vector<conversion::Job> jobs = PlanJobs(options);
    RefuseDangerousOutputs(jobs, options.inputs);

    const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
    conversion::BatchSettings batch;
    batch.workers = options.workers != 0 ? options.workers : std::min(processors, kMostWorkers);
    // What the system can give now is what every load of the run shares,
    // within the program's cap.
    batch.memoryBudget = std::min(options.memoryCap, memorybudget::AvailableBytes());
    // The library's compression threads serve every file being written.
    exrexport::CompressOnThreads(int(processors));

    const bool progress = jobs.size() > 1 && isatty(fileno(stderr));
    std::size_t ended = 0;
    std::size_t shown = 0;  // length of the progress line now on screen
    const std::size_t failures = conversion::ConvertBatch(
        jobs, batch, [&](std::size_t index, bool converted, const std::string& report) {
            ++ended;
            if (!converted) {
                std::string error = report;
                while (!error.empty() && (error.back() == '\n' || error.back() == '\r'))
                    error.pop_back();
                if (shown > 0) {
                    std::fputc('\n', stderr);
                    shown = 0;
                }
                std::fprintf(stderr, "rpfconvert: %s: %s\n", jobs[index].input.c_str(), error.c_str());
            }
            if (progress) {
                const std::string line = "[" + std::to_string(ended) + "/" + std::to_string(jobs.size()) + "] " +
                                         jobs[index].input;
                std::fprintf(stderr, "\r%s%*s", line.c_str(), int(shown > line.size() ? shown - line.size() : 0),
                             "");
                std::fflush(stderr);
                shown = line.size();
            }
        });
    if (shown > 0)
        std::fputc('\n', stderr);
    return failures == 0 && !framesMissing ? 0 : 1;
}
