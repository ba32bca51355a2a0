// A loaded RPF image as one OpenEXR file holding every channel, under the
// names compositing programs look for: R G B (A), Z, coverage, nodeID,
// velocity.X/.Y, and names of our own for the rest (see the README).
#pragma once

#include "RLA.h"

#include <string>

namespace exrexport {

// The EXR name of each channel a file may hold, for --help and the tests;
// "rpf.B.R" style names stand for a three-byte channel's three channels.
std::string ChannelNames(int bit);

// Writes image (loaded with its colour kept) to path; throws
// std::runtime_error (or an exception derived from std::exception) when the
// file cannot be written.
void WriteExr(const RLA& image, const std::string& path);

}  // namespace exrexport
