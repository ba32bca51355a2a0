#include "Conversion.h"

#include "ExrExport.h"
#include "FrameChannels.h"
#include "OutputFile.h"
#include "PngExport.h"
#include "RLA.h"
#include "TemporaryFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace conversion {

namespace {

bool EndsWith(std::string text, const std::string& ending)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

void Write(const RLA& image, OutputType type, const ChannelView& view, const std::string& path,
           exrexport::ExrCompression compression)
{
    switch (type) {
    case OutputType::Exr: exrexport::WriteExr(image, path, compression); break;
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

std::uint64_t BytesPerPixelWritten(OutputType type)
{
    switch (type) {
    case OutputType::Exr: return 4u * 4u + 4u;  // float colour and alpha, one channel widened
    case OutputType::ColourPng: return 8u;      // the 16-bit picture
    case OutputType::ViewPng: return 4u + 4u;   // the view's bitmap and its opaque copy
    }
    return 0;
}

LoadOptions LoadOptionsFor(const Job& job)
{
    LoadOptions options;
    options.callerBytesPerPixel = BytesPerPixelWritten(job.type);
    options.memoryCap = job.memoryCap;
    return options;
}

bool Convert(const Job& job, std::string& error)
{
    RLA image;
    try {
        image.Leer(job.input.c_str(), LoadOptionsFor(job));
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
    return WriteImage(image, job.type, job.view, job.output, {job.input}, error, job.compression);
}

bool WriteImage(const RLA& image, OutputType type, const ChannelView& view, const std::string& output,
                const std::vector<std::string>& inputs, std::string& error,
                exrexport::ExrCompression compression)
{
    error = outputfile::Refusal(output, inputs);
    if (!error.empty())
        return false;
    std::string temporary;
    try {
        temporary = temporaryfiles::Reserve(output);
        Write(image, type, view, temporary, compression);
        // By the names' bytes; replaces an older file at output in one step.
        if (std::rename(temporary.c_str(), output.c_str()) != 0)
            throw std::runtime_error("cannot write " + output + ": " + std::strerror(errno));
        temporaryfiles::Forget(temporary);
        return true;
    } catch (const std::exception& e) {
        // The user knows the file by its own name, not the temporary's.
        error = e.what();
        for (std::size_t at; !temporary.empty() && (at = error.find(temporary)) != std::string::npos;)
            error.replace(at, temporary.size(), output);
    }
    if (!temporary.empty()) {
        std::remove(temporary.c_str());
        temporaryfiles::Forget(temporary);
    }
    return false;
}

}  // namespace conversion
