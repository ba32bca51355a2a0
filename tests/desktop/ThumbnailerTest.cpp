// The thumbnailer run as file managers run it: the command line its
// thumbnailer entry gives, with the size, input and output filled in.
#include "RpfWriter.h"
#include "Thumbnail.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using toolstest::RunProgram;
using toolstest::TempDir;

// The entry's Exec line, split into words, with %s, %i and %o replaced.
std::vector<std::string> EntryCommand(int size, const std::string& input, const std::string& output)
{
    std::ifstream entry(THUMBNAILER_ENTRY);
    std::string line;
    while (std::getline(entry, line) && line.rfind("Exec=", 0) != 0) {
    }
    EXPECT_EQ(line.rfind("Exec=", 0), 0u) << "no Exec line in " << THUMBNAILER_ENTRY;
    std::istringstream words(line.substr(5));
    std::vector<std::string> command;
    for (std::string word; words >> word;) {
        if (word == "%s")
            word = std::to_string(size);
        else if (word == "%i")
            word = input;
        else if (word == "%o")
            word = output;
        command.push_back(word);
    }
    return command;
}

// Runs the entry's command line with the built thumbnailer as its program.
toolstest::RunResult RunAsEntrySays(int size, const std::string& input, const std::string& output)
{
    std::vector<std::string> command = EntryCommand(size, input, output);
    if (command.empty())
        return {};
    EXPECT_EQ(command[0], std::filesystem::path(THUMBNAILER_PATH).filename().string());
    return RunProgram(THUMBNAILER_PATH, std::vector<std::string>(command.begin() + 1, command.end()));
}

// Four flat quarters of 16-bit colour over an alpha of zero. The words are
// picked where the display conversion floor(v * 255 / 65535) differs from
// rounding and from taking the high byte: 0xFF00 -> 254, 0x0100 -> 0,
// 0x7FFF -> 127, 0xC000 -> 191.
struct Quarter {
    std::uint16_t red, green, blue;
    QRgb shown;
};
const Quarter kQuarters[4] = {
    {0xFF00, 0x0100, 0x7FFF, qRgb(254, 0, 127)},    // top left
    {0x0100, 0xC000, 0xFF00, qRgb(0, 191, 254)},    // top right
    {0x7FFF, 0xFF00, 0x0100, qRgb(127, 254, 0)},    // bottom left
    {0xC000, 0x7FFF, 0xC000, qRgb(191, 127, 191)},  // bottom right
};

rpfgen::RpfImage Quarters(int width, int height)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.colourBits = 16;
    image.alpha = true;
    image.matteBits = 16;
    image.producer = "quarters (ZC)";  // render channels after the colour are read past
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Quarter& quarter = kQuarters[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)];
            image.red.push_back(quarter.red);
            image.green.push_back(quarter.green);
            image.blue.push_back(quarter.blue);
            image.alphaValues.push_back(0);
        }
    }
    return image;
}

// The colour at the middle of each quarter, opaque whatever the file's alpha.
void ExpectQuarterColours(const QImage& thumbnail)
{
    const int w = thumbnail.width(), h = thumbnail.height();
    const QPoint middles[4] = {{w / 4, h / 4}, {3 * w / 4, h / 4}, {w / 4, 3 * h / 4}, {3 * w / 4, 3 * h / 4}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(QColor(thumbnail.pixel(middles[i])), QColor(kQuarters[i].shown)) << "quarter " << i;
        EXPECT_EQ(qAlpha(thumbnail.pixel(middles[i])), 255) << "quarter " << i;
    }
}

TEST(Thumbnailer, WritesThePictureAsTheWindowShowsItWithinTheSizeAspectKept)
{
    TempDir dir;
    const std::string wide = dir.File("wide.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(wide, Quarters(300, 200)));
    const std::string tall = dir.File("TALL.RPF");
    ASSERT_TRUE(rpfgen::WriteRpf(tall, Quarters(60, 240)));

    struct Case {
        std::string input;
        int size;
        QSize expected;
    };
    const Case cases[] = {
        {wide, 128, QSize(128, 85)},   // 200 * 128 / 300 = 85.3
        {tall, 64, QSize(16, 64)},
        {wide, 300, QSize(300, 200)},  // fits as it is: every pixel as the window shows it
        {wide, 1024, QSize(300, 200)}, // never enlarged
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " at " + std::to_string(c.size));
        const std::string output = dir.File("thumbnail.png");
        std::filesystem::remove(output);
        const toolstest::RunResult run = RunAsEntrySays(c.size, c.input, output);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        QImage thumbnail;
        ASSERT_TRUE(thumbnail.load(QString::fromStdString(output), "PNG"));
        EXPECT_EQ(thumbnail.size(), c.expected);
        EXPECT_FALSE(thumbnail.hasAlphaChannel());
        ExpectQuarterColours(thumbnail);
    }
}

TEST(Thumbnailer, BadInputEndsWithStatusOneAndLeavesNoFile)
{
    TempDir dir;
    const std::vector<std::uint8_t> good = rpfgen::EncodeRpf(Quarters(40, 30));
    const std::string truncated =
        dir.Write("truncated.rpf", std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2));
    const std::string text = dir.Write("notes.rpf", std::vector<std::uint8_t>(2000, 'x'));
    const std::string empty = dir.Write("empty.rpf", {});
    const std::string valid = dir.Write("valid.rpf", good);

    struct Case {
        std::string input;
        std::string output;
    };
    const Case cases[] = {
        {dir.File("missing.rpf"), dir.File("out.png")},
        {truncated, dir.File("out.png")},
        {text, dir.File("out.png")},
        {empty, dir.File("out.png")},
        {valid, dir.File("no such folder/out.png")},  // the picture reads, the output cannot be written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input + " -> " + c.output);
        const toolstest::RunResult run = RunAsEntrySays(128, c.input, c.output);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_FALSE(run.err.empty());
        EXPECT_FALSE(std::filesystem::exists(c.output));
    }
    // Nothing half-written is left beside the output either.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename().string());
    EXPECT_EQ(left.size(), 4u) << "only the inputs stay";

    // An older file at the output stays as it was when a run fails.
    const std::string kept = dir.Write("kept.png", {'o', 'l', 'd'});
    EXPECT_EQ(RunAsEntrySays(128, truncated, kept).exitCode, 1);
    EXPECT_EQ(toolstest::ReadText(kept), "old");
}

TEST(Thumbnailer, FittedSizeRoundsTheShortSideAndKeepsAtLeastOnePixel)
{
    EXPECT_EQ(thumbnail::FittedSize(1920, 1080, 256), QSize(256, 144));
    EXPECT_EQ(thumbnail::FittedSize(1080, 1920, 256), QSize(144, 256));
    EXPECT_EQ(thumbnail::FittedSize(300, 200, 128), QSize(128, 85));   // 85.33
    EXPECT_EQ(thumbnail::FittedSize(300, 203, 128), QSize(128, 87));   // 86.61
    EXPECT_EQ(thumbnail::FittedSize(5000, 3, 128), QSize(128, 1));     // 0.08
    EXPECT_EQ(thumbnail::FittedSize(16000, 16000, 100), QSize(100, 100));
    EXPECT_EQ(thumbnail::FittedSize(128, 20, 128), QSize(128, 20));
}

}  // namespace
