// The command-line tools against hostile files and dangerous outputs, as a
// file manager or a render farm meets them: a memory cap of their own, only
// the pixels they need decoded, the system's limits obeyed, and no input or
// special file ever replaced by an output.
#include "MeasuredRun.h"
#include "RLA.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

using toolstest::Launch;
using toolstest::Measured;
using toolstest::ReadText;
using toolstest::RunMeasured;
using toolstest::SharedRowFile;
using toolstest::TempDir;

constexpr long kMiB = 1024;  // in KiB, as peaks are measured

// Prints what a hostile run cost, for the record of these attacks.
void Note(const std::string& attack, const Measured& run)
{
    std::cout << "[attack] " << attack << ": exit " << run.exitCode << " signal " << run.signal << ", peak "
              << run.peakKiB / kMiB << " MiB, " << run.seconds << " s\n";
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A safety net for a build that would decode the bombs whole: it then fails
// at 4 GiB of address space instead of taking the machine's memory.
constexpr std::uint64_t kSafetyNet = std::uint64_t(4) << 30;

TEST(ThumbnailerBounds, RefusesPicturesOverItsCapAndReadsTheColourAlone)
{
    TempDir dir;
    // 80 KB claiming 16384 x 16384 with every render channel.
    const std::string bomb = dir.Write("bomb.rpf", SharedRowFile(16384, 16384, toolstest::kEveryChannel));
    ASSERT_LT(std::filesystem::file_size(bomb), 200u * 1024u);
    const Measured refused = RunMeasured({{THUMBNAILER_PATH, "-s", "128", bomb, dir.File("bomb.png")}, {}, kSafetyNet});
    Note("thumbnailer, 16384x16384 every channel", refused);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Contains(refused.err, "not enough memory for a 16384x16384 image: needs 3072 MiB, limit 512 MiB"))
        << refused.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("bomb.png")));
    EXPECT_LT(refused.peakKiB, 100 * kMiB);

    // 4096 x 4096 with every channel fits: the colour (8 bytes a pixel) and
    // the bitmap (4) are read, the 48 bytes a pixel of render channels not.
    const std::string big = dir.Write("big.rpf", SharedRowFile(4096, 4096, toolstest::kEveryChannel));
    const Measured made = RunMeasured({{THUMBNAILER_PATH, "-s", "128", big, dir.File("big.png")}, {}, kSafetyNet});
    Note("thumbnailer, 4096x4096 every channel", made);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    EXPECT_EQ(ReadText(dir.File("big.png")).substr(1, 3), "PNG");
    EXPECT_LT(made.peakKiB, (16 * 12 + 100) * kMiB);

    // BRIMWELL_MAX_MEMORY lowers the cap, --max-memory overrides it.
    const Measured lowered =
        RunMeasured({{THUMBNAILER_PATH, "-s", "64", big, dir.File("low.png")}, {"BRIMWELL_MAX_MEMORY=100000000"}});
    EXPECT_EQ(lowered.exitCode, 1);
    EXPECT_TRUE(Contains(lowered.err, "needs 192 MiB, limit 95 MiB")) << lowered.err;
    const Measured raised = RunMeasured({{THUMBNAILER_PATH, "--max-memory", "300000000", "-s", "64", big,
                                          dir.File("low.png")},
                                         {"BRIMWELL_MAX_MEMORY=100000000"}});
    EXPECT_EQ(raised.exitCode, 0) << raised.err;
}

