// The demo's object IDs, texture coordinates and normals, read back through
// the reader and checked against the scene's geometry.
#include "DemoScene.h"
#include "RLA.h"
#include "ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace {

using rpfgen::DemoRender;
using rpfgen::DemoScene;

struct Normal {
    double x, y, z;
    int flag;
};

// The N element's file-order bytes x, y, z, flag sit in the loaded element
// last byte first.
Normal NormalAt(const RLA& image, std::size_t pixel)
{
    const unsigned char* e = image.ChannelData(kChannelN) + 4 * pixel;
    const auto decode = [](unsigned char b) { return (b - 127.5) / 127.5; };
    return {decode(e[3]), decode(e[2]), decode(e[1]), e[0]};
}

float UvAt(const RLA& image, std::size_t pixel, int fileOrderIndex)
{
    float value;
    std::memcpy(&value, image.ChannelData(kChannelU) + 8 * pixel + (fileOrderIndex == 0 ? 4 : 0), 4);
    return value;
}

}  // namespace

TEST(DemoScene, EveryChannelAddsObjectIdsTextureCoordinatesAndNormals)
{
    toolstest::TempDir dir;
    rpfgen::DemoSettings settings;
    settings.width = 320;
    settings.height = 240;
    const DemoRender render = rpfgen::RenderDemo(settings);
    const std::string path = dir.File("every.rpf");
    ASSERT_TRUE(rpfgen::WriteRpf(path, rpfgen::DemoRpfImage(render, 8, true, true)));
    RLA image;
    image.Leer(path.c_str(), true);

    EXPECT_EQ(image.Producer(), rpfgen::kDemoProducerWithEveryChannel);
    const std::uint32_t expected = (1u << kChannelZ) | (1u << kChannelO) | (1u << kChannelU) | (1u << kChannelN) |
                                   (1u << kChannelC) | (1u << kChannelI) | (1u << kChannelV);
    EXPECT_EQ(image.channel_mask, expected);

    // Object IDs follow the objects the node IDs name, numbered apart.
    const std::size_t pixels = std::size_t(render.width) * render.height;
    const unsigned char* objects = image.ChannelData(kChannelO);
    float groundUMin = 1, groundUMax = 0;
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint16_t object;
        std::memcpy(&object, objects + 2 * i, 2);
        const std::uint16_t node = image.bmm_chan_node_render_id_buf[i];
        const std::uint16_t want = node == 0 ? 0 : node == rpfgen::kGroundId ? 100 : std::uint16_t(199 + node);
        ASSERT_EQ(object, want) << "pixel " << i;
        const Normal n = NormalAt(image, i);
        ASSERT_EQ(n.flag, node == 0 ? 0 : 255) << "pixel " << i;
        if (node == rpfgen::kGroundId) {
            ASSERT_NEAR(n.y, 1.0, 0.01);
            ASSERT_NEAR(n.x, 0.0, 0.01);
            const float u = UvAt(image, i, 0), v = UvAt(image, i, 1);
            ASSERT_TRUE(u >= 0 && u < 1 && v >= 0 && v < 1) << u << " " << v;
            groundUMin = std::min(groundUMin, u);
            groundUMax = std::max(groundUMax, u);
        }
    }
    EXPECT_LT(groundUMin, 0.05f);  // the ground tiles its squares
    EXPECT_GT(groundUMax, 0.95f);

    // At the pixel over a sphere's centre the surface faces the camera; a
    // pixel over its upper half lies at a higher latitude.
    const DemoScene scene(0, render.width, render.height);
    const rpfgen::Vec3 eye = {0.0, 2.6, -10.5};
    for (int s = 0; s < rpfgen::kSphereCount; ++s) {
        SCOPED_TRACE("sphere " + std::to_string(s));
        const rpfgen::Vec3 c = scene.SphereCentre(s);
        double px, py;
        scene.Project(c, px, py);
        const std::size_t centre = std::size_t(py) * render.width + std::size_t(px);
        const double dx = eye.x - c.x, dy = eye.y - c.y, dz = eye.z - c.z;
        const double length = std::sqrt(dx * dx + dy * dy + dz * dz);
        const Normal n = NormalAt(image, centre);
        EXPECT_NEAR(n.x, dx / length, 0.05);
        EXPECT_NEAR(n.y, dy / length, 0.05);
        EXPECT_NEAR(n.z, dz / length, 0.05);

        rpfgen::Vec3 upper = c;
        upper.y += scene.SphereRadius(s) * 0.7;
        double ux, uy;
        scene.Project(upper, ux, uy);
        const std::size_t high = std::size_t(uy) * render.width + std::size_t(ux);
        ASSERT_EQ(image.bmm_chan_node_render_id_buf[high], image.bmm_chan_node_render_id_buf[centre]);
        EXPECT_GT(UvAt(image, high, 1), UvAt(image, centre, 1) + 0.1f);
        EXPECT_GE(UvAt(image, centre, 0), 0.0f);
        EXPECT_LT(UvAt(image, centre, 0), 1.0f);
    }
}
