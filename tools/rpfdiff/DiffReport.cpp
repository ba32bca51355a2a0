#include "DiffReport.h"

#include "RLA.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace {

using Kind = ChannelFigures::Kind;
using Presence = ChannelFigures::Presence;

// Numbers in the report: six significant digits, as the established tool
// prints them; JSON gets every digit a double holds.
std::string Short(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string JsonNumber(double value)
{
    if (!std::isfinite(value))
        return "null";
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string Percent(std::uint64_t count, std::uint64_t of)
{
    return of ? Short(100.0 * double(count) / double(of)) + "%" : std::string("0%");
}

std::string Pixels(std::uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " pixel" : " pixels");
}

// The name of a component in the report, or "" for one-component channels.
std::string ComponentName(const ChannelFigures& figures, int component)
{
    if (figures.components <= 1 || component < 0)
        return "";
    if (figures.kind == Kind::Colour) {
        static const char* const kColour[] = {"red", "green", "blue"};
        return component < 3 ? kColour[component] : "";
    }
    if (figures.components == 2)
        return component == 0 ? "first float" : "second float";
    return "byte " + std::to_string(component + 1);
}

// The channel as the report names it: the letter, with what it holds where
// the format says so.
std::string Title(const ChannelFigures& figures)
{
    if (figures.kind != Kind::Render)
        return figures.name;
    switch (figures.bit) {
    case kChannelZ: return "Z (depth)";
    case kChannelO: return "O (object ID)";
    case kChannelU: return "U (texture coordinates)";
    case kChannelC: return "C (coverage)";
    case kChannelI: return "I (node ID)";
    case kChannelV: return "V (velocity)";
    default: return figures.name;
    }
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

void PrintChannel(std::FILE* out, const PairOutcome& outcome, const ChannelFigures& figures,
                  const CompareThresholds& thresholds)
{
    if (figures.presence == Presence::OnlyInA || figures.presence == Presence::OnlyInB) {
        const std::string& holder = figures.presence == Presence::OnlyInA ? outcome.files.a : outcome.files.b;
        std::fprintf(out, "  %s: FAILURE, only in %s\n", Title(figures).c_str(), Quoted(holder).c_str());
        return;
    }
    if (figures.Identical()) {
        std::fprintf(out, "  %s: identical\n", Title(figures).c_str());
        return;
    }
    std::fprintf(out, "  %s: %s\n", Title(figures).c_str(), StatusWord(figures.Status(thresholds)));
    std::fprintf(out, "    %s of %llu %s (%s)\n", Pixels(figures.differing).c_str(),
                 static_cast<unsigned long long>(figures.pixels), figures.differing == 1 ? "differs" : "differ",
                 Percent(figures.differing, figures.pixels).c_str());
    if (figures.unmatched != 0) {
        const char* what = figures.bit == 0 ? "background on one side only" : "not a number on one side only";
        std::fprintf(out, "    %s %s, first at (%d, %d)\n", Pixels(figures.unmatched).c_str(), what,
                     figures.unmatchedX, figures.unmatchedY);
    }
    std::fprintf(out, "    %s (%s) over %s (warn)\n", Pixels(figures.warning).c_str(),
                 Percent(figures.warning, figures.pixels).c_str(), Short(thresholds.warn).c_str());
    std::fprintf(out, "    %s (%s) over %s (fail)\n", Pixels(figures.failing).c_str(),
                 Percent(figures.failing, figures.pixels).c_str(), Short(thresholds.fail).c_str());
    if (figures.maxX >= 0) {
        const std::string component = ComponentName(figures, figures.maxComponent);
        std::fprintf(out, "    largest %s at (%d, %d)%s%s\n", Short(figures.maxDifference).c_str(), figures.maxX,
                     figures.maxY, component.empty() ? "" : ", ", component.c_str());
    }
    std::fprintf(out, "    mean %s, RMS %s", Short(figures.meanDifference).c_str(),
                 Short(figures.rmsDifference).c_str());
    if (figures.HasPsnr())
        std::fprintf(out, ", PSNR %s dB", Short(figures.psnr).c_str());
    std::fprintf(out, "\n");
}

}  // namespace

const char* StatusWord(CompareStatus status)
{
    switch (status) {
    case CompareStatus::Same: return "PASS";
    case CompareStatus::Warning: return "WARNING";
    case CompareStatus::Failure: return "FAILURE";
    case CompareStatus::SizesDiffer: return "SIZES DIFFER";
    case CompareStatus::Unreadable: break;
    }
    return "UNREADABLE";
}

void PrintText(std::FILE* out, const PairOutcome& outcome, const CompareThresholds& thresholds)
{
    std::fprintf(out, "Comparing %s and %s\n", Quoted(outcome.files.a).c_str(), Quoted(outcome.files.b).c_str());
    if (!outcome.files.missing.empty())
        std::fprintf(out, "  no file %s\n", Quoted(outcome.files.missing).c_str());
    else if (!outcome.compared)
        std::fprintf(out, "  cannot be read (the report is on standard error)\n");
    if (outcome.compared) {
        const ImageComparison& comparison = outcome.comparison;
        if (comparison.SizesDiffer()) {
            std::fprintf(out, "  sizes differ: %d x %d against %d x %d; compared over the common %d x %d\n",
                         comparison.widthA, comparison.heightA, comparison.widthB, comparison.heightB,
                         comparison.width, comparison.height);
        }
        for (const ChannelFigures& figures : comparison.channels)
            PrintChannel(out, outcome, figures, thresholds);
    }
    std::fprintf(out, "%s\n", StatusWord(outcome.status));
}

std::string JsonString(const std::string& text)
{
    std::string json = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += char(c);
        }
    }
    return json + "\"";
}

