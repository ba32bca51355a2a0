// Running a built program in a child of its own: its exit status or the
// signal that ended it, its output, and its peak resident memory and time,
// with environment variables and an address-space cap of the test's choice.
// Also the small files that declare huge images, which the tools meet as
// file managers and render farms meet them.
#pragma once

#include "FileBytes.h"
#include "RpfWriter.h"
#include "TempDir.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace toolstest {

struct Measured {
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;     // the signal that ended it, or 0
    std::string out;
    std::string err;
    long peakKiB = 0;
    double seconds = 0;
};

struct Launch {
    Launch(std::vector<std::string> programAndArgs, std::vector<std::string> settings = {}, std::uint64_t cap = 0)
        : args(std::move(programAndArgs)), env(std::move(settings)), addressSpace(cap)
    {
    }
    std::vector<std::string> args;     // the program first
    std::vector<std::string> env;      // NAME=VALUE added to the environment
    std::uint64_t addressSpace = 0;    // RLIMIT_AS in bytes, 0 for none
};

class Child {
public:
    explicit Child(const Launch& launch) : started_(std::chrono::steady_clock::now())
    {
        pid_ = fork();
        if (pid_ != 0)
            return;
        const int out = open(dir_.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(dir_.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(out, 1);
        dup2(err, 2);
        const int none = open("/dev/null", O_RDONLY);
        dup2(none, 0);
        for (const std::string& setting : launch.env)
            putenv(const_cast<char*>(setting.c_str()));
        if (launch.addressSpace != 0) {
            const struct rlimit limit = {rlim_t(launch.addressSpace), rlim_t(launch.addressSpace)};
            setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<char*> argv;
        for (const std::string& arg : launch.args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }

    pid_t Pid() const { return pid_; }

    Measured Wait()
    {
        Measured result;
        int status = 0;
        struct rusage usage = {};
        if (wait4(pid_, &status, 0, &usage) == pid_) {
            if (WIFEXITED(status))
                result.exitCode = WEXITSTATUS(status);
            if (WIFSIGNALED(status))
                result.signal = WTERMSIG(status);
            result.peakKiB = usage.ru_maxrss;
        }
        result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        result.out = Text(dir_.File("out"));
        result.err = Text(dir_.File("err"));
        return result;
    }

private:
    static std::string Text(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    testsupport::TempDir dir_;
    std::chrono::steady_clock::time_point started_;
    pid_t pid_ = -1;
};

inline Measured RunMeasured(const Launch& launch)
{
    return Child(launch).Wait();
}

// A file of width x height pixels whose every row points at the one record
// of a single-row image with the given producer text (its channel list says
// which render channels every row holds): a few kilobytes that decode in
// full.
inline std::vector<std::uint8_t> SharedRowFile(int width, int height, const std::string& producer)
{
    rpfgen::RpfImage row;
    row.width = width;
    row.height = 1;
    row.producer = producer;
    row.alpha = true;
    for (int x = 0; x < width; ++x) {
        row.red.push_back(x % 256);
        row.green.push_back(255);
        row.blue.push_back(0);
        row.alphaValues.push_back(255);
    }
    const std::vector<std::uint8_t> one = rpfgen::EncodeRpf(row);
    const std::size_t tableAt = rpfgen::offsets::kOffsetTable;
    std::vector<std::uint8_t> bytes(one.begin(), one.begin() + long(tableAt));
    rpfgen::PutBigEndian16(bytes, rpfgen::offsets::kActiveBottom, 0);
    rpfgen::PutBigEndian16(bytes, rpfgen::offsets::kActiveTop, height - 1);
    const std::size_t recordAt = tableAt + 4 * std::size_t(height);
    bytes.resize(recordAt);
    for (int r = 0; r < height; ++r)
        rpfgen::PutBigEndian32(bytes, tableAt + 4 * std::size_t(r), std::uint32_t(recordAt));
    bytes.insert(bytes.end(), one.begin() + long(tableAt + 4), one.end());
    return bytes;
}

// Every render channel a file may hold.
constexpr const char* kEveryChannel = "Renderer (ZEOUNRCBIGTVWM)";

}  // namespace toolstest
