#include "E2eFixture.h"
#include "FilePixels.h"
#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <memory>
#include <set>
#include <vector>

using e2e::BoundsOf;
using e2e::FilePixels;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class SequenceE2e : public e2e::SessionTest {
protected:
    // Renders count frames of the demo scene (the spheres move from frame to
    // frame) and names them as given, in that order.
    QStringList RenderAs(const QStringList& names)
    {
        QTemporaryDir rendered;
        QProcess rpfgen;
        rpfgen.start(QStringLiteral(BRIMWELL_RPFGEN_PATH), {"frames", rendered.path(), "--count",
                                                             QString::number(names.size()), "--size", "320x200",
                                                             "--samples", "1"});
        EXPECT_TRUE(rpfgen.waitForFinished(60000));
        EXPECT_EQ(rpfgen.exitCode(), 0);
        const QStringList frames = QDir(rendered.path()).entryList({"*.rpf"}, QDir::Files, QDir::Name);
        EXPECT_EQ(frames.size(), names.size());
        QStringList paths;
        for (int i = 0; i < names.size() && i < frames.size(); ++i) {
            paths.append(dir.filePath(names[i]));
            EXPECT_TRUE(QFile::copy(rendered.filePath(frames[i]), paths.back()));
        }
        return paths;
    }

    void PlayAt12()
    {
        const QString settings = Session().Environment().value("XDG_CONFIG_HOME") +
                                 "/Local AppWizard-Generated Applications/Brimwell.conf";
        QDir().mkpath(QFileInfo(settings).path());
        QFile file(settings);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
        file.write("\n[Playback]\nRate=12\nKeepTime=false\n");
    }

    ::testing::AssertionResult Shows(const QString& path)
    {
        const QString title = QFileInfo(path).fileName() + " - Brimwell";
        if (Session().WaitForWindow("^" + QRegularExpression::escape(title) + "$").isEmpty())
            return ::testing::AssertionFailure() << "no window titled " << title.toStdString();
        const FilePixels file(path);
        int differing = -1;
        Session().WaitForScreen([&](const QImage& shot) {
            const QRect field = BoundsOf(shot, kDarkGrey);
            if (field.width() <= file.Size().width() || field.height() <= file.Size().height())
                return false;
            differing = file.CountDiffering(shot, e2e::RealSizePlace(field, file.Size()));
            return differing == 0;
        });
        if (differing != 0)
            return ::testing::AssertionFailure() << differing << " pixels differ from " << title.toStdString();
        return ::testing::AssertionSuccess();
    }
};

}  // namespace

TEST_F(SequenceE2e, SpacePlaysOnlyTheShownSequenceInNumberOrder)
{
    // Two passes side by side, unpadded: in byte order a_10 comes right
    // after a_1, and every a_ frame before every b_ frame.
    QStringList passA;
    for (int i = 1; i <= 20; ++i)
        passA.append(QStringLiteral("a_%1.rpf").arg(i));
    const QStringList files = RenderAs(passA + QStringList{"b_1.rpf", "b_2.rpf", "b_3.rpf"});
    ASSERT_EQ(files.size(), 23);
    PlayAt12();

    Viewer viewer(Session(), {files[0]});
    ASSERT_TRUE(Shows(files[0]));
    const QString window = Session().WaitForWindow("Brimwell");
    std::vector<std::unique_ptr<FilePixels>> pixels;
    for (const QString& file : files)
        pixels.push_back(std::make_unique<FilePixels>(file));

    // Screenshots for a few passes: which frame each shows, in the order seen.
    Session().Key(window, "space");
    std::vector<int> seen{0};
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 6000) {
        const QImage shot = Session().Screenshot();
        const QRect field = BoundsOf(shot, kDarkGrey);
        if (field.width() <= 320 || field.height() <= 200)
            continue;
        const QRect place = e2e::RealSizePlace(field, QSize(320, 200));
        for (int i = 0; i < int(pixels.size()); ++i) {
            if (pixels[std::size_t(i)]->CountDiffering(shot, place) == 0) {
                if (seen.back() != i)
                    seen.push_back(i);
                break;
            }
        }
    }
    Session().Key(window, "space");

    QStringList order;
    for (int i : seen)
        order.append(QFileInfo(files[i]).baseName());
    // Only the pass shown, and each frame seen a little after the one before
    // in number order (a screenshot takes a few frames' time, more under
    // load): never the jump back from a_19 to a_2 that byte order makes.
    EXPECT_GE(std::set<int>(seen.begin(), seen.end()).size(), 6u) << order.join(' ').toStdString();
    for (int i : seen)
        EXPECT_LT(i, 20) << order.join(' ').toStdString();
    for (std::size_t i = 1; i < seen.size(); ++i) {
        const int ahead = (seen[i] - seen[i - 1] + 20) % 20;
        EXPECT_TRUE(ahead >= 1 && ahead <= 9) << order.join(' ').toStdString();
    }
}

TEST_F(SequenceE2e, AMissingFrameIsAPlaceOfItsOwnShowingTheFrameBeforeAndSaysSo)
{
    const QStringList files = RenderAs({"s_0001.rpf", "s_0002.rpf", "s_0004.rpf"});
    ASSERT_EQ(files.size(), 3);
    Viewer viewer(Session(), {files[1]});
    ASSERT_TRUE(Shows(files[1]));
    const QString window = Session().WaitForWindow("Brimwell");
    // What lies under the picture: the timeline and the status bar.
    const auto below = [this] {
        const QImage shot = Session().Screenshot();
        const QRect field = BoundsOf(shot, kDarkGrey);
        return shot.copy(QRect(field.left(), field.bottom() + 1, field.width(), shot.height() - field.bottom() - 1));
    };
    const QImage atFrame = below();

    // "." to 0003, which no file gives: the picture stays that of 0002, and
    // the timeline and status bar say where the window stands.
    Session().Key(window, "period");
    QThread::msleep(700);
    EXPECT_TRUE(Shows(files[1]));
    EXPECT_NE(below(), atFrame);
    Session().Key(window, "period");
    EXPECT_TRUE(Shows(files[2]));
    // And back over the gap: 0003 first, then 0002, then 0001.
    Session().Key(window, "comma");
    EXPECT_TRUE(Shows(files[1]));
    Session().Key(window, "comma");
    QThread::msleep(700);
    EXPECT_TRUE(Shows(files[1]));
    EXPECT_EQ(below(), atFrame);
    Session().Key(window, "comma");
    EXPECT_TRUE(Shows(files[0]));
}
