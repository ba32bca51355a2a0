// Shared helpers of the reader tests: temporary files and whole-text checks
// of the reader's two-line reports.
#pragma once

#include "RLA.h"
#include "RpfWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace readertest {

// A folder that lives as long as the test.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "brimwell-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (mkdtemp(buffer.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        path_ = buffer.data();
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
    {
        std::string file = File(name);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file;
    }

private:
    std::filesystem::path path_;
};

// The text of the report that fn throws, or a failure when it throws none or
// throws something other than a std::runtime_error.
inline std::string ReportOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const std::runtime_error& report) {
        return report.what();
    } catch (...) {
        ADD_FAILURE() << "threw something other than a std::runtime_error";
        return {};
    }
    ADD_FAILURE() << "threw nothing";
    return {};
}

// Checks a report whole: the message line, then the raising source file
// (which ends in RLA_Reader/<module>.cpp), ":" and the site.
inline ::testing::AssertionResult IsReport(const std::string& text, const std::string& message,
                                           const std::string& module, int site)
{
    const std::string firstLine = message + "\n";
    const std::string ending = "RLA_Reader/" + module + ".cpp:" + std::to_string(site) + "\n";
    if (text.compare(0, firstLine.size(), firstLine) != 0)
        return ::testing::AssertionFailure() << "first line differs in: " << text;
    const std::string second = text.substr(firstLine.size());
    if (second.size() < ending.size() || second.compare(second.size() - ending.size(), ending.size(), ending) != 0 ||
        second.find('\n') != second.size() - 1)
        return ::testing::AssertionFailure() << "second line is not ...<" << ending << "> in: " << text;
    return ::testing::AssertionSuccess();
}

}  // namespace readertest
