#include "E2eFixture.h"
#include "XSession.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcessEnvironment>

#include <optional>

using e2e::BoundsOf;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

constexpr int kImage = 50;   // a toolbar picture
constexpr int kButton = 57;  // a toolbar button: its picture and 7 pixels of frame
constexpr int kInset = (kButton - kImage) / 2;  // the picture is centred in its button

// One picture of the toolbar strip; its button-face background is not part
// of what is drawn.
QImage StripImage(int index)
{
    const QImage strip(QStringLiteral(BRIMWELL_TOOLBAR_STRIP));
    return strip.copy(index * kImage, 0, kImage, kImage).convertToFormat(QImage::Format_RGB32);
}

// Where the picture is drawn unscaled in the band of the screen (its top-left
// corner), found by comparing its drawn pixels.
std::optional<QPoint> Locate(const QImage& shot, const QImage& picture, const QRect& band)
{
    std::vector<QPoint> drawn;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if ((picture.pixel(x, y) | 0xFF000000u) != qRgb(192, 192, 192))
                drawn.push_back(QPoint(x, y));
    for (int top = band.top(); top + picture.height() <= band.bottom() + 1; ++top) {
        for (int left = band.left(); left + picture.width() <= band.right() + 1; ++left) {
            bool all = true;
            for (const QPoint& p : drawn) {
                if (shot.pixel(left + p.x(), top + p.y()) != picture.pixel(p)) {
                    all = false;
                    break;
                }
            }
            if (all)
                return QPoint(left, top);
        }
    }
    return std::nullopt;
}

class FrameE2e : public e2e::SessionTest {};

}  // namespace

TEST_F(FrameE2e, TheToolbarSitsCentredOnTheBottomEdge)
{
    Viewer viewer(Session(), {e2e::DemoSample()});
    ASSERT_FALSE(Session().WaitForWindow("demo.rpf - Brimwell").isEmpty());
    std::optional<QPoint> open, print, info;
    QRect field;
    Session().WaitForScreen([&](const QImage& shot) {
        field = BoundsOf(shot, kDarkGrey);
        if (field.isEmpty())
            return false;
        // The toolbar lies below the view.
        const QRect band(0, field.bottom() + 1, shot.width(), shot.height() - field.bottom() - 1);
        open = Locate(shot, StripImage(2), band);
        print = Locate(shot, StripImage(3), band);
        info = Locate(shot, StripImage(9), band);
        return open && print && info;
    });
    ASSERT_TRUE(open && print && info) << "the Open, Print and Show info buttons are drawn below the view";
    EXPECT_EQ(open->y(), info->y());
    // Items: Previous, Next, separator, Open, separator, Print, ... Show info,
    // then the six blank buttons. A separator's width is the distance from
    // Open to Print less one button.
    const int separator = print->x() - open->x() - kButton;
    EXPECT_GT(separator, 0);
    const int rowLeft = open->x() - kInset - 2 * kButton - separator;
    const int rowRight = info->x() - kInset + 7 * kButton;
    const double rowCentre = (rowLeft + rowRight) / 2.0;
    const double clientCentre = field.left() + field.width() / 2.0;
    EXPECT_NEAR(rowCentre, clientCentre, 1.0);
    // At the bottom of the window, right below the view.
    const int buttonTop = open->y() - kInset;
    EXPECT_GT(buttonTop, field.bottom());
    EXPECT_LE(buttonTop + kButton, Session().ScreenSize().height());
}

TEST_F(FrameE2e, ClosingEndsTheProgramWhileTheBannersHostLookupHangs)
{
    // The banner starts its lookup at start-up; with a name server that never
    // answers, closing the window must still end the program at once.
    QProcessEnvironment hanging;
    hanging.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(BRIMWELL_HANGING_RESOLVER));
    Viewer viewer(Session(), {e2e::DemoSample()}, QString(), hanging);
    const QString window = Session().WaitForWindow("demo.rpf - Brimwell");
    ASSERT_FALSE(window.isEmpty());
    Session().Key(window, "alt+f");
    QElapsedTimer sinceExit;
    Session().Key("x");  // File > Exit
    sinceExit.start();
    EXPECT_EQ(viewer.WaitForExit(10000), 0);
    // Generous for a loaded machine; the lookup itself would hold it forever.
    EXPECT_LT(sinceExit.elapsed(), 2000);
}
