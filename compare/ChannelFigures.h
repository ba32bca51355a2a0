// The figures of one channel of two compared renders, A and B: how many
// pixels differ, by how much and where. A plain value, made by
// CompareImages/CompareChannel (ImageComparison.h) and read by the window's
// status bar and by rpfdiff; standard library only.
//
// What "the difference" of a pixel is depends on the channel:
//   colour, alpha      0-1 fractions: an integer file's word / 65535, a float
//                      file's floats as stored (overbright and negative too);
//                      colour has three components, red, green and blue
//   Z                  the depths, one component; a depth of magnitude 1e30
//                      or more, NaN or infinite is background: two background
//                      depths are equal, a background depth against a depth
//                      is unmatched (below)
//   I, O, M            node and object IDs: 1 where the IDs differ, 0 where
//                      equal, whatever the thresholds (an ID is a label,
//                      "how far apart" means nothing)
//   U, V               two floats, in file order
//   C, E, N, R, B, G,  each byte of the element a component, as a 0-1
//   T, W               fraction (byte / 255), in file order
// Floats that are not finite (colour of float files, U, V) are equal when
// both are NaN or both the same infinity; otherwise unmatched.
//
// An unmatched pixel has a component with nothing to subtract (background on
// one side only, NaN against a number): it counts as differing, warning and
// failing, and stays out of the largest difference, mean and RMS, which are
// over the components both sides hold as numbers.
#pragma once

#include <cstdint>
#include <limits>
#include <string>

// The thresholds a pixel is judged by: it fails when any of its components
// differs by more than `fail` (strictly), and warns likewise over `warn`.
// The result is a failure when the failing pixels are more than
// failPercent % of the pixels compared (0: any at all), a warning when some
// fail but no more than that.
struct CompareThresholds {
    double fail = 1e-6;
    double warn = 1e-6;
    double failPercent = 0;
};

// The outcome of a comparison, as rpfdiff's exit status.
enum class CompareStatus : int {
    Same = 0,         // no pixel fails
    Warning = 1,      // some pixels fail, no more than failPercent % of them
    Failure = 2,      // more fail; or a channel is in one file only
    SizesDiffer = 3,  // the pictures differ in size
    Unreadable = 4,   // a file cannot be read, or has no counterpart
};

// The worse of two outcomes (the larger status).
CompareStatus WorseStatus(CompareStatus a, CompareStatus b);

struct ChannelFigures {
    enum class Kind {
        Colour,  // red, green and blue
        Alpha,
        Render,  // a render channel, by its mask bit
    };
    enum class Presence {
        Both,
        OnlyInA,  // B lacks the channel: no pixel is compared
        OnlyInB,
        Neither,  // neither file holds it: nothing compared
    };

    Kind kind = Kind::Colour;
    int bit = -1;  // the render channel's mask bit (kChannelZ...); -1 for colour and alpha
    Presence presence = Presence::Both;
    std::string name;  // "colour", "alpha", or the render channel's letter ("Z")
    int components = 0;  // compared per pixel

    std::uint64_t pixels = 0;     // pixels compared: the common top-left area
    std::uint64_t differing = 0;  // pixels where any component differs at all, unmatched ones included
    std::uint64_t warning = 0;    // pixels over the warning threshold, unmatched ones included
    std::uint64_t failing = 0;    // pixels over the failure threshold, unmatched ones included
    std::uint64_t unmatched = 0;  // pixels with a component that has nothing to subtract (see above)

    // The largest difference of any component, at the first pixel (rows top
    // to bottom, left to right) where it occurs: x right and y down from the
    // top-left pixel, and the component (0 for one-component channels);
    // -1 when no component differs by a number.
    double maxDifference = 0;
    int maxX = -1;
    int maxY = -1;
    int maxComponent = -1;
    // The first unmatched pixel, -1 when there is none.
    int unmatchedX = -1;
    int unmatchedY = -1;

    // Over every component of every pixel both sides hold as numbers.
    double meanDifference = 0;
    double rmsDifference = 0;

    // Colour only: 20 log10(1 / RMS) in dB, the peak being 1 (the 0-1
    // fractions); +infinity when the RMS is 0. Other channels: NaN.
    double psnr = std::numeric_limits<double>::quiet_NaN();

    bool HasPsnr() const { return kind == Kind::Colour; }
    // Both files hold the channel and no pixel of it differs.
    bool Identical() const { return presence == Presence::Both && differing == 0; }
    // The outcome by the thresholds the figures were counted with: Failure
    // for a channel in one file only.
    CompareStatus Status(const CompareThresholds& thresholds) const;
};
