// What a loaded frame works out only when first wanted: the ranges of the
// depth and vector views and whether node IDs name objects. The window's
// thread and the read-ahead workers share a frame, so either may ask first,
// or both at once (this runs under ThreadSanitizer too).
#include "HandMadeFrame.h"
#include "LoadedFrame.h"
#include "RpfWriter.h"
#include "TempDir.h"
#include "ZeroedBuffer.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(LoadedFrame, RangesAndNamesWorkedOutOnFirstUseFromTwoThreadsAreTheWholeFrames)
{
    HandMadeFrame made(3, 1);
    made.Set(kChannelZ, 0, 0, 4.0f);
    made.Set(kChannelZ, 1, 0, -2.0f);
    made.Set(kChannelZ, 2, 0, 3.0e30f);  // background: left out of the range
    made.SetVector(kChannelV, 0, 0, 3.0f, 4.0f);
    made.SetVector(kChannelU, 2, 0, 0.0f, 0.5f);
    made.Set(kChannelC, 1, 0, std::uint8_t(200));
    made.Set(kChannelI, 1, 0, std::uint16_t(1));
    made.Set(kChannelI, 2, 0, std::uint16_t(3));
    made.SetNames({"ground", "ball", "cube"});

    LoadedFrame frame;
    frame.channels = made.Frame();
    frame.readout = std::make_shared<const PixelReadout>(frame.channels);

    const std::vector<ChannelView> views = {ChannelView::Channel(kChannelZ), ChannelView::Channel(kChannelV),
                                            ChannelView::Channel(kChannelU), ChannelView::Channel(kChannelC),
                                            ChannelView::Alpha(), ChannelView::Colour()};
    struct Seen {
        std::vector<channelrenderer::ChannelRanges> ranges;
        QString readout;
    };
    Seen seen[2];
    // The two threads take the views in opposite orders, so each is the
    // first to ask for some of them.
    std::thread other([&] {
        for (auto view = views.rbegin(); view != views.rend(); ++view)
            seen[1].ranges.insert(seen[1].ranges.begin(), frame.RangesFor(*view));
        seen[1].readout = frame.readout->Text(2, 0);
    });
    for (const ChannelView& view : views)
        seen[0].ranges.push_back(frame.RangesFor(view));
    seen[0].readout = frame.readout->Text(2, 0);
    other.join();

    for (const Seen& thread : seen) {
        ASSERT_EQ(thread.ranges.size(), views.size());
        // Each view gets its own channel's range and nothing else.
        const channelrenderer::ChannelRanges& z = thread.ranges[0];
        EXPECT_TRUE(z.depth.any);
        EXPECT_EQ(z.depth.nearest, -2.0f);
        EXPECT_EQ(z.depth.farthest, 4.0f);
        EXPECT_EQ(z.largestVelocity, 0.0f);
        EXPECT_EQ(thread.ranges[1].largestVelocity, 5.0f);
        EXPECT_FALSE(thread.ranges[1].depth.any);
        EXPECT_EQ(thread.ranges[2].largestUv, 0.5f);
        EXPECT_EQ(thread.ranges[2].largestVelocity, 0.0f);
        for (std::size_t i = 3; i < views.size(); ++i) {
            EXPECT_FALSE(thread.ranges[i].depth.any) << i;
            EXPECT_EQ(thread.ranges[i].largestVelocity, 0.0f) << i;
            EXPECT_EQ(thread.ranges[i].largestUv, 0.0f) << i;
        }
        EXPECT_TRUE(thread.readout.contains(QStringLiteral("  I 3 \"cube\"  "))) << thread.readout.toStdString();
    }
    // What the depth view draws with them is what it draws measuring afresh.
    EXPECT_EQ(channelrenderer::Render(frame.channels, ChannelView::Channel(kChannelZ), seen[0].ranges[0]),
              channelrenderer::Render(frame.channels, ChannelView::Channel(kChannelZ)));
}

// The memory a released frame leaves kept for later reads stays within the
// limit it was read with, its display bitmap's included: the budget counts
// no more than that beside the frames it holds.
TEST(LoadedFrame, MemoryKeptOnceFramesAreReleasedStaysWithinTheLimitTheyWereReadWith)
{
    testsupport::TempDir dir;
    rpfgen::RpfImage image;
    image.width = 1024;
    image.height = 768;
    image.alpha = true;
    image.producer = "Renderer (Z)";
    const std::string path = dir.Write("shot.rpf", rpfgen::EncodeRpf(image));
    // Room for the bitmap or the Z buffer (3 MiB each), not for both.
    const std::size_t limit = std::size_t(5) << 20;

    ZeroedBuffer::ReleaseKept();
    for (int i = 0; i < 3; ++i) {
        // The window keeps the bitmap shown a little longer than its frame.
        QImage shown;
        {
            const auto frame = LoadFrame(path, FrameDrawing(), limit);
            ASSERT_NE(frame, nullptr);
            shown = frame->bitmap;
        }
    }
    EXPECT_GT(ZeroedBuffer::KeptBytes(), 0u);
    EXPECT_LE(ZeroedBuffer::KeptBytes(), limit);
    ZeroedBuffer::ReleaseKept();
}
