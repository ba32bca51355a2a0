#include "AppCommandIds.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"
#include "PathText.h"

#include <QAction>
#include <QFile>
#include <QtTest/QTest>

#include <filesystem>

using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// An application showing one file of a folder of a few, stepped with the
// arrow keys as a user would.
class NavigationHarness {
public:
    NavigationHarness(const QStringList& names, const QString& start)
    {
        for (int i = 0; i < names.size(); ++i)
            WriteSample(dir.path(), names[i], 4 + i, 3);
        app = std::make_unique<CBrimwellApp>(QStringList{dir.filePath(start)});
        EXPECT_TRUE(app->InitInstance());
        Settle();
    }

    QString Shown() const { return QFileInfo(app->Document()->GetPathName()).fileName(); }

    void Press(Qt::Key key)
    {
        app->Router()->UpdateCommandUI();
        QTest::keyClick(app->Frame(), key);
        Settle();  // the step's open runs from the event loop
    }

    bool Enabled(int id) { return app->Router()->IsEnabled(id); }

    QTemporaryDir dir;
    PromptRecorder prompts;
    std::unique_ptr<CBrimwellApp> app;
};

}  // namespace

TEST(Navigation, ArrowKeysStepThroughTheFolderInByteOrder)
{
    NavigationHarness h({"b.rpf", "B.rpf", "a.rpf", "a1.rpf", "notes.txt"}, "a.rpf");
    // Byte order: B.rpf, a.rpf, a1.rpf, b.rpf; the .txt file is not listed.
    EXPECT_EQ(h.app->Folder().FolderFiles().size(), 4u);
    EXPECT_TRUE(h.Enabled(ID_FILE_PREVIOUS));
    EXPECT_TRUE(h.Enabled(ID_FILE_NEXT));
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "a1.rpf");
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "b.rpf");
    EXPECT_FALSE(h.Enabled(ID_FILE_NEXT));
    h.Press(Qt::Key_Right);  // disabled: taken, nothing happens
    EXPECT_EQ(h.Shown(), "b.rpf");
    h.Press(Qt::Key_Down);  // first
    EXPECT_EQ(h.Shown(), "B.rpf");
    EXPECT_FALSE(h.Enabled(ID_FILE_PREVIOUS));
    h.Press(Qt::Key_Up);  // last
    EXPECT_EQ(h.Shown(), "b.rpf");
    h.Press(Qt::Key_Left);
    EXPECT_EQ(h.Shown(), "a1.rpf");
    EXPECT_EQ(h.prompts.beeps, 0);
    EXPECT_TRUE(h.prompts.messages.isEmpty());
    // Each step opened its file through the document: title and size follow.
    EXPECT_EQ(h.app->Frame()->windowTitle(), "a1.rpf - Brimwell");
    EXPECT_EQ(h.app->Document()->rpf_width, 4 + 3);
}

TEST(Navigation, AFileThatFailsIsReportedAndSteppedPast)
{
    NavigationHarness h({"1.rpf", "2.rpf", "3.rpf"}, "1.rpf");
    ASSERT_TRUE(QFile::remove(h.dir.filePath("2.rpf")));
    h.Press(Qt::Key_Right);
    ASSERT_EQ(h.prompts.messages.size(), 1);
    EXPECT_TRUE(h.prompts.messages[0].contains("2.rpf"));
    EXPECT_EQ(h.Shown(), "1.rpf");  // the previous file stays on screen
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "3.rpf");
    // Not following the folder, the list is the folder as it was at the last
    // open: a new file is not seen.
    ASSERT_TRUE(h.app->Router()->Execute(ID_FILE_FOLLOW));
    ASSERT_FALSE(h.app->Controller().Follower().IsEnabled());
    ASSERT_FALSE(h.app->Follower().IsEnabled());
    WriteSample(h.dir.path(), "4.rpf", 4, 4);
    Settle();
    EXPECT_FALSE(h.Enabled(ID_FILE_NEXT));
    h.Press(Qt::Key_Up);
    EXPECT_EQ(h.Shown(), "3.rpf");
}

TEST(Navigation, StepsPiledUpBeforeALoadRunsLoadOnlyTheLastFile)
{
    NavigationHarness h({"1.rpf", "2.rpf", "3.rpf", "4.rpf"}, "1.rpf");
    // Files passed over must not be loaded: removed, each would be reported.
    // Not followed, the folder keeps listing them.
    ASSERT_TRUE(h.app->Router()->Execute(ID_FILE_FOLLOW));
    ASSERT_FALSE(h.app->Controller().Follower().IsEnabled());
    ASSERT_TRUE(QFile::remove(h.dir.filePath("2.rpf")));
    ASSERT_TRUE(QFile::remove(h.dir.filePath("3.rpf")));
    for (int i = 0; i < 3; ++i) {
        h.app->Router()->UpdateCommandUI();
        QTest::keyClick(h.app->Frame(), Qt::Key_Right);  // a held key: no event loop between steps
    }
    EXPECT_EQ(h.Shown(), "1.rpf");
    EXPECT_FALSE(h.Enabled(ID_FILE_NEXT));  // the position moved with every step
    Settle();
    EXPECT_EQ(h.Shown(), "4.rpf");
    EXPECT_TRUE(h.prompts.messages.isEmpty()) << h.prompts.messages.join("; ").toStdString();
    h.Press(Qt::Key_Left);  // back onto a removed file: loaded, and reported
    EXPECT_EQ(h.prompts.messages.size(), 1);
}

