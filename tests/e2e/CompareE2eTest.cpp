// Comparing two renders on the real program: the wipe shows A left of its
// divider and B right of it, wherever Shift+click puts it, and the
// difference lights exactly the pixels that differ.
#include "E2eFixture.h"
#include "FilePixels.h"
#include "RpfWriter.h"
#include "XSession.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using e2e::BoundsOf;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class CompareE2e : public e2e::SessionTest {};

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// An 8-bit render whose pixel (x, y) has the colour colourAt(x, y).
QString WriteRender(const QString& folder, const QString& name, const std::function<QRgb(int, int)>& colourAt)
{
    rpfgen::RpfImage image;
    image.width = kWidth;
    image.height = kHeight;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const QRgb c = colourAt(x, y);
            image.red.push_back(qRed(c));
            image.green.push_back(qGreen(c));
            image.blue.push_back(qBlue(c));
        }
    const QString path = QDir(folder).filePath(name);
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
    return path;
}

QRgb ColourA(int x, int y)
{
    return qRgb(x * 3, y * 5, 40);
}

QRgb ColourB(int x, int y)
{
    return qRgb(x * 3, y * 5, 200);
}

// The picture pixels of the screenshot at where that differ from expected.
int CountDiffering(const QImage& shot, const QRect& where, const std::function<QRgb(int, int)>& expected)
{
    int differing = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            differing += shot.pixel(where.left() + x, where.top() + y) != expected(x, y);
    return differing;
}

// Waits for the picture at real size in the window; its place on screen.
QRect WaitForPicture(const e2e::XSession& session, const std::function<QRgb(int, int)>& expected)
{
    QRect where;
    session.WaitForScreen([&](const QImage& shot) {
        const QRect field = BoundsOf(shot, kDarkGrey);
        if (field.width() <= kWidth || field.height() <= kHeight)
            return false;
        where = e2e::RealSizePlace(field, QSize(kWidth, kHeight));
        return CountDiffering(shot, where, expected) == 0;
    });
    return where;
}

}  // namespace

TEST_F(CompareE2e, TheWipeShowsALeftOfItsDividerAndBRightOfItWhereShiftClickPutsIt)
{
    QTemporaryDir dir;
    const QString a = WriteRender(dir.path(), "a.rpf", ColourA);
    const QString b = WriteRender(dir.path(), "b.rpf", ColourB);
    Viewer viewer(Session(), {a, "--compare", b});
    const QString window = Session().WaitForWindow("a.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());

    // The divider starts at the middle: column 32 is B's first.
    const auto wipeAt = [](int divider) {
        return [divider](int x, int y) { return x < divider ? ColourA(x, y) : ColourB(x, y); };
    };
    const QRect where = WaitForPicture(Session(), wipeAt(32));
    ASSERT_TRUE(where.isValid());
    EXPECT_EQ(CountDiffering(Session().Screenshot(), where, wipeAt(32)), 0);

    // Shift+click on column 20 moves the divider there.
    const QPoint column20 = where.topLeft() + QPoint(20, 10);
    Session().Run("xdotool", {"mousemove", QString::number(column20.x()), QString::number(column20.y()), "keydown",
                              "shift", "click", "1", "keyup", "shift"});
    const QImage shot =
        Session().WaitForScreen([&](const QImage& s) { return CountDiffering(s, where, wipeAt(20)) == 0; });
    EXPECT_EQ(CountDiffering(shot, where, wipeAt(20)), 0);
}

TEST_F(CompareE2e, TheDifferenceOfRendersDifferingInOnePixelLightsExactlyThatPixel)
{
    QTemporaryDir dir;
    const QPoint odd(13, 7);
    const QString a = WriteRender(dir.path(), "a.rpf", ColourA);
    const QString b = WriteRender(dir.path(), "b.rpf", [&](int x, int y) {
        return QPoint(x, y) == odd ? qRgb(0, 0, 0) : ColourA(x, y);
    });
    Viewer viewer(Session(), {a, "--compare", b});
    const QString window = Session().WaitForWindow("a.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    // The two halves of the wipe are alike but for the one pixel, left of
    // the divider.
    const QRect where = WaitForPicture(Session(), ColourA);
    ASSERT_TRUE(where.isValid());

    Session().Key(window, "shift+d");
    const auto difference = [&](int x, int y) {
        const QRgb c = ColourA(x, y);
        return QPoint(x, y) == odd ? c : qRgb(0, 0, 0);
    };
    const QImage shot =
        Session().WaitForScreen([&](const QImage& s) { return CountDiffering(s, where, difference) == 0; });
    EXPECT_EQ(CountDiffering(shot, where, difference), 0);
    EXPECT_NE(shot.pixel(where.topLeft() + odd), qRgb(0, 0, 0));
}
