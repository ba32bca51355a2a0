// How the colour view is looked at, as a lighting artist does: an exposure
// in stops, a display transform, and which part of the colour is shown
// (all of it, one component or the luminance as grey, or the colour over a
// checkerboard by its alpha). A plain value handed to whoever draws: the
// document for the frame shown, the read-ahead workers for frames ahead.
// Channel views ignore it.
#pragma once

#include "DisplayTransform.h"

#include <QString>

class Look {
public:
    enum class Component { Colour, Red, Green, Blue, Luminance, OverChecker };

    // One press of the exposure keys.
    static constexpr double kExposureStep = 0.5;

    double exposure = 0;  // stops: each value is multiplied by 2^exposure
    DisplayTransform transform;
    Component component = Component::Colour;

    // Whether this look draws exactly the display bitmap.
    bool IsPlain() const
    {
        return exposure == 0 && transform.kind() == DisplayTransform::Kind::Stored && component == Component::Colour;
    }

    // For the status bar, e.g. "Exposure -2.0  sRGB  Luminance".
    QString Text() const;

    bool operator==(const Look& other) const
    {
        return exposure == other.exposure && transform == other.transform && component == other.component;
    }
    bool operator!=(const Look& other) const { return !(*this == other); }
};
