#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"
#include "PathText.h"
#include "RecentFileList.h"

#include <QAction>
#include <QFile>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QUrl>
#include <QtTest/QTest>

#include <cstdio>

using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

void ClearSettings()
{
    QSettings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell")).clear();
}

QString FullPath(const QString& path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// A menu's items, each indented by its depth; a submenu's items follow it.
void AppendMenuTexts(QMenu* menu, const QString& indent, QStringList& texts)
{
    for (QAction* item : menu->actions()) {
        if (item->isSeparator()) {
            texts.append(QStringLiteral("-"));
        } else if (item->isVisible()) {
            texts.append(indent + item->text() + (item->isEnabled() ? QString() : QStringLiteral(" [grey]")));
            if (item->menu() != nullptr)
                AppendMenuTexts(item->menu(), indent + QStringLiteral("  "), texts);
        }
    }
}

QStringList MenuTexts(QMenuBar* bar)
{
    QStringList texts;
    for (QAction* popup : bar->actions()) {
        texts.append(popup->text());
        AppendMenuTexts(popup->menu(), QStringLiteral("  "), texts);
    }
    return texts;
}

}  // namespace

TEST(App, StartsWithTheFileOnTheCommandLineMaximised)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "shot.rpf", 64, 48);
    CBrimwellApp app({path});
    ASSERT_TRUE(app.InitInstance());
    Settle();
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_TRUE(prompts.openRequests.empty());
    ASSERT_NE(app.Frame(), nullptr);
    EXPECT_TRUE(app.Frame()->isVisible());
    EXPECT_TRUE(app.Frame()->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(app.Frame()->acceptDrops());
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("shot.rpf - Brimwell"));
    EXPECT_EQ(app.Document()->GetPathName(), FullPath(path));
    EXPECT_EQ(app.View()->Zoom(), 5);
}

TEST(App, AnythingButOneFileNameAsksWithTheStartupDialog)
{
    ClearSettings();
    QTemporaryDir dir;
    const QString path = WriteSample(dir.path(), "shot.rpf", 8, 8);
    const QList<QStringList> commandLines = {{}, {"-p", path}, {path, path}, {"--print-to", path, "printer"}};
    for (const QStringList& arguments : commandLines) {
        PromptRecorder prompts;
        CBrimwellApp app(arguments);
        EXPECT_FALSE(app.InitInstance()) << arguments.join(' ').toStdString();
        EXPECT_EQ(app.StartupExitCode(), 0);  // cancelled: ends silently
        ASSERT_EQ(prompts.openRequests.size(), 1u);
        EXPECT_EQ(prompts.openRequests[0].initialName, QStringLiteral("*.rpf"));
        EXPECT_EQ(prompts.openRequests[0].filters, QStringList{QStringLiteral("RPF Files (*.rpf)")});
        EXPECT_EQ(prompts.openRequests[0].owner, nullptr);
        EXPECT_TRUE(prompts.messages.isEmpty());
        EXPECT_EQ(app.Frame(), nullptr);
    }

    // A file chosen in the dialog opens.
    PromptRecorder prompts;
    prompts.openAnswers.push_back(path);
    CBrimwellApp app({});
    ASSERT_TRUE(app.InitInstance());
    EXPECT_EQ(app.Document()->GetPathName(), FullPath(path));
}

TEST(App, AFirstFileThatFailsEndsTheProgramAfterItsMessage)
{
    ClearSettings();
    QTemporaryDir dir;
    {
        PromptRecorder prompts;
        CBrimwellApp app({dir.filePath("absent.rpf")});
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.StartupExitCode(), 1);
        ASSERT_EQ(prompts.messages.size(), 1);
        EXPECT_TRUE(prompts.messages[0].startsWith("ERROR opening file:\n\n" + FullPath(dir.filePath("absent.rpf"))));
        EXPECT_EQ(app.Frame(), nullptr);
    }
    {
        PromptRecorder prompts;
        prompts.openAnswers.push_back(dir.filePath("absent.rpf"));
        CBrimwellApp app({});
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.StartupExitCode(), 1);
        EXPECT_EQ(prompts.messages.size(), 1);
    }
}

