// The memory room the control groups leave, read from a made-up tree of
// group files: the process's own group and every group above it count, in
// the version 1 memory hierarchy and in version 2, and inside a container
// whose own group is the mount's root.
#include "MemoryBudget.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using testsupport::TempDir;

constexpr std::uint64_t kMiB = std::uint64_t(1) << 20;
const std::string kNoLimitV1 = "9223372036854771712";

void WriteGroupFile(const TempDir& root, const std::string& dir, const std::string& name, const std::string& text)
{
    const std::filesystem::path folder = root.Path().string() + dir;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name) << text << "\n";
}

TEST(ControlGroups, EveryGroupAboveTheProcessLimitsItsRoom)
{
    TempDir root;
    const std::string v1 = "/sys/fs/cgroup/memory";
    const std::string mounts = "34 30 0:31 / " + v1 + " rw,relatime - cgroup cgroup rw,memory\n"
                               "31 30 0:28 / /sys/fs/cgroup/cpu rw,relatime - cgroup cgroup rw,cpu\n";
    WriteGroupFile(root, v1, "memory.limit_in_bytes", kNoLimitV1);
    WriteGroupFile(root, v1, "memory.usage_in_bytes", std::to_string(4096 * kMiB));
    // The farm's group caps every job in it at a gigabyte; the job's own
    // group sets no limit.
    WriteGroupFile(root, v1 + "/farm", "memory.limit_in_bytes", std::to_string(1024 * kMiB));
    WriteGroupFile(root, v1 + "/farm", "memory.usage_in_bytes", std::to_string(300 * kMiB));
    WriteGroupFile(root, v1 + "/farm/job", "memory.limit_in_bytes", kNoLimitV1);
    WriteGroupFile(root, v1 + "/farm/job", "memory.usage_in_bytes", std::to_string(300 * kMiB));
    const std::string list = "5:cpu:/elsewhere\n4:memory:/farm/job\n0::/\n";
    EXPECT_EQ(memorybudget::ControlGroupRoom(list, mounts, root.Path().string()), 724 * kMiB);

    // The job's own limit, when lower, binds; page cache that the kernel
    // can take back is room.
    WriteGroupFile(root, v1 + "/farm/job", "memory.limit_in_bytes", std::to_string(512 * kMiB));
    WriteGroupFile(root, v1 + "/farm/job", "memory.stat", "cache 0\ntotal_inactive_file " + std::to_string(100 * kMiB));
    EXPECT_EQ(memorybudget::ControlGroupRoom(list, mounts, root.Path().string()), 312 * kMiB);
}

TEST(ControlGroups, VersionTwoAndContainersSeeTheirOwnGroup)
{
    TempDir root;
    const std::string mounts = "40 30 0:37 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw\n";
    WriteGroupFile(root, "/sys/fs/cgroup/user.slice", "memory.max", std::to_string(2048 * kMiB));
    WriteGroupFile(root, "/sys/fs/cgroup/user.slice", "memory.current", std::to_string(1024 * kMiB));
    WriteGroupFile(root, "/sys/fs/cgroup/user.slice/session.scope", "memory.max", "max");
    WriteGroupFile(root, "/sys/fs/cgroup/user.slice/session.scope", "memory.current", std::to_string(10 * kMiB));
    EXPECT_EQ(memorybudget::ControlGroupRoom("0::/user.slice/session.scope\n", mounts, root.Path().string()),
              1024 * kMiB);

    // A container's memory hierarchy is mounted at its own group.
    TempDir container;
    const std::string inside = "34 30 0:31 /docker/abc /sys/fs/cgroup/memory rw - cgroup cgroup rw,memory\n";
    WriteGroupFile(container, "/sys/fs/cgroup/memory", "memory.limit_in_bytes", std::to_string(256 * kMiB));
    WriteGroupFile(container, "/sys/fs/cgroup/memory", "memory.usage_in_bytes", std::to_string(56 * kMiB));
    EXPECT_EQ(memorybudget::ControlGroupRoom("4:memory:/docker/abc\n", inside, container.Path().string()),
              200 * kMiB);

    // No memory hierarchy mounted: no limit known.
    EXPECT_EQ(memorybudget::ControlGroupRoom("4:memory:/x\n", "", container.Path().string()), UINT64_MAX);
}

}  // namespace
