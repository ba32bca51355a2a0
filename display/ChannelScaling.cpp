#include "ChannelScaling.h"

#include <cctype>
#include <cmath>
#include <locale>
#include <sstream>

namespace {

// A whole-text number in the C locale's notation, finite.
bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text.front())))
        return false;
    std::istringstream stream(text);
    stream.imbue(std::locale::classic());
    double parsed = 0;
    stream >> parsed;
    if (stream.fail() || !stream.eof() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

}  // namespace

ChannelScaling ChannelScaling::Window()
{
    ChannelScaling scaling;
    scaling.depth.mode = DepthRangeMode::Auto;
    scaling.velocity.mode = VectorScaleMode::Auto;
    scaling.uv.mode = VectorScaleMode::Auto;
    return scaling;
}

namespace channelscaling {

bool IsTypedDepthRange(double nearDepth, double farDepth)
{
    return nearDepth < farDepth && std::fabs(nearDepth) < kLargestTypedDepth && std::fabs(farDepth) < kLargestTypedDepth;
}

bool ParseDepthRange(const std::string& text, DepthScaling& depth)
{
    if (text == "full" || text == "auto") {
        depth.mode = text == "full" ? DepthRangeMode::Full : DepthRangeMode::Auto;
        return true;
    }
    const std::size_t comma = text.find(',');
    double nearDepth = 0, farDepth = 0;
    if (comma == std::string::npos || !ParseNumber(text.substr(0, comma), nearDepth) ||
        !ParseNumber(text.substr(comma + 1), farDepth) || !IsTypedDepthRange(nearDepth, farDepth))
        return false;
    depth.mode = DepthRangeMode::Typed;
    depth.nearDepth = nearDepth;
    depth.farDepth = farDepth;
    return true;
}

bool ParseVectorScale(const std::string& text, VectorScaling& scale)
{
    if (text == "largest" || text == "auto") {
        scale.mode = text == "largest" ? VectorScaleMode::Largest : VectorScaleMode::Auto;
        return true;
    }
    double length = 0;
    if (!ParseNumber(text, length) || !(length > 0))
        return false;
    scale.mode = VectorScaleMode::Typed;
    scale.typedLength = length;
    return true;
}

}  // namespace channelscaling
