// Many files converted at once, for rpfconvert: a few workers take the jobs
// in order, each load weighed against one memory budget for the whole run
// (MemoryShare), and every job's outcome reported as it ends. Each job is
// the one-file conversion (conversion::Convert), so a file converts to the
// same bytes however many run beside it, and a failure stays its own.
#pragma once

#include "Conversion.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace conversion {

struct BatchSettings {
    unsigned workers = 1;  // files converted at once
    // Bytes every load of the run may take together (the program's cap and
    // what the system can give).
    std::uint64_t memoryBudget = UINT64_MAX;
};

// Called as each job ends, one call at a time: the job's index, whether it
// converted, and the report when not.
using JobEnded = std::function<void(std::size_t index, bool converted, const std::string& error)>;

// Converts jobs; returns how many failed. Every worker is joined before it
// returns.
std::size_t ConvertBatch(const std::vector<Job>& jobs, const BatchSettings& settings, const JobEnded& ended);

}  // namespace conversion
