// The looks draw float frames by tables rather than by the rule's arithmetic
// per value. Here the whole picture path is held to the rule itself, value
// by value, where tables go wrong: both sides of every byte boundary at
// several exposures, every power of two, denormals, NaN, infinities,
// negatives, and random floats over the whole range.
#include "ByteSteps.h"
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

float FloatOfBits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The values every check below runs over, at exposure gain: around each
// boundary (the least exposed value x of each byte, found by bisecting
// doubles with the rule, divided back by the gain) the eight nearest floats
// either side, then the awkward and the random ones.
std::vector<float> TrialValues(double gain, std::uint8_t (*rule)(double))
{
    std::vector<float> values;
    for (int k = 1; k < 256; ++k) {
        double low = 0, high = 1;
        for (int step = 0; step < 100; ++step) {
            const double middle = (low + high) / 2;
            (rule(middle) >= k ? high : low) = middle;
        }
        float v = float(high / gain);
        for (int n = 0; n < 8; ++n)
            v = std::nextafter(v, 0.0f);
        for (int n = 0; n < 17; ++n, v = std::nextafter(v, 1e30f))
            values.push_back(v);
    }
    const float infinity = std::numeric_limits<float>::infinity();
    for (float v : {0.0f, -0.0f, infinity, -infinity, std::numeric_limits<float>::quiet_NaN(),
                    -std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::denorm_min(),
                    std::numeric_limits<float>::min(), std::numeric_limits<float>::max(), -1.0f, -1e-30f})
        values.push_back(v);
    for (int exponent = -149; exponent < 128; ++exponent) {
        const float power = std::ldexp(1.0f, exponent);
        values.push_back(power);
        values.push_back(std::nextafter(power, 0.0f));
    }
    // NaNs whose payload lies below the table's top mantissa bits.
    values.push_back(FloatOfBits(0x7f800001u));
    values.push_back(FloatOfBits(0x7f807fffu));
    std::mt19937 random(2024);
    std::uniform_int_distribution<std::uint32_t> anyBits;
    std::uniform_real_distribution<float> picture(-0.1f, 1.5f / float(gain));
    for (int i = 0; i < 20000; ++i) {
        values.push_back(FloatOfBits(anyBits(random)));
        values.push_back(picture(random));
    }
    return values;
}

// A one-row float frame with the values in red, green and blue (each
// shifted, so every channel sees every value), alpha 1.
HandMadeFrame RowOf(const std::vector<float>& values)
{
    HandMadeFrame frame(int(values.size()), 1);
    const std::size_t n = values.size();
    for (std::size_t x = 0; x < n; ++x)
        frame.SetFloats(int(x), 0, values[x], values[(x + 1) % n], values[(x + 2) % n], 1.0f);
    for (std::size_t x = 0; x < n; ++x)
        frame.SetColour(int(x), 0, 65535, 0, 0, 0);
    return frame;
}

TEST(LookFastPath, FloatPicturesMatchTheRuleAtEveryByteBoundary)
{
    struct Transform {
        DisplayTransform transform;
        std::uint8_t (*rule)(double);
    };
    const Transform transforms[] = {{DisplayTransform::Stored(), &lookrenderer::StoredByte},
                                    {DisplayTransform::Srgb(), &lookrenderer::SrgbByte}};
    for (const Transform& t : transforms) {
        for (double stops : {0.0, -2.5, 0.5, 3.0, -9.5, 12.0}) {
            const double gain = lookrenderer::Gain(stops);
            const std::vector<float> values = TrialValues(gain, t.rule);
            const HandMadeFrame frame = RowOf(values);
            Look look;
            look.exposure = stops;
            look.transform = t.transform;
            const QImage image = lookrenderer::Render(frame.Frame(), look);
            look.component = Look::Component::Green;
            const QImage green = lookrenderer::Render(frame.Frame(), look);
            const std::size_t n = values.size();
            for (std::size_t x = 0; x < n; ++x) {
                const QRgb pixel = image.pixel(int(x), 0);
                const auto exact = [&](std::size_t i) { return int(t.rule(double(values[i % n]) * gain)); };
                ASSERT_EQ(qRed(pixel), exact(x)) << t.transform.Key().toStdString() << " E=" << stops
                                                 << " v=" << values[x];
                ASSERT_EQ(qGreen(pixel), exact(x + 1)) << values[(x + 1) % n];
                ASSERT_EQ(qBlue(pixel), exact(x + 2)) << values[(x + 2) % n];
                ASSERT_EQ(qRed(green.pixel(int(x), 0)), exact(x + 1)) << "green as grey, v=" << values[(x + 1) % n];
            }
        }
    }
}

