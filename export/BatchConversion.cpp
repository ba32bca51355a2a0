#include "BatchConversion.h"

#include "MemoryShare.h"
#include "RLA.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace conversion {

namespace {

// What a job's load will take, weighed from its header alone; 0 when the
// header cannot be read (the load then fails with its report, taking
// nothing).
std::uint64_t LoadBytesOf(const Job& job)
{
    try {
        RLA header;
        header.ReadHeaderOnly(job.input.c_str());
        return header.LoadBytes(LoadOptionsFor(job));
    } catch (const std::exception&) {
        return 0;
    }
}

}  // namespace

std::size_t ConvertBatch(const std::vector<Job>& jobs, const BatchSettings& settings, const JobEnded& ended)
{
    MemoryShare memory(settings.memoryBudget);
    std::atomic<std::size_t> next{0};
    std::mutex reporting;
    std::size_t failures = 0;
    const auto work = [&] {
        for (std::size_t index; (index = next.fetch_add(1)) < jobs.size();) {
            const Job& job = jobs[index];
            const std::uint64_t bytes = LoadBytesOf(job);
            memory.Take(bytes);
            std::string error;
            bool converted = false;
            try {
                converted = Convert(job, error);
            } catch (const std::exception& e) {
                error = e.what();  // nothing of one file may end the others' run
            }
            memory.Give(bytes);
            const std::lock_guard<std::mutex> lock(reporting);
            if (!converted)
                ++failures;
            ended(index, converted, error);
        }
    };
    const unsigned workers = unsigned(std::clamp<std::size_t>(settings.workers, 1, std::max<std::size_t>(1, jobs.size())));
    std::vector<std::thread> helpers;
    for (unsigned w = 1; w < workers; ++w) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // no more threads to be had: fewer workers do the run
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    return failures;
}

}  // namespace conversion
