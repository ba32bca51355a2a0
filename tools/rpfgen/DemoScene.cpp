#include "DemoScene.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rpfgen {

const char* const kDemoProducerWithChannels = "Brimwell demo (ZCIVD)";
const char* const kDemoProducerColourOnly = "Brimwell demo";
const char* const kDemoProducerWithEveryChannel = "Brimwell demo (ZOUNCIVD)";

namespace {

constexpr double kPi = 3.14159265358979323846;

Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalized(const Vec3& a) { return a * (1.0 / std::sqrt(Dot(a, a))); }
Vec3 Mix(const Vec3& a, const Vec3& b, double t) { return a * (1.0 - t) + b * t; }

// Each sphere orbits the scene's centre (a negative period turns the other
// way) and may bounce; the periods are in frames, so a run of frames shows
// every sphere move.
struct SphereSpec {
    const char* name;
    double radius;
    double orbitRadius;
    double orbitPeriod;   // frames per turn; 0 = no orbit
    double phase;         // angle at frame 0
    double bounceHeight;  // highest lift above the ground
    double bouncePeriod;  // frames per bounce
    Vec3 colour;          // linear albedo
};

const SphereSpec kSpheres[kSphereCount] = {
    {"red sphere", 0.8, 2.9, 40, 0.3, 0.0, 1, {0.80, 0.09, 0.07}},
    {"green sphere", 0.55, 1.5, -30, 2.2, 0.0, 1, {0.12, 0.62, 0.16}},
    {"blue sphere", 0.65, 4.3, 64, 4.1, 0.0, 1, {0.08, 0.22, 0.85}},
    {"gold sphere", 0.5, 0.0, 0, 0.0, 1.1, 16, {0.90, 0.62, 0.12}},
};

const Vec3 kEye = {0.0, 2.6, -10.5};
const Vec3 kLookAt = {0.0, 0.6, 0.8};
constexpr double kFovYDegrees = 38.0;
const Vec3 kSunDirection = Normalized({-0.5, 0.8, -0.4});  // towards the sun
const Vec3 kSkyHorizon = {0.78, 0.85, 0.95};
const Vec3 kSkyZenith = {0.18, 0.36, 0.78};
constexpr double kFogDistance = 45.0;

// The camera frame, fixed for every frame: forward is the view axis along
// which Z depth is measured.
struct Camera {
    Vec3 forward, right, up;
};

const Camera& TheCamera()
{
    static const Camera camera = [] {
        Camera c;
        c.forward = Normalized(kLookAt - kEye);
        c.right = Normalized(Cross({0, 1, 0}, c.forward));
        c.up = Cross(c.forward, c.right);
        return c;
    }();
    return camera;
}

Vec3 SphereCentreAt(int sphere, double frame)
{
    const SphereSpec& s = kSpheres[sphere];
    const double angle = s.orbitPeriod == 0 ? s.phase : s.phase + 2 * kPi * frame / s.orbitPeriod;
    const double lift = s.bounceHeight * std::fabs(std::sin(kPi * frame / s.bouncePeriod));
    return {s.orbitRadius * std::cos(angle), s.radius + lift, s.orbitRadius * std::sin(angle)};
}

// Distance along dir (unit length) to the nearer intersection in front of
// origin, or a negative value for a miss.
double IntersectSphere(const Vec3& origin, const Vec3& dir, const Vec3& centre, double radius)
{
    const Vec3 oc = origin - centre;
    const double b = Dot(oc, dir);
    const double c = Dot(oc, oc) - radius * radius;
    const double discriminant = b * b - c;
    if (discriminant < 0)
        return -1;
    const double root = std::sqrt(discriminant);
    const double near = -b - root;
    return near > 1e-9 ? near : -b + root;
}

Vec3 SkyColour(const Vec3& dir)
{
    const double t = std::clamp(dir.y * 2.2, 0.0, 1.0);
    return Mix(kSkyHorizon, kSkyZenith, t);
}

float ToDisplay(double linear)
{
    return float(std::pow(std::clamp(linear, 0.0, 1.0), 1.0 / 2.2));
}

}  // namespace

DemoScene::DemoScene(int frame, int width, int height)
    : width_(width),
      height_(height),
      tanHalfFovY_(std::tan(kFovYDegrees * kPi / 360.0)),
      aspect_(double(width) / double(height))
{
    for (int i = 0; i < kSphereCount; ++i) {
        centres_[i] = SphereCentreAt(i, frame);
        motion_[i] = SphereCentreAt(i, frame + 1) - centres_[i];
    }
}

