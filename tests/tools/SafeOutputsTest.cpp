// Outputs never destroy inputs: the thumbnailer and rpfconvert refuse an
// output that is an input file (under any name) or a special file, rpfconvert
// refuses clashing output names before converting anything, removes its
// temporary file when interrupted, takes output names as bytes, and says
// what a full disk is.
#include "MeasuredRun.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <thread>

namespace {

using toolstest::Launch;
using toolstest::Measured;
using toolstest::ReadText;
using toolstest::RunMeasured;
using toolstest::SharedRowFile;
using toolstest::TempDir;

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string SmallFile(const TempDir& dir, const std::string& name)
{
    return dir.Write(name, SharedRowFile(40, 30, "Renderer (Z)"));
}

TEST(SafeOutputs, TheThumbnailerNeverReplacesItsInputOrASpecialFile)
{
    TempDir dir;
    const std::string input = SmallFile(dir, "same.rpf");
    const std::string original = ReadText(input);
    ASSERT_EQ(link(input.c_str(), dir.File("alias.png").c_str()), 0);
    for (const std::string& output : {input, dir.File("alias.png")}) {
        const Measured run = RunMeasured({{THUMBNAILER_PATH, "-s", "64", input, output}});
        EXPECT_EQ(run.exitCode, 1) << output;
        EXPECT_TRUE(Contains(run.err, "it is the input file")) << run.err;
        EXPECT_EQ(ReadText(input), original);
    }
    // A pipe nobody reads (opening it to write would wait forever) and a
    // folder.
    ASSERT_EQ(mkfifo(dir.File("pipe.png").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("folder.png"));
    for (const char* name : {"pipe.png", "folder.png"}) {
        const Measured run = RunMeasured({{THUMBNAILER_PATH, "-s", "64", input, dir.File(name)}});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_TRUE(Contains(run.err, "exists and is not a regular file")) << run.err;
    }
}

// A thumbnail service creates the output file, passes its name and reads it
// back: the PNG goes into that very file, whose permissions stay the
// service's. A name that is not UTF-8 is written as given.
TEST(SafeOutputs, TheThumbnailerWritesIntoTheFileItIsGiven)
{
    TempDir dir;
    const std::string input = SmallFile(dir, "in.rpf");
    const std::string output = dir.File("service-owned.png");
    { std::ofstream(output) << "stale"; }
    ASSERT_EQ(chmod(output.c_str(), 0640), 0);
    struct stat before;
    ASSERT_EQ(stat(output.c_str(), &before), 0);
    const Measured run = RunMeasured({{THUMBNAILER_PATH, "-s", "64", input, output}});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    struct stat after;
    ASSERT_EQ(stat(output.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0640u);
    EXPECT_EQ(ReadText(output).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));

    const std::string latin1 = dir.File("caf\xe9.png");
    const Measured named = RunMeasured({{THUMBNAILER_PATH, "-s", "64", input, latin1}});
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_EQ(ReadText(latin1).substr(1, 3), "PNG");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"caf\xe9.png", "in.rpf", "service-owned.png"}));
}

TEST(SafeOutputs, RpfconvertRefusesClashesAndInputsBeforeConvertingAnything)
{
    TempDir dir;
    std::filesystem::create_directories(dir.File("a"));
    std::filesystem::create_directories(dir.File("b"));
    const std::string first = SmallFile(dir, "a/x.rpf");
    const std::string second = SmallFile(dir, "b/x.rpf");
    const std::string other = SmallFile(dir, "a/y.rpf");
    const Measured clash = RunMeasured({{RPFCONVERT_PATH, other, first, second, dir.File("out/")}});
    EXPECT_EQ(clash.exitCode, 1);
    EXPECT_TRUE(Contains(clash.err, first + " and " + second + " would both be written to " + dir.File("out/x.exr")))
        << clash.err;
    EXPECT_TRUE(FilesIn(dir.File("out")).empty());  // not even y.exr

    // An output linked to an input, and a pipe in its place.
    ASSERT_EQ(link(first.c_str(), dir.File("linked.png").c_str()), 0);
    const std::string original = ReadText(first);
    const Measured linked = RunMeasured({{RPFCONVERT_PATH, first, dir.File("linked.png")}});
    EXPECT_EQ(linked.exitCode, 1);
    EXPECT_TRUE(Contains(linked.err, "it is the input file " + first)) << linked.err;
    EXPECT_EQ(ReadText(first), original);
    ASSERT_EQ(mkfifo(dir.File("pipe.exr").c_str(), 0600), 0);
    const Measured piped = RunMeasured({{RPFCONVERT_PATH, first, dir.File("pipe.exr")}});
    EXPECT_EQ(piped.exitCode, 1);
    EXPECT_TRUE(Contains(piped.err, "exists and is not a regular file")) << piped.err;
}

