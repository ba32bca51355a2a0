// rpfconvert as a user runs it: the EXR read back channel by channel with the
// OpenEXR library and named by OpenImageIO, the PNGs read back, bad input
// leaving nothing behind.
#include "ChannelRenderer.h"
#include "DemoScene.h"
#include "FrameChannels.h"
#include "RLA.h"
#include "RpfWriter.h"
#include "ToolsTestSupport.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfStringAttribute.h>
#include <ImfStringVectorAttribute.h>

#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>

namespace {

using toolstest::RunProgram;
using toolstest::TempDir;

constexpr int kWidth = 5;
constexpr int kHeight = 3;

// A small file with every channel: each element's bytes differ, so a channel
// read from the wrong place or with its bytes swapped shows.
rpfgen::RpfImage EveryChannelImage(bool alpha)
{
    rpfgen::RpfImage image;
    image.width = kWidth;
    image.height = kHeight;
    image.colourBits = 16;
    image.matteBits = 16;
    image.alpha = alpha;
    image.producer = "Renderer (ZEOUNRCBIGTVWMD)";
    image.dNames = {"floor", "teapot"};
    const std::size_t pixels = kWidth * kHeight;
    for (std::size_t i = 0; i < pixels; ++i) {
        image.red.push_back(double(i * 4000));
        image.green.push_back(double(65535 - i * 3000));
        image.blue.push_back(double(i * 17 + 1));
        image.alphaValues.push_back(double(i * 4321));
    }
    for (int bit = 0; bit < kChannelCount; ++bit) {
        const int size = rpfgen::ChannelElementSize(bit);
        std::vector<std::uint8_t>& bytes = image.gbuffer[bit];
        for (std::size_t i = 0; i < pixels * std::size_t(size); ++i)
            bytes.push_back(std::uint8_t(i * 7 + bit * 31 + 3));
    }
    // Z, U and V hold plain floats: depth i + 0.5; U and V the file-order
    // first float 100 + i (element bytes 4..7) and second -i (bytes 0..3).
    for (std::size_t i = 0; i < pixels; ++i) {
        const float z = float(i) + 0.5f, first = 100.0f + float(i), second = -float(i);
        std::memcpy(&image.gbuffer[kChannelZ][4 * i], &z, 4);
        for (const int bit : {int(kChannelU), int(kChannelV)}) {
            std::memcpy(&image.gbuffer[bit][8 * i], &second, 4);
            std::memcpy(&image.gbuffer[bit][8 * i + 4], &first, 4);
        }
    }
    return image;
}

std::unique_ptr<RLA> Load(const std::string& path)
{
    auto image = std::make_unique<RLA>();
    image->Leer(path.c_str(), true);
    return image;
}

// Every channel of an EXR file as floats or unsigned integers, by name.
struct ExrContents {
    std::map<std::string, Imf::PixelType> types;
    std::map<std::string, std::vector<float>> floats;
    std::map<std::string, std::vector<std::uint32_t>> uints;
    std::string producer;
    std::vector<std::string> names;
};

ExrContents ReadExr(const std::string& path)
{
    ExrContents contents;
    Imf::InputFile file(path.c_str());
    const Imf::Header& header = file.header();
    const Imath::Box2i window = header.dataWindow();
    const int width = window.max.x - window.min.x + 1;
    const int height = window.max.y - window.min.y + 1;
    EXPECT_EQ(width, kWidth);
    EXPECT_EQ(height, kHeight);
    Imf::FrameBuffer buffer;
    for (auto c = header.channels().begin(); c != header.channels().end(); ++c) {
        const std::string name = c.name();
        contents.types[name] = c.channel().type;
        char* base;
        if (c.channel().type == Imf::UINT) {
            auto& values = contents.uints[name];
            values.resize(std::size_t(width) * height);
            base = reinterpret_cast<char*>(values.data());
        } else {
            auto& values = contents.floats[name];
            values.resize(std::size_t(width) * height);
            base = reinterpret_cast<char*>(values.data());
        }
        buffer.insert(name, Imf::Slice(c.channel().type == Imf::UINT ? Imf::UINT : Imf::FLOAT, base, 4,
                                       4 * std::size_t(width)));
    }
    file.setFrameBuffer(buffer);
    file.readPixels(window.min.y, window.max.y);
    if (const auto* producer = header.findTypedAttribute<Imf::StringAttribute>("producer"))
        contents.producer = producer->value();
    if (const auto* names = header.findTypedAttribute<Imf::StringVectorAttribute>("nodeNames"))
        contents.names = names->value();
    return contents;
}

float FloatAt(const unsigned char* p)
{
    float value;
    std::memcpy(&value, p, 4);
    return value;
}

template <typename T>
T ElementAt(const RLA& image, int bit, std::size_t i)
{
    T value;
    std::memcpy(&value, image.ChannelData(bit) + i * sizeof(T), sizeof(T));
    return value;
}

}  // namespace

