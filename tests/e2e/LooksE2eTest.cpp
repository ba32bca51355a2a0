// The look of a float render on the real program: exposure keys change what
// the screen shows, by the rule's bytes.
#include "E2eFixture.h"
#include "FilePixels.h"
#include "RpfWriter.h"
#include "XSession.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using e2e::BoundsOf;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class LooksE2e : public e2e::SessionTest {};

}  // namespace

TEST_F(LooksE2e, TwoStopsDownBringsOverbrightFloatsBackIntoRange)
{
    QTemporaryDir dir;
    rpfgen::RpfImage image;
    image.width = 64;
    image.height = 48;
    image.colourBits = 32;
    image.alpha = true;
    const std::size_t count = std::size_t(image.width) * std::size_t(image.height);
    image.red.assign(count, 4.0);
    image.green.assign(count, 2.0);
    image.blue.assign(count, 0.5);
    image.alphaValues.assign(count, 1.0);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("bright.rpf"));
    ASSERT_TRUE(rpfgen::WriteRpf(path.toStdString(), image));

    Viewer viewer(Session(), {path});
    const QString window = Session().WaitForWindow(QStringLiteral("bright.rpf - Brimwell"));
    ASSERT_FALSE(window.isEmpty());
    // As stored, 4.0 and 2.0 clamp: (255, 255, 127) in the grey field.
    QRect picture;
    Session().WaitForScreen([&](const QImage& shot) {
        const QRect field = BoundsOf(shot, kDarkGrey);
        if (field.width() <= image.width || field.height() <= image.height)
            return false;
        picture = e2e::RealSizePlace(field, QSize(image.width, image.height));
        return shot.pixel(picture.center()) == qRgb(255, 255, 127);
    });
    ASSERT_TRUE(picture.isValid());
    ASSERT_EQ(Session().Screenshot().pixel(picture.center()), qRgb(255, 255, 127));

    for (int press = 0; press < 4; ++press)
        Session().Key(window, QStringLiteral("bracketleft"));
    // 4.0, 2.0, 0.5 times 2^-2: 1.0, 0.5, 0.125, bytes 255, 127, 31, on
    // every pixel of the picture.
    const QImage shot = Session().WaitForScreen(
        [&](const QImage& s) { return s.pixel(picture.center()) == qRgb(255, 127, 31); });
    int differing = 0;
    for (int y = picture.top(); y <= picture.bottom(); ++y)
        for (int x = picture.left(); x <= picture.right(); ++x)
            differing += shot.pixel(x, y) != qRgb(255, 127, 31);
    EXPECT_EQ(differing, 0);

    // Back to 0: the picture as stored again.
    Session().Key(window, QStringLiteral("backslash"));
    EXPECT_EQ(Session()
                  .WaitForScreen([&](const QImage& s) { return s.pixel(picture.center()) == qRgb(255, 255, 127); })
                  .pixel(picture.center()),
              qRgb(255, 255, 127));
}
