#include "ImageComparison.h"

#include "PixelTally.h"
#include "RLA.h"
#include "StepComparison.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using Kind = ChannelFigures::Kind;
using Presence = ChannelFigures::Presence;

// Depths of this magnitude or more are the renderer's "nothing here".
constexpr float kBackgroundDepth = 1e30f;

bool IsBackgroundDepth(float z)
{
    return !(std::fabs(z) < kBackgroundDepth);  // NaN too
}

// Two floats of which one at least is not finite match only as the same
// kind of nothing: both NaN, or the same infinity.
bool SameNonFinite(float a, float b)
{
    if (std::isnan(a) || std::isnan(b))
        return std::isnan(a) && std::isnan(b);
    return a == b;
}

float FloatAt(const unsigned char* p)
{
    float value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

std::uint16_t WordAt(const unsigned char* p)
{
    std::uint16_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// Compares two floats as a component of `tally`.
inline void CompareFloats(float a, float b, int component, PixelTally& tally)
{
    if (std::isfinite(a) && std::isfinite(b))
        tally.Difference(std::fabs(double(a) - double(b)), component);
    else if (!SameNonFinite(a, b))
        tally.Unmatched();
}

// The common top-left area, with each picture's own row length.
struct Area {
    int width = 0;
    int height = 0;
    std::size_t rowA = 0;
    std::size_t rowB = 0;
};

// Runs comparePixel(pixel of A, pixel of B, tally) over the area, rows top
// to bottom, and writes the sums into figures.
template <typename ComparePixel>
void CompareArea(const Area& area, const CompareThresholds& thresholds, ChannelFigures& figures,
                 ComparePixel comparePixel)
{
    PixelTally tally(thresholds);
    for (int y = 0; y < area.height; ++y) {
        const std::size_t rowA = std::size_t(y) * area.rowA;
        const std::size_t rowB = std::size_t(y) * area.rowB;
        for (int x = 0; x < area.width; ++x) {
            tally.Begin();
            comparePixel(rowA + std::size_t(x), rowB + std::size_t(x), tally);
            tally.End(x, y);
        }
    }
    figures.pixels = std::uint64_t(area.width) * std::uint64_t(area.height);
    tally.Finish(figures);
}

// A colour or alpha value of one load as a 0-1 fraction: its floats for a
// float file, its word / 65535 otherwise.
struct ColourSource {
    const std::uint16_t* words;  // alpha, red, green, blue
    const float* floats;         // red, green, blue, alpha; null for integer files

    static ColourSource Of(const RLA& image) { return {image.ImageWords().data(), image.ColourFloats()}; }

    // Component 0..2 red, green, blue, 3 alpha.
    std::uint16_t WordOf(std::size_t pixel, int component) const
    {
        return words[4 * pixel + std::size_t(component == 3 ? 0 : component + 1)];
    }
    double Fraction(std::size_t pixel, int component) const
    {
        if (floats)
            return floats[4 * pixel + std::size_t(component)];
        return WordOf(pixel, component) / 65535.0;
    }
};

// Colour components first..last (0..2 the colour, 3..3 alpha).
void CompareColour(const RLA& a, const RLA& b, const Area& area, int first, int last,
                   const CompareThresholds& thresholds, ChannelFigures& figures)
{
    const ColourSource sourceA = ColourSource::Of(a);
    const ColourSource sourceB = ColourSource::Of(b);
    if (!sourceA.floats && !sourceB.floats) {
        // Words on both sides: whole steps of 1/65535. Red, green and blue
        // are words 1 to 3 of a pixel, alpha word 0.
        static const int kColourWords[] = {1, 2, 3};
        static const int kAlphaWord[] = {0};
        stepcomparison::CompareSteps(sourceA.words, sourceB.words, 4, first == 3 ? kAlphaWord : kColourWords,
                                     last - first + 1, area.width, area.height, area.rowA, area.rowB, 65535.0,
                                     thresholds, figures);
        return;
    }
    CompareArea(area, thresholds, figures, [&](std::size_t pa, std::size_t pb, PixelTally& tally) {
        for (int c = first; c <= last; ++c) {
            const double va = sourceA.Fraction(pa, c);
            const double vb = sourceB.Fraction(pb, c);
            if (std::isfinite(va) && std::isfinite(vb))
                tally.Difference(std::fabs(va - vb), c - first);
            else if (!SameNonFinite(float(va), float(vb)))
                tally.Unmatched();
        }
    });
}

enum class ElementKind {
    Depth,       // Z: one float, background by magnitude
    Identifier,  // I, O, M: a 16-bit label
    FloatPair,   // U, V: two floats, the file's first in the element's second half
    Bytes,       // every other: each byte a 0-1 fraction, file order
};

ElementKind ElementKindOf(int bit)
{
    switch (bit) {
    case kChannelZ: return ElementKind::Depth;
    case kChannelI:
    case kChannelO:
    case kChannelM: return ElementKind::Identifier;
    case kChannelU:
    case kChannelV: return ElementKind::FloatPair;
    default: return ElementKind::Bytes;
    }
}

int ComponentsOf(int bit)
{
    switch (ElementKindOf(bit)) {
    case ElementKind::Depth:
    case ElementKind::Identifier: return 1;
    case ElementKind::FloatPair: return 2;
    case ElementKind::Bytes: break;
    }
    return rpflayout::kChannelElementBytes[bit];
}

void CompareRender(const unsigned char* dataA, const unsigned char* dataB, int bit, const Area& area,
                   const CompareThresholds& thresholds, ChannelFigures& figures)
{
    const std::size_t size = std::size_t(rpflayout::kChannelElementBytes[bit]);
    switch (ElementKindOf(bit)) {
    case ElementKind::Depth:
        CompareArea(area, thresholds, figures, [&](std::size_t pa, std::size_t pb, PixelTally& tally) {
            const float za = FloatAt(dataA + 4 * pa);
            const float zb = FloatAt(dataB + 4 * pb);
            const bool backgroundA = IsBackgroundDepth(za);
            const bool backgroundB = IsBackgroundDepth(zb);
            if (!backgroundA && !backgroundB)
                tally.Difference(std::fabs(double(za) - double(zb)), 0);
            else if (backgroundA != backgroundB)
                tally.Unmatched();
        });
        return;
    case ElementKind::Identifier:
        CompareArea(area, thresholds, figures, [&](std::size_t pa, std::size_t pb, PixelTally& tally) {
            const bool differ = WordAt(dataA + 2 * pa) != WordAt(dataB + 2 * pb);
            tally.Difference(differ ? 1.0 : 0.0, 0);
            if (differ)
                tally.Fails();
        });
        return;
    case ElementKind::FloatPair:
        CompareArea(area, thresholds, figures, [&](std::size_t pa, std::size_t pb, PixelTally& tally) {
            const unsigned char* ea = dataA + 8 * pa;
            const unsigned char* eb = dataB + 8 * pb;
            CompareFloats(FloatAt(ea + 4), FloatAt(eb + 4), 0, tally);
            CompareFloats(FloatAt(ea), FloatAt(eb), 1, tally);
        });
        return;
    case ElementKind::Bytes: {
        // The loaded element holds the file's first byte last.
        int fileOrder[rpflayout::kMaxChannelElementBytes];
        for (std::size_t k = 0; k < size; ++k)
            fileOrder[k] = int(size - 1 - k);
        stepcomparison::CompareSteps(dataA, dataB, size, fileOrder, int(size), area.width, area.height, area.rowA,
                                     area.rowB, 255.0, thresholds, figures);
        return;
    }
    }
}

Area CommonArea(const RLA& a, const RLA& b)
{
    Area area;
    area.width = std::max(0, std::min(a.ancho, b.ancho));
    area.height = std::max(0, std::min(a.alto, b.alto));
    area.rowA = std::size_t(std::max(0, a.ancho));
    area.rowB = std::size_t(std::max(0, b.ancho));
    return area;
}

bool HasPicture(const RLA& image)
{
    return !image.ImageWords().empty();
}

bool HasAlpha(const RLA& image)
{
    return HasPicture(image) && image.header.num_matte > 0;
}

Presence PresenceOf(bool inA, bool inB)
{
    if (inA && inB)
        return Presence::Both;
    if (inA)
        return Presence::OnlyInA;
    return inB ? Presence::OnlyInB : Presence::Neither;
}

}  // namespace

ChannelFigures CompareChannel(const RLA& a, const RLA& b, ChannelFigures::Kind kind, int bit,
                              const CompareThresholds& thresholds)
{
    ChannelFigures figures;
    figures.kind = kind;
    const Area area = CommonArea(a, b);
    switch (kind) {
    case Kind::Colour:
        figures.name = "colour";
        figures.components = 3;
        figures.presence = PresenceOf(HasPicture(a), HasPicture(b));
        if (figures.presence == Presence::Both)
            CompareColour(a, b, area, 0, 2, thresholds, figures);
        break;
    case Kind::Alpha:
        figures.name = "alpha";
        figures.components = 1;
        figures.presence = PresenceOf(HasAlpha(a), HasAlpha(b));
        if (figures.presence == Presence::Both)
            CompareColour(a, b, area, 3, 3, thresholds, figures);
        break;
    case Kind::Render:
        if (bit < 0 || bit >= kChannelCount) {
            figures.presence = Presence::Neither;
            break;
        }
        figures.bit = bit;
        figures.name = std::string(1, kChannelLetters[bit]);
        figures.components = ComponentsOf(bit);
        figures.presence = PresenceOf(a.ChannelData(bit) != nullptr, b.ChannelData(bit) != nullptr);
        if (figures.presence == Presence::Both)
            CompareRender(a.ChannelData(bit), b.ChannelData(bit), bit, area, thresholds, figures);
        break;
    }
    if (figures.HasPsnr() && figures.presence != Presence::Both)
        figures.psnr = std::nan("");
    return figures;
}

ImageComparison CompareImages(const RLA& a, const RLA& b, const CompareThresholds& thresholds)
{
    ImageComparison comparison;
    comparison.widthA = a.ancho;
    comparison.heightA = a.alto;
    comparison.widthB = b.ancho;
    comparison.heightB = b.alto;
    const Area area = CommonArea(a, b);
    comparison.width = area.width;
    comparison.height = area.height;
    if (HasPicture(a) || HasPicture(b))
        comparison.channels.push_back(CompareChannel(a, b, Kind::Colour, -1, thresholds));
    if (HasAlpha(a) || HasAlpha(b))
        comparison.channels.push_back(CompareChannel(a, b, Kind::Alpha, -1, thresholds));
    for (int bit = 0; bit < kChannelCount; ++bit) {
        if (a.ChannelData(bit) != nullptr || b.ChannelData(bit) != nullptr)
            comparison.channels.push_back(CompareChannel(a, b, Kind::Render, bit, thresholds));
    }
    return comparison;
}

const ChannelFigures* ImageComparison::Find(ChannelFigures::Kind kind, int bit) const
{
    for (const ChannelFigures& figures : channels) {
        if (figures.kind == kind && (kind != Kind::Render || figures.bit == bit))
            return &figures;
    }
    return nullptr;
}

CompareStatus ImageComparison::Status(const CompareThresholds& thresholds) const
{
    if (SizesDiffer())
        return CompareStatus::SizesDiffer;
    CompareStatus status = CompareStatus::Same;
    for (const ChannelFigures& figures : channels)
        status = WorseStatus(status, figures.Status(thresholds));
    return status;
}
