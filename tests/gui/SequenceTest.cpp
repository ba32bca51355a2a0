#include "AppCommandIds.h"
#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "MainFrame.h"
#include "NumberFieldsDialog.h"
#include "PictureStatusBar.h"
#include "PlayingApp.h"
#include "TimelineBar.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QtTest/QTest>

#include <memory>

using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// A folder of the files named, each 4 x 3, with one of them opened; the
// files playback shows are recorded in order.
class SequenceHarness : public guitest::PlayingApp {
public:
    SequenceHarness(const QStringList& names, const QString& opened)
    {
        QSettings(CBrimwellApp::SettingsOrganization(), QStringLiteral("Brimwell")).clear();
        for (const QString& name : names)
            WriteSample(dir.path(), name, 4, 3);
        Open(opened);
    }

    CPictureStatusBar* StatusBar() const { return static_cast<CPictureStatusBar*>(app->Frame()->statusBar()); }
    QString FrameText() const { return StatusBar()->FrameNumberLabel()->text(); }

    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Click(key, modifiers);
        Settle();
    }
};

}  // namespace

TEST(Sequence, PlaysOnlyTheShownSequenceInNumberOrderWhileArrowsStepTheFolder)
{
    // In byte order the two passes interleave and 10 comes before 9.
    SequenceHarness h({"a_8.rpf", "a_9.rpf", "a_10.rpf", "a_11.rpf", "b_8.rpf", "b_9.rpf", "b_10.rpf"}, "a_8.rpf");
    EXPECT_EQ(h.FrameText(), QStringLiteral("8 of 8\u201311"));
    ASSERT_TRUE(h.PlayUntilShown(6));
    h.Press(Qt::Key_Space);
    EXPECT_EQ(h.shown.mid(0, 6), QStringList({"a_8.rpf", "a_9.rpf", "a_10.rpf", "a_11.rpf", "a_8.rpf", "a_9.rpf"}));

    // The frame keys go along the sequence; the arrows through the folder,
    // from the file shown.
    h.app->Controller().Open(h.dir.filePath("a_9.rpf"));
    Settle();
    h.Press(Qt::Key_Period);
    EXPECT_EQ(h.Shown(), "a_10.rpf");
    EXPECT_EQ(h.FrameText(), QStringLiteral("10 of 8\u201311"));
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "a_11.rpf");
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "a_8.rpf");
    h.Press(Qt::Key_Comma);
    EXPECT_EQ(h.Shown(), "a_8.rpf");  // the first frame: nothing before it
    EXPECT_EQ(h.prompts.beeps, 1);
    h.Press(Qt::Key_Up);
    EXPECT_EQ(h.Shown(), "b_9.rpf");
    EXPECT_EQ(h.FrameText(), QStringLiteral("9 of 8\u201310"));
}

TEST(Sequence, AMissingNumberShowsTheFrameBeforeWithANoteAndIsCountedWhilePlaying)
{
    SequenceHarness h({"s_0001.rpf", "s_0002.rpf", "s_0004.rpf", "s_0005.rpf"}, "s_0001.rpf");
    h.Press(Qt::Key_Period);
    EXPECT_EQ(h.Shown(), "s_0002.rpf");
    h.Press(Qt::Key_Period);
    EXPECT_EQ(h.Shown(), "s_0002.rpf");
    EXPECT_EQ(h.FrameText(), QStringLiteral("missing 0003 of 0001\u20130005"));
    EXPECT_EQ(h.app->Sequences().Position(), 3);
    h.Press(Qt::Key_Period);
    EXPECT_EQ(h.Shown(), "s_0004.rpf");
    h.Press(Qt::Key_Comma);
    EXPECT_EQ(h.FrameText(), QStringLiteral("missing 0003 of 0001\u20130005"));

    // Playing, the gap keeps its slot and is counted.
    ASSERT_TRUE(h.PlayUntilShown(4));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return h.StatusBar()->PlaybackLabel()->text().contains(QStringLiteral("1 missing")); }, 20000))
        << h.StatusBar()->PlaybackLabel()->text().toStdString();
    h.Press(Qt::Key_Space);
    EXPECT_FALSE(h.StatusBar()->PlaybackLabel()->text().contains(QStringLiteral("skipped")));
    // A missing number is no file to read ahead.
    EXPECT_FALSE(h.app->ReadAhead().Cache().FindFailure(std::string()));
    EXPECT_FALSE(h.app->ReadAhead().Cache().FindFailure(h.dir.filePath("s_0003.rpf").toStdString()));
}

