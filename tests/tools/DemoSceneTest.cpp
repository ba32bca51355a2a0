// The demo scene as the viewer sees it: rendered, written as RPF, read back
// through the reader, with render channels that agree with the picture.
#include "DemoScene.h"
#include "RLA.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

namespace {

using rpfgen::DemoRender;
using rpfgen::DemoScene;
using rpfgen::DemoSettings;
using toolstest::TempDir;

constexpr std::uint16_t kFirstSphereId = rpfgen::kGroundId + 1;

DemoRender Render(int frame, int width = 320, int height = 240)
{
    DemoSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frame = frame;
    return rpfgen::RenderDemo(settings);
}

std::unique_ptr<RLA> WriteAndLoad(const TempDir& dir, const DemoRender& render, int bits, bool channels)
{
    const std::string path = dir.File("frame" + std::to_string(render.frame) + "_" + std::to_string(bits) + ".rpf");
    EXPECT_TRUE(rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(render, bits, channels)));
    auto image = std::make_unique<RLA>();
    image->Leer(path.c_str(), true);
    return image;
}

// Axis 0 is x (right), the file's first float, which the loaded element
// holds in bytes 4..7; axis 1 is y (down), bytes 0..3.
float Velocity(const RLA& image, std::size_t pixel, int axis)
{
    float v;
    std::memcpy(&v, image.bmm_chan_veloc_buf + pixel * 8 + 4 * (1 - axis), sizeof v);
    return v;
}

// Index of the pixel where the centre of a sphere appears.
std::size_t PixelOfSphereCentre(const DemoRender& render, int sphere)
{
    const DemoScene scene(render.frame, render.width, render.height);
    double u, v;
    scene.Project(scene.SphereCentre(sphere), u, v);
    return std::size_t(v) * render.width + std::size_t(u);
}

// Coverage-weighted centre of a node id's pixels, and the same weighting of
// their velocities.
struct Footprint {
    double weight = 0, x = 0, y = 0, vx = 0, vy = 0;
    bool touchesBorder = false;
    bool touchesOtherSphere = false;
};

Footprint FootprintOf(const RLA& image, std::uint16_t id)
{
    Footprint f;
    for (int y = 0; y < image.alto; ++y) {
        for (int x = 0; x < image.ancho; ++x) {
            const std::size_t i = std::size_t(y) * image.ancho + x;
            if (image.bmm_chan_node_render_id_buf[i] != id)
                continue;
            const double w = image.bmm_chan_coverage_buf[i];
            f.weight += w;
            f.x += w * (x + 0.5);
            f.y += w * (y + 0.5);
            f.vx += w * Velocity(image, i, 0);
            f.vy += w * Velocity(image, i, 1);
            f.touchesBorder |= x == 0 || y == 0 || x == image.ancho - 1 || y == image.alto - 1;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (x + dx >= 0 && x + dx < image.ancho && y + dy >= 0 && y + dy < image.alto) {
                        const std::uint16_t other =
                            image.bmm_chan_node_render_id_buf[std::size_t(y + dy) * image.ancho + x + dx];
                        f.touchesOtherSphere |= other > rpfgen::kGroundId && other != id;
                    }
        }
    }
    if (f.weight > 0) {
        f.x /= f.weight;
        f.y /= f.weight;
        f.vx /= f.weight;
        f.vy /= f.weight;
    }
    return f;
}

TEST(DemoScene, ReadsBackThroughTheReaderWithEveryChannel)
{
    TempDir dir;
    const DemoRender render = Render(0);
    const auto image = WriteAndLoad(dir, render, 8, true);
    const std::size_t pixels = std::size_t(render.width) * render.height;

    EXPECT_EQ(image->ancho, 320);
    EXPECT_EQ(image->alto, 240);
    EXPECT_EQ(image->Producer(), rpfgen::kDemoProducerWithChannels);
    const std::uint32_t zciv = (1u << kChannelZ) | (1u << kChannelC) | (1u << kChannelI) | (1u << kChannelV);
    EXPECT_EQ(image->channel_mask, zciv);
    EXPECT_EQ(image->names, DemoScene::ObjectNames());

    // The render channels survive the file bit for bit; colour within the
    // 8-bit step.
    EXPECT_EQ(std::memcmp(image->bmm_chan_z_buf, render.depth.data(), pixels * 4), 0);
    EXPECT_EQ(std::memcmp(image->bmm_chan_coverage_buf, render.coverage.data(), pixels), 0);
    EXPECT_EQ(std::memcmp(image->bmm_chan_node_render_id_buf, render.nodeId.data(), pixels * 2), 0);
    // Velocity: x (right) is the file's first float, y (down) the second.
    int velocityMismatches = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        velocityMismatches += std::memcmp(image->bmm_chan_veloc_buf + 8 * i + 4, &render.velocity[2 * i], 4) != 0;
        velocityMismatches += std::memcmp(image->bmm_chan_veloc_buf + 8 * i, &render.velocity[2 * i + 1], 4) != 0;
    }
    EXPECT_EQ(velocityMismatches, 0);
    int colourMismatches = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        const float channels[4] = {render.alpha[i], render.red[i], render.green[i], render.blue[i]};
        for (int c = 0; c < 4; ++c)
            colourMismatches += std::fabs(image->ImageWords()[i * 4 + c] / 65535.0 - channels[c]) > 1.5 / 255;
    }
    EXPECT_EQ(colourMismatches, 0);
}

