// A frame built in memory, element by element, for the rendering and
// readout tests: each channel's bytes laid out as the loader assembles them.
#pragma once

#include "FrameChannels.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class HandMadeFrame {
public:
    HandMadeFrame(int width, int height) : width_(width), height_(height), colour_(std::size_t(width) * height * 4) {}

    void SetColour(int x, int y, std::uint16_t a, std::uint16_t r, std::uint16_t g, std::uint16_t b)
    {
        std::uint16_t* p = &colour_[Index(x, y) * 4];
        p[0] = a;
        p[1] = r;
        p[2] = g;
        p[3] = b;
    }
    void SetHasAlpha(bool alpha) { hasAlpha_ = alpha; }
    // Makes the frame a float file's: every pixel gets floats (zero until
    // set), and the words stay as set.
    void SetFloats(int x, int y, float r, float g, float b, float a)
    {
        if (floats_.empty())
            floats_.resize(colour_.size());
        float* p = &floats_[Index(x, y) * 4];
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }

    // Stores value's bytes as channel bit's element at (x, y).
    template <typename T>
    void Set(int bit, int x, int y, const T& value)
    {
        static_assert(std::is_trivially_copyable<T>::value, "plain bytes");
        std::memcpy(&Channel(bit)[Index(x, y) * FrameChannels::ElementSize(bit)], &value, sizeof(T));
    }
    // Stores a two-float element: first and second float in file order.
    void SetVector(int bit, int x, int y, float first, float second)
    {
        unsigned char* e = &Channel(bit)[Index(x, y) * 8];
        std::memcpy(e, &second, 4);
        std::memcpy(e + 4, &first, 4);
    }
    // Stores an element from its bytes in file order.
    void SetFileBytes(int bit, int x, int y, const std::vector<unsigned char>& fileOrder)
    {
        unsigned char* e = &Channel(bit)[Index(x, y) * FrameChannels::ElementSize(bit)];
        for (std::size_t i = 0; i < fileOrder.size(); ++i)
            e[fileOrder.size() - 1 - i] = fileOrder[i];
    }
    // Adds the channel, zero-filled.
    void Add(int bit) { Channel(bit); }
    void SetNames(const std::vector<std::string>& names)
    {
        names_ = NameList();
        for (const std::string& name : names)
            names_.Add(name);
    }

    FrameChannels Frame() const
    {
        FrameChannels frame;
        frame.width = width_;
        frame.height = height_;
        frame.argb16 = colour_.data();
        frame.hasAlpha = hasAlpha_;
        frame.rgbaFloats = floats_.empty() ? nullptr : floats_.data();
        for (int bit = 0; bit < kChannelCount; ++bit)
            frame.channels[bit] = channels_[bit].empty() ? nullptr : channels_[bit].data();
        frame.names = &names_;
        return frame;
    }

private:
    std::size_t Index(int x, int y) const { return std::size_t(y) * width_ + x; }
    std::vector<unsigned char>& Channel(int bit)
    {
        std::vector<unsigned char>& channel = channels_.at(std::size_t(bit));
        if (channel.empty())
            channel.resize(std::size_t(width_) * height_ * FrameChannels::ElementSize(bit));
        return channel;
    }

    int width_;
    int height_;
    bool hasAlpha_ = true;
    std::vector<std::uint16_t> colour_;
    std::vector<float> floats_;
    std::array<std::vector<unsigned char>, kChannelCount> channels_;
    NameList names_;
};
