// Shared helpers of the reader tests: temporary files, whole-text checks of
// the reader's two-line reports and checks of loaded pixels.
#pragma once

#include "TempDir.h"

#include "RLA.h"
#include "RpfWriter.h"
#include "SampleFiles.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace readertest {

using testsupport::TempDir;

// File builders and byte patchers, from the writer's library.
using rpfgen::GetBigEndian32;
using rpfgen::PutBigEndian16;
using rpfgen::PutBigEndian32;
using rpfgen::PutLittleEndian32;
using rpfgen::PutText;
using rpfgen::RecordOffset;
inline void FillColours(rpfgen::RpfImage& image, unsigned seed) { rpfgen::FillSeededColours(image, seed); }
inline std::vector<std::uint8_t> RandomElements(const rpfgen::RpfImage& image, int bit, unsigned seed)
{
    return rpfgen::SeededElements(image, bit, seed);
}

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

// Checks a report whole: the message line, then the raising source file as
// a path inside the project (RLA_Reader/<module>.cpp), ":" and the site, then
// the system's reason when one is expected.
inline ::testing::AssertionResult IsReport(const std::string& text, const std::string& message,
                                           const std::string& module, int site, const std::string& reason = {})
{
    std::string expected = message + "\n" + "RLA_Reader/" + module + ".cpp:" + std::to_string(site) + "\n";
    if (!reason.empty())
        expected += reason + "\n";
    if (text != expected)
        return ::testing::AssertionFailure() << "report differs:\n" << text << "expected:\n" << expected;
    return ::testing::AssertionSuccess();
}

// Loads path into rla; on failure, says why.
inline ::testing::AssertionResult Loads(RLA& rla, const std::string& path, bool keepImage = true)
{
    try {
        rla.Leer(path.c_str(), keepImage);
    } catch (const std::exception& failure) {
        return ::testing::AssertionFailure() << "load failed: " << failure.what();
    }
    return ::testing::AssertionSuccess();
}

// The report a fresh reader throws for path.
inline std::string LoadReport(const std::string& path, bool keepImage = true)
{
    RLA rla;
    return ReportOf([&] { rla.Leer(path.c_str(), keepImage); });
}

inline int OpenDescriptorCount()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr)
            ++count;
        closedir(dir);
    }
    return count;
}

// True when text has the shape of any reader report: a message line, then a
// second line naming RLA_Reader/FileStream.cpp or RLA_Reader/RLA.cpp, ":" and
// a site number, and nothing after it.
inline bool IsAnyReport(const std::string& text)
{
    const std::size_t firstEnd = text.find('\n');
    if (firstEnd == std::string::npos || text.empty() || text.back() != '\n' ||
        text.find('\n', firstEnd + 1) != text.size() - 1)
        return false;
    const std::string second = text.substr(firstEnd + 1, text.size() - firstEnd - 2);
    const std::size_t colon = second.rfind(':');
    if (colon == std::string::npos || colon + 1 == second.size() ||
        second.find_first_not_of("0123456789", colon + 1) != std::string::npos)
        return false;
    const std::string file = second.substr(0, colon);
    auto endsWith = [&](const std::string& tail) {
        return file.size() >= tail.size() && file.compare(file.size() - tail.size(), tail.size(), tail) == 0;
    };
    return endsWith("RLA_Reader/FileStream.cpp") || endsWith("RLA_Reader/RLA.cpp");
}

// The 16-bit word the loader stores for a channel value of the given depth:
// the value as a fraction of the depth's full value (255 or 65535) of 65535.
inline unsigned Word8(unsigned v) { return v * 257u; }
inline unsigned Word16(unsigned v) { return v; }

// Pixel (x, y) of a loaded image, y = 0 at the top: alpha, red, green, blue.
inline std::array<unsigned, 4> PixelOf(const RLA& rla, int x, int y)
{
    const ConstSpan<unsigned short> words = rla.ImageWords();
    const std::size_t at = (std::size_t(y) * std::size_t(rla.ancho) + std::size_t(x)) * 4;
    EXPECT_LT(at, words.size()) << "pixel (" << x << ", " << y << ") outside the image";
    if (at >= words.size())
        return {};
    return {words[at], words[at + 1], words[at + 2], words[at + 3]};
}

// The word the loader stores for a value the writer wrote as an integer of
// the given depth (or as a float in 0..1 for 32).
inline unsigned ExpectedWord(double value, int bits)
{
    if (bits == 32)
        return unsigned(double(float(value)) * 65535.0);
    return bits == 16 ? Word16(unsigned(value)) : Word8(unsigned(value));
}

// Every pixel of a loaded image against the values it was written from.
inline ::testing::AssertionResult ImageMatches(const RLA& rla, const rpfgen::RpfImage& image)
{
    if (rla.ancho != image.width || rla.alto != image.height)
        return ::testing::AssertionFailure() << "size " << rla.ancho << "x" << rla.alto;
    if (rla.ImageWords().size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        return ::testing::AssertionFailure() << "image of " << rla.ImageWords().size() << " words";
    const int alphaBits = image.colourBits == 32 ? 32 : image.matteBits;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(image.width) + std::size_t(x);
            const std::array<unsigned, 4> expected = {
                image.alpha ? ExpectedWord(image.alphaValues[i], alphaBits) : 0u,
                ExpectedWord(image.red[i], image.colourBits), ExpectedWord(image.green[i], image.colourBits),
                ExpectedWord(image.blue[i], image.colourBits)};
            if (PixelOf(rla, x, y) != expected) {
                const std::array<unsigned, 4> got = PixelOf(rla, x, y);
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is ARGB " << got[0] << " " << got[1] << " " << got[2]
                       << " " << got[3] << ", expected " << expected[0] << " " << expected[1] << " "
                       << expected[2] << " " << expected[3];
            }
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace readertest
