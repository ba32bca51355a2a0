#include "Conversion.h"

#include "ExrExport.h"
#include "FrameChannels.h"
#include "PngExport.h"
#include "RLA.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <stdexcept>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace conversion {

namespace {

bool EndsWith(std::string text, const std::string& ending)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

// A name in the target's folder that no other run of the tool picks.
std::string TemporaryName(const std::string& output)
{
    static std::atomic<int> counter{0};
    return output + ".rpfconvert-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
}

void Write(const RLA& image, OutputType type, const ChannelView& view, const std::string& path)
{
    switch (type) {
    case OutputType::Exr: exrexport::WriteExr(image, path); break;
    case OutputType::ColourPng: pngexport::WriteColourPng(FrameChannelsOf(image), path); break;
    case OutputType::ViewPng: pngexport::WriteViewPng(FrameChannelsOf(image), view, path); break;
    }
}

}  // namespace

bool TypeFromName(const std::string& output, bool channelGiven, OutputType& type)
{
    if (EndsWith(output, ".png")) {
        type = channelGiven ? OutputType::ViewPng : OutputType::ColourPng;
        return true;
    }
    if (EndsWith(output, ".exr") && !channelGiven) {
        type = OutputType::Exr;
        return true;
    }
    return false;
}

bool Convert(const Job& job, std::string& error)
{
    RLA image;
    try {
        image.Leer(job.input.c_str(), true);
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return WriteImage(image, job.type, job.view, job.output, error);
}

bool WriteImage(const RLA& image, OutputType type, const ChannelView& view, const std::string& output,
                std::string& error)
{
    const std::string temporary = TemporaryName(output);
    try {
        Write(image, type, view, temporary);
        std::filesystem::rename(temporary, output);
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    }
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

}  // namespace conversion
