// rpfdiff: two renders compared by the numbers, per channel, with an exit
// status a render pipeline can act on.
#include "DiffReport.h"
#include "FilePairs.h"
#include "ImageComparison.h"
#include "MemoryBudget.h"
#include "RLA.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: rpfdiff [--fail T] [--warn T] [--failpercent P] [--json] [--max-memory BYTES] A B\n"
    "\n"
    "Compares two RPF files channel by channel: colour, alpha, and every render\n"
    "channel either file holds (Z, coverage, node ID, velocity and the others).\n"
    "A and B are two files, a file and a folder (the file of the same name in\n"
    "it), or two folders, whose .rpf files are paired by name.\n"
    "\n"
    "Per channel it prints the pixels that differ, those over the warning and\n"
    "the failure threshold, the largest difference and where (x right, y down\n"
    "from the top-left pixel), the mean and RMS difference, and for the colour\n"
    "the PSNR in dB (over red, green and blue, peak 1). Colour and alpha are\n"
    "compared as 0..1 fractions: a 16-bit word / 65535 (an 8-bit value / 255),\n"
    "or the floats of float files as stored. Z is compared in its own units;\n"
    "depths of magnitude 1e30 or more, NaN and infinities are background, equal\n"
    "to each other and failing against a depth. Node and object IDs (I, O, M)\n"
    "fail wherever they differ. U and V are compared per float; every other\n"
    "channel per byte, as byte / 255. Pictures of different sizes are compared\n"
    "over their common top-left area.\n"
    "\n"
    "  --fail T         a pixel fails when any component differs by more than T\n"
    "                   (default 1e-06)\n"
    "  --warn T         pixels differing by more than T are counted as over the\n"
    "                   warning threshold (default 1e-06); the count alone\n"
    "                   does not change the exit status\n"
    "  --failpercent P  the result is a failure when more than P % of the pixels\n"
    "                   fail, a warning when some fail but no more (default 0:\n"
    "                   any failing pixel is a failure)\n"
    "  --json           print one JSON object per pair, one a line, instead of\n"
    "                   the report\n"
    "  --max-memory BYTES\n"
    "                   the two files of a pair together may take no more\n"
    "                   (default: what the system can give, or\n"
    "                   BRIMWELL_MAX_MEMORY when set)\n"
    "\n"
    "Exit status: 0 the same within the thresholds, 1 a warning, 2 a failure\n"
    "(a channel in one file only is one), 3 different sizes, 4 a file that\n"
    "cannot be read (its report on standard error), a file with no counterpart\n"
    "in the other folder, or a wrong command line. With folders, the worst of\n"
    "the pairs.\n";

[[noreturn]] void UsageError(const std::string& message)
{
    std::fprintf(stderr, "rpfdiff: %s\n\n%s", message.c_str(), kUsage);
    std::exit(int(CompareStatus::Unreadable));
}

bool ParseNumber(const char* text, double& value)
{
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(parsed) || parsed < 0)
        return false;
    value = parsed;
    return true;
}

struct Settings {
    CompareThresholds thresholds;
    bool json = false;
    std::uint64_t memoryCap = memorybudget::CapFromEnvironment();
    std::vector<std::string> paths;
};

Settings ParseArguments(int argc, char** argv)
{
    Settings settings;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            settings.paths.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        }
        if (arg == "--json") {
            settings.json = true;
            continue;
        }
        // The thresholds also in the established tool's one-dash spelling.
        const std::string name = arg.compare(0, 2, "--") == 0 ? arg.substr(2) : arg.substr(1);
        double* number = name == "fail"          ? &settings.thresholds.fail
                         : name == "warn"        ? &settings.thresholds.warn
                         : name == "failpercent" ? &settings.thresholds.failPercent
                                                 : nullptr;
        if (number) {
            if (i + 1 == argc || !ParseNumber(argv[i + 1], *number))
                UsageError(arg + " wants a number of 0 or more");
            ++i;
        } else if (arg == "--max-memory") {
            if (i + 1 == argc || !memorybudget::ParseBytes(argv[i + 1], settings.memoryCap))
                UsageError("--max-memory wants a whole number of bytes");
            ++i;
        } else {
            UsageError("unknown option \"" + arg + "\"");
        }
    }
    if (settings.paths.size() != 2)
        UsageError("two files or folders to compare, please");
    if (settings.thresholds.failPercent > 100)
        UsageError("--failpercent wants a share from 0 to 100");
    return settings;
}

