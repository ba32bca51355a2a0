#include "E2eFixture.h"
#include "FilePixels.h"
#include "XSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <memory>
#include <set>
#include <vector>

using e2e::BoundsOf;
using e2e::FilePixels;
using e2e::kDarkGrey;
using e2e::Viewer;

namespace {

class NavigationE2e : public e2e::SessionTest {
protected:
    // Renders frames first .. first + count - 1 of the demo scene into the
    // test's folder with rpfgen; the spheres move from frame to frame.
    QStringList RenderFrames(int count)
    {
        QProcess rpfgen;
        rpfgen.start(QStringLiteral(BRIMWELL_RPFGEN_PATH),
                     {"frames", dir.path(), "--count", QString::number(count), "--size", "320x200", "--samples", "1"});
        EXPECT_TRUE(rpfgen.waitForFinished(60000));
        EXPECT_EQ(rpfgen.exitCode(), 0);
        const QStringList names = QDir(dir.path()).entryList({"*.rpf"}, QDir::Files, QDir::Name);
        QStringList paths;
        for (const QString& name : names)
            paths.append(dir.filePath(name));
        return paths;
    }

    // Waits until the window names the file and the view shows its pixels.
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

TEST_F(NavigationE2e, ArrowKeysOpenTheNeighboursOfTheFileShown)
{
    const QStringList frames = RenderFrames(4);
    ASSERT_EQ(frames.size(), 4);
    Viewer viewer(Session(), {frames[1]});
    ASSERT_TRUE(Shows(frames[1]));
    const QString window = Session().WaitForWindow("Brimwell");

    Session().Key(window, "Right");
    EXPECT_TRUE(Shows(frames[2]));
    Session().Key(window, "Left");
    EXPECT_TRUE(Shows(frames[1]));
    Session().Key(window, "Up");  // the last file
    EXPECT_TRUE(Shows(frames[3]));
    Session().Key(window, "Down");  // the first file
    EXPECT_TRUE(Shows(frames[0]));
}

TEST_F(NavigationE2e, SpacePlaysTheFolderAndItsFramesAppearInOrder)
{
    const QStringList frames = RenderFrames(16);
    ASSERT_EQ(frames.size(), 16);
    // 12 frames a second, chosen as the Frame Rate menu remembers it, so that
    // a screenshot every few frames still tells the order.
    const QString settings = Session().Environment().value("XDG_CONFIG_HOME") +
                             "/Local AppWizard-Generated Applications/Brimwell.conf";
    QDir().mkpath(QFileInfo(settings).path());
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Append));
    file.write("\n[Playback]\nRate=12\nKeepTime=false\n");
    file.close();

    Viewer viewer(Session(), {frames[0]});
    ASSERT_TRUE(Shows(frames[0]));
    const QString window = Session().WaitForWindow("Brimwell");
    std::vector<std::unique_ptr<FilePixels>> pixels;
    for (const QString& frame : frames)
        pixels.push_back(std::make_unique<FilePixels>(frame));

    Session().Key(window, "space");
    // Which frame each screenshot shows, in the order seen.
    std::vector<int> seen{0};
    QElapsedTimer timer;
    timer.start();
    while (std::set<int>(seen.begin(), seen.end()).size() < 5 && timer.elapsed() < 30000) {
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
        order.append(QString::number(i));
    EXPECT_GE(std::set<int>(seen.begin(), seen.end()).size(), 5u) << order.join(' ').toStdString();
    // Forwards through the folder, looping: each frame seen is a little
    // after the one before it, never behind it.
    for (std::size_t i = 1; i < seen.size(); ++i) {
        const int ahead = (seen[i] - seen[i - 1] + 16) % 16;
        EXPECT_TRUE(ahead >= 1 && ahead <= 8) << order.join(' ').toStdString();
    }
    // Stopped, the window shows the frame its title names.
    const QString title = Session().WindowTitle(window);
    const QString stoppedOn = QDir(QFileInfo(frames[0]).path()).filePath(title.section(" - ", 0, 0));
    EXPECT_TRUE(frames.contains(stoppedOn)) << title.toStdString();
    EXPECT_TRUE(Shows(stoppedOn));
}