TEST(Navigation, AFailedOpenKeepsThePlaceOfTheFileShown)
{
    NavigationHarness h({"1.rpf", "2.rpf", "3.rpf"}, "2.rpf");
    QTemporaryDir other;
    // Whatever way the open came (a recent file goes the same way), the file
    // shown keeps its neighbours.
    EXPECT_EQ(h.app->OpenDocumentFile(h.dir.filePath("missing.rpf")), nullptr);
    QFile broken(other.filePath("broken.rpf"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not a picture");
    broken.close();
    EXPECT_EQ(h.app->OpenDocumentFile(broken.fileName()), nullptr);
    EXPECT_EQ(h.prompts.messages.size(), 2);
    EXPECT_EQ(h.Shown(), "2.rpf");
    EXPECT_TRUE(h.Enabled(ID_FILE_NEXT));
    EXPECT_TRUE(h.Enabled(ID_FILE_PREVIOUS));
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "3.rpf");
    h.Press(Qt::Key_Left);
    h.Press(Qt::Key_Left);
    EXPECT_EQ(h.Shown(), "1.rpf");
    // The list stays that of the file shown, not of the folder that failed.
    EXPECT_EQ(h.app->Folder().FolderFiles().size(), 3u);
}

TEST(Navigation, ARelativePathFromTheCommandLineStillNavigates)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    WriteSample(dir.path(), "x.rpf", 4, 4);
    WriteSample(dir.path(), "y.rpf", 5, 4);
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    {
        CBrimwellApp app({"x.rpf"});
        ASSERT_TRUE(app.InitInstance());
        app.Router()->UpdateCommandUI();
        EXPECT_TRUE(app.Router()->Execute(ID_FILE_NEXT));
        Settle();
        EXPECT_EQ(QFileInfo(app.Document()->GetPathName()).fileName(), "y.rpf");
    }
    QDir::setCurrent(previous);
}

TEST(Navigation, AStepBackAfterAFailedStepGoesBeforeTheFileShown)
{
    NavigationHarness h({"1.rpf", "2.rpf", "3.rpf"}, "2.rpf");
    h.app->Follower().SetEnabled(false);
    QFile broken(h.dir.filePath("3.rpf"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.close();
    h.Press(Qt::Key_Right);
    ASSERT_EQ(h.prompts.messages.size(), 1);
    EXPECT_EQ(h.Shown(), "2.rpf");
    // Left from the file shown, as the user sees it.
    h.Press(Qt::Key_Left);
    EXPECT_EQ(h.Shown(), "1.rpf");
    EXPECT_EQ(h.prompts.beeps, 0);
}

TEST(Navigation, APathThroughALinkAndDotDotOpensTheFileTheSystemFinds)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    ASSERT_TRUE(QDir(dir.path()).mkpath("a/b"));
    WriteSample(dir.path(), "x.rpf", 4, 4);  // beside the link: what cutting the text would open
    WriteSample(dir.filePath("a"), "x.rpf", 9, 4);
    WriteSample(dir.filePath("a"), "y.rpf", 5, 4);
    ASSERT_TRUE(QFile::link(dir.filePath("a/b"), dir.filePath("link")));
    CBrimwellApp app({dir.filePath("link/../x.rpf")});
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Document()->rpf_width, 9);
    EXPECT_EQ(app.Document()->GetPathName(), QDir::toNativeSeparators(dir.filePath("a/x.rpf")));
    app.Router()->UpdateCommandUI();
    EXPECT_TRUE(app.Router()->Execute(ID_FILE_NEXT));
    Settle();
    EXPECT_EQ(app.Document()->rpf_width, 5);  // a/y.rpf, in the same resolved folder
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(Navigation, FileNamesThatAreNotValidTextOpenFromTheCommandLineAndByStepping)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    const std::string folder = QFile::encodeName(dir.path()).toStdString();
    // Names with bytes no UTF-8 text holds: their text cannot give them back.
    const std::string first = folder + "/a\xff.rpf";
    const std::string second = folder + "/b\xfe\x80.rpf";
    const QString written = WriteSample(dir.path(), "plain.rpf", 6, 4);
    std::filesystem::copy_file(QFile::encodeName(written).toStdString(), first);
    std::filesystem::copy_file(QFile::encodeName(WriteSample(dir.path(), "wide.rpf", 8, 4)).toStdString(), second);
    ASSERT_TRUE(QFile::remove(written));
    ASSERT_TRUE(QFile::remove(dir.filePath("wide.rpf")));
    ASSERT_NE(QFile::encodeName(QFile::decodeName(QByteArray::fromStdString(first))).toStdString(), first);

    // As main hands over the command line: the text of argv's bytes.
    CBrimwellApp app({pathtext::Display(first)});
    ASSERT_TRUE(app.InitInstance()) << prompts.messages.join("; ").toStdString();
    EXPECT_EQ(app.Document()->rpf_width, 6);
    EXPECT_EQ(app.Folder().FolderFiles().size(), 2u);
    app.Router()->UpdateCommandUI();
    EXPECT_TRUE(app.Router()->Execute(ID_FILE_NEXT));
    Settle();
    EXPECT_EQ(app.Document()->rpf_width, 8);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("; ").toStdString();
    // Names the temporary folder's own clean-up cannot spell.
    std::filesystem::remove(first);
    std::filesystem::remove(second);
}
