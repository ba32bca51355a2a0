// The colour view's looks: the exposure and display transform rule on
// hand-worked values, the components, the checkerboard, and OpenColorIO
// through a config the test writes.
#include "DisplayBitmap.h"
#include "HandMadeFrame.h"
#include "LookRenderer.h"
#include "OcioConfig.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using lookrenderer::Render;

// The reader's float to word, as it fills the words of a float file.
std::uint16_t ReaderWord(float value)
{
    return std::uint16_t(std::min(std::max(0.0, double(value) * 65535.0), 65535.0));
}

// A one-row float file of the given colours, words as the reader makes them.
HandMadeFrame FloatRow(const std::vector<std::array<float, 4>>& pixels)
{
    HandMadeFrame frame(int(pixels.size()), 1);
    for (int x = 0; x < int(pixels.size()); ++x) {
        const auto& p = pixels[std::size_t(x)];
        frame.SetFloats(x, 0, p[0], p[1], p[2], p[3]);
        frame.SetColour(x, 0, ReaderWord(p[3]), ReaderWord(p[0]), ReaderWord(p[1]), ReaderWord(p[2]));
    }
    return frame;
}

QRgb At(const QImage& image, int x, int y = 0)
{
    return image.pixel(x, y);
}

Look Exposed(double stops, DisplayTransform transform = DisplayTransform::Stored())
{
    Look look;
    look.exposure = stops;
    look.transform = std::move(transform);
    return look;
}

TEST(LookRule, PlainLookDrawsTheDisplayBitmapOfEveryWordAndFloat)
{
    // Every 16-bit word in each component, and floats around every byte
    // boundary: the look at E = 0 "As stored" is today's picture exactly.
    HandMadeFrame words(256, 256);
    HandMadeFrame floats(256, 256);
    std::mt19937 random(7);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            const auto w = std::uint16_t(y * 256 + x);
            words.SetColour(x, y, std::uint16_t(65535 - w), w, std::uint16_t(w ^ 0x5555), std::uint16_t(random()));
            const float boundary = float(y * 256 + x) / 65535.0f;
            const float r = std::nextafter(boundary, 0.0f), g = boundary, b = std::nextafter(boundary, 2.0f);
            floats.SetFloats(x, y, r, g, b, 1 - g);
            floats.SetColour(x, y, ReaderWord(1 - g), ReaderWord(r), ReaderWord(g), ReaderWord(b));
        }
    }
    for (HandMadeFrame* frame : {&words, &floats}) {
        const FrameChannels channels = frame->Frame();
        const QImage today = displaybitmap::Build(channels.argb16, 256, 256);
        EXPECT_EQ(Render(channels, Look()), today);
    }
}

TEST(LookRule, TwoStopsDownOnHandWorkedValues)
{
    // 4.0, 2.0, 0.5 times 2^-2 are 1.0, 0.5, 0.125: words 65535, 32767, 8191.
    const HandMadeFrame frame = FloatRow({{4.0f, 2.0f, 0.5f, 1.0f}});
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(-2)), 0) & 0xffffffu, 0xff7f1fu);  // 255 127 31
    // sRGB: s(1) = 1, s(0.5) = 0.7354, s(0.125) = 0.3886.
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(-2, DisplayTransform::Srgb())), 0) & 0xffffffu,
              (255u << 16) | (188u << 8) | 99u);
    // At E = 0 the overbright values clamp, as stored today.
    EXPECT_EQ(At(Render(frame.Frame(), Look()), 0) & 0xffffffu, 0xffff7fu);
    // Half a stop: 0.5 * 2^0.5 = 0.70710678 -> word 46340 -> byte 180.
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(0.5)), 0) & 0xffu, 180u);
}