TEST(App, MenusAndGreyItems)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellApp app({WriteSample(dir.path(), "a.rpf", 8, 8)});
    ASSERT_TRUE(app.InitInstance());
    // Recent files hold the file just opened.
    const QString recent = CRecentFileList::MenuText(0, FullPath(dir.filePath("a.rpf")));
    const QStringList expected = {"&File",           "  &Open...\tCtrl+O",     "  Re&load\tF5",
                                  "  Follow Changes on Disk",                   "  &Export...\tCtrl+E",
                                  "  Compare &With...", "  Stop Comparing", "-",
                                  "  &Print...\tCtrl+P", "  Print Pre&view",   "  P&rint Setup...",
                                  "-",               "  " + recent,            "-",
                                  "  E&xit",         "&Edit",                  "  &Undo\tCtrl+Z [grey]",
                                  "-",               "  Cu&t\tCtrl+X [grey]",  "  &Copy\tCtrl+C",
                                  "  &Paste\tCtrl+V [grey]", "&View",          "  &Toolbar",
                                  "  &Full Screen\tF11", "  Fit Big Pictures on Open",
                                  "-",               "  &Play\tSpace",
                                  "  Frame &Rate",   "    12 fps",             "    24 fps",
                                  "    25 fps",      "    30 fps",             "    60 fps",
                                  "  &Keep Time",    "-",                     "  Ti&meline\tCtrl+T",
                                  "  &Sequence",     "    &Previous Frame\t,", "    &Next Frame\t.",
                                  "    &Go to Frame...\tCtrl+G", "-",          "    Set &In Point\tCtrl+Shift+I",
                                  "    Set &Out Point\tCtrl+Shift+O", "    &Clear In and Out\tCtrl+Shift+X [grey]",
                                  "-",               "    &Loop",              "    Once",
                                  "    Ping-Pon&g",  "-",                     "  &Display",
                                  "    Exposure Up\t]", "    Exposure Down\t[", "    Exposure 0\t\\",
                                  "-",               "    As Stored",          "    sRGB",
                                  "-",               "    Red\tShift+R",      "    Green\tShift+G",
                                  "    Blue\tShift+B", "    Luminance\tShift+L", "    Over Checkerboard\tShift+A",
                                  "  &Compare",      "    Wipe\tShift+W",     "    Flicker\tShift+X [grey]",
                                  "    Difference\tShift+D", "    Difference Gain\tCtrl+Shift+D",
                                  "&Channel",        "  Colour\t1",           "  Alpha\tA",
                                  "-",               "  Z depth\tZ",          "  Channel E\tE",
                                  "  Object ID\tO",  "  UV coordinates\tU",   "  Normals\tN",
                                  "  Channel R\tR",  "  Coverage\tC",         "  Channel B\tB",
                                  "  Node render ID\tI", "  Channel G\tG",    "  Channel T\tT",
                                  "  Velocity\tV [grey]", "  Channel W\tW",        "  Channel M\tM",
                                  "-",               "  &Depth Range",        "    &Full",
                                  "    &Auto (1st to 99th Percentile)",         "    &Near and Far...",
                                  "-",               "    Full or Auto\tShift+Z", "-",
                                  "    &Invert",     "    &Logarithmic",       "  &Velocity Scale",
                                  "    &Largest",    "    &Auto (99th Percentile)", "    L&ength...",
                                  "  &UV Scale",     "    &Largest",          "    &Auto (99th Percentile)",
                                  "    L&ength...",
                                  "&Help",           "  &About Brimwell..."};
    app.Router()->UpdateCommandUI();
    const QStringList texts = MenuTexts(app.Frame()->menuBar());
    // Commands whose handlers come with other parts of the window may still
    // be grey here; compare the texts and the items that are always grey.
    QStringList plain;
    for (QString text : texts) {
        if (!text.endsWith("Z [grey]") && !text.endsWith("X [grey]") && !text.endsWith("V [grey]"))
            text.remove(QStringLiteral(" [grey]"));
        plain.append(text);
    }
    EXPECT_EQ(plain, expected);
}

