#include "AppCommandIds.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"
#include "PictureStatusBar.h"
#include "PlayingApp.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest/QTest>

#include <algorithm>
#include <memory>

using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// A folder of frames 1.rpf .. N.rpf, each a distinct width (4 + i), with
// one of them opened; every frame playback shows is recorded in order.
class PlaybackHarness : public guitest::PlayingApp {
public:
    explicit PlaybackHarness(int count, const QString& opened = QStringLiteral("1.rpf"))
    {
        for (int i = 0; i < count; ++i)
            WriteSample(dir.path(), QString::number(i + 1) + ".rpf", 4 + i, 3);
        Open(opened);
    }

    QString StatusText() const
    {
        return static_cast<CPictureStatusBar*>(app->Frame()->statusBar())->PlaybackLabel()->text();
    }

    void Press(Qt::Key key) { Click(key); }
};

}  // namespace

TEST(Playback, PlaysTheFolderInOrderLoopingAndStopsOnTheFrameShownKeepingTheZoom)
{
    PlaybackHarness h(4, "2.rpf");
    h.app->Player().SetRate(60);
    h.app->Router()->Execute(ID_VIEW_ZOOM_IN);
    const int zoom = h.app->View()->Zoom();
    ASSERT_TRUE(h.PlayUntilShown(7));
    h.Press(Qt::Key_Space);
    EXPECT_FALSE(h.app->Player().IsPlaying());

    EXPECT_EQ(h.shown.mid(0, 7), (QStringList{"2.rpf", "3.rpf", "4.rpf", "1.rpf", "2.rpf", "3.rpf", "4.rpf"}));
    // Each frame is the file it names, at the zoom chosen before playing.
    const QString stoppedOn = h.Shown();
    EXPECT_EQ(h.app->Document()->rpf_width, 3 + stoppedOn.section('.', 0, 0).toInt());
    EXPECT_EQ(h.app->Frame()->windowTitle(), stoppedOn + " - Brimwell");
    EXPECT_EQ(h.app->View()->Zoom(), zoom);
    // The rate reached stays in view after the stop, against the one chosen.
    const QRegularExpression played(QStringLiteral("^Played (\\d+\\.\\d) of 60 fps$"));
    const QRegularExpressionMatch match = played.match(h.StatusText());
    ASSERT_TRUE(match.hasMatch()) << h.StatusText().toStdString();
    EXPECT_GT(match.captured(1).toDouble(), 0.0);
    const QString stoppedStatus = h.StatusText();
    EXPECT_TRUE(h.prompts.messages.isEmpty());

    // Stepping goes on from the frame playback stopped on (and, as ever,
    // stops at the folder's end, where Next is off).
    h.Press(Qt::Key_Right);
    Settle();
    const int stoppedNumber = stoppedOn.section('.', 0, 0).toInt();
    EXPECT_EQ(h.Shown(), QString::number(std::min(stoppedNumber + 1, 4)) + ".rpf");
    // ... and the status of the last play stays until the next.
    EXPECT_EQ(h.StatusText(), stoppedStatus);
    h.Press(Qt::Key_Space);
    EXPECT_TRUE(h.StatusText().startsWith(QStringLiteral("Playing "))) << h.StatusText().toStdString();
    h.Press(Qt::Key_Space);
}

TEST(Playback, AnUnreadableFrameIsSkippedAndCountedWithoutAMessageBox)
{
    PlaybackHarness h(4);
    QFile broken(h.dir.filePath("3.rpf"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("not a picture");
    broken.close();
    h.app->Player().SetRate(60);
    ASSERT_TRUE(h.PlayUntilShown(6));
    EXPECT_EQ(h.shown.mid(0, 6), (QStringList{"1.rpf", "2.rpf", "4.rpf", "1.rpf", "2.rpf", "4.rpf"}));
    EXPECT_GE(h.app->Player().Schedule().SkippedCount(), 2);
    EXPECT_TRUE(h.StatusText().contains(QStringLiteral(" skipped"))) << h.StatusText().toStdString();
    EXPECT_TRUE(h.StatusText().startsWith(QStringLiteral("Playing "))) << h.StatusText().toStdString();
    h.Press(Qt::Key_Space);
    // Stopped, the rate and the counts stay in view.
    EXPECT_TRUE(h.StatusText().startsWith(QStringLiteral("Played "))) << h.StatusText().toStdString();
    EXPECT_TRUE(h.StatusText().contains(QStringLiteral(" of 60 fps, "))) << h.StatusText().toStdString();
    EXPECT_TRUE(h.StatusText().contains(QStringLiteral(" skipped"))) << h.StatusText().toStdString();
    EXPECT_TRUE(h.prompts.messages.isEmpty());
    EXPECT_EQ(h.prompts.beeps, 0);
}

TEST(Playback, AFolderWhereNothingCanBeReadStopsPlayback)
{
    PlaybackHarness h(2);
    for (const char* name : {"1.rpf", "2.rpf"}) {
        QFile broken(h.dir.filePath(name));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
        broken.write("x");
    }
    h.Press(Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !h.app->Player().IsPlaying(); }, 10000));
    EXPECT_EQ(h.app->Player().Schedule().SkippedCount(), 2);
    EXPECT_TRUE(h.prompts.messages.isEmpty());
}

