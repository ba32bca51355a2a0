#include "E2eFixture.h"
#include "FilePixels.h"
#include "XSession.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

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