TEST(App, AcceleratorsTellTheKeypadFromTheMainKeyboard)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellApp app({WriteSample(dir.path(), "a.rpf", 20, 20)});
    ASSERT_TRUE(app.InitInstance());
    CMainFrame* frame = app.Frame();
    frame->activateWindow();
    app.View()->setFocus();
    Settle();
    app.Router()->UpdateCommandUI();

    QTest::keyClick(frame, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(app.View()->Zoom(), 4);
    QTest::keyClick(frame, Qt::Key_Minus, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(app.View()->Zoom(), 5);
    QTest::keyClick(frame, Qt::Key_0, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(app.View()->Zoom(), 1);
    QTest::keyClick(frame, Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier);
    EXPECT_EQ(app.View()->Zoom(), 5);
    // The main keyboard's keys do the same, for keyboards without a keypad;
    // where Plus needs Shift the key may come as Ctrl + Shift + Plus or "=".
    QTest::keyClick(frame, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(app.View()->Zoom(), 4);
    QTest::keyClick(frame, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(app.View()->Zoom(), 3);
    QTest::keyClick(frame, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(app.View()->Zoom(), 2);
    QTest::keyClick(frame, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(app.View()->Zoom(), 3);
    QTest::keyClick(frame, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(app.View()->Zoom(), 1);
    QTest::keyClick(frame, Qt::Key_1, Qt::ControlModifier);
    EXPECT_EQ(app.View()->Zoom(), 5);
    // Without Ctrl the zoom keys do not zoom: plain 1 shows the colour view,
    // the rest stay free.
    for (Qt::Key key : {Qt::Key_0, Qt::Key_Plus, Qt::Key_Minus, Qt::Key_Equal})
        EXPECT_EQ(app.Router()->AcceleratorCommand(key, Qt::NoModifier), 0) << key;
    EXPECT_EQ(app.Router()->AcceleratorCommand(Qt::Key_1, Qt::NoModifier), ID_CHANNEL_COLOUR);

    // Ctrl + O asks for a file with the document type's filter.
    QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(prompts.openRequests.size(), 1u);
    EXPECT_EQ(prompts.openRequests[0].filters.value(0), QStringLiteral("Brimwe Files (*.rpf)"));
    EXPECT_EQ(prompts.openRequests[0].owner, frame);
}

TEST(App, SamePathOnlyBringsTheWindowForward)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString path = WriteSample(dir.path(), "a.rpf", 8, 8);
    CBrimwellApp app({path});
    ASSERT_TRUE(app.InitInstance());
    app.View()->OnZoomIn();
    // Not read again: the file may be gone, and the zoom stays.
    ASSERT_TRUE(QFile::remove(path));
    EXPECT_EQ(app.OpenDocumentFile(path), app.Document());
    EXPECT_TRUE(prompts.messages.isEmpty());
    EXPECT_EQ(app.View()->Zoom(), 4);
}

TEST(App, AFailedOpenLeavesWindowTitleAndDetailsAsTheyWere)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    const QString first = WriteSample(dir.path(), "first.rpf", 30, 20, std::nullopt, "One (Z)");
    CBrimwellApp app({first});
    ASSERT_TRUE(app.InitInstance());
    app.View()->OnZoomOut();
    const QImage shownBefore = app.View()->RenderClientArea();

    const QString bad = dir.filePath("bad.rpf");
    {
        QFile file(bad);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100, 'x'));
    }
    EXPECT_EQ(app.OpenDocumentFile(bad), nullptr);
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(app.Frame()->windowTitle(), QStringLiteral("first.rpf - Brimwell"));
    EXPECT_EQ(app.Document()->GetPathName(), FullPath(first));
    EXPECT_EQ(app.Document()->rpf_width, 30);
    EXPECT_EQ(app.Document()->GetProducer(), QStringLiteral("One (Z)"));
    EXPECT_EQ(app.View()->Zoom(), 6);
    EXPECT_EQ(app.View()->RenderClientArea(), shownBefore);
}

TEST(App, RecentFilesAreKeptNewestFirstAndStoredInTheSettings)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    QStringList paths;
    for (const char* name : {"a.rpf", "b.rpf", "c.rpf", "d.rpf", "e.rpf"})
        paths.append(WriteSample(dir.path(), name, 4, 4));
    {
        CBrimwellApp app({paths[0]});
        ASSERT_TRUE(app.InitInstance());
        for (int i = 1; i < paths.size(); ++i)
            ASSERT_NE(app.OpenDocumentFile(paths[i]), nullptr);
        ASSERT_NE(app.OpenDocumentFile(paths[2]), nullptr);  // moves to the top
        CRecentFileList* recent = app.RecentFiles();
        ASSERT_EQ(recent->Count(), 4);
        EXPECT_EQ(recent->At(0), FullPath(paths[2]));
        EXPECT_EQ(recent->At(1), FullPath(paths[4]));
        EXPECT_EQ(recent->At(2), FullPath(paths[3]));
        EXPECT_EQ(recent->At(3), FullPath(paths[1]));
        EXPECT_EQ(app.Router()->Action(ID_FILE_MRU_FILE1 + 1)->text(), CRecentFileList::MenuText(1, FullPath(paths[4])));
    }
    {
        // A new run finds the list; an entry that no longer opens leaves it.
        ASSERT_TRUE(QFile::remove(paths[4]));
        CBrimwellApp app({paths[0]});
        ASSERT_TRUE(app.InitInstance());
        ASSERT_EQ(app.RecentFiles()->Count(), 4);
        EXPECT_EQ(app.RecentFiles()->At(0), FullPath(paths[0]));
        const int entry = 2;  // paths[4] after paths[0] and paths[2]
        ASSERT_EQ(app.RecentFiles()->At(entry), FullPath(paths[4]));
        app.Router()->UpdateCommandUI();
        EXPECT_TRUE(app.Router()->Execute(ID_FILE_MRU_FILE1 + entry));
        EXPECT_EQ(prompts.messages.size(), 1);
        EXPECT_EQ(app.RecentFiles()->Count(), 3);
        // Choosing an entry opens it.
        EXPECT_TRUE(app.Router()->Execute(ID_FILE_MRU_FILE1 + 1));
        EXPECT_EQ(app.Document()->GetPathName(), FullPath(paths[2]));
    }
    ClearSettings();
}

TEST(App, RecentFilesAreStoredAsBytesAndOldTextEntriesStillRead)
{
    ClearSettings();
    QTemporaryDir dir;
    const QByteArray odd = QFile::encodeName(dir.path()) + "/odd\xff.rpf";
    const QString plain = dir.filePath("plain.rpf");
    {
        // A list written by an older version: text.
        QSettings settings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"));
        settings.setValue(QStringLiteral("Recent File List/File1"), plain);
    }
    CommandRouter router{appcommands::Table()};
    CRecentFileList list(&router, CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"), 4);
    list.Load();
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0), plain);
    list.Add(pathtext::Display(odd.toStdString()));  // as the application adds it, with its bytes kept
    {
        QSettings settings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"));
        const QVariant stored = settings.value(QStringLiteral("Recent File List/File1"));
        EXPECT_EQ(stored.typeId(), QMetaType::QByteArray);
        EXPECT_EQ(stored.toByteArray(), odd);
        EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File2")).toByteArray(), QFile::encodeName(plain));
    }
    ClearSettings();
}

TEST(App, RecentFilesAddedInABurstAreWrittenOnceASecondAndNoneIsLost)
{
    ClearSettings();
    const auto stored = [] {
        QSettings settings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"));
        return QFile::decodeName(settings.value(QStringLiteral("Recent File List/File1")).toByteArray());
    };
    CommandRouter router{appcommands::Table()};
    {
        CRecentFileList list(&router, CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"), 4);
        // A single open is written at once.
        list.Add(QStringLiteral("/frames/0001.rpf"));
        EXPECT_FALSE(list.SavePending());
        EXPECT_EQ(stored(), QStringLiteral("/frames/0001.rpf"));
        // A held key's steps: the menu follows each, the settings the last
        // once the second is over.
        for (int i = 2; i <= 30; ++i)
            list.Add(QStringLiteral("/frames/%1.rpf").arg(i, 4, 10, QLatin1Char('0')));
        EXPECT_EQ(list.At(0), QStringLiteral("/frames/0030.rpf"));
        EXPECT_EQ(router.Action(ID_FILE_MRU_FILE1)->text(), CRecentFileList::MenuText(0, list.At(0)));
        EXPECT_TRUE(list.SavePending());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !list.SavePending(); }, 5000));
        EXPECT_EQ(stored(), QStringLiteral("/frames/0030.rpf"));
        // Going with entries unwritten writes them.
        list.Add(QStringLiteral("/frames/0031.rpf"));
        list.Add(QStringLiteral("/frames/0032.rpf"));
        EXPECT_TRUE(list.SavePending());
    }
    EXPECT_EQ(stored(), QStringLiteral("/frames/0032.rpf"));
    ClearSettings();
}

