// Conversions run side by side in one process, as rpfconvert runs them (and
// as ThreadSanitizer watches them here): every job ends once, a bad file
// fails alone, and loads that would not fit together wait for each other.
#include "BatchConversion.h"
#include "MemoryShare.h"
#include "RpfWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

rpfgen::RpfImage SmallImage(int seed)
{
    rpfgen::RpfImage image;
    image.width = 24;
    image.height = 16;
    image.colourBits = 16;
    image.matteBits = 16;
    image.alpha = true;
    for (int i = 0; i < image.width * image.height; ++i) {
        image.red.push_back(double((i * 97 + seed * 1000) % 65536));
        image.green.push_back(double((i * 31 + seed) % 65536));
        image.blue.push_back(double(seed * 257 % 65536));
        image.alphaValues.push_back(65535);
    }
    return image;
}

TEST(BatchConversion, EveryJobEndsOnceAndABadFileFailsAlone)
{
    testsupport::TempDir dir;
    std::vector<conversion::Job> jobs;
    for (int i = 0; i < 9; ++i) {
        const std::string input = dir.File("f" + std::to_string(i) + ".rpf");
        if (i == 4) {
            std::ofstream(input) << "not an image";
        } else {
            ASSERT_TRUE(rpfgen::WriteRpf(input, SmallImage(i)));
        }
        conversion::Job job;
        job.input = input;
        job.output = dir.File("f" + std::to_string(i) + ".exr");
        jobs.push_back(job);
    }
    conversion::BatchSettings settings;
    settings.workers = 3;
    std::vector<int> ends(jobs.size(), 0);
    std::vector<bool> converted(jobs.size(), false);
    const std::size_t failures =
        conversion::ConvertBatch(jobs, settings, [&](std::size_t index, bool ok, const std::string& error) {
            ++ends[index];
            converted[index] = ok;
            EXPECT_EQ(ok, error.empty()) << error;
        });
    EXPECT_EQ(failures, 1u);
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        EXPECT_EQ(ends[i], 1) << i;
        EXPECT_EQ(converted[i], i != 4) << i;
        EXPECT_EQ(std::filesystem::exists(jobs[i].output), i != 4) << i;
    }
}

TEST(BatchConversion, LoadsThatDoNotFitTogetherWaitAndOneTooBigRunsAlone)
{
    MemoryShare share(10);
    share.Take(6);
    std::atomic<bool> second{false};
    std::thread waiting([&] {
        share.Take(6);
        second = true;
        share.Give(6);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(second) << "6 more bytes do not fit beside 6 in 10";
    share.Give(6);
    waiting.join();
    EXPECT_TRUE(second);
    EXPECT_EQ(share.Peak(), 6u);
    // Bigger than the whole budget: nothing else is held, so it goes (and
    // the load's own weighing reports it).
    share.Take(25);
    share.Give(25);
    EXPECT_EQ(share.Peak(), 25u);
}

}  // namespace
