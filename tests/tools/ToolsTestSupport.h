// Shared helpers of the tool tests: a temporary folder and running a built
// program with its output captured.
#pragma once

#include "TempDir.h"

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace toolstest {

using testsupport::TempDir;

inline std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs program with args through the shell, capturing both output streams.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    auto quoted = [](const std::string& text) {
        std::string q = "'";
        for (char c : text)
            q += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return q + "'";
    };
    TempDir capture;
    std::string command = quoted(program);
    for (const std::string& arg : args)
        command += " " + quoted(arg);
    command += " >" + quoted(capture.File("out")) + " 2>" + quoted(capture.File("err")) + " </dev/null";
    const int status = std::system(command.c_str());
    RunResult result;
    if (status != -1 && WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    result.out = ReadText(capture.File("out"));
    result.err = ReadText(capture.File("err"));
    return result;
}

}  // namespace toolstest
