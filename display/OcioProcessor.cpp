#include "OcioProcessorImpl.h"

#include "LookRenderer.h"

#include <array>

namespace {

#ifdef BRIMWELL_HAVE_OCIO
// The steps of each output channel, or none when the view mixes channels or
// a channel's byte falls somewhere as its input grows.
std::vector<ByteSteps> BakeChannelSteps(const OCIO_NAMESPACE::CPUProcessor& cpu)
{
    if (cpu.hasChannelCrosstalk())
        return {};
    const std::vector<float> edges = ByteSteps::BucketEdges();
    std::vector<float> rgb(3 * edges.size());
    for (std::size_t i = 0; i < edges.size(); ++i)
        rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = edges[i];
    OCIO_NAMESPACE::PackedImageDesc image(rgb.data(), long(edges.size()), 1, 3);
    cpu.apply(image);
    std::vector<ByteSteps> steps;
    std::vector<std::uint8_t> bytes(edges.size());
    for (int c = 0; c < 3; ++c) {
        steps.emplace_back([&cpu, c](float input) {
            std::array<float, 3> pixel{input, input, input};
            cpu.applyRGB(pixel.data());
            return lookrenderer::OutputByte(pixel[std::size_t(c)]);
        });
        for (std::size_t i = 0; i < edges.size(); ++i)
            bytes[i] = lookrenderer::OutputByte(rgb[3 * i + std::size_t(c)]);
        if (!steps.back().AgreesWith(edges, bytes))
            return {};
    }
    return steps;
}
#endif

}  // namespace

OcioProcessor::OcioProcessor(std::unique_ptr<const Impl> impl) : impl_(std::move(impl))
{
#ifdef BRIMWELL_HAVE_OCIO
    channelSteps_ = BakeChannelSteps(*impl_->cpu);
#endif
}
OcioProcessor::~OcioProcessor() = default;

void OcioProcessor::Apply(float* rgb, std::size_t pixelCount) const
{
#ifdef BRIMWELL_HAVE_OCIO
    if (pixelCount == 0)
        return;  // the library takes an empty image for a malformed one and throws
    // One row of an image at a time: the library's images are sized in
    // long, which every stretch of a picture fits.
    OCIO_NAMESPACE::PackedImageDesc image(rgb, long(pixelCount), 1, 3);
    impl_->cpu->apply(image);
#else
    (void)rgb;
    (void)pixelCount;
#endif
}