TEST(LookFastPath, StepsOfARuleThatFallsSomewhereAreRefused)
{
    // Bytes that rise to 200 and fall back above 1.0, as a view with a
    // highlight roll-off done wrong might: the bisection cannot see the fall,
    // the check at the bucket edges must.
    const auto falling = [](float v) -> std::uint8_t {
        return !(v > 0) ? 0 : v < 1 ? std::uint8_t(200 * v) : v < 2 ? std::uint8_t(200 - 50 * (v - 1)) : 150;
    };
    const ByteSteps steps(falling);
    const std::vector<float> edges = ByteSteps::BucketEdges();
    std::vector<std::uint8_t> bytes;
    for (float edge : edges)
        bytes.push_back(falling(edge));
    EXPECT_FALSE(steps.AgreesWith(edges, bytes));

    const auto rising = [](float v) -> std::uint8_t { return !(v > 0) ? 0 : v < 1 ? std::uint8_t(255 * v) : 255; };
    const ByteSteps risingSteps(rising);
    bytes.clear();
    for (float edge : edges)
        bytes.push_back(rising(edge));
    EXPECT_TRUE(risingSteps.AgreesWith(edges, bytes));
    EXPECT_EQ(risingSteps.Find(-0.5f), ByteSteps::kNotCovered);
    EXPECT_EQ(risingSteps.Find(std::numeric_limits<float>::quiet_NaN()), ByteSteps::kNotCovered);
    EXPECT_EQ(risingSteps.Find(std::numeric_limits<float>::infinity()), 255);
}

// Two views: one per channel (baked into steps), one that mixes channels
// (left to the library). Both must draw what the library's processor gives.
const char kViewsConfig[] = R"(ocio_profile_version: 2
roles:
  default: linear
  scene_linear: linear
displays:
  Test:
    - !<View> {name: Log, colorspace: logged}
    - !<View> {name: Mixed, colorspace: mixed}
colorspaces:
  - !<ColorSpace>
    name: linear
    bitdepth: 32f
  - !<ColorSpace>
    name: logged
    bitdepth: 32f
    from_reference: !<GroupTransform>
      children:
        - !<ExponentTransform> {value: [0.4545, 0.5, 0.6, 1]}
        - !<LogAffineTransform> {base: 2, log_side_slope: [0.05, 0.05, 0.05], log_side_offset: [0.6, 0.6, 0.6], lin_side_offset: [0.01, 0.01, 0.01]}
  - !<ColorSpace>
    name: mixed
    bitdepth: 32f
    from_reference: !<MatrixTransform> {matrix: [0.9, 0.1, 0, 0, 0.05, 0.9, 0.05, 0, 0, 0.1, 0.9, 0, 0, 0, 0, 1]}
)";