TEST(LookRule, DrawsIntoAPreviousPictureOnlyWhenNobodyElseHoldsIt)
{
    const HandMadeFrame frame = FloatRow({{4.0f, 2.0f, 0.5f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}});
    QImage previous = Render(frame.Frame(), Exposed(-1));
    const QImage held = previous;  // a copy the clipboard or a print preview kept
    const QImage again = Render(frame.Frame(), Exposed(-2), std::move(previous));
    EXPECT_EQ(again.pixel(0, 0) & 0xffffffu, 0xff7f1fu);
    EXPECT_EQ(held.pixel(0, 0) & 0xffffffu, 0xffff3fu) << "the held picture is left as it was";
    const uchar* memory = again.constBits();
    const QImage third = Render(frame.Frame(), Exposed(0, DisplayTransform::Srgb()), again);
    EXPECT_NE(third.constBits(), memory) << "again is still held here";
    QImage last = Render(frame.Frame(), Exposed(-2));
    const uchar* lastMemory = last.constBits();
    EXPECT_EQ(Render(frame.Frame(), Exposed(1), std::move(last)).constBits(), lastMemory);
}

TEST(LookRule, IntegerFilesExposeTheirWordsInDouble)
{
    HandMadeFrame frame(1, 1);
    frame.SetColour(0, 0, 65535, 1000, 40000, 257);
    // +1: 2000 / 257 = 7, 80000 clamps to 65535 = 255, 514 / 257 = 2.
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(1)), 0), 0xff07ff02u);
    // -1: floor(500) / 257 = 1, 20000 / 257 = 77, floor(128.5) / 257 = 0.
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(-1)), 0), 0xff014d00u);
    EXPECT_EQ(lookrenderer::StoredWordByte(65535, 1.0), 255);
    EXPECT_EQ(lookrenderer::StoredWordByte(514, 1.0), 2);
    EXPECT_EQ(lookrenderer::StoredWordByte(513, 1.0), 1);
    // sRGB of an integer file takes word / 65535 as linear: 16384 is 0.25.
    frame.SetColour(0, 0, 65535, 16384, 0, 65535);
    EXPECT_EQ(At(Render(frame.Frame(), Exposed(0, DisplayTransform::Srgb())), 0) & 0xffffffu,
              (137u << 16) | 255u);
}

TEST(LookRule, SrgbCurveAtAndAroundItsBreakpoint)
{
    using lookrenderer::SrgbByte;
    EXPECT_EQ(SrgbByte(0.0031308), 10);  // 12.92 x: 10.31
    EXPECT_EQ(SrgbByte(0.001), 3);       // the straight part: 3.29 (the power would give 1)
    EXPECT_EQ(SrgbByte(0.01), 25);       // the power: 25.46 (the straight part would give 33)
    EXPECT_EQ(SrgbByte(0.25), 137);
    EXPECT_EQ(SrgbByte(1.0), 255);
    EXPECT_EQ(SrgbByte(7.5), 255);
}

TEST(LookRule, NanNegativeAndInfinity)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float infinity = std::numeric_limits<float>::infinity();
    const HandMadeFrame frame = FloatRow({{nan, -0.5f, infinity, 1.0f}, {-infinity, 0.0f, -0.0f, 1.0f}});
    for (const Look& look : {Exposed(0), Exposed(3), Exposed(-1.5, DisplayTransform::Srgb())}) {
        const QImage image = Render(frame.Frame(), look);
        EXPECT_EQ(At(image, 0) & 0xffffffu, 0x0000ffu);
        EXPECT_EQ(At(image, 1) & 0xffffffu, 0u);
    }
    EXPECT_EQ(lookrenderer::OutputByte(nan), 0);
    EXPECT_EQ(lookrenderer::OutputByte(-1.0f), 0);
    EXPECT_EQ(lookrenderer::OutputByte(0.5f), 128);
    EXPECT_EQ(lookrenderer::OutputByte(2.0f), 255);
}