double DemoScene::SphereRadius(int sphere) const
{
    return kSpheres[sphere].radius;
}

std::vector<std::string> DemoScene::ObjectNames()
{
    std::vector<std::string> names = {"ground"};
    for (const SphereSpec& s : kSpheres)
        names.push_back(s.name);
    return names;
}

DemoScene::Hit DemoScene::Trace(double u, double v) const
{
    const Camera& cam = TheCamera();
    const double x = (2.0 * u / width_ - 1.0) * tanHalfFovY_ * aspect_;
    const double y = (1.0 - 2.0 * v / height_) * tanHalfFovY_;
    const Vec3 dir = Normalized(cam.forward + cam.right * x + cam.up * y);

    Hit hit;
    double nearest = INFINITY;
    int sphere = -1;
    for (int i = 0; i < kSphereCount; ++i) {
        const double t = IntersectSphere(kEye, dir, centres_[i], kSpheres[i].radius);
        if (t > 0 && t < nearest) {
            nearest = t;
            sphere = i;
        }
    }
    if (dir.y < 0) {
        const double t = -kEye.y / dir.y;
        if (t < nearest) {
            nearest = t;
            sphere = -1;
            hit.id = kGroundId;
        }
    }
    if (sphere >= 0)
        hit.id = std::uint16_t(kGroundId + 1 + sphere);
    if (hit.id == 0) {
        hit.colour = SkyColour(dir);
        return hit;
    }
    hit.point = kEye + dir * nearest;
    hit.depth = Dot(hit.point - kEye, cam.forward);
    hit.colour = sphere >= 0 ? ShadeSphere(sphere, hit.point) : ShadeGround(hit.point);
    return hit;
}

bool DemoScene::InShadow(const Vec3& point, int exceptSphere) const
{
    for (int i = 0; i < kSphereCount; ++i) {
        if (i != exceptSphere && IntersectSphere(point, kSunDirection, centres_[i], kSpheres[i].radius) > 0)
            return true;
    }
    return false;
}

Vec3 DemoScene::ShadeSphere(int sphere, const Vec3& point) const
{
    const Vec3 normal = (point - centres_[sphere]) * (1.0 / kSpheres[sphere].radius);
    const Vec3 toEye = Normalized(kEye - point);
    const bool lit = !InShadow(point, sphere);
    const double diffuse = lit ? std::max(0.0, Dot(normal, kSunDirection)) : 0.0;
    // A little light from the sky above and from the ground below keeps the
    // shadowed side from going flat black.
    const double fill = 0.16 + 0.08 * normal.y;
    Vec3 colour = kSpheres[sphere].colour * (fill + 0.9 * diffuse);
    if (lit && diffuse > 0) {
        const Vec3 halfway = Normalized(kSunDirection + toEye);
        const double specular = 0.6 * std::pow(std::max(0.0, Dot(normal, halfway)), 60.0);
        colour = colour + Vec3{specular, specular, specular};
    }
    return colour;
}

Vec3 DemoScene::ShadeGround(const Vec3& point) const
{
    const bool dark = (int(std::floor(point.x)) + int(std::floor(point.z))) & 1;
    const Vec3 albedo = dark ? Vec3{0.28, 0.27, 0.25} : Vec3{0.72, 0.70, 0.66};
    const double light = 0.22 + (InShadow(point, -1) ? 0.0 : 0.85 * kSunDirection.y);
    // Fading into the horizon colour hides the checker's aliasing far away.
    const double distance = std::sqrt(Dot(point - kEye, point - kEye));
    const double fog = 1.0 - std::exp(-distance / kFogDistance);
    return Mix(albedo * light, kSkyHorizon, fog);
}

void DemoScene::Project(const Vec3& point, double& u, double& v) const
{
    const Camera& cam = TheCamera();
    const Vec3 d = point - kEye;
    const double z = Dot(d, cam.forward);
    const double x = Dot(d, cam.right) / (z * tanHalfFovY_ * aspect_);
    const double y = Dot(d, cam.up) / (z * tanHalfFovY_);
    u = (x + 1.0) * 0.5 * width_;
    v = (1.0 - y) * 0.5 * height_;
}