TEST(RpfConvert, ExrHoldsEveryChannelUnderItsNameAndType)
{
    TempDir dir;
    const std::string in = dir.File("all.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, EveryChannelImage(true)));
    const std::string out = dir.File("all.exr");
    const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, {in, out});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto image = Load(in);
    const ExrContents exr = ReadExr(out);

    const std::map<std::string, Imf::PixelType> expectedTypes = {
        {"R", Imf::FLOAT},          {"G", Imf::FLOAT},          {"B", Imf::FLOAT},
        {"A", Imf::FLOAT},          {"Z", Imf::FLOAT},          {"coverage", Imf::FLOAT},
        {"nodeID", Imf::UINT},      {"velocity.X", Imf::FLOAT}, {"velocity.Y", Imf::FLOAT},
        {"objectID", Imf::UINT},    {"uv.U", Imf::FLOAT},       {"uv.V", Imf::FLOAT},
        {"rpf.E", Imf::UINT},       {"rpf.N", Imf::UINT},       {"rpf.R", Imf::UINT},
        {"rpf.M", Imf::UINT},       {"rpf.B.R", Imf::FLOAT},    {"rpf.B.G", Imf::FLOAT},
        {"rpf.B.B", Imf::FLOAT},    {"rpf.G.R", Imf::FLOAT},    {"rpf.G.G", Imf::FLOAT},
        {"rpf.G.B", Imf::FLOAT},    {"rpf.T.R", Imf::FLOAT},    {"rpf.T.G", Imf::FLOAT},
        {"rpf.T.B", Imf::FLOAT},    {"rpf.W.R", Imf::FLOAT},    {"rpf.W.G", Imf::FLOAT},
        {"rpf.W.B", Imf::FLOAT}};
    EXPECT_EQ(exr.types, expectedTypes);
    EXPECT_EQ(exr.producer, "Renderer (ZEOUNRCBIGTVWMD)");
    EXPECT_EQ(exr.names, (std::vector<std::string>{"floor", "teapot"}));

    const rpfgen::RpfImage written = EveryChannelImage(true);
    for (std::size_t i = 0; i < std::size_t(kWidth * kHeight); ++i) {
        SCOPED_TRACE("pixel " + std::to_string(i));
        // Colour: the loaded words / 65535 (the loader's words are within
        // one step of what was written).
        const std::uint16_t* words = image->ImageWords().data() + 4 * i;
        EXPECT_EQ(exr.floats.at("A")[i], words[0] / 65535.0f);
        EXPECT_EQ(exr.floats.at("R")[i], words[1] / 65535.0f);
        EXPECT_EQ(exr.floats.at("G")[i], words[2] / 65535.0f);
        EXPECT_EQ(exr.floats.at("B")[i], words[3] / 65535.0f);
        EXPECT_NEAR(exr.floats.at("R")[i], written.red[i] / 65535.0, 1.5 / 65535);
        EXPECT_NEAR(exr.floats.at("G")[i], written.green[i] / 65535.0, 1.5 / 65535);
        EXPECT_NEAR(exr.floats.at("B")[i], written.blue[i] / 65535.0, 1.5 / 65535);
        EXPECT_NEAR(exr.floats.at("A")[i], written.alphaValues[i] / 65535.0, 1.5 / 65535);
        EXPECT_EQ(exr.floats.at("Z")[i], float(i) + 0.5f);
        EXPECT_EQ(exr.floats.at("velocity.X")[i], 100.0f + float(i));
        EXPECT_EQ(exr.floats.at("velocity.Y")[i], -float(i));
        EXPECT_EQ(exr.floats.at("uv.U")[i], 100.0f + float(i));
        EXPECT_EQ(exr.floats.at("uv.V")[i], -float(i));
        EXPECT_EQ(exr.floats.at("coverage")[i], image->bmm_chan_coverage_buf[i] / 255.0f);
        EXPECT_EQ(exr.uints.at("nodeID")[i], image->bmm_chan_node_render_id_buf[i]);
        EXPECT_EQ(exr.uints.at("objectID")[i], ElementAt<std::uint16_t>(*image, kChannelO, i));
        EXPECT_EQ(exr.uints.at("rpf.M")[i], ElementAt<std::uint16_t>(*image, kChannelM, i));
        EXPECT_EQ(exr.uints.at("rpf.E")[i], image->ChannelData(kChannelE)[i]);
        // Four-byte channels as the big-endian number of their file bytes.
        const unsigned char* n = image->ChannelData(kChannelN) + 4 * i;
        EXPECT_EQ(exr.uints.at("rpf.N")[i], (std::uint32_t(n[3]) << 24) | (n[2] << 16) | (n[1] << 8) | n[0]);
        EXPECT_EQ(exr.uints.at("rpf.R")[i], ElementAt<std::uint32_t>(*image, kChannelR, i));
        // Three-byte channels: the file's first byte (the element's last) is .R.
        const unsigned char* b = image->ChannelData(kChannelB) + 3 * i;
        EXPECT_EQ(exr.floats.at("rpf.B.R")[i], b[2] / 255.0f);
        EXPECT_EQ(exr.floats.at("rpf.B.G")[i], b[1] / 255.0f);
        EXPECT_EQ(exr.floats.at("rpf.B.B")[i], b[0] / 255.0f);
        EXPECT_EQ(exr.floats.at("rpf.W.R")[i], image->ChannelData(kChannelW)[3 * i + 2] / 255.0f);
    }
    // The loaded velocity agrees: its file-order first float is bytes 4..7.
    EXPECT_EQ(FloatAt(image->bmm_chan_veloc_buf + 4), 100.0f);

    // OpenImageIO names the same channels with the same types.
    const toolstest::RunResult info = RunProgram("iinfo", {"-v", out});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    for (const char* listed : {"R (float)", "A (float)", "Z (float)", "coverage (float)", "nodeID (uint)",
                               "velocity.X (float)", "velocity.Y (float)", "objectID (uint)", "rpf.W.B (float)"})
        EXPECT_NE(info.out.find(listed), std::string::npos) << listed << " in\n" << info.out;
    EXPECT_NE(info.out.find("Renderer (ZEOUNRCBIGTVWMD)"), std::string::npos) << info.out;
}

