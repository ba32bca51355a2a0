// Sums the differences of a channel pixel by pixel into its figures. The
// comparison loops call Begin, then Difference or Unmatched for each
// component, then End; Finish writes the figures. Header-only so that the
// loops, which run once per pixel, inline it.
#pragma once

#include "ChannelFigures.h"

#include <cmath>
#include <cstdint>
#include <limits>

class PixelTally {
public:
    explicit PixelTally(const CompareThresholds& thresholds) : fail_(thresholds.fail), warn_(thresholds.warn) {}

    void Begin()
    {
        pixelLargest_ = 0;
        pixelComponent_ = -1;
        pixelUnmatched_ = false;
        pixelFails_ = false;
    }

    // A component both sides hold as numbers, `difference` = |A - B| apart.
    void Difference(double difference, int component)
    {
        sum_ += difference;
        sumOfSquares_ += difference * difference;
        ++components_;
        if (difference > pixelLargest_) {
            pixelLargest_ = difference;
            pixelComponent_ = component;
        }
    }

    // A component with nothing to subtract: background or not a number on
    // one side only.
    void Unmatched() { pixelUnmatched_ = true; }

    // A pixel that fails whatever the thresholds (labels that differ).
    void Fails() { pixelFails_ = true; }

    void End(int x, int y)
    {
        // Strictly greater: the first pixel with the largest difference keeps it.
        if (pixelLargest_ > largest_) {
            largest_ = pixelLargest_;
            largestX_ = x;
            largestY_ = y;
            largestComponent_ = pixelComponent_;
        }
        if (pixelUnmatched_) {
            if (unmatched_ == 0) {
                unmatchedX_ = x;
                unmatchedY_ = y;
            }
            ++unmatched_;
            ++differing_;
            ++warning_;
            ++failing_;
            return;
        }
        differing_ += pixelFails_ || pixelLargest_ > 0;
        warning_ += pixelFails_ || pixelLargest_ > warn_;
        failing_ += pixelFails_ || pixelLargest_ > fail_;
    }

    void Finish(ChannelFigures& figures) const
    {
        figures.differing = differing_;
        figures.warning = warning_;
        figures.failing = failing_;
        figures.unmatched = unmatched_;
        figures.maxDifference = largest_;
        figures.maxX = largestX_;
        figures.maxY = largestY_;
        figures.maxComponent = largestComponent_;
        figures.unmatchedX = unmatchedX_;
        figures.unmatchedY = unmatchedY_;
        figures.meanDifference = components_ ? sum_ / double(components_) : 0.0;
        figures.rmsDifference = components_ ? std::sqrt(sumOfSquares_ / double(components_)) : 0.0;
        if (figures.HasPsnr()) {
            figures.psnr = figures.rmsDifference > 0 ? 20.0 * std::log10(1.0 / figures.rmsDifference)
                                                     : std::numeric_limits<double>::infinity();
        }
    }

private:
    double fail_;
    double warn_;

    double pixelLargest_ = 0;
    int pixelComponent_ = -1;
    bool pixelUnmatched_ = false;
    bool pixelFails_ = false;

    double sum_ = 0;
    double sumOfSquares_ = 0;
    std::uint64_t components_ = 0;
    double largest_ = 0;
    int largestX_ = -1;
    int largestY_ = -1;
    int largestComponent_ = -1;
    std::uint64_t differing_ = 0;
    std::uint64_t warning_ = 0;
    std::uint64_t failing_ = 0;
    std::uint64_t unmatched_ = 0;
    int unmatchedX_ = -1;
    int unmatchedY_ = -1;
};