TEST(DemoScene, DepthAndNodeIdsMatchTheObjectsInView)
{
    TempDir dir;
    const DemoRender render = Render(0);
    const auto image = WriteAndLoad(dir, render, 8, true);
    const float* z = image->bmm_chan_z_buf;
    const std::uint16_t* id = image->bmm_chan_node_render_id_buf;

    // The top-left corner is sky, the bottom-middle ground.
    const std::size_t sky = 0;
    const std::size_t ground = std::size_t(render.height - 1) * render.width + render.width / 2;
    EXPECT_EQ(id[sky], 0);
    EXPECT_EQ(z[sky], rpfgen::kBackgroundDepth);
    EXPECT_EQ(id[ground], rpfgen::kGroundId);
    EXPECT_GT(z[ground], 0.0f);

    const DemoScene scene(0, render.width, render.height);
    for (int s = 0; s < rpfgen::kSphereCount; ++s) {
        SCOPED_TRACE("sphere " + std::to_string(s));
        const std::size_t centre = PixelOfSphereCentre(render, s);
        ASSERT_EQ(id[centre], kFirstSphereId + s);
        EXPECT_LT(z[centre], z[sky]);
        // Just above the sphere's top the ground (or sky) behind it shows,
        // further away than the sphere's front.
        double u, v;
        rpfgen::Vec3 above = scene.SphereCentre(s);
        above.y += scene.SphereRadius(s) * 1.2;
        scene.Project(above, u, v);
        const std::size_t behind = std::size_t(v) * render.width + std::size_t(u);
        EXPECT_LE(id[behind], rpfgen::kGroundId);
        EXPECT_LT(z[centre], z[behind]);
    }

    // Ground depth grows towards the horizon, up the image.
    const int x = 5;
    EXPECT_EQ(id[std::size_t(render.height / 2) * render.width + x], rpfgen::kGroundId);
    EXPECT_LT(z[std::size_t(render.height - 1) * render.width + x], z[std::size_t(render.height / 2) * render.width + x]);
}

TEST(DemoScene, CoverageIsFullInsideObjectsAndPartialOnTheirEdges)
{
    TempDir dir;
    const DemoRender render = Render(0);
    const auto image = WriteAndLoad(dir, render, 8, true);
    const int w = image->ancho;
    const int h = image->alto;
    const std::uint8_t* coverage = image->bmm_chan_coverage_buf;
    const std::uint16_t* id = image->bmm_chan_node_render_id_buf;

    bool present[rpfgen::kObjectCount + 1] = {};
    int partial = 0;
    int partialInsideOneObject = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::size_t i = std::size_t(y) * w + x;
            ASSERT_LE(id[i], rpfgen::kObjectCount);
            present[id[i]] = true;
            if (id[i] == 0) {
                EXPECT_EQ(coverage[i], 0) << "sky at " << x << "," << y;
            }
            if (coverage[i] == 0 || coverage[i] == 255)
                continue;
            ++partial;
            // A partly covered pixel lies on an outline: some neighbour
            // belongs to another object.
            bool edge = false;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (x + dx >= 0 && x + dx < w && y + dy >= 0 && y + dy < h)
                        edge |= id[std::size_t(y + dy) * w + x + dx] != id[i];
            partialInsideOneObject += !edge;
        }
    }
    for (int object = 0; object <= rpfgen::kObjectCount; ++object)
        EXPECT_TRUE(present[object]) << "node id " << object;
    EXPECT_GT(partial, 100);
    EXPECT_EQ(partialInsideOneObject, 0);

    for (int s = 0; s < rpfgen::kSphereCount; ++s) {
        const std::size_t centre = PixelOfSphereCentre(render, s);
        EXPECT_EQ(coverage[centre], 255);
        // Alpha comes from the same samples: opaque on objects, clear in the sky.
        EXPECT_GT(image->ImageWords()[centre * 4], 65000);
    }
    EXPECT_EQ(image->ImageWords()[0], 0);
}

