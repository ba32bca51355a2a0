// One file converted: load the RPF image, write the chosen output under a
// temporary name beside the target, and rename it into place only when the
// whole file is written, so a failure never leaves a half-written file under
// the output name (nor, in programs that ask temporaryfiles to, an
// interruption a temporary file). Names are bytes throughout.
#pragma once

#include "ChannelView.h"
#include "ExrExport.h"
#include "RLA.h"

#include <cstdint>
#include <string>
#include <vector>

namespace conversion {

enum class OutputType { Exr, ColourPng, ViewPng };

struct Job {
    std::string input;
    std::string output;
    OutputType type = OutputType::Exr;
    ChannelView view;  // for ViewPng
    std::uint64_t memoryCap = UINT64_MAX;  // the program's cap on what a load takes
    exrexport::ExrCompression compression = exrexport::ExrCompression::Zip;  // for Exr
};

// Bytes per pixel a conversion to type allocates beside the reader's image.
std::uint64_t BytesPerPixelWritten(OutputType type);

// How job's input is loaded: what the reader and the conversion allocate
// weighed against job.memoryCap.
LoadOptions LoadOptionsFor(const Job& job);

// The output type an output name asks for (by its .exr or .png ending, any
// case); false when it names neither.
bool TypeFromName(const std::string& output, bool channelGiven, OutputType& type);

// Writes image (loaded with its colour kept) as type asks, view for
// ViewPng, compression for Exr; on failure returns false with the writer's report in error, and
// leaves no file under output. An output that is one of inputs, or exists
// and is not a regular file, is refused (outputfile::Refusal).
bool WriteImage(const RLA& image, OutputType type, const ChannelView& view, const std::string& output,
                const std::vector<std::string>& inputs, std::string& error,
                exrexport::ExrCompression compression = exrexport::ExrCompression::Zip);

// Converts; on failure returns false with the reader's or writer's report in
// error, and leaves no file under job.output.
bool Convert(const Job& job, std::string& error);

}  // namespace conversion
