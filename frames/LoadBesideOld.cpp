#include "LoadBesideOld.h"

#include <string>

namespace loadbesideold {

bool IsMemoryShortage(const std::exception& failure)
{
    // The reader tells failures apart by their fixed sites: the memory
    // budget's and that of an allocation that failed all the same.
    const std::string text = failure.what();
    for (const char* site : {"\nRLA_Reader/RLA.cpp:49\n", "\nRLA_Reader/RLA.cpp:90\n"}) {
        if (text.find(site) != std::string::npos)
            return true;
    }
    return false;
}

}  // namespace loadbesideold