TEST(Sequence, InAndOutPointsLimitPlaybackAndOnceStopsAtTheOutPoint)
{
    SequenceHarness h({"f1.rpf", "f2.rpf", "f3.rpf", "f4.rpf", "f5.rpf", "f6.rpf"}, "f1.rpf");
    h.Press(Qt::Key_Period);
    h.Press(Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    h.Press(Qt::Key_Period);
    h.Press(Qt::Key_Period);
    h.Press(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(h.app->Sequences().Range().In(), 2);
    EXPECT_EQ(h.app->Sequences().Range().Out(), 4);
    EXPECT_EQ(h.app->Sequences().Timeline()->In(), 2);
    EXPECT_EQ(h.app->Sequences().Timeline()->Out(), 4);
    h.app->Router()->UpdateCommandUI();
    h.app->Router()->Action(ID_PLAY_ONCE)->trigger();
    // From the out point, once plays from the in point to the out point.
    ASSERT_TRUE(h.PlayUntilShown(4));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !h.app->Player().IsPlaying(); }, 20000));
    EXPECT_EQ(h.shown, QStringList({"f4.rpf", "f2.rpf", "f3.rpf", "f4.rpf"}));

    h.Press(Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(h.app->Sequences().Range().HasIn());
    h.app->Router()->Action(ID_PLAY_PING_PONG)->trigger();
    ASSERT_TRUE(h.PlayUntilShown(8));
    h.Press(Qt::Key_Space);
    EXPECT_EQ(h.shown.mid(0, 8), QStringList({"f4.rpf", "f5.rpf", "f6.rpf", "f5.rpf", "f4.rpf", "f3.rpf", "f2.rpf",
                                              "f1.rpf"}));
}

TEST(Sequence, GoToFrameAndTheTimelineScrubShowTheFrameAsked)
{
    QStringList names;
    for (int i = 1; i <= 12; ++i)
        names.append(QStringLiteral("t.%1.rpf").arg(i, 3, 10, QLatin1Char('0')));
    SequenceHarness h(names, "t.001.rpf");
    h.prompts.answerModal = [](QDialog& dialog) {
        auto& box = static_cast<CNumberFieldsDialog&>(dialog);
        box.FieldEdit(0)->setText(QStringLiteral("0009"));
        return int(QDialog::Accepted);
    };
    h.Press(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(h.prompts.modalTitles, QStringList{"Go to Frame"});
    EXPECT_EQ(h.Shown(), "t.009.rpf");

    CTimelineBar* timeline = h.app->Sequences().Timeline();
    ASSERT_TRUE(h.app->Sequences().TimelineShown());
    QTest::mouseClick(timeline, Qt::LeftButton, {}, QPoint(timeline->XOf(3), timeline->height() / 2));
    Settle();
    EXPECT_EQ(h.Shown(), "t.003.rpf");
    EXPECT_EQ(h.FrameText(), QStringLiteral("003 of 001\u2013012"));
}

TEST(Sequence, AScrubPastFramesStillBeingReadShowsThemAndKeepsTheTimelineOnThePlaceAsked)
{
    QStringList names;
    for (int i = 1; i <= 6; ++i)
        names.append(QStringLiteral("s.%1.rpf").arg(i, 3, 10, QLatin1Char('0')));
    SequenceHarness h(names, "s.001.rpf");
    // Big frames, nothing kept: every place waits for its read, and the
    // reads go one at a time, in the order asked.
    for (int i = 1; i < names.size(); ++i)
        WriteSample(h.dir.path(), names[i], 1500, 1500);
    h.app->ReadAhead().Cache().SetBudget(0);
    QStringList shown;
    QObject::connect(&h.app->Controller(), &Viewer::FileShown, h.app.get(), [&] { shown.append(h.Shown()); });
    for (int number = 2; number <= 4; ++number) {
        h.app->Sequences().ShowNumber(number, 1);
        QCoreApplication::processEvents();  // the place's open asks for its file
    }
    QDeadlineTimer deadline(10000);
    while (FrameReadAhead::AnyAwaiting() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(h.app->Sequences().Position(), 4);
        EXPECT_EQ(h.FrameText(), QStringLiteral("004 of 001\u2013006"));
    }
    Settle();
    EXPECT_EQ(h.Shown(), "s.004.rpf");
    ASSERT_FALSE(shown.isEmpty());
    EXPECT_EQ(shown.front(), "s.002.rpf");  // read before any later place could start
    EXPECT_EQ(shown.back(), "s.004.rpf");
    // The frame key goes on from the place asked.
    h.Press(Qt::Key_Period);
    while (FrameReadAhead::AnyAwaiting() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(h.Shown(), "s.005.rpf");
    EXPECT_TRUE(h.prompts.messages.isEmpty());
}

TEST(Sequence, TheTimelineShowsForASequenceAndCtrlTIsRemembered)
{
    SequenceHarness h({"plain.rpf", "r_1.rpf", "r_2.rpf"}, "plain.rpf");
    EXPECT_FALSE(h.app->Sequences().TimelineShown());
    EXPECT_EQ(h.FrameText(), QString());
    h.Press(Qt::Key_Period);  // no sequence: the frame keys do nothing
    EXPECT_EQ(h.Shown(), "plain.rpf");
    h.Press(Qt::Key_Right);
    EXPECT_EQ(h.Shown(), "r_1.rpf");
    EXPECT_TRUE(h.app->Sequences().TimelineShown());
    h.Press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_FALSE(h.app->Sequences().TimelineShown());
    h.Press(Qt::Key_Left);
    h.Press(Qt::Key_Right);
    EXPECT_FALSE(h.app->Sequences().TimelineShown());

    // The next run keeps the choice.
    h.app.reset();
    auto again = std::make_unique<CBrimwellApp>(QStringList{h.dir.filePath("r_2.rpf")});
    ASSERT_TRUE(again->InitInstance());
    EXPECT_FALSE(again->Sequences().TimelineShown());
    again->Router()->UpdateCommandUI();
    again->Router()->Action(ID_VIEW_TIMELINE)->trigger();
    EXPECT_TRUE(again->Sequences().TimelineShown());
}