TEST(RpfConvert, ExrOfAFileWithoutAlphaHasNoAlphaChannel)
{
    TempDir dir;
    const std::string in = dir.File("plain.rpf");
    rpfgen::RpfImage image = EveryChannelImage(false);
    image.producer = "Renderer (Z)";
    ASSERT_TRUE(rpfgen::WriteRpf(in, image));
    const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, {in, dir.File("plain.EXR")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const ExrContents exr = ReadExr(dir.File("plain.EXR"));
    const std::map<std::string, Imf::PixelType> expectedTypes = {
        {"R", Imf::FLOAT}, {"G", Imf::FLOAT}, {"B", Imf::FLOAT}, {"Z", Imf::FLOAT}};
    EXPECT_EQ(exr.types, expectedTypes);
    EXPECT_TRUE(exr.names.empty());
}

TEST(RpfConvert, TheDemoVelocityComesOutAsXRightAndYDown)
{
    TempDir dir;
    rpfgen::DemoSettings settings;
    settings.width = kWidth;  // the size ReadExr reads
    settings.height = kHeight;
    settings.samples = 1;
    const rpfgen::DemoRender render = rpfgen::RenderDemo(settings);
    const std::string in = dir.File("demo.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, rpfgen::DemoRpfImage(render, 8, true, true)));
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {in, dir.File("demo.exr")}).exitCode, 0);
    const ExrContents exr = ReadExr(dir.File("demo.exr"));
    int moving = 0, mismatches = 0;
    for (std::size_t i = 0; i < render.velocity.size() / 2; ++i) {
        moving += render.velocity[2 * i] != render.velocity[2 * i + 1];
        mismatches += exr.floats.at("velocity.X")[i] != render.velocity[2 * i];
        mismatches += exr.floats.at("velocity.Y")[i] != render.velocity[2 * i + 1];
    }
    EXPECT_GT(moving, 0);
    EXPECT_EQ(mismatches, 0);
}