TEST(SafeOutputs, RpfconvertWritesNamesAsBytesAndDiagnosesOnStandardError)
{
    TempDir dir;
    const std::string input = SmallFile(dir, "in.rpf");
    std::filesystem::create_directories(dir.File("out"));
    for (const char* name : {"out/caf\xe9.png", "out/caf\xe9.exr"}) {
        const Measured run = RunMeasured({{RPFCONVERT_PATH, input, dir.File(name)}});
        EXPECT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(FilesIn(dir.File("out")), (std::vector<std::string>{"caf\xe9.exr", "caf\xe9.png"}));

    // The reader's diagnostic line for a damaged render channel.
    const std::string good = ReadText(input);
    const std::string damaged = dir.Write("damaged.rpf", {good.begin(), good.end() - 3});
    const Measured run = RunMeasured({{RPFCONVERT_PATH, damaged, dir.File("damaged.exr")}});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Contains(run.err, "RLA::ReadNChannels()")) << run.err;
}

// Interrupted while writing, rpfconvert removes its temporary file and ends
// by the signal it was sent.
TEST(SafeOutputs, AnInterruptedConversionLeavesNoTemporaryFile)
{
    TempDir dir;
    std::vector<std::string> args = {RPFCONVERT_PATH};
    for (int i = 0; i < 40; ++i)
        args.push_back(dir.Write("frame" + std::to_string(i) + ".rpf",
                                 SharedRowFile(1500, 1500, "Renderer (ZOUNCIV)")));
    args.push_back(dir.File("out/"));
    for (int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        std::filesystem::remove_all(dir.File("out"));
        toolstest::Child child{Launch(args)};
        bool sent = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!sent && std::chrono::steady_clock::now() < deadline) {
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(dir.File("out"), ignored)) {
                if (entry.path().extension() == ".tmp" && !sent) {
                    kill(child.Pid(), signalNumber);
                    sent = true;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const Measured run = child.Wait();
        ASSERT_TRUE(sent) << "no temporary file seen";
        EXPECT_EQ(run.signal, signalNumber) << run.err;
        for (const std::string& name : FilesIn(dir.File("out")))
            EXPECT_EQ(std::filesystem::path(name).extension(), ".exr") << name;
    }
}

// A disk that fills during the write: the system's reason, and nothing left.
TEST(SafeOutputs, AFullDiskIsReportedAsSuch)
{
    TempDir dir;
    rpfgen::RpfImage noise;
    noise.width = 300;
    noise.height = 300;
    noise.colourBits = 16;
    std::uint32_t state = 12345;
    for (int i = 0; i < 300 * 300; ++i) {
        for (std::vector<double>* channel : {&noise.red, &noise.green, &noise.blue}) {
            state = state * 1664525u + 1013904223u;
            channel->push_back(state >> 16);
        }
    }
    const std::string input = dir.File("noise.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(input, noise));
    std::filesystem::create_directory(dir.File("disk"));
    for (const char* output : {"out.png", "out.exr"}) {
        SCOPED_TRACE(output);
        // A 64 KiB file system of the test's own, in a mount namespace that
        // ends with the command.
        const std::string script = "mount -t tmpfs -o size=64k tmpfs \"$1\" || exit 97; \"$2\" \"$3\" \"$1/$4\"; "
                                   "status=$?; ls -A \"$1\" >&2; exit $status";
        const Measured run = RunMeasured({{"/usr/bin/unshare", "-m", "/bin/sh", "-c", script, "sh", dir.File("disk"),
                                           RPFCONVERT_PATH, input, output}});
        if (run.exitCode == 97 || Contains(run.err, "unshare failed"))
            GTEST_SKIP() << "cannot mount a small file system here: " << run.err;
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(Contains(run.err, "No space left on device")) << run.err;
        EXPECT_FALSE(Contains(run.err, ".tmp")) << run.err;  // the listing of what the disk kept
    }
}

}  // namespace