TEST(LookFastPath, OcioViewsDrawWhatTheLibraryGives)
{
    if (!OcioConfig::BuiltWithOcio())
        GTEST_SKIP() << "built without OpenColorIO";
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("views.ocio"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kViewsConfig);
    file.close();
    const OcioConfig config = OcioConfig::Load(path);
    ASSERT_TRUE(config.IsLoaded()) << config.Error().toStdString();
    const std::optional<DisplayTransform> log = config.Transform(QStringLiteral("Test/Log"));
    const std::optional<DisplayTransform> mixed = config.Transform(QStringLiteral("Test/Mixed"));
    ASSERT_TRUE(log && mixed);
    EXPECT_EQ(log->Processor()->ChannelSteps().size(), 3u) << "a per-channel view is baked";
    EXPECT_TRUE(mixed->Processor()->ChannelSteps().empty()) << "a view that mixes channels is not";

    for (const DisplayTransform& transform : {*log, *mixed}) {
        for (double stops : {0.0, -1.5, 4.0}) {
            const double gain = lookrenderer::Gain(stops);
            const std::vector<float> values = TrialValues(gain, &lookrenderer::SrgbByte);
            const HandMadeFrame frame = RowOf(values);
            Look look;
            look.exposure = stops;
            look.transform = transform;
            const QImage image = lookrenderer::Render(frame.Frame(), look);
            const std::size_t n = values.size();
            std::vector<float> rgb(3 * n);
            for (std::size_t x = 0; x < n; ++x)
                for (std::size_t c = 0; c < 3; ++c)
                    rgb[3 * x + c] = float(double(values[(x + c) % n]) * gain);
            transform.Processor()->Apply(rgb.data(), n);
            for (std::size_t x = 0; x < n; ++x) {
                const QRgb pixel = image.pixel(int(x), 0);
                ASSERT_EQ(qRed(pixel), lookrenderer::OutputByte(rgb[3 * x])) << values[x];
                ASSERT_EQ(qGreen(pixel), lookrenderer::OutputByte(rgb[3 * x + 1])) << values[(x + 1) % n];
                ASSERT_EQ(qBlue(pixel), lookrenderer::OutputByte(rgb[3 * x + 2])) << values[(x + 2) % n];
            }

            // Every word of an integer file, in colour and as grey.
            HandMadeFrame words(256, 256);
            const auto wordAt = [](std::size_t i, std::size_t c) { return std::uint16_t(c == 1 ? 65535 - i : i); };
            for (std::size_t i = 0; i < 65536; ++i)
                words.SetColour(int(i % 256), int(i / 256), 65535, wordAt(i, 0), wordAt(i, 1), wordAt(i, 2));
            std::vector<float> exposed(3 * 65536);
            for (std::size_t i = 0; i < 65536; ++i)
                for (std::size_t c = 0; c < 3; ++c)
                    exposed[3 * i + c] = float(wordAt(i, c) / 65535.0 * gain);
            transform.Processor()->Apply(exposed.data(), 65536);
            look.component = Look::Component::Colour;
            const QImage colour = lookrenderer::Render(words.Frame(), look);
            for (std::size_t i = 0; i < 65536; ++i) {
                const QRgb pixel = colour.pixel(int(i % 256), int(i / 256));
                ASSERT_EQ(qRed(pixel), lookrenderer::OutputByte(exposed[3 * i])) << "word " << i;
                ASSERT_EQ(qGreen(pixel), lookrenderer::OutputByte(exposed[3 * i + 1])) << "word " << 65535 - i;
                ASSERT_EQ(qBlue(pixel), lookrenderer::OutputByte(exposed[3 * i + 2])) << "word " << i;
            }
            // Green as grey: the green word through each channel of the view.
            std::vector<float> grey(3 * 65536);
            for (std::size_t i = 0; i < 65536; ++i)
                grey[3 * i] = grey[3 * i + 1] = grey[3 * i + 2] = float(wordAt(i, 1) / 65535.0 * gain);
            transform.Processor()->Apply(grey.data(), 65536);
            look.component = Look::Component::Green;
            const QImage green = lookrenderer::Render(words.Frame(), look);
            for (std::size_t i = 0; i < 65536; ++i) {
                const QRgb pixel = green.pixel(int(i % 256), int(i / 256));
                ASSERT_EQ(qRed(pixel), lookrenderer::OutputByte(grey[3 * i])) << "green word " << 65535 - i;
                ASSERT_EQ(qBlue(pixel), lookrenderer::OutputByte(grey[3 * i + 2])) << "green word " << 65535 - i;
            }
        }
    }
}

}  // namespace
