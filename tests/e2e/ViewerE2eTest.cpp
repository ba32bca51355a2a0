#include "FilePixels.h"
#include "RpfWriter.h"
#include "E2eFixture.h"
#include "XSession.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using e2e::BoundsOf;
using e2e::BoundsOfOther;
using e2e::kDarkGrey;
using e2e::Viewer;
using e2e::XSession;

namespace {

// The byte the viewer shows for an 8-bit file value: the loader's 16-bit
// word, then the display bitmap's byte.
int Shown(int value)
{
    const unsigned word = unsigned(value) * 257u;
    return int(word * 255u / 65535u);
}

// A picture no pixel of which is the view's dark grey.
QRgb PatternPixel(int x, int y)
{
    return qRgb(128 + (x * 3) % 128, (y * 7) % 256, (x + 2 * y) % 256);
}

QString WritePattern(const QString& path, int width, int height)
{
    rpfgen::RpfImage image;
    image.width = width;
    image.height = height;
    image.producer = "E2E (ZC)";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb p = PatternPixel(x, y);
            image.red.push_back(qRed(p));
            image.green.push_back(qGreen(p));
            image.blue.push_back(qBlue(p));
        }
    }
    EXPECT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));
    return path;
}

QRgb ShownPattern(int x, int y)
{
    const QRgb p = PatternPixel(x, y);
    return qRgb(Shown(qRed(p)), Shown(qGreen(p)), Shown(qBlue(p)));
}

class ViewerE2e : public e2e::SessionTest {};

// The dark-grey field (the view's client area) and the picture inside it.
struct ShownPicture {
    QRect field;
    QRect picture;
};
ShownPicture Find(const QImage& shot)
{
    ShownPicture shown;
    shown.field = BoundsOf(shot, kDarkGrey);
    if (!shown.field.isEmpty())
        shown.picture = BoundsOfOther(shot, shown.field.adjusted(1, 1, -1, -1), kDarkGrey);
    return shown;
}

}  // namespace

TEST_F(ViewerE2e, OpensMaximisedWithThePictureCentredOnDarkGrey)
{
    const QString path = WritePattern(dir.filePath("pattern.rpf"), 200, 120);
    Viewer viewer(Session(), {path});
    const QString window = Session().WaitForWindow("pattern.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    const QImage shot = Session().WaitForScreen([](const QImage& s) { return Find(s).picture.size() == QSize(200, 120); });
    const ShownPicture shown = Find(shot);
    ASSERT_EQ(shown.picture.size(), QSize(200, 120));
    // Centred: the grey margins on opposite sides differ by one pixel at most.
    const int left = shown.picture.left() - shown.field.left();
    const int right = shown.field.right() - shown.picture.right();
    const int top = shown.picture.top() - shown.field.top();
    const int bottom = shown.field.bottom() - shown.picture.bottom();
    EXPECT_LE(std::abs(left - right), 1);
    EXPECT_LE(std::abs(top - bottom), 1);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(shot.pixel(shown.picture.left() + x, shown.picture.top() + y), ShownPattern(x, y)) << x << "," << y;

    const QStringList state = Session().WindowState(window);
    EXPECT_TRUE(state.contains("_NET_WM_STATE_MAXIMIZED_VERT")) << state.join(' ').toStdString();
    EXPECT_TRUE(state.contains("_NET_WM_STATE_MAXIMIZED_HORZ")) << state.join(' ').toStdString();
    // Maximised, the field spans most of the screen.
    EXPECT_GT(shown.field.width(), Session().ScreenSize().width() * 9 / 10);
}

TEST_F(ViewerE2e, TheDemoSampleShowsExactlyItsPixels)
{
    const QString sample = e2e::DemoSample();
    ASSERT_TRUE(QFile::exists(sample)) << sample.toStdString();
    const e2e::FilePixels file(sample);  // read independently of the viewer
    Viewer viewer(Session(), {sample});
    ASSERT_FALSE(Session().WaitForWindow("demo.rpf - Brimwell").isEmpty());
    QRect where;
    const QImage shot = Session().WaitForScreen([&](const QImage& s) {
        const QRect field = BoundsOf(s, kDarkGrey);
        if (field.width() <= file.Size().width() || field.height() <= file.Size().height())
            return false;
        where = e2e::RealSizePlace(field, file.Size());
        return file.CountDiffering(s, where) == 0;
    });
    ASSERT_TRUE(where.isValid());
    EXPECT_EQ(file.CountDiffering(shot, where), 0);
}

TEST_F(ViewerE2e, CtrlKeypadPlusZoomsOneStepAndTheMainKeyboardsCtrlZeroAndOneFitAndRestore)
{
    const QString path = WritePattern(dir.filePath("zoom.rpf"), 160, 96);
    Viewer viewer(Session(), {path});
    const QString window = Session().WaitForWindow("zoom.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    ASSERT_EQ(Find(Session().WaitForScreen([](const QImage& s) { return Find(s).picture.size() == QSize(160, 96); }))
                  .picture.size(),
              QSize(160, 96));

    Session().Key(window, "ctrl+KP_Add");
    // One step in: 125 %.
    QImage shot = Session().WaitForScreen([](const QImage& s) { return Find(s).picture.size() == QSize(200, 120); });
    ASSERT_EQ(Find(shot).picture.size(), QSize(200, 120));

    // The main keyboard's keys do what the keypad's do: fit (500 %), then
    // real size.
    Session().Key(window, "ctrl+0");
    shot = Session().WaitForScreen([](const QImage& s) { return Find(s).picture.size() == QSize(800, 480); });
    EXPECT_EQ(Find(shot).picture.size(), QSize(800, 480));
    Session().Key(window, "ctrl+1");
    shot = Session().WaitForScreen([](const QImage& s) { return Find(s).picture.size() == QSize(160, 96); });
    EXPECT_EQ(Find(shot).picture.size(), QSize(160, 96));
}

TEST_F(ViewerE2e, ABadFileOnTheCommandLineShowsTheMessageAndEnds)
{
    QFile bad(dir.filePath("broken.rpf"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(300, '\x7f'));
    bad.close();
    Viewer viewer(Session(), {bad.fileName()});
    // The message box, titled with the program's name, and no main window.
    const QString box = Session().WaitForWindow("^Brimwell$");
    ASSERT_FALSE(box.isEmpty());
    EXPECT_TRUE(Session().FindWindows("broken.rpf - Brimwell").isEmpty());
    Session().Key(box, "Return");
    EXPECT_EQ(viewer.WaitForExit(10000), 1);
}