TEST(Playback, LateFramesAreShownLateUnlessKeepingTimeDropsThem)
{
    for (const bool keepTime : {false, true}) {
        PlaybackHarness h(6);
        // Every frame read before playing, so only the clock decides.
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.app->ReadAhead().Cache().Idle(); }, 10000));
        auto fakeNow = FramePlayer::Clock::now();
        h.app->Player().now = [&fakeNow] { return fakeNow; };
        h.app->Player().SetRate(24);
        if (keepTime)
            h.app->Router()->Execute(ID_VIEW_KEEP_TIME);
        EXPECT_EQ(h.app->Player().KeepsTime(), keepTime);
        h.shown = QStringList{h.Shown()};
        h.Press(Qt::Key_Space);
        // The window was held up for three and a half frames' time.
        fakeNow += std::chrono::microseconds(1000000 * 7 / 48);
        ASSERT_TRUE(QTest::qWaitFor([&] { return h.shown.size() >= 2; }, 5000));
        const QStringList expected = keepTime ? QStringList{"1.rpf", "4.rpf"} : QStringList{"1.rpf", "2.rpf"};
        EXPECT_EQ(h.shown, expected) << "keeping time: " << keepTime;
        EXPECT_EQ(h.app->Player().Schedule().DroppedCount(), keepTime ? 2 : 0);
        EXPECT_EQ(h.StatusText().contains(QStringLiteral("2 dropped")), keepTime) << h.StatusText().toStdString();
        h.Press(Qt::Key_Space);
    }
}

TEST(Playback, AModalDialogAStepOrAnOpenStopsPlayback)
{
    PlaybackHarness h(3);
    h.Press(Qt::Key_Space);
    ASSERT_TRUE(h.app->Player().IsPlaying());
    QDialog dialog(h.app->Frame());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    QCoreApplication::processEvents();
    EXPECT_FALSE(h.app->Player().IsPlaying());
    dialog.hide();

    h.Press(Qt::Key_Space);
    ASSERT_TRUE(h.app->Player().IsPlaying());
    h.Press(Qt::Key_Down);  // the first file
    Settle();
    EXPECT_FALSE(h.app->Player().IsPlaying());
    EXPECT_EQ(h.Shown(), "1.rpf");

    // With no other frame to play, Space beeps.
    QTemporaryDir lone;
    const QString only = WriteSample(lone.path(), "only.rpf", 5, 5);
    ASSERT_NE(h.app->OpenDocumentFile(only), nullptr);
    h.Press(Qt::Key_Space);
    EXPECT_FALSE(h.app->Player().IsPlaying());
    EXPECT_EQ(h.prompts.beeps, 1);
}

TEST(Playback, ClosingWhilePlayingBigFramesEndsCleanly)
{
    QTemporaryDir dir;
    for (int i = 0; i < 4; ++i)
        WriteSample(dir.path(), QString::number(i + 1) + ".rpf", 1500 + i, 1500);
    PromptRecorder prompts;
    auto app = std::make_unique<CBrimwellApp>(QStringList{dir.filePath("1.rpf")});
    ASSERT_TRUE(app->InitInstance());
    app->ReadAhead().Cache().SetBudget(0);  // every frame is read while playing
    app->Player().SetRate(60);
    app->Router()->Execute(ID_VIEW_PLAY);
    ASSERT_TRUE(app->Player().IsPlaying());
    QTest::qWait(50);
    app.reset();  // joins the readers mid-read
    EXPECT_FALSE(FrameReadAhead::AnyAwaiting());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(prompts.messages.isEmpty());
}