TEST(RpfInfoBounds, ReadsHeadersAndBlocksUnlessStatsAreAsked)
{
    TempDir dir;
    const std::string bomb = dir.Write("bomb.rpf", SharedRowFile(16384, 16384, toolstest::kEveryChannel));
    const Measured header = RunMeasured({{RPFINFO_PATH, bomb}, {}, kSafetyNet});
    Note("rpfinfo, 16384x16384 every channel", header);
    EXPECT_EQ(header.exitCode, 0) << header.err;
    EXPECT_TRUE(Contains(header.out, "width: 16384\nheight: 16384\n")) << header.out;
    EXPECT_TRUE(Contains(header.out, "channels: ZEOUNRCBIGTVWM\n")) << header.out;
    EXPECT_LT(header.peakKiB, 50 * kMiB);

    const Measured capped = RunMeasured({{RPFINFO_PATH, "--stats", "--max-memory", "1000000000", bomb}});
    Note("rpfinfo --stats --max-memory 1000000000, the same file", capped);
    EXPECT_EQ(capped.exitCode, 1);
    EXPECT_TRUE(Contains(capped.err, "needs 14336 MiB, limit 953 MiB")) << capped.err;
    EXPECT_LT(capped.peakKiB, 50 * kMiB);

    // Stats decode every scanline: the colour's range, and damage found.
    rpfgen::RpfImage image;
    image.width = 3;
    image.height = 2;
    image.colourBits = 16;
    image.alpha = true;
    image.matteBits = 16;
    image.producer = "small (Z)";
    image.red = {10, 20, 30, 40, 50, 60};
    image.green = {7, 7, 7, 7, 7, 9000};
    image.blue = {65535, 0, 1, 2, 3, 4};
    image.alphaValues = {100, 200, 300, 400, 500, 600};
    const std::vector<std::uint8_t> bytes = rpfgen::EncodeRpf(image);
    const std::string small = dir.Write("small.rpf", bytes);
    const Measured stats = RunMeasured({{RPFINFO_PATH, "--stats", small}});
    EXPECT_EQ(stats.exitCode, 0) << stats.err;
    // The words as the reader decodes them: pixel 5 holds the greatest red
    // and green, pixel 0 the greatest blue, pixel 1 the least blue.
    RLA reader;
    reader.Leer(small.c_str(), true);
    const unsigned short* words = reader.image_buf;  // alpha, red, green, blue
    const auto word = [words](int pixel, int k) { return std::to_string(words[4 * pixel + k]); };
    EXPECT_TRUE(Contains(stats.out, "colour-min: " + word(0, 1) + " " + word(0, 2) + " " + word(1, 3) + " " +
                                        word(0, 0) + "\ncolour-max: " + word(5, 1) + " " + word(5, 2) + " " +
                                        word(0, 3) + " " + word(5, 0) + "\n"))
        << stats.out;
    EXPECT_NE(word(5, 2), word(0, 2));
    const std::string damaged = dir.Write("damaged.rpf", {bytes.begin(), bytes.end() - 3});
    EXPECT_EQ(RunMeasured({{RPFINFO_PATH, damaged}}).exitCode, 0);
    const Measured found = RunMeasured({{RPFINFO_PATH, "--stats", damaged}});
    EXPECT_EQ(found.exitCode, 1);
    EXPECT_EQ(found.out, "");
    EXPECT_TRUE(Contains(found.err, "FileStream::Leer() leido != buffer_size")) << found.err;
}