void DemoScene::Surface(const Hit& hit, double& u, double& v, Vec3& normal) const
{
    u = v = 0;
    normal = {};
    if (hit.id == 0)
        return;
    if (hit.id == kGroundId) {
        u = hit.point.x - std::floor(hit.point.x);
        v = hit.point.z - std::floor(hit.point.z);
        normal = {0, 1, 0};
        return;
    }
    const int sphere = hit.id - kGroundId - 1;
    normal = Normalized(hit.point - centres_[sphere]);
    const double longitude = std::atan2(normal.z, normal.x);  // -pi..pi
    u = (longitude < 0 ? longitude + 2 * kPi : longitude) / (2 * kPi);
    v = std::asin(std::clamp(normal.y, -1.0, 1.0)) / kPi + 0.5;
}

std::uint16_t DemoScene::ObjectId(const Hit& hit)
{
    if (hit.id == 0)
        return 0;
    if (hit.id == kGroundId)
        return kGroundObjectId;
    return std::uint16_t(kFirstSphereObjectId + (hit.id - kGroundId - 1));
}

std::uint32_t EncodeNormal(const Vec3& normal, bool surface)
{
    const auto byte = [](double n) { return std::uint32_t(std::lround(std::clamp(n, -1.0, 1.0) * 127.5 + 127.5)); };
    // File order x, y, z, flag: the first byte in the file is the element's
    // most significant.
    return (byte(normal.x) << 24) | (byte(normal.y) << 16) | (byte(normal.z) << 8) | (surface ? 255u : 0u);
}

void DemoScene::Velocity(const Hit& hit, float& vx, float& vy) const
{
    vx = 0;
    vy = 0;
    if (hit.id <= kGroundId)
        return;  // the sky and the ground stand still
    const int sphere = hit.id - kGroundId - 1;
    double u0, v0, u1, v1;
    Project(hit.point, u0, v0);
    Project(hit.point + motion_[sphere], u1, v1);
    vx = float(u1 - u0);
    vy = float(v1 - v0);
}

DemoRender RenderDemo(const DemoSettings& settings)
{
    const int w = settings.width;
    const int h = settings.height;
    const int n = std::max(1, settings.samples);
    const std::size_t pixels = std::size_t(w) * std::size_t(h);
    DemoScene scene(settings.frame, w, h);

    DemoRender out;
    out.width = w;
    out.height = h;
    out.frame = settings.frame;
    out.red.resize(pixels);
    out.green.resize(pixels);
    out.blue.resize(pixels);
    out.alpha.resize(pixels);
    out.depth.resize(pixels);
    out.coverage.resize(pixels);
    out.nodeId.resize(pixels);
    out.velocity.resize(pixels * 2);
    out.uv.resize(pixels * 2);
    out.normal.resize(pixels * 3);
    out.objectId.resize(pixels);

    const double total = double(n) * n;
    for (int py = 0; py < h; ++py) {
        for (int px = 0; px < w; ++px) {
            // Per object id: samples, summed depth and summed velocity. The
            // pixel's render channels describe the object with the most
            // samples, as a renderer's G-buffer keeps its front fragment.
            int count[kObjectCount + 1] = {};
            double depthSum[kObjectCount + 1] = {};
            double vxSum[kObjectCount + 1] = {};
            double vySum[kObjectCount + 1] = {};
            Vec3 colourSum;
            // The surface of each object's first sample gives the pixel's
            // texture coordinates and normal: averaging them would blur
            // across the texture seams and the sphere's silhouette.
            DemoScene::Hit firstHit[kObjectCount + 1];
            for (int sy = 0; sy < n; ++sy) {
                for (int sx = 0; sx < n; ++sx) {
                    const DemoScene::Hit hit = scene.Trace(px + (sx + 0.5) / n, py + (sy + 0.5) / n);
                    colourSum = colourSum + hit.colour;
                    if (count[hit.id] == 0)
                        firstHit[hit.id] = hit;
                    ++count[hit.id];
                    depthSum[hit.id] += hit.depth;
                    float vx, vy;
                    scene.Velocity(hit, vx, vy);
                    vxSum[hit.id] += vx;
                    vySum[hit.id] += vy;
                }
            }
            int object = 0;
            for (int id = 1; id <= kObjectCount; ++id)
                if (count[id] > count[object] || (object == 0 && count[id] > 0))
                    object = id;

            const std::size_t i = std::size_t(py) * w + px;
            out.red[i] = ToDisplay(colourSum.x / total);
            out.green[i] = ToDisplay(colourSum.y / total);
            out.blue[i] = ToDisplay(colourSum.z / total);
            out.alpha[i] = float((total - count[0]) / total);
            out.nodeId[i] = std::uint16_t(object);
            if (object == 0) {
                out.depth[i] = kBackgroundDepth;
                continue;  // coverage and velocity stay 0
            }
            const int c = count[object];
            out.depth[i] = float(depthSum[object] / c);
            out.coverage[i] = std::uint8_t(std::lround(255.0 * c / total));
            out.velocity[2 * i] = float(vxSum[object] / c);
            out.velocity[2 * i + 1] = float(vySum[object] / c);
            double u, v;
            Vec3 normal;
            scene.Surface(firstHit[object], u, v, normal);
            out.uv[2 * i] = float(u);
            out.uv[2 * i + 1] = float(v);
            out.normal[3 * i] = float(normal.x);
            out.normal[3 * i + 1] = float(normal.y);
            out.normal[3 * i + 2] = float(normal.z);
            out.objectId[i] = DemoScene::ObjectId(firstHit[object]);
        }
    }
    return out;
}

