// How the depth and vector views scale their channel: which depths run from
// black to white, and which length of a velocity or texture-coordinate
// vector shows at full brightness. The frame-wide measures these choices
// draw on (nearest and farthest depth, percentiles) live in
// channelrenderer::ChannelRanges; this is what the user picks.
#pragma once

#include <string>

// Which depths the Z view runs from black (near) to white (far).
enum class DepthRangeMode {
    Full,   // the frame's nearest to its farthest depth
    Auto,   // the 1st to the 99th percentile (nearest rank) of its depths
    Typed,  // nearDepth to farDepth as the user gave them
};

// Which vector length shows at full brightness in the velocity and UV views.
enum class VectorScaleMode {
    Largest,  // the frame's longest vector
    Auto,     // the 99th percentile (nearest rank) of its non-zero lengths
    Typed,    // typedLength as the user gave it
};

struct DepthScaling {
    DepthRangeMode mode = DepthRangeMode::Full;
    double nearDepth = 0;  // Typed only; nearDepth < farDepth
    double farDepth = 1;
    bool invert = false;       // near white, far black
    bool logarithmic = false;  // grey by the logarithm of the distance from the near end

    bool operator==(const DepthScaling& other) const
    {
        return mode == other.mode && invert == other.invert && logarithmic == other.logarithmic &&
               (mode != DepthRangeMode::Typed || (nearDepth == other.nearDepth && farDepth == other.farDepth));
    }
    bool operator!=(const DepthScaling& other) const { return !(*this == other); }
};

struct VectorScaling {
    VectorScaleMode mode = VectorScaleMode::Largest;
    double typedLength = 1;  // Typed only; > 0

    bool operator==(const VectorScaling& other) const
    {
        return mode == other.mode && (mode != VectorScaleMode::Typed || typedLength == other.typedLength);
    }
    bool operator!=(const VectorScaling& other) const { return !(*this == other); }
};

// The scaling of every view that scales: the defaults are the command-line
// tools' rules (nearest to farthest, the longest vector); the window starts
// from Window().
struct ChannelScaling {
    DepthScaling depth;
    VectorScaling velocity;
    VectorScaling uv;

    // What the window shows first: depth and vectors by their percentiles,
    // so that a horizon or one fast pixel does not leave the rest dark.
    static ChannelScaling Window();

    bool operator==(const ChannelScaling& other) const
    {
        return depth == other.depth && velocity == other.velocity && uv == other.uv;
    }
    bool operator!=(const ChannelScaling& other) const { return !(*this == other); }
};

namespace channelscaling {

// Depths of this magnitude are background: no range reaches them.
constexpr double kLargestTypedDepth = 1.0e30;

// Whether a typed near and far make a range: near < far, both of magnitude
// below kLargestTypedDepth.
bool IsTypedDepthRange(double nearDepth, double farDepth);

// "full", "auto" or "NEAR,FAR" (a range IsTypedDepthRange takes) into
// depth's mode and range, leaving its other choices; false for anything
// else, depth untouched.
bool ParseDepthRange(const std::string& text, DepthScaling& depth);

// "largest", "auto" or a finite length > 0 into scale; false for anything
// else, scale untouched.
bool ParseVectorScale(const std::string& text, VectorScaling& scale);

}  // namespace channelscaling
