#include "OcioProcessorImpl.h"

OcioProcessor::OcioProcessor(std::unique_ptr<const Impl> impl) : impl_(std::move(impl)) {}

OcioProcessor::~OcioProcessor() = default;

void OcioProcessor::Apply(float* rgb, std::size_t pixelCount) const
{
#ifdef BRIMWELL_HAVE_OCIO
    // One row of an image at a time: the library's images are sized in
    // long, which every stretch of a picture fits.
    OCIO_NAMESPACE::PackedImageDesc image(rgb, long(pixelCount), 1, 3);
    impl_->cpu->apply(image);
#else
    (void)rgb;
    (void)pixelCount;
#endif
}