TEST(LookRule, FastSrgbAgreesWithTheCurveAtEveryByteStart)
{
    // Each byte's start is where a table would go wrong: check both sides
    // of every one the search can find, and values across the range.
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> anywhere(-0.1, 1.1);
    for (int i = 0; i < 200000; ++i) {
        const double x = i < 100000 ? anywhere(random) : std::ldexp(anywhere(random), -(i % 24));
        ASSERT_EQ(lookrenderer::FastSrgbByte(x), lookrenderer::SrgbByte(x)) << x;
    }
    for (int k = 1; k < 256; ++k) {
        // The least x with the byte k, by bisection as the table is not made.
        double low = 0, high = 1;
        for (int step = 0; step < 80; ++step) {
            const double middle = (low + high) / 2;
            (lookrenderer::SrgbByte(middle) >= k ? high : low) = middle;
        }
        for (double x : {std::nextafter(high, 0.0), high, std::nextafter(high, 2.0), low})
            ASSERT_EQ(lookrenderer::FastSrgbByte(x), lookrenderer::SrgbByte(x)) << k << " " << x;
    }
}

TEST(LookComponents, SingleComponentsAndLuminanceAsGrey)
{
    const HandMadeFrame floats = FloatRow({{1.0f, 0.5f, 0.25f, 1.0f}});
    HandMadeFrame words(1, 1);
    words.SetColour(0, 0, 65535, 65535, 32768, 16384);
    for (const HandMadeFrame* frame : {&floats, static_cast<const HandMadeFrame*>(&words)}) {
        Look look;
        look.component = Look::Component::Red;
        EXPECT_EQ(At(Render(frame->Frame(), look), 0) & 0xffffffu, 0xffffffu);
        look.component = Look::Component::Green;
        EXPECT_EQ(At(Render(frame->Frame(), look), 0) & 0xffffffu, 0x7f7f7fu);
        look.component = Look::Component::Blue;
        EXPECT_EQ(At(Render(frame->Frame(), look), 0) & 0xffffffu, 0x3f3f3fu);
        // 0.2126 + 0.7152 * 0.5 + 0.0722 * 0.25 = 0.58825 -> 38550 -> 150;
        // the words' 0.5000076 and 0.2500038 give the same byte.
        look.component = Look::Component::Luminance;
        EXPECT_EQ(At(Render(frame->Frame(), look), 0) & 0xffffffu, 0x969696u);
        // Exposure applies before the luminance: 2^-1 of it is 0.2941 -> 75.
        look.exposure = -1;
        EXPECT_EQ(At(Render(frame->Frame(), look), 0) & 0xffffffu, 0x4b4b4bu);
    }
}

TEST(LookComponents, ColourOverTheCheckerboardByAlpha)
{
    using lookrenderer::kCheckerDark;
    using lookrenderer::kCheckerLight;
    using lookrenderer::kCheckerSquare;
    HandMadeFrame frame(2 * kCheckerSquare, 2 * kCheckerSquare);
    frame.SetColour(0, 0, 0, 0, 0, 0);                          // clear: the dark square
    frame.SetColour(kCheckerSquare, 0, 0, 0, 0, 0);             // clear: the light one
    frame.SetColour(1, 0, 32768, 100 * 257, 0, 200 * 257);      // half: 100 + 0.49999 * 102
    frame.SetColour(0, kCheckerSquare, 65535, 65535, 0, 257);   // opaque: the colour
    Look look;
    look.component = Look::Component::OverChecker;
    QImage image = Render(frame.Frame(), look);
    EXPECT_EQ(image.pixel(0, 0), qRgb(kCheckerDark, kCheckerDark, kCheckerDark));
    EXPECT_EQ(image.pixel(kCheckerSquare, 0), qRgb(kCheckerLight, kCheckerLight, kCheckerLight));
    EXPECT_EQ(image.pixel(1, 0), qRgb(151, 51, 251));
    EXPECT_EQ(image.pixel(0, kCheckerSquare), qRgb(255, 0, 1));
    // A file without a matte is opaque, whatever its alpha words hold.
    frame.SetHasAlpha(false);
    image = Render(frame.Frame(), look);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(100, 0, 200));
    // A float file's alpha is its float: NaN counts as clear.
    const HandMadeFrame floats =
        FloatRow({{0.0f, 0.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()}, {1.0f, 1.0f, 1.0f, 2.0f}});
    image = Render(floats.Frame(), look);
    EXPECT_EQ(image.pixel(0, 0), qRgb(kCheckerDark, kCheckerDark, kCheckerDark));
    EXPECT_EQ(image.pixel(1, 0), qRgb(255, 255, 255));
}