// Loads path whole within cap, or returns the reader's report. The reader's
// diagnostic lines go to standard error with the path, away from the
// figures on standard output.
std::string Load(RLA& image, const std::string& path, std::uint64_t cap)
{
    std::ostringstream diagnostics;
    std::streambuf* const console = std::cout.rdbuf(diagnostics.rdbuf());
    std::string failure;
    try {
        LoadOptions options;
        options.memoryCap = cap;
        image.Leer(path.c_str(), options);
    } catch (const std::runtime_error& report) {
        failure = report.what();
    } catch (const std::exception& error) {
        failure = std::string(error.what()) + "\n";
    }
    std::cout.rdbuf(console);
    std::istringstream lines(diagnostics.str());
    for (std::string line; std::getline(lines, line);)
        std::fprintf(stderr, "%s: %s\n", path.c_str(), line.c_str());
    return failure;
}

PairOutcome ComparePair(const FilePair& files, const Settings& settings)
{
    PairOutcome outcome;
    outcome.files = files;
    outcome.status = CompareStatus::Unreadable;
    if (!files.missing.empty()) {
        outcome.failure = "no counterpart: " + files.missing + " does not exist\n";
        std::fprintf(stderr, "rpfdiff: %s", outcome.failure.c_str());
        return outcome;
    }
    // Both files are held at once: B may take what A left of the cap.
    auto a = std::make_unique<RLA>();
    auto b = std::make_unique<RLA>();
    std::string failure = Load(*a, files.a, settings.memoryCap);
    std::string failed = files.a;
    if (failure.empty()) {
        const std::uint64_t held = a->BytesHeld();
        const std::uint64_t left = settings.memoryCap == memorybudget::kNoCap ? memorybudget::kNoCap
                                   : settings.memoryCap > held               ? settings.memoryCap - held
                                                                             : 0;
        failure = Load(*b, files.b, left);
        failed = files.b;
    }
    if (!failure.empty()) {
        outcome.failure = failed + ": " + failure;
        std::fprintf(stderr, "%s", outcome.failure.c_str());
        return outcome;
    }
    outcome.comparison = CompareImages(*a, *b, settings.thresholds);
    outcome.compared = true;
    outcome.status = outcome.comparison.Status(settings.thresholds);
    return outcome;
}

}  // namespace

int main(int argc, char** argv)
{
    const Settings settings = ParseArguments(argc, argv);
    std::vector<FilePair> pairs;
    try {
        pairs = PairFiles(settings.paths[0], settings.paths[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rpfdiff: %s\n", error.what());
        return int(CompareStatus::Unreadable);
    }
    if (pairs.empty()) {
        std::fprintf(stderr, "rpfdiff: no .rpf files in either folder\n");
        return int(CompareStatus::Unreadable);
    }

    CompareStatus worst = CompareStatus::Same;
    std::uint64_t counts[5] = {};
    for (const FilePair& files : pairs) {
        const PairOutcome outcome = ComparePair(files, settings);
        worst = WorseStatus(worst, outcome.status);
        ++counts[int(outcome.status)];
        if (settings.json)
            PrintJson(stdout, outcome, settings.thresholds);
        else
            PrintText(stdout, outcome, settings.thresholds);
        std::fflush(stdout);
    }
    if (!settings.json && pairs.size() > 1) {
        std::printf("%llu pairs: %llu pass, %llu warning, %llu failure, %llu sizes differ, %llu unreadable or "
                    "without counterpart: %s\n",
                    static_cast<unsigned long long>(pairs.size()), static_cast<unsigned long long>(counts[0]),
                    static_cast<unsigned long long>(counts[1]), static_cast<unsigned long long>(counts[2]),
                    static_cast<unsigned long long>(counts[3]), static_cast<unsigned long long>(counts[4]),
                    StatusWord(worst));
    }
    return int(worst);
}
