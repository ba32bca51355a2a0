// The fast road for values that are whole steps of a fraction (16-bit words
// of 1/65535, bytes of 1/255): differences are summed as whole numbers and
// judged against the thresholds as steps, so the loop does no floating-point
// work per pixel. Its figures are those PixelTally gives for the same
// values: a pixel is over a threshold T exactly when its largest step
// count d has d * step > T in double, as there.
#pragma once

#include "ChannelFigures.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace stepcomparison {

// The fewest steps that are over threshold: d / steps > threshold, as the
// double division decides it.
inline std::int64_t StepsOver(double threshold, double stepsPerUnit, std::int64_t most)
{
    if (!(threshold >= 0))
        return 0;
    std::int64_t steps = std::int64_t(std::min(threshold * stepsPerUnit, double(most + 1)));
    while (steps > 0 && double(steps - 1) / stepsPerUnit > threshold)
        --steps;
    while (steps <= most && !(double(steps) / stepsPerUnit > threshold))
        ++steps;
    return steps;  // most + 1: no difference is over it
}

// Compares `components` values of type T per pixel, the k-th at
// element[offsets[k]], elements `stride` values apart, rows of rowA and rowB
// elements; width x height pixels from the top-left.
template <typename T>
void CompareSteps(const T* a, const T* b, std::size_t stride, const int* offsets, int components, int width,
                  int height, std::size_t rowA, std::size_t rowB, double stepsPerUnit,
                  const CompareThresholds& thresholds, ChannelFigures& figures)
{
    const std::int64_t most = std::numeric_limits<T>::max();
    const std::int64_t warnSteps = StepsOver(thresholds.warn, stepsPerUnit, most);
    const std::int64_t failSteps = StepsOver(thresholds.fail, stepsPerUnit, most);
    // 16-bit squares summed over 2^28 pixels of 4 components stay far
    // below 2^64.
    std::uint64_t sum = 0, sumOfSquares = 0;
    std::uint64_t differing = 0, warning = 0, failing = 0;
    std::int64_t largest = 0;
    int largestX = -1, largestY = -1, largestComponent = -1;
    for (int y = 0; y < height; ++y) {
        const T* pa = a + std::size_t(y) * rowA * stride;
        const T* pb = b + std::size_t(y) * rowB * stride;
        for (int x = 0; x < width; ++x, pa += stride, pb += stride) {
            std::int64_t pixelLargest = 0;
            for (int k = 0; k < components; ++k) {
                const std::int64_t d = std::abs(std::int64_t(pa[offsets[k]]) - std::int64_t(pb[offsets[k]]));
                sum += std::uint64_t(d);
                sumOfSquares += std::uint64_t(d * d);
                pixelLargest = std::max(pixelLargest, d);
            }
            differing += pixelLargest > 0;
            warning += pixelLargest >= warnSteps;
            failing += pixelLargest >= failSteps;
            if (pixelLargest > largest) {
                largest = pixelLargest;
                largestX = x;
                largestY = y;
                largestComponent = 0;
                while (std::abs(std::int64_t(pa[offsets[largestComponent]]) -
                                std::int64_t(pb[offsets[largestComponent]])) != pixelLargest)
                    ++largestComponent;
            }
        }
    }
    const double count = double(width) * double(height) * double(components);
    figures.pixels = std::uint64_t(width) * std::uint64_t(height);
    figures.differing = differing;
    figures.warning = warning;
    figures.failing = failing;
    figures.unmatched = 0;
    figures.maxDifference = double(largest) / stepsPerUnit;
    figures.maxX = largestX;
    figures.maxY = largestY;
    figures.maxComponent = largestComponent;
    figures.meanDifference = count > 0 ? double(sum) / stepsPerUnit / count : 0.0;
    figures.rmsDifference = count > 0 ? std::sqrt(double(sumOfSquares) / count) / stepsPerUnit : 0.0;
    if (figures.HasPsnr()) {
        figures.psnr = figures.rmsDifference > 0 ? 20.0 * std::log10(1.0 / figures.rmsDifference)
                                                 : std::numeric_limits<double>::infinity();
    }
}

}  // namespace stepcomparison