TEST(App, AnEmptyRecentListShowsTheGreyPlaceholder)
{
    ClearSettings();
    CommandRouter router{appcommands::Table()};
    CRecentFileList list(&router, CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell"), 4);
    list.Load();
    QAction* placeholder = router.Action(ID_FILE_MRU_FILE1);
    router.SetHandler(&router, ID_FILE_MRU_FILE1, [] {});
    EXPECT_EQ(placeholder->text(), QStringLiteral("Recent File"));
    EXPECT_TRUE(placeholder->isVisible());
    EXPECT_FALSE(placeholder->isEnabled());
    EXPECT_FALSE(router.Action(ID_FILE_MRU_FILE2)->isVisible());
    list.Add(QStringLiteral("/pictures/a&b.rpf"));
    EXPECT_TRUE(placeholder->isEnabled());
    EXPECT_EQ(placeholder->text(), QStringLiteral("&1 /pictures/a&&b.rpf"));
}

TEST(App, LongRecentPathsAreShortenedInTheirMiddle)
{
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/short/a.rpf", 30), "/short/a.rpf");
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/renders/project/shots/sequence/frame0001.rpf", 30),
              "/renders/.../frame0001.rpf");
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/r/project/shots/seq/frame01.rpf", 30), "/r/.../shots/seq/frame01.rpf");
    EXPECT_EQ(CRecentFileList::AbbreviatePath("/r/a_very_long_file_name_of_many_letters.rpf", 30),
              "a_very_long_file_name_of_many_letters.rpf");
}