TEST(RpfConvert, PngsHoldTheColourAtSixteenBitsAndChannelViewsAsTheViewerDrawsThem)
{
    TempDir dir;
    const std::string in = dir.File("all.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, EveryChannelImage(true)));
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {in, dir.File("colour.png")}).exitCode, 0);
    const QImage colour(QString::fromStdString(dir.File("colour.png")));
    ASSERT_FALSE(colour.isNull());
    EXPECT_EQ(colour.depth(), 64) << "16 bits per component";
    const QImage words = colour.convertToFormat(QImage::Format_RGBA64);
    const auto image = Load(in);
    for (int y = 0; y < kHeight; ++y) {
        const auto* row = reinterpret_cast<const QRgba64*>(words.constScanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            const std::uint16_t* loaded = image->ImageWords().data() + 4 * (std::size_t(y) * kWidth + x);
            EXPECT_EQ(row[x].red(), loaded[1]);
            EXPECT_EQ(row[x].green(), loaded[2]);
            EXPECT_EQ(row[x].blue(), loaded[3]);
            EXPECT_EQ(row[x].alpha(), 65535) << "alpha is left out, as the viewer draws the colour";
        }
    }

    // --channel Z: grey from nearest (0.5: black) to farthest (14.5: white).
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "z", in, dir.File("z.png")}).exitCode, 0);
    const QImage z(QString::fromStdString(dir.File("z.png")));
    ASSERT_EQ(z.depth(), 32);
    for (int i = 0; i < kWidth * kHeight; ++i) {
        const int grey = int(std::floor(255.0 * i / 14.0 + 0.5));
        EXPECT_EQ(z.pixel(i % kWidth, i / kWidth), qRgb(grey, grey, grey)) << i;
    }

    // Every other view is the viewer's rendering, pixel for pixel.
    for (const char letter : {'A', 'I', 'V', 'N', 'B', 'E'}) {
        ChannelView view;
        ASSERT_TRUE(ChannelView::FromLetter(letter, view));
        const std::string out = dir.File(std::string("view_") + letter + ".png");
        ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", std::string(1, letter), in, out}).exitCode, 0);
        const QImage expected = channelrenderer::Render(FrameChannelsOf(*image), view);
        EXPECT_EQ(QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_ARGB32), expected) << letter;
    }
}

