// One display/view of an OpenColorIO config, ready to apply: the config's
// scene-linear colour in, the display's colour out. Made by OcioConfig;
// immutable and safe to apply from several threads at once, so one look
// can be drawn by the window's thread and the read-ahead workers alike.
#pragma once

#include "ByteSteps.h"

#include <cstddef>
#include <memory>
#include <vector>

class OcioProcessor {
public:
    // The library's processor, kept behind a pointer so that builds
    // without OpenColorIO compile this header.
    struct Impl;
    explicit OcioProcessor(std::unique_ptr<const Impl> impl);
    ~OcioProcessor();
    OcioProcessor(const OcioProcessor&) = delete;
    OcioProcessor& operator=(const OcioProcessor&) = delete;

    // Transforms pixelCount pixels of three floats (red, green, blue) in
    // place.
    void Apply(float* rgb, std::size_t pixelCount) const;

    // For a view whose red, green and blue outputs each depend on their own
    // input alone and never fall as it grows (exponents, logs, curves):
    // per output channel the screen byte of every non-negative input, as
    // the library gives it (lookrenderer::OutputByte of its output), found
    // once when the processor is made. Empty for any other view, which is
    // applied pixel by pixel.
    const std::vector<ByteSteps>& ChannelSteps() const { return channelSteps_; }

private:
    std::unique_ptr<const Impl> impl_;
    std::vector<ByteSteps> channelSteps_;
};
