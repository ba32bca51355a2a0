// The demo scene: four lit spheres moving over a checkered ground under a sky
// gradient, rendered by a small ray caster with the render channels a 3D
// renderer writes beside the colour (Z depth, coverage, node render ID and
// screen-space velocity). It gives the viewer a sample to open, the tests a
// picture whose channels they can reason about, and the benchmarks content
// with realistic run lengths at any size.
#pragma once

#include "RpfWriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rpfgen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

// Z depth written where no object covers the pixel: far beyond anything in
// the scene, as renderers mark the background.
constexpr float kBackgroundDepth = 1.0e30f;

// Node render IDs: 0 is the background (sky), the ground is 1 and the spheres
// follow in the order of DemoScene::ObjectNames().
constexpr std::uint16_t kGroundId = 1;
constexpr int kSphereCount = 4;
constexpr int kObjectCount = 1 + kSphereCount;  // ground and spheres, ids 1..kObjectCount

// The scene at one frame: where its spheres are and what a camera ray sees.
class DemoScene {
public:
    struct Hit {
        std::uint16_t id = 0;   // node render ID; 0 = sky
        double depth = 0;       // distance along the view axis
        Vec3 point;             // world position (valid when id != 0)
        Vec3 colour;            // shaded linear colour, or the sky's
    };

    DemoScene(int frame, int width, int height);

    // The object hit by the ray through image position (u, v) in pixels,
    // (0, 0) being the top-left corner of the top-left pixel.
    Hit Trace(double u, double v) const;

    // Screen-space motion in pixels (x right, y down) of the surface point of
    // a hit between this frame and the next.
    void Velocity(const Hit& hit, float& vx, float& vy) const;

    // Image position of a world point (u right, v down, in pixels).
    void Project(const Vec3& point, double& u, double& v) const;

    Vec3 SphereCentre(int sphere) const { return centres_[sphere]; }
    double SphereRadius(int sphere) const;

    static std::vector<std::string> ObjectNames();  // index = node id - 1

private:
    Vec3 ShadeSphere(int sphere, const Vec3& point) const;
    Vec3 ShadeGround(const Vec3& point) const;
    bool InShadow(const Vec3& point, int exceptSphere) const;

    int width_;
    int height_;
    double tanHalfFovY_;
    double aspect_;
    Vec3 centres_[kSphereCount];
    Vec3 motion_[kSphereCount];  // centre at the next frame minus centre now
};

struct DemoSettings {
    int width = 640;
    int height = 480;
    int frame = 0;
    int samples = 4;  // supersampling grid side: samples * samples rays per pixel
};

// One rendered frame: display colour in 0..1 and the render channels, every
// buffer width * height elements (velocity two floats each), rows top-down.
struct DemoRender {
    int width = 0;
    int height = 0;
    int frame = 0;
    std::vector<float> red, green, blue, alpha;
    std::vector<float> depth;              // Z, kBackgroundDepth where nothing is hit
    std::vector<std::uint8_t> coverage;    // share of the pixel covered by its object
    std::vector<std::uint16_t> nodeId;     // object with the most samples in the pixel
    std::vector<float> velocity;           // x, y per pixel, in pixels per frame
};

DemoRender RenderDemo(const DemoSettings& settings);

// The producer text of demo files with and without the render channels.
extern const char* const kDemoProducerWithChannels;
extern const char* const kDemoProducerColourOnly;

// The render as an RPF image of the given colour depth (8, 16 or 32) with an
// alpha channel; with renderChannels also the Z, C, I and V channels and a D
// block naming the objects by node id.
RpfImage DemoRpfImage(const DemoRender& render, int colourBits, bool renderChannels);

}  // namespace rpfgen
