// Two loaded renders compared channel by channel: the figures of every
// channel either file holds (ChannelFigures.h says what each figure means).
// Pictures of different sizes are compared over their common top-left area.
// Pure functions of their inputs: they read the two loads and nothing else,
// so any thread may call them while the loads live and are not changed.
#pragma once

#include "ChannelFigures.h"

#include <vector>

class RLA;

struct ImageComparison {
    int widthA = 0;
    int heightA = 0;
    int widthB = 0;
    int heightB = 0;
    int width = 0;  // the common top-left area compared
    int height = 0;

    // Colour first, then alpha when either file has a matte channel, then
    // every render channel either holds, in mask bit order (Z E O U N R C B I
    // G T V W M). Colour and alpha are left out when a load did not keep the
    // picture.
    std::vector<ChannelFigures> channels;

    bool SizesDiffer() const { return widthA != widthB || heightA != heightB; }
    // The figures of colour, alpha or the render channel with mask bit
    // `bit`; null when neither file holds it.
    const ChannelFigures* Find(ChannelFigures::Kind kind, int bit = -1) const;
    // SizesDiffer when the sizes differ; otherwise the worst of the
    // channels' outcomes.
    CompareStatus Status(const CompareThresholds& thresholds) const;
};

// Every channel of A and B, counted by the thresholds given.
ImageComparison CompareImages(const RLA& a, const RLA& b, const CompareThresholds& thresholds = {});

// One channel alone (what a window showing that channel needs): colour,
// alpha, or the render channel with mask bit `bit` (0 to 13, else nothing
// is compared). When neither file holds it, the figures name it, with
// presence Neither and no pixel compared.
ChannelFigures CompareChannel(const RLA& a, const RLA& b, ChannelFigures::Kind kind, int bit = -1,
                              const CompareThresholds& thresholds = {});
