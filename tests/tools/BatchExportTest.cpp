// rpfconvert converting many files at once: each output is byte for byte
// the file converted alone, a bad file fails alone, the memory cap holds for
// the run, and --frames picks a range of a sequence, reporting the numbers
// it lacks.
#include "DemoScene.h"
#include "RpfWriter.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using toolstest::RunProgram;
using toolstest::TempDir;

rpfgen::RpfImage DemoFrame(int frame, int bits, bool renderChannels, int width = 48, int height = 32)
{
    rpfgen::DemoSettings settings;
    settings.width = width;
    settings.height = height;
    settings.samples = 1;
    settings.frame = frame;
    return rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), bits, renderChannels);
}

std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BatchExport, EveryOutputIsTheOneConvertedAloneAndABadFileFailsAlone)
{
    TempDir dir;
    // Depths, sizes and channels that differ, so that outputs mixed up
    // between workers would show; a broken file in the middle.
    const std::vector<std::pair<std::string, rpfgen::RpfImage>> frames = {
        {"a.rpf", DemoFrame(0, 8, true)},           {"b.rpf", DemoFrame(1, 32, true, 64, 40)},
        {"c.rpf", DemoFrame(2, 16, false, 40, 64)}, {"e.rpf", DemoFrame(3, 32, false)},
        {"f.rpf", DemoFrame(4, 8, false, 200, 120)}, {"g.rpf", DemoFrame(5, 16, true, 33, 17)}};
    std::vector<std::string> inputs;
    for (const auto& [name, image] : frames) {
        ASSERT_TRUE(rpfgen::WriteRpf(dir.File(name), image));
        inputs.push_back(dir.File(name));
        if (name == "c.rpf")
            inputs.push_back(dir.Write("d.rpf", {'n', 'o', 't', ' ', 'r', 'p', 'f'}));
    }
    for (const std::string compression : {"zip", "piz"}) {
        const std::string together = dir.File("together_" + compression);
        std::vector<std::string> args = {"-j", "4", "--compression", compression};
        args.insert(args.end(), inputs.begin(), inputs.end());
        args.push_back(together + "/");
        const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("d.rpf"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("a.rpf"), std::string::npos) << "only the bad file is reported: " << run.err;
        EXPECT_EQ(FilesIn(together),
                  (std::vector<std::string>{"a.exr", "b.exr", "c.exr", "e.exr", "f.exr", "g.exr"}))
            << "no output and no temporary file for the bad one";
        for (const auto& [name, image] : frames) {
            const std::string exr = std::filesystem::path(name).replace_extension(".exr").string();
            const std::string alone = dir.File("alone_" + compression + "_" + exr);
            const toolstest::RunResult single =
                RunProgram(RPFCONVERT_PATH, {"-j", "1", "--compression", compression, dir.File(name), alone});
            ASSERT_EQ(single.exitCode, 0) << single.err;
            const std::string bytes = toolstest::ReadText(together + "/" + exr);
            EXPECT_FALSE(bytes.empty());
            EXPECT_TRUE(bytes == toolstest::ReadText(alone)) << compression << " " << exr;
        }
    }
}

TEST(BatchExport, TheMemoryCapHoldsForTheRunWithoutRefusingFilesThatFitAlone)
{
    TempDir dir;
    std::vector<std::string> args = {"-j", "4"};
    for (int i = 0; i < 4; ++i) {
        const std::string path = dir.File("f" + std::to_string(i) + ".rpf");
        ASSERT_TRUE(rpfgen::WriteRpf(path, DemoFrame(i, 8, true, 256, 256)));
        args.push_back(path);
    }
    // 256 x 256 pixels at some 60 bytes each (colour words, render channels,
    // the EXR's floats) is about 4 MiB: a 6 MiB cap holds one load at a
    // time, never four, and must not refuse any of them.
    args.insert(args.begin(), {"--max-memory", std::to_string(6 << 20)});
    args.push_back(dir.File("out") + "/");
    const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, args);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FilesIn(dir.File("out")), (std::vector<std::string>{"f0.exr", "f1.exr", "f2.exr", "f3.exr"}));
}

TEST(BatchExport, FramesPicksARangeOfTheSequenceAndReportsWhatItLacks)
{
    TempDir dir;
    const rpfgen::RpfImage image = DemoFrame(0, 8, false, 16, 8);
    // shot_0001..0006 without 0003, 0007 past the range, another pass
    // interleaved, a name with a number elsewhere, and a file without one.
    for (const char* name : {"shot_0001.rpf", "shot_0002.rpf", "shot_0004.rpf", "shot_0005.rpf", "shot_0006.rpf",
                             "shot_0008.rpf", "shadow_0002.rpf", "v2_shot.rpf", "plain.rpf", "shot_0004.RPF.txt"})
        ASSERT_TRUE(rpfgen::WriteRpf(dir.File(name), image));

    toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, {"--frames", "2-7", dir.File("shot_0001.rpf"),
                                                            dir.File("out") + "/"});
    EXPECT_EQ(run.exitCode, 1) << "missing frames set the exit status";
    EXPECT_NE(run.err.find("frame 0003 of"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("frame 0007 of"), std::string::npos) << run.err;
    EXPECT_EQ(FilesIn(dir.File("out")),
              (std::vector<std::string>{"shot_0002.exr", "shot_0004.exr", "shot_0005.exr", "shot_0006.exr"}));

    // A run of missing numbers is one line; a FILE that does not exist still
    // names its sequence; a range with nothing missing succeeds.
    run = RunProgram(RPFCONVERT_PATH, {"--frames", "9-20", dir.File("shot_0099.rpf"), dir.File("late") + "/"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("frame 0009-0020 of"), std::string::npos) << run.err;
    run = RunProgram(RPFCONVERT_PATH, {"--frames", "4-6", dir.File("shot_0099.rpf"), dir.File("mid") + "/"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FilesIn(dir.File("mid")),
              (std::vector<std::string>{"shot_0004.exr", "shot_0005.exr", "shot_0006.exr"}));

    // A FILE without a frame number belongs to no sequence.
    run = RunProgram(RPFCONVERT_PATH, {"--frames", "1-2", dir.File("plain.rpf"), dir.File("none") + "/"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no frame number"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("none")));

    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"--frames", "5-2", dir.File("shot_0001.rpf"), dir.File("x") + "/"},
          std::vector<std::string>{"--frames", "-3", dir.File("shot_0001.rpf"), dir.File("x") + "/"},
          std::vector<std::string>{"--frames", "1-2", dir.File("shot_0001.rpf"), dir.File("x.exr")},
          std::vector<std::string>{"-j", "0", dir.File("shot_0001.rpf"), dir.File("x") + "/"}})
        EXPECT_EQ(RunProgram(RPFCONVERT_PATH, wrong).exitCode, 2) << wrong[0] << " " << wrong[1];
}

}  // namespace
