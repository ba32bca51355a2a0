// Everyday viewing on the real display: a 4K frame seen whole with the main
// keyboard's Ctrl+0, a file rewritten on disk seen to change by itself, and a
// frame written beside the one shown reached with Next.
#include "E2eFixture.h"
#include "RpfWriter.h"
#include "XSession.h"

#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cmath>

using e2e::Viewer;

namespace {

// The byte the viewer shows for an 8-bit file value.
int Shown(int value)
{
    const unsigned word = unsigned(value) * 65535u / 256u;
    return int(word * 255u / 65535u);
}

// Colours found nowhere else on the screen.
const QRgb kInside = qRgb(250, 20, 240);
const QRgb kFrame = qRgb(20, 240, 60);

QRgb ShownColour(QRgb file)
{
    return qRgb(Shown(qRed(file)), Shown(qGreen(file)), Shown(qBlue(file)));
}

// A width x height picture of kInside with a frame of kFrame, border pixels wide.
void WriteFramed(const QString& path, int width, int height, int border)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.producer = "E2E (ZC)";
    const std::size_t count = std::size_t(width) * height;
    image.red.reserve(count);
    image.green.reserve(count);
    image.blue.reserve(count);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool frame = x < border || y < border || x >= width - border || y >= height - border;
            const QRgb c = frame ? kFrame : kInside;
            image.red.push_back(qRed(c));
            image.green.push_back(qGreen(c));
            image.blue.push_back(qBlue(c));
        }
    }
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
}

void WriteUniform(const QString& path, int width, int height, QRgb colour)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.producer = "E2E (ZC)";
    image.red.assign(std::size_t(width) * height, qRed(colour));
    image.green.assign(std::size_t(width) * height, qGreen(colour));
    image.blue.assign(std::size_t(width) * height, qBlue(colour));
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
}

// The bounding box of the screen pixels of exactly that colour.
QRect BoxOf(const QImage& shot, QRgb colour)
{
    QRect box;
    for (int y = 0; y < shot.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
        for (int x = 0; x < shot.width(); ++x) {
            if ((line[x] | 0xFF000000u) == colour)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

class ViewingE2e : public e2e::SessionTest {};

}  // namespace

TEST_F(ViewingE2e, A4kFrameOpensWholeAndTheMainKeyboardsCtrlOneAndZeroGoToRealSizeAndBack)
{
    const QString path = dir.filePath("uhd.rpf");
    WriteFramed(path, 3840, 2160, 64);
    Viewer viewer(Session(), {path});
    const QString window = Session().WaitForWindow("uhd.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    // Whole: the frame shows on all four sides of the inside, and the
    // picture is drawn at 5/k for a divisor past the ten ordinary steps.
    const auto seenWhole = [&](int& divisor, QRect& frame) {
        Session().WaitForScreen([&](const QImage& s) {
            frame = BoxOf(s, ShownColour(kFrame));
            const QRect inside = BoxOf(s, ShownColour(kInside));
            if (frame.isEmpty() || inside.isEmpty() || !frame.contains(inside) || frame.left() >= inside.left() ||
                frame.right() <= inside.right() || frame.top() >= inside.top() || frame.bottom() <= inside.bottom())
                return false;
            divisor = int(std::lround(5.0 * 3840 / frame.width()));
            return true;
        });
    };
    // It opens so, in the maximized window the start-up settles on.
    int opened = 0;
    QRect frame;
    seenWhole(opened, frame);
    ASSERT_GT(opened, 10) << frame.width() << "x" << frame.height();
    EXPECT_NEAR(frame.width(), 5.0 * 3840 / opened, 1.0);
    EXPECT_NEAR(frame.height(), 5.0 * 2160 / opened, 1.0);
    EXPECT_LE(frame.width(), Session().ScreenSize().width());
    // The divisor is the one Fit in window picks for the settled window: at
    // one step in the picture would no longer be seen whole.
    EXPECT_GT(5.0 * 3840 / (opened - 1), Session().ScreenSize().width() - 40);

    // At real size the inside fills the view, its right-hand frame out of
    // sight.
    Session().Key(window, "ctrl+1");
    const auto realSize = [](const QImage& s) {
        const QRect inside = BoxOf(s, ShownColour(kInside));
        return inside.width() > s.width() / 2 && BoxOf(s, ShownColour(kFrame)).right() <= inside.right();
    };
    EXPECT_TRUE(realSize(Session().WaitForScreen(realSize)));
    Session().Key(window, "ctrl+0");
    int fitted = 0;
    seenWhole(fitted, frame);
    EXPECT_EQ(fitted, opened);
}

TEST_F(ViewingE2e, AFileRewrittenOnDiskIsShownAgainWithoutAKey)
{
    const QString path = dir.filePath("render.rpf");
    WriteUniform(path, 200, 120, kInside);
    Viewer viewer(Session(), {path});
    ASSERT_FALSE(Session().WaitForWindow("render.rpf - Brimwell").isEmpty());
    Session().WaitForScreen([](const QImage& s) { return BoxOf(s, ShownColour(kInside)).size() == QSize(200, 120); });

    WriteUniform(path, 200, 120, kFrame);
    const QImage shot = Session().WaitForScreen(
        [](const QImage& s) { return BoxOf(s, ShownColour(kFrame)).size() == QSize(200, 120); });
    EXPECT_EQ(BoxOf(shot, ShownColour(kFrame)).size(), QSize(200, 120));
    EXPECT_TRUE(BoxOf(shot, ShownColour(kInside)).isEmpty());
}

TEST_F(ViewingE2e, AFrameWrittenBesideTheOneShownIsReachedByNext)
{
    WriteUniform(dir.filePath("shot0001.rpf"), 160, 100, kInside);
    Viewer viewer(Session(), {dir.filePath("shot0001.rpf")});
    const QString window = Session().WaitForWindow("shot0001.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());

    WriteUniform(dir.filePath("shot0002.rpf"), 160, 100, kFrame);
    // Next is taken but does nothing until the viewer has seen the new file.
    QString next;
    for (int tries = 0; tries < 20 && next.isEmpty(); ++tries) {
        Session().Key(window, "Right");
        next = Session().WaitForWindow("shot0002.rpf - Brimwell", 500);
    }
    ASSERT_FALSE(next.isEmpty());
    Session().WaitForScreen([](const QImage& s) { return BoxOf(s, ShownColour(kFrame)).size() == QSize(160, 100); });
}