void PrintJson(std::FILE* out, const PairOutcome& outcome, const CompareThresholds& thresholds)
{
    std::string json = "{\"a\": " + JsonString(outcome.files.a) + ", \"b\": " + JsonString(outcome.files.b);
    json += ", \"status\": " + std::to_string(int(outcome.status));
    json += ", \"status_word\": " + JsonString(StatusWord(outcome.status));
    if (!outcome.failure.empty()) {
        std::string failure = outcome.failure;
        while (!failure.empty() && failure.back() == '\n')
            failure.pop_back();
        json += ", \"error\": " + JsonString(failure);
    }
    if (outcome.compared) {
        const ImageComparison& comparison = outcome.comparison;
        json += ", \"size_a\": [" + std::to_string(comparison.widthA) + ", " + std::to_string(comparison.heightA) + "]";
        json += ", \"size_b\": [" + std::to_string(comparison.widthB) + ", " + std::to_string(comparison.heightB) + "]";
        json += ", \"channels\": {";
        bool first = true;
        for (const ChannelFigures& figures : comparison.channels) {
            json += first ? "" : ", ";
            first = false;
            json += JsonString(figures.name) + ": {\"status\": " + std::to_string(int(figures.Status(thresholds)));
            if (figures.presence == Presence::OnlyInA || figures.presence == Presence::OnlyInB) {
                json += std::string(", \"only_in\": ") + (figures.presence == Presence::OnlyInA ? "\"a\"" : "\"b\"") + "}";
                continue;
            }
            json += ", \"pixels\": " + std::to_string(figures.pixels);
            json += ", \"differing\": " + std::to_string(figures.differing);
            json += ", \"warning\": " + std::to_string(figures.warning);
            json += ", \"failing\": " + std::to_string(figures.failing);
            json += ", \"unmatched\": " + std::to_string(figures.unmatched);
            json += ", \"max\": " + JsonNumber(figures.maxDifference);
            json += ", \"max_at\": ";
            json += figures.maxX >= 0 ? "[" + std::to_string(figures.maxX) + ", " + std::to_string(figures.maxY) + "]"
                                      : std::string("null");
            json += ", \"mean\": " + JsonNumber(figures.meanDifference);
            json += ", \"rms\": " + JsonNumber(figures.rmsDifference);
            json += std::string(", \"identical\": ") + (figures.Identical() ? "true" : "false");
            if (figures.HasPsnr())
                json += ", \"psnr\": " + JsonNumber(figures.psnr);
            json += "}";
        }
        json += "}";
    }
    json += "}\n";
    std::fputs(json.c_str(), out);
}
