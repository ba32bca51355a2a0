// The demo scene: four lit spheres moving over a checkered ground under a sky
// gradient, rendered by a small ray caster with the render channels a 3D
// renderer writes beside the colour (Z depth, coverage, node render ID,
// screen-space velocity, and on request texture coordinates, normals and
// object IDs). It gives the viewer a sample to open, the tests a
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

// Object IDs (the O channel), numbered apart from the node render IDs as a
// scene's own object numbering would be: the ground is 100, the spheres 201
// onwards; the sky 0.
constexpr std::uint16_t kGroundObjectId = 100;
constexpr std::uint16_t kFirstSphereObjectId = 201;

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

    // Texture coordinates and unit world-space normal of a hit's surface
    // point: spheres map longitude (0..1 from the +x axis towards +z) and
    // latitude (0 at the bottom pole, 1 at the top) to u and v; the ground
    // tiles its 1 x 1 checker squares with u from x and v from z. The sky has
    // u = v = 0 and a zero normal.
    void Surface(const Hit& hit, double& u, double& v, Vec3& normal) const;

    // The O channel's ID of a hit's object (see kGroundObjectId).
    static std::uint16_t ObjectId(const Hit& hit);

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
    std::vector<float> uv;                 // u, v per pixel (see DemoScene::Surface)
    std::vector<float> normal;             // x, y, z per pixel, unit length; 0 for the sky
    std::vector<std::uint16_t> objectId;   // O channel IDs (see kGroundObjectId)
};

DemoRender RenderDemo(const DemoSettings& settings);

// The producer text of demo files with and without the render channels.
extern const char* const kDemoProducerWithChannels;
extern const char* const kDemoProducerColourOnly;
extern const char* const kDemoProducerWithEveryChannel;

// Normals in the N channel: the element's four bytes in file order are x, y
// and z as unsigned bytes round(n * 127.5 + 127.5) and a fourth byte that is
// 255 where a surface was hit and 0 for the sky.
std::uint32_t EncodeNormal(const Vec3& normal, bool surface);

// The render as an RPF image of the given colour depth (8, 16 or 32) with an
// alpha channel; with renderChannels also the Z, C, I and V channels and a D
// block naming the objects by node id. V's first float in file order is the
// motion to the right, its second the motion down.
RpfImage DemoRpfImage(const DemoRender& render, int colourBits, bool renderChannels);

// As above with the render channels, and with everyChannel also the O, U and
// N channels: U's first float in file order is u, its second v.
RpfImage DemoRpfImage(const DemoRender& render, int colourBits, bool renderChannels, bool everyChannel);

}  // namespace rpfgen
