#include "ChannelRenderer.h"
#include "E2eFixture.h"
#include "FilePixels.h"
#include "FrameChannels.h"
#include "RLA.h"
#include "XSession.h"

#include <QFile>

#include <gtest/gtest.h>

using e2e::BoundsOf;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class ChannelsE2e : public e2e::SessionTest {};

// How many pixels of the screen's area differ from the picture.
int CountDiffering(const QImage& shot, const QRect& area, const QImage& picture)
{
    int differing = 0;
    for (int y = 0; y < area.height(); ++y)
        for (int x = 0; x < area.width(); ++x)
            differing += (shot.pixel(area.left() + x, area.top() + y) | 0xff000000u) !=
                         (picture.pixel(x, y) | 0xff000000u);
    return differing;
}

}  // namespace

TEST_F(ChannelsE2e, ZAndIKeysShowTheDepthAndNodeIdViewsAndShiftZTheFullDepthRange)
{
    const QString sample = e2e::DemoSample();
    RLA file;  // read independently of the viewer
    file.Leer(QFile::encodeName(sample).constData(), true);
    const FrameChannels frame = FrameChannelsOf(file);
    const QSize size(file.ancho, file.alto);

    Viewer viewer(Session(), {sample});
    const QString window = Session().WaitForWindow("demo.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    const e2e::FilePixels colour(sample);
    QRect where;
    Session().WaitForScreen([&](const QImage& s) {
        const QRect field = BoundsOf(s, kDarkGrey);
        if (field.width() <= size.width() || field.height() <= size.height())
            return false;
        where = e2e::RealSizePlace(field, size);
        return colour.CountDiffering(s, where) == 0;
    });
    ASSERT_TRUE(where.isValid());

    // The window scales depth as it starts, by percentiles; shift+z goes to
    // the frame's full range.
    ChannelScaling full = ChannelScaling::Window();
    full.depth.mode = DepthRangeMode::Full;
    const struct {
        const char* key;
        int bit;
        ChannelScaling scaling;
    } steps[] = {{"z", kChannelZ, ChannelScaling::Window()}, {"shift+z", kChannelZ, full}, {"i", kChannelI, full}};
    for (const auto& [key, bit, scaling] : steps) {
        SCOPED_TRACE(key);
        const QImage expected = channelrenderer::Render(frame, ChannelView::Channel(bit).WithScaling(scaling));
        Session().Key(window, key);
        const QImage shot =
            Session().WaitForScreen([&](const QImage& s) { return CountDiffering(s, where, expected) == 0; });
        EXPECT_EQ(CountDiffering(shot, where, expected), 0);
    }
}
