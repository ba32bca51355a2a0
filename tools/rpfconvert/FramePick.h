// rpfconvert --frames A-B FILE: frames A to B of the sequence FILE belongs
// to, found among the .rpf files of FILE's folder in byte order (the way
// the viewer lists a folder), so that a farm can give each job a range of a
// shot. FILE itself need not exist: its name says which sequence.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace framepick {

struct Range {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

// "A-B" (A <= B) or "A", whole numbers of at most nine digits; false for
// anything else.
bool ParseRange(const std::string& text, Range& range);

struct Pick {
    std::vector<std::string> paths;    // the frames found, in number order
    std::vector<std::string> missing;  // the numbers in the range no file gives: "0043", or "0043-0050" for a run
    std::string error;                 // why nothing could be picked; empty when the pick stands
};

// The frames of range in member's sequence.
Pick PickFrames(const std::string& member, const Range& range);

}  // namespace framepick
