// One file converted: load the RPF image, write the chosen output under a
// temporary name beside the target, and rename it into place only when the
// whole file is written, so a failure never leaves a half-written file under
// the output name.
#pragma once

#include "ChannelView.h"

#include <string>

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

// Converts; on failure returns false with the reader's or writer's report in
// error, and leaves no file under job.output.
bool Convert(const Job& job, std::string& error);

}  // namespace conversion