// A config whose only view takes the square root: a
// scene-linear 0.25 comes out 0.5, byte 128, where "As stored" shows 63 and
// sRGB 137.
const char kRootConfig[] = R"(ocio_profile_version: 1
roles:
  default: linear
  scene_linear: linear
displays:
  Test:
    - !<View> {name: Root, colorspace: rooted}
colorspaces:
  - !<ColorSpace>
    name: linear
    bitdepth: 32f
  - !<ColorSpace>
    name: rooted
    bitdepth: 32f
    from_reference: !<ExponentTransform> {value: [0.5, 0.5, 0.5, 1]}
)";

QString WriteConfig(const QTemporaryDir& folder, const char* name, const QByteArray& text)
{
    const QString path = folder.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return {};
    return path;
}

TEST(LookOcio, AConfigsViewDrawsThePicture)
{
    if (!OcioConfig::BuiltWithOcio())
        GTEST_SKIP() << "built without OpenColorIO";
    QTemporaryDir folder;
    const OcioConfig config = OcioConfig::Load(WriteConfig(folder, "root.ocio", kRootConfig));
    ASSERT_TRUE(config.IsLoaded()) << config.Error().toStdString();
    EXPECT_EQ(config.ViewKeys(), std::vector<QString>{QStringLiteral("Test/Root")});
    const std::optional<DisplayTransform> root = config.Transform(QStringLiteral("Test/Root"));
    ASSERT_TRUE(root);
    EXPECT_EQ(root->Name(), QStringLiteral("Test/Root"));

    // Float and integer files alike; exposure comes first, in scene-linear:
    // 1.0 two stops down is 0.25 too.
    const HandMadeFrame floats = FloatRow({{0.25f, 1.0f, 0.0f, 1.0f}, {1.0f, 4.0f, 0.0f, 1.0f}});
    QImage image = Render(floats.Frame(), Exposed(0, *root));
    EXPECT_EQ(image.pixel(0, 0) & 0xffffffu, (128u << 16) | (255u << 8));
    EXPECT_EQ(Render(floats.Frame(), Exposed(-2, *root)).pixel(1, 0) & 0xffffffu, (128u << 16) | (255u << 8));
    HandMadeFrame words(1, 1);
    words.SetColour(0, 0, 65535, 16384, 65535, 0);
    EXPECT_EQ(Render(words.Frame(), Exposed(0, *root)).pixel(0, 0) & 0xffffffu, (128u << 16) | (255u << 8));
    // A component goes through the view as grey.
    Look red = Exposed(0, *root);
    red.component = Look::Component::Red;
    EXPECT_EQ(Render(floats.Frame(), red).pixel(0, 0) & 0xffffffu, 0x808080u);

    EXPECT_FALSE(config.Transform(QStringLiteral("Test/Other")));
}

TEST(LookOcio, ConfigsThatCannotServeFailWithAReport)
{
    QTemporaryDir folder;
    QByteArray noSceneLinear(kRootConfig);
    noSceneLinear.replace("  scene_linear: linear\n", "");
    for (const QString& path : {WriteConfig(folder, "nolinear.ocio", noSceneLinear),
                                WriteConfig(folder, "garbage.ocio", "displays: [ {"),
                                folder.filePath(QStringLiteral("missing.ocio"))}) {
        const OcioConfig config = OcioConfig::Load(path);
        EXPECT_FALSE(config.IsLoaded()) << path.toStdString();
        EXPECT_TRUE(config.Error().contains(path)) << config.Error().toStdString();
        EXPECT_TRUE(config.ViewKeys().empty());
    }
}

}  // namespace