TEST(RpfConvert, RangeAndScaleOptionsChooseHowDepthAndVectorsAreScaled)
{
    TempDir dir;
    // 200 depths v / 2 - 10 (v = 1..200) in a scrambled order: by nearest
    // rank the 1st percentile is -9 and the 99th 89.
    rpfgen::RpfImage depths;
    depths.width = 20;
    depths.height = 10;
    depths.colourBits = 8;
    depths.producer = "Renderer (Z)";
    depths.red.assign(200, 0);
    depths.green.assign(200, 0);
    depths.blue.assign(200, 0);
    depths.gbuffer[kChannelZ].resize(200 * 4);
    for (int i = 0; i < 200; ++i) {
        const float z = float((i * 37) % 200 + 1) / 2 - 10;
        std::memcpy(&depths.gbuffer[kChannelZ][4 * std::size_t(i)], &z, 4);
    }
    const std::string zFile = dir.File("depths.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(zFile, depths));
    const auto greyOf = [](const QImage& picture, float z) {
        for (int i = 0; i < 200; ++i)
            if (float((i * 37) % 200 + 1) / 2 - 10 == z)
                return qRed(picture.pixel(i % 20, i / 20));
        return -1;
    };
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "Z", "--range", "auto", zFile, dir.File("auto.png")}).exitCode,
              0);
    const QImage autoPicture(QString::fromStdString(dir.File("auto.png")));
    EXPECT_EQ(greyOf(autoPicture, -9.5f), 0);
    EXPECT_EQ(greyOf(autoPicture, 40.0f), 128);  // 49 / 98
    EXPECT_EQ(greyOf(autoPicture, 89.0f), 255);
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "Z", zFile, dir.File("full.png")}).exitCode, 0);
    EXPECT_EQ(greyOf(QImage(QString::fromStdString(dir.File("full.png"))), 40.0f), 127) << "full by default: 49.5 / 99.5";
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--range", "-10,0", "--channel", "Z", zFile, dir.File("typed.png")}).exitCode,
              0);
    const QImage typed(QString::fromStdString(dir.File("typed.png")));
    EXPECT_EQ(greyOf(typed, -5.0f), 128);
    EXPECT_EQ(greyOf(typed, 0.5f), 255);

    // --scale on the velocity: the viewer's drawing at that length.
    const std::string in = dir.File("all.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(in, EveryChannelImage(true)));
    const auto image = Load(in);
    ChannelScaling scaling;
    ASSERT_TRUE(channelscaling::ParseVectorScale("250", scaling.velocity));
    const QImage expected =
        channelrenderer::Render(FrameChannelsOf(*image), ChannelView::Channel(kChannelV).WithScaling(scaling));
    ASSERT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "V", "--scale", "250", in, dir.File("v.png")}).exitCode, 0);
    const QImage scaled = QImage(QString::fromStdString(dir.File("v.png"))).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(scaled, expected);
    EXPECT_NE(scaled, channelrenderer::Render(FrameChannelsOf(*image), ChannelView::Channel(kChannelV)));

    // Choices that make no sense are usage errors, and write nothing.
    const std::vector<std::vector<std::string>> wrong = {
        {"--channel", "Z", "--range", "5,1"},  {"--channel", "Z", "--range", "near"},
        {"--channel", "V", "--range", "auto"}, {"--range", "auto"},
        {"--channel", "Z", "--scale", "2"},    {"--channel", "U", "--scale", "0"}};
    for (std::vector<std::string> args : wrong) {
        args.push_back(in);
        args.push_back(dir.File("wrong.png"));
        const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, args);
        EXPECT_EQ(run.exitCode, 2) << args[1] << " " << args[3];
        EXPECT_FALSE(std::filesystem::exists(dir.File("wrong.png")));
    }
}

