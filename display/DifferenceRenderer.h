// The difference of two renders, A and B, as a picture of A's size in any
// view, drawn on that view's scale:
// - colour: |A - B| per component, the values taken as 0..1 fractions
//   (word / 65535) or, for a float file, as its floats, times the gain, and
//   drawn in the look as a colour of those values would be (over the
//   checkerboard, as plain colour: a difference has no alpha);
// - alpha: |A - B| the same way, in grey;
// - Z: grey from 0 to the largest |dZ| over the pixels where neither depth is
//   background (|z| >= 1e30, NaN or infinite), times the gain; white where
//   exactly one of the two is background, black where both are;
// - node render ID, object ID and channel M: white where the IDs differ,
//   black where they are equal;
// - coverage and channel E: |A - B| in grey, times the gain;
// - velocity and UV: |A - B| of the first component in red, of the second in
//   green, each over the length the view shows at full brightness (A's),
//   times the gain;
// - the channels drawn as colour bytes (N R B G T W): |A - B| per byte,
//   times the gain.
// A NaN against a number differs without bound; two NaNs are equal. Pixels
// outside the area both renders cover (their common top-left area) are the
// view's background.
#pragma once

#include "ChannelRenderer.h"
#include "ChannelView.h"
#include "FrameChannels.h"
#include "Look.h"

#include <QImage>

#include <cstdint>

class DifferenceRenderer {
public:
    // The gains the difference is shown at, in the order a key steps them.
    static constexpr int kGains[] = {1, 10, 100};
    // The gain after gain: 1, 10, 100, then 1 again.
    static int NextGain(int gain);

    // The picture of view's difference; null when a or b lacks what view
    // shows. ranges: A's, as channelrenderer::MeasureRanges gives them for
    // view (the vector views' full length). Throws std::runtime_error when
    // the picture cannot be made. The last picture's memory is drawn into
    // again once nobody holds it, so a difference played frame after frame
    // costs no fresh memory.
    QImage Render(const FrameChannels& a, const FrameChannels& b, const ChannelView& view, const Look& look,
                  const channelrenderer::ChannelRanges& ranges, int gain);

    // |a - b| as the rules above take it: NaN against a number is infinite.
    static double Difference(double a, double b);

private:
    QImage Draw(const FrameChannels& a, const FrameChannels& b, const ChannelView& view, const Look& look,
                const channelrenderer::ChannelRanges& ranges, int gain);
    QImage RenderColour(const FrameChannels& a, const FrameChannels& b, int width, int height, const Look& look,
                        int gain);

    // A picture of A's size, filled with the view's background when asked.
    QImage NewPicture(int width, int height, bool background);

    QImage m_lastPicture;  // the last picture made, whose memory is drawn into again when free
};
