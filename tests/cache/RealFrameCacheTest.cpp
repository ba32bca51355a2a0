// The frame cache over real RPF files through the reader, with two workers
// reading at once: the reader's loads must not share state across threads,
// and its reports must reach the window as the failure of that frame.
#include "FrameCache.h"

#include "DemoScene.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace {

using Cache = FrameCache<RLA>;

std::shared_ptr<const RLA> LoadRpf(const std::string& path, int = -1)
{
    auto rla = std::make_shared<RLA>();
    rla->Leer(path.c_str(), true);
    return rla;
}

// The colour image and the Z, C, I and V channels.
std::size_t RpfBytes(const RLA& rla)
{
    return std::size_t(rla.ancho) * std::size_t(rla.alto) * (8 + 4 + 1 + 2 + 8);
}

bool WaitUntilIdle(const Cache& cache)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!cache.Idle()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(FrameCacheWithRealFiles, ReadsAFolderOfFramesAndReportsABrokenOne)
{
    testsupport::TempDir dir;
    std::vector<std::string> paths;
    for (int frame = 1; frame <= 6; ++frame) {
        rpfgen::DemoSettings settings;
        settings.width = 96;
        settings.height = 54;
        settings.frame = frame;
        settings.samples = 1;
        const std::string path = dir.File("shot_000" + std::to_string(frame) + ".rpf");
        ASSERT_TRUE(rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true)));
        paths.push_back(path);
    }
    // Frame 4 cut short, as a render still being written is.
    {
        std::vector<char> bytes;
        {
            std::ifstream in(paths[3], std::ios::binary);
            bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        bytes.resize(bytes.size() / 2);
        std::ofstream(paths[3], std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
    }

    const std::size_t frameBytes = std::size_t(96 * 54) * 23;
    Cache cache(LoadRpf, RpfBytes, {}, {}, 4 * frameBytes + frameBytes / 2, 2);
    cache.SetSequence(paths, 2, 1);
    ASSERT_TRUE(WaitUntilIdle(cache));

    // From frame 3 on, wrapping: 3, (4 broken), 5, 6, 1 fit; 2 does not.
    for (int frame : {3, 5, 6, 1}) {
        std::shared_ptr<const RLA> rla = cache.Find(paths[std::size_t(frame - 1)]);
        ASSERT_NE(rla, nullptr) << "frame " << frame;
        EXPECT_EQ(rla->ancho, 96);
        EXPECT_EQ(rla->alto, 54);
        EXPECT_FALSE(rla->ChannelBytes(kChannelZ).empty());
    }
    EXPECT_EQ(cache.Find(paths[1]), nullptr);
    EXPECT_EQ(cache.Find(paths[3]), nullptr);
    const std::optional<std::string> report = cache.FindFailure(paths[3]);
    ASSERT_TRUE(report.has_value());
    std::string direct;
    try {
        LoadRpf(paths[3]);
    } catch (const std::exception& error) {
        direct = error.what();
    }
    EXPECT_FALSE(direct.empty());
    EXPECT_EQ(*report, direct);
    EXPECT_EQ(cache.CachedBytes(), 4 * frameBytes);

    // The frames differ as the scene moves, so each is its own file's.
    std::shared_ptr<const RLA> first = cache.Find(paths[0]);
    std::shared_ptr<const RLA> third = cache.Find(paths[2]);
    const std::size_t values = std::size_t(96 * 54) * 4;
    EXPECT_FALSE(std::equal(first->ImageWords().begin(), first->ImageWords().begin() + values,
                            third->ImageWords().begin()));
}

}  // namespace