TEST(DemoScene, FramesMoveTheSpheresAsTheirVelocitySays)
{
    TempDir dir;
    // Frames 114 and 115 show every sphere whole and apart from the others,
    // so their footprints can be followed from one frame to the next.
    const auto now = WriteAndLoad(dir, Render(114), 8, true);
    const auto next = WriteAndLoad(dir, Render(115), 8, true);
    const std::size_t pixels = std::size_t(now->ancho) * now->alto;

    int changed = 0;
    for (std::size_t i = 0; i < pixels * 4; ++i)
        changed += now->ImageWords()[i] != next->ImageWords()[i];
    EXPECT_GT(changed, int(pixels / 50));

    for (std::size_t i = 0; i < pixels; ++i) {
        if (now->bmm_chan_node_render_id_buf[i] <= rpfgen::kGroundId) {
            ASSERT_EQ(Velocity(*now, i, 0), 0.0f);
            ASSERT_EQ(Velocity(*now, i, 1), 0.0f);
        }
    }
    for (int s = 0; s < rpfgen::kSphereCount; ++s) {
        SCOPED_TRACE("sphere " + std::to_string(s));
        const Footprint a = FootprintOf(*now, std::uint16_t(kFirstSphereId + s));
        const Footprint b = FootprintOf(*next, std::uint16_t(kFirstSphereId + s));
        ASSERT_GT(a.weight, 0);
        ASSERT_FALSE(a.touchesBorder || b.touchesBorder || a.touchesOtherSphere || b.touchesOtherSphere);
        // The spheres move 2 to 9 pixels a frame here; the footprint's shift
        // and the mean surface motion differ a little through perspective.
        EXPECT_GT(std::hypot(a.vx, a.vy), 1.0);
        EXPECT_NEAR(a.x + a.vx, b.x, 0.6);
        EXPECT_NEAR(a.y + a.vy, b.y, 0.6);
    }
}

TEST(DemoScene, DeeperColourFilesHoldTheSamePicture)
{
    TempDir dir;
    const DemoRender render = Render(3, 64, 48);
    const std::size_t pixels = std::size_t(render.width) * render.height;
    for (int bits : {16, 32}) {
        SCOPED_TRACE(std::to_string(bits) + "-bit colour");
        const auto image = WriteAndLoad(dir, render, bits, false);
        EXPECT_EQ(image->header.chan_bits, bits);
        EXPECT_EQ(image->Producer(), rpfgen::kDemoProducerColourOnly);
        EXPECT_EQ(image->channel_mask, 0u);
        int mismatches = 0;
        for (std::size_t i = 0; i < pixels; ++i) {
            const float channels[4] = {render.alpha[i], render.red[i], render.green[i], render.blue[i]};
            for (int c = 0; c < 4; ++c)
                mismatches += std::fabs(image->ImageWords()[i * 4 + c] / 65535.0 - channels[c]) > 1.5 / 255;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

}  // namespace

namespace {

std::unique_ptr<RLA> Load(const std::string& path)
{
    auto image = std::make_unique<RLA>();
    image->Leer(path.c_str(), true);
    return image;
}

TEST(Rpfgen, WritesOneFrameOrAFolderOfFrames)
{
    TempDir dir;
    const std::string one = dir.File("one.rpf");
    const toolstest::RunResult demo =
        toolstest::RunProgram(RPFGEN_PATH, {"demo", one, "--frame", "3", "--size", "96x64", "--bits", "16"});
    ASSERT_EQ(demo.exitCode, 0) << demo.err;
    const auto image = Load(one);
    EXPECT_EQ(image->ancho, 96);
    EXPECT_EQ(image->alto, 64);
    EXPECT_EQ(image->header.frame, 3);
    EXPECT_EQ(image->header.chan_bits, 16);
    EXPECT_EQ(image->Producer(), rpfgen::kDemoProducerWithEveryChannel);
    const std::string four = dir.File("four.rpf");
    ASSERT_EQ(toolstest::RunProgram(RPFGEN_PATH, {"demo", four, "--size", "8x8", "--channels", "ZCIV"}).exitCode, 0);
    EXPECT_EQ(Load(four)->Producer(), rpfgen::kDemoProducerWithChannels);

    const std::string folder = dir.File("frames");
    const toolstest::RunResult frames =
        toolstest::RunProgram(RPFGEN_PATH, {"frames", folder, "--first", "2", "--count", "3", "--size", "48x32"});
    ASSERT_EQ(frames.exitCode, 0) << frames.err;
    std::vector<std::unique_ptr<RLA>> loaded;
    for (const char* name : {"demo_0002.rpf", "demo_0003.rpf", "demo_0004.rpf"})
        loaded.push_back(Load(folder + "/" + name));
    EXPECT_FALSE(std::filesystem::exists(folder + "/demo_0005.rpf"));
    for (std::size_t k = 0; k + 1 < loaded.size(); ++k)
        EXPECT_NE(std::memcmp(loaded[k]->ImageWords().data(), loaded[k + 1]->ImageWords().data(), 48 * 32 * 8), 0);
    EXPECT_EQ(loaded[1]->header.frame, 3);

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"demo", dir.File("bad.rpf"), "--bits", "12"},
             {"demo", dir.File("bad.rpf"), "--size", "0x5"},
             {"demo", dir.File("bad.rpf"), "--count", "2"},
             {"paint", dir.File("bad.rpf")},
         }) {
        const toolstest::RunResult result = toolstest::RunProgram(RPFGEN_PATH, bad);
        EXPECT_EQ(result.exitCode, 2) << bad[2];
        EXPECT_NE(result.err.find("usage: rpfgen"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir.File("bad.rpf")));
}

}  // namespace
