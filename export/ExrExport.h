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

// How the pixels are compressed. Zip (the default), None, Rle, Zips and Piz
// keep every value; Pxr24, B44, Dwaa and Dwab are lossy and may change float
// values (Pxr24 keeps 24 of a float's 32 bits).
enum class ExrCompression { Zip, None, Rle, Zips, Piz, Pxr24, B44, Dwaa, Dwab };

// The compression of a name as rpfconvert takes it ("zip", "none", "rle",
// "zips", "piz", "pxr24", "b44", "dwaa", "dwab"); false for any other.
bool CompressionFromName(const std::string& name, ExrCompression& compression);

// Lets every EXR written from now on compress its lines on threads of the
// library's own pool: threads of them at once (0: on the writer's thread).
// The pool is the process's, so only a program that owns its whole run (a
// command-line tool, at start) calls this.
void CompressOnThreads(int threads);

// Writes image (loaded with its colour kept) to path; throws
// std::runtime_error (or an exception derived from std::exception) when the
// file cannot be written.
void WriteExr(const RLA& image, const std::string& path, ExrCompression compression = ExrCompression::Zip);

}  // namespace exrexport