namespace {

template <typename T>
std::vector<std::uint8_t> ElementBytes(const std::vector<T>& values)
{
    std::vector<std::uint8_t> bytes(values.size() * sizeof(T));
    if (!values.empty())
        std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

std::vector<double> Quantized(const std::vector<float>& values, int bits)
{
    std::vector<double> out(values.size());
    const double top = bits == 32 ? 1.0 : bits == 16 ? 65535.0 : 255.0;
    for (std::size_t i = 0; i < values.size(); ++i)
        out[i] = bits == 32 ? double(values[i]) : std::round(double(values[i]) * top);
    return out;
}

// Two floats per element with the first in file order (u, or x right) in the
// element's upper half, where the reader puts the first float of the file.
std::vector<std::uint8_t> FloatPairElements(const std::vector<float>& uv)
{
    std::vector<std::uint8_t> bytes(uv.size() * 4);
    for (std::size_t i = 0; i + 1 < uv.size(); i += 2) {
        std::memcpy(&bytes[4 * i], &uv[i + 1], 4);
        std::memcpy(&bytes[4 * i + 4], &uv[i], 4);
    }
    return bytes;
}

std::vector<std::uint8_t> NormalElements(const std::vector<float>& normals)
{
    std::vector<std::uint32_t> elements(normals.size() / 3);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        const Vec3 n = {normals[3 * i], normals[3 * i + 1], normals[3 * i + 2]};
        elements[i] = EncodeNormal(n, Dot(n, n) > 0);
    }
    return ElementBytes(elements);
}

}  // namespace

RpfImage DemoRpfImage(const DemoRender& render, int colourBits, bool renderChannels)
{
    return DemoRpfImage(render, colourBits, renderChannels, false);
}

RpfImage DemoRpfImage(const DemoRender& render, int colourBits, bool renderChannels, bool everyChannel)
{
    RpfImage image;
    image.width = render.width;
    image.height = render.height;
    image.frame = render.frame;
    image.colourBits = colourBits;
    image.matteBits = 8;
    image.alpha = true;
    image.red = Quantized(render.red, colourBits);
    image.green = Quantized(render.green, colourBits);
    image.blue = Quantized(render.blue, colourBits);
    image.alphaValues = Quantized(render.alpha, colourBits == 32 ? 32 : 8);
    if (renderChannels) {
        image.producer = kDemoProducerWithChannels;
        image.gbuffer[0] = ElementBytes(render.depth);       // Z
        image.gbuffer[6] = render.coverage;                  // C
        image.gbuffer[8] = ElementBytes(render.nodeId);      // I
        image.gbuffer[11] = FloatPairElements(render.velocity);  // V: x, y in file order
        image.dNames = DemoScene::ObjectNames();
        if (everyChannel) {
            image.producer = kDemoProducerWithEveryChannel;
            image.gbuffer[2] = ElementBytes(render.objectId);  // O
            image.gbuffer[3] = FloatPairElements(render.uv);          // U
            image.gbuffer[4] = NormalElements(render.normal);  // N
        }
    } else {
        image.producer = kDemoProducerColourOnly;
    }
    return image;
}

}  // namespace rpfgen