TEST(App, ADroppedFileWhoseNameIsNotValidTextOpens)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellApp app({WriteSample(dir.path(), "first.rpf", 8, 8)});
    ASSERT_TRUE(app.InitInstance());
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/odd\xff\xfe.rpf";
    WriteSample(dir.path(), "plain.rpf", 5, 5);
    ASSERT_EQ(std::rename(QFile::encodeName(dir.filePath("plain.rpf")).constData(), bytes.constData()), 0);
    QMimeData data;
    data.setUrls({QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.Frame(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.Frame(), &drop);
    EXPECT_EQ(app.Document()->rpf_width, 5);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("; ").toStdString();
    std::remove(bytes.constData());  // a name the temporary folder's own clean-up cannot spell
}

TEST(App, TheOpenDialogsTextOfANameThatIsNotValidTextFindsTheFile)
{
    ClearSettings();
    QTemporaryDir dir;
    PromptRecorder prompts;
    CBrimwellApp app({WriteSample(dir.path(), "first.rpf", 8, 8)});
    ASSERT_TRUE(app.InitInstance());
    const QByteArray bytes = QFile::encodeName(dir.path()) + "/chosen\xff.rpf";
    WriteSample(dir.path(), "plain.rpf", 6, 6);
    ASSERT_EQ(std::rename(QFile::encodeName(dir.filePath("plain.rpf")).constData(), bytes.constData()), 0);
    // A dialog answers with the name as text, which does not give the bytes back.
    prompts.openAnswers.push_back(QFile::decodeName(bytes));
    app.Router()->UpdateCommandUI();
    EXPECT_TRUE(app.Router()->Execute(ID_FILE_OPEN));
    EXPECT_EQ(app.Document()->rpf_width, 6);
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("; ").toStdString();
    std::remove(bytes.constData());
}

TEST(App, DroppedFilesOpenInOrder)
{
    ClearSettings();
    QTemporaryDir dir;
    QTemporaryDir other;
    PromptRecorder prompts;
    const QString first = WriteSample(dir.path(), "first.rpf", 8, 8);
    CBrimwellApp app({first});
    ASSERT_TRUE(app.InitInstance());
    const QList<QUrl> dropped = {QUrl::fromLocalFile(WriteSample(dir.path(), "x.rpf", 5, 5)),
                                 QUrl::fromLocalFile(WriteSample(dir.path(), "y.rpf", 6, 6)),
                                 QUrl::fromLocalFile(WriteSample(other.path(), "z.rpf", 7, 7))};
    QMimeData data;
    data.setUrls(dropped);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.Frame(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(app.Frame(), &drop);
    EXPECT_EQ(app.Document()->GetPathName(), FullPath(dropped[2].toLocalFile()));
    EXPECT_EQ(app.Document()->rpf_width, 7);
    // All three went through the application's open, newest first in the list.
    EXPECT_EQ(app.RecentFiles()->At(2), FullPath(dropped[0].toLocalFile()));
    // The folder list is the last file's folder.
    EXPECT_EQ(app.Folder().FolderFiles().size(), 1u);
}