TEST(RpfConvert, TheDemoSampleDepthIsNoLongerMostlyBlackInAuto)
{
    // The ground runs to the horizon: from nearest to farthest, most of the
    // surfaces are crushed into the first grey levels.
    TempDir dir;
    const auto blackSurfaces = [&](const std::string& range, int& surfaces) {
        const std::string out = dir.File(range + ".png");
        EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "Z", "--range", range, DEMO_SAMPLE_PATH, out}).exitCode, 0);
        const QImage picture = QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
        int black = 0;
        surfaces = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb p = picture.pixel(x, y);
                surfaces += p != qRgb(64, 64, 64);
                black += p == qRgb(0, 0, 0);
            }
        }
        return black;
    };
    int surfaces = 0;
    const int fullBlack = blackSurfaces("full", surfaces);
    EXPECT_GT(fullBlack * 4, surfaces * 3) << fullBlack << " of " << surfaces;
    const int autoBlack = blackSurfaces("auto", surfaces);
    EXPECT_LT(autoBlack * 4, surfaces) << autoBlack << " of " << surfaces;
    std::printf("demo sample, surfaces drawn black: %d with the full range, %d in auto, of %d\n", fullBlack,
                autoBlack, surfaces);
}

TEST(RpfConvert, BadInputIsReportedAndLeavesNoFile)
{
    TempDir dir;
    std::vector<std::uint8_t> truncated = rpfgen::EncodeRpf(EveryChannelImage(true));
    truncated.resize(truncated.size() - 40);
    const std::string bad = dir.Write("bad.rpf", truncated);
    for (const char* name : {"bad.exr", "bad.png"}) {
        const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, {bad, dir.File(name)});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_NE(run.err.find("bad.rpf"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("RLA_Reader/"), std::string::npos) << "the reader's report: " << run.err;
    }
    // A channel the file lacks fails the same way.
    rpfgen::RpfImage plain = EveryChannelImage(false);
    plain.producer = "Renderer (Z)";
    const std::string noVelocity = dir.File("z_only.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(noVelocity, plain));
    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "V", noVelocity, dir.File("v.png")}).exitCode, 1);
    // Nothing but the inputs is left: no output, no temporary file.
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"bad.rpf", "z_only.rpf"}));

    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "X", noVelocity, dir.File("x.png")}).exitCode, 2);
    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {"--channel", "Z", noVelocity, dir.File("z.exr")}).exitCode, 2);
    EXPECT_EQ(RunProgram(RPFCONVERT_PATH, {noVelocity, dir.File("z.tif")}).exitCode, 2);
    EXPECT_FALSE(std::filesystem::exists(dir.File("z.tif")));
}

TEST(RpfConvert, SequencesGoToAFolderAndFailuresDoNotStopTheRest)
{
    TempDir dir;
    std::vector<std::string> args = {"--channel", "I"};
    for (int frame = 0; frame < 2; ++frame) {
        rpfgen::DemoSettings settings;
        settings.width = 48;
        settings.height = 32;
        settings.samples = 1;
        settings.frame = frame;
        const std::string path = dir.File("shot_" + std::to_string(frame) + ".rpf");
        ASSERT_TRUE(rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(rpfgen::RenderDemo(settings), 8, true)));
        args.push_back(path);
        if (frame == 0)
            args.push_back(dir.Write("broken.rpf", {1, 2, 3}));
    }
    args.push_back(dir.File("out") + "/");
    const toolstest::RunResult run = RunProgram(RPFCONVERT_PATH, args);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("broken.rpf"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("["), std::string::npos) << "no progress line off a terminal: " << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/shot_0.png")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/shot_1.png")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("out/broken.png")));
    EXPECT_EQ(QImage(QString::fromStdString(dir.File("out/shot_1.png"))).convertToFormat(QImage::Format_ARGB32),
              channelrenderer::Render(FrameChannelsOf(*Load(dir.File("shot_1.rpf"))), ChannelView::Channel(kChannelI)));

    // Into an existing folder, as EXR by default.
    const toolstest::RunResult exr = RunProgram(RPFCONVERT_PATH, {dir.File("shot_0.rpf"), dir.File("out")});
    EXPECT_EQ(exr.exitCode, 0) << exr.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out/shot_0.exr")));
}
