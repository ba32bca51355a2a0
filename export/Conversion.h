// One file converted: load the RPF image, write the chosen output under a
// temporary name beside the target, and rename it into place only when the
// whole file is written, so a failure never leaves a half-written file under
// the output name.
#pragma once

#include "ChannelView.h"

#include <string>

class RLA;

namespace conversion {

enum class OutputType { Exr, ColourPng, ViewPng };

struct Job {
    std::string input;
    std::string output;
    OutputType type = OutputType::Exr;
    ChannelView view;  // for ViewPng
};

// The output type an output name asks for (by its .exr or .png ending, any
// case); false when it names neither.
bool TypeFromName(const std::string& output, bool channelGiven, OutputType& type);

// Writes image (loaded with its colour kept) as type asks, view for
// ViewPng; on failure returns false with the writer's report in error, and
// leaves no file under output.
bool WriteImage(const RLA& image, OutputType type, const ChannelView& view, const std::string& output,
                std::string& error);

// Converts; on failure returns false with the reader's or writer's report in
// error, and leaves no file under job.output.
bool Convert(const Job& job, std::string& error);

}  // namespace conversion