// Under ulimit -v the buffers every load allocates (Z, C, I and V, 15 bytes
// a pixel whether the file holds them or not) are weighed with the rest, so
// a file too large comes out as the budget report, not a failed allocation.
TEST(RpfInfoBounds, AnAddressSpaceLimitGivesTheBudgetReport)
{
    if (std::system("prlimit --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "prlimit is not installed";
    TempDir dir;
    const std::string plain = dir.Write("plain.rpf", SharedRowFile(8192, 8192, "Renderer"));
    const Measured run = RunMeasured({{"/usr/bin/prlimit", "--as=1073741824", RPFINFO_PATH, "--stats", plain}});
    Note("prlimit --as=1GiB rpfinfo --stats, 8192x8192 colour only", run);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(Contains(run.err, "RLA::ReadHeader() not enough memory for a 8192x8192 image: needs 1472 MiB"))
        << run.err;
}

// A memory control group of the test's own (version 1), capped at 256 MiB,
// with a group inside it that sets no limit of its own, where the tools run:
// the parent's limit binds them, and they refuse rather than be killed.
class MemoryGroup {
public:
    MemoryGroup()
    {
        std::string own, mount;
        std::ifstream groups("/proc/self/cgroup");
        for (std::string line; std::getline(groups, line);) {
            const std::size_t first = line.find(':'), second = line.find(':', first + 1);
            const std::string controllers = line.substr(first + 1, second - first - 1);
            if (("," + controllers + ",").find(",memory,") != std::string::npos)
                own = line.substr(second + 1);
        }
        std::ifstream mounts("/proc/self/mountinfo");
        for (std::string line; std::getline(mounts, line);) {
            std::istringstream fields(line);
            std::string id, parent, device, root, point;
            fields >> id >> parent >> device >> root >> point;
            const std::size_t dash = line.find(" - cgroup ");
            if (dash != std::string::npos && line.find("memory", dash) != std::string::npos && root == "/")
                mount = point;
        }
        if (own.empty() || mount.empty()) {
            why_ = "no version 1 memory hierarchy mounted with its root visible";
            return;
        }
        parent_ = mount + (own == "/" ? "" : own) + "/brimwell-test-" + std::to_string(getpid());
        job_ = parent_ + "/job";
        std::error_code error;
        if (!std::filesystem::create_directories(job_, error)) {
            why_ = "cannot create " + job_ + ": " + error.message();
            return;
        }
        std::ofstream(parent_ + "/memory.limit_in_bytes") << (256 << 20) << std::endl;
        if (ReadText(parent_ + "/memory.limit_in_bytes") != std::to_string(256 << 20) + "\n")
            why_ = "cannot set the limit of " + parent_;
    }
    ~MemoryGroup()
    {
        if (!job_.empty()) {
            rmdir(job_.c_str());
            rmdir(parent_.c_str());
        }
    }
    const std::string& WhyNot() const { return why_; }

    // args run in the unlimited group inside the capped one.
    std::vector<std::string> Inside(const std::vector<std::string>& args) const
    {
        std::vector<std::string> command = {"/bin/sh", "-c", "echo $$ > \"$0\" && exec \"$@\"",
                                            job_ + "/cgroup.procs"};
        command.insert(command.end(), args.begin(), args.end());
        return command;
    }

private:
    std::string parent_, job_, why_;
};

TEST(ControlGroupBounds, ToolsUnderACappedParentGroupRefuseRatherThanBeKilled)
{
    const MemoryGroup group;
    if (!group.WhyNot().empty())
        GTEST_SKIP() << "no memory control group of the test's own: " << group.WhyNot();
    TempDir dir;
    const std::string bomb = dir.Write("bomb.rpf", SharedRowFile(8192, 8192, toolstest::kEveryChannel));
    const Measured thumbnail = RunMeasured(
        {group.Inside({THUMBNAILER_PATH, "--max-memory", "100000000000", "-s", "64", bomb, dir.File("out.png")})});
    Note("thumbnailer --max-memory 100 GB in a 256 MiB cgroup, 8192x8192 every channel", thumbnail);
    EXPECT_EQ(thumbnail.signal, 0);
    EXPECT_EQ(thumbnail.exitCode, 1);
    EXPECT_TRUE(Contains(thumbnail.err, "not enough memory for a 8192x8192 image: needs 768 MiB, available"))
        << thumbnail.err;
    const Measured info = RunMeasured({group.Inside({RPFINFO_PATH, "--stats", bomb})});
    Note("rpfinfo --stats in a 256 MiB cgroup, the same file", info);
    EXPECT_EQ(info.signal, 0);
    EXPECT_EQ(info.exitCode, 1);
    EXPECT_TRUE(Contains(info.err, "not enough memory for a 8192x8192 image")) << info.err;
}

TEST(RpfConvertBounds, TheEnvironmentCapsWhatALoadMayTake)
{
    TempDir dir;
    const std::string input = dir.Write("in.rpf", SharedRowFile(2048, 2048, "Renderer (ZCIV)"));
    const Measured capped = RunMeasured(
        {{RPFCONVERT_PATH, input, dir.File("out.exr")}, {"BRIMWELL_MAX_MEMORY=50000000"}});
    EXPECT_EQ(capped.exitCode, 1);
    EXPECT_TRUE(Contains(capped.err, "not enough memory for a 2048x2048 image")) << capped.err;
    EXPECT_TRUE(Contains(capped.err, "limit 47 MiB")) << capped.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.exr")));
    const Measured fits = RunMeasured({{RPFCONVERT_PATH, "--max-memory", "500000000", input, dir.File("out.exr")},
                                       {"BRIMWELL_MAX_MEMORY=50000000"}});
    EXPECT_EQ(fits.exitCode, 0) << fits.err;
}

}  // namespace
