// What an OcioProcessor holds: the library's CPU processor. Seen only by
// the two sources that make and apply it.
#pragma once

#include "OcioProcessor.h"

#ifdef BRIMWELL_HAVE_OCIO
#include <OpenColorIO/OpenColorIO.h>

struct OcioProcessor::Impl {
    OCIO_NAMESPACE::ConstCPUProcessorRcPtr cpu;
};
#else
// Nothing makes a processor in a build without OpenColorIO.
struct OcioProcessor::Impl {};
#endif
