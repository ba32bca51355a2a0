#include "BrimwellApp.h"
#include "BrimwellDoc.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "LookRenderer.h"
#include "MainFrame.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QtTest/QTest>

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

using guitest::PromptRecorder;
using guitest::Settle;
using guitest::WriteSample;

namespace {

// A folder of frames of distinct widths, the first shown.
class SteppingHarness {
public:
    // Frames are (base + i) x height; big ones take a while to read.
    explicit SteppingHarness(int count, int base = 4, int height = 3)
    {
        for (int i = 0; i < count; ++i)
            WriteSample(dir.path(), QString::number(i + 1) + ".rpf", base + i, height);
        app = std::make_unique<CBrimwellApp>(QStringList{dir.filePath("1.rpf")});
        EXPECT_TRUE(app->InitInstance());
        Settle();
    }

    std::string Bytes(const QString& name) const { return QFile::encodeName(dir.filePath(name)).toStdString(); }
    QString Shown() const { return QFileInfo(app->Document()->GetPathName()).fileName(); }

    void WaitForReadAhead()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return app->ReadAhead().Cache().Idle(); }, 10000));
    }

    void Click(Qt::Key key)
    {
        app->Router()->UpdateCommandUI();
        QTest::keyClick(app->Frame(), key);
    }

    QTemporaryDir dir;
    PromptRecorder prompts;
    std::unique_ptr<CBrimwellApp> app;
};

}  // namespace

TEST(SteppingCache, AStepToAFrameReadAheadShowsThatFrameAndAChangedFileIsReadAgain)
{
    SteppingHarness h(3);
    h.WaitForReadAhead();
    const auto cached = h.app->ReadAhead().Cache().Find(h.Bytes("2.rpf"));
    ASSERT_NE(cached, nullptr);
    h.Click(Qt::Key_Right);
    QCoreApplication::processEvents();  // the step's open runs from the event loop
    EXPECT_EQ(h.Shown(), "2.rpf");
    EXPECT_EQ(h.app->Document()->Frame(), cached);  // not read a second time

    // Rewritten after it was read ahead: the step shows the file as it is now.
    h.WaitForReadAhead();
    WriteSample(h.dir.path(), "3.rpf", 11, 3);
    h.Click(Qt::Key_Right);
    Settle();
    EXPECT_EQ(h.Shown(), "3.rpf");
    EXPECT_EQ(h.app->Document()->rpf_width, 11);
    EXPECT_TRUE(h.prompts.messages.isEmpty());
}

TEST(SteppingCache, StepsMadeWhileFramesAreReadShowEachFrameReadInTimeAndEndOnTheLastReached)
{
    SteppingHarness h(5, 1500, 1500);
    h.WaitForReadAhead();
    // Nothing kept: every step has to wait for its read, and the reads go
    // one at a time, in the order asked.
    h.app->ReadAhead().Cache().SetBudget(0);
    std::vector<QString> shown;
    QObject::connect(&h.app->Controller(), &Viewer::FileShown, h.app.get(), [&] { shown.push_back(h.Shown()); });
    for (int i = 0; i < 3; ++i) {
        h.Click(Qt::Key_Right);
        QCoreApplication::processEvents();  // each step's open asks for its file
        // The first frame is read before the next key comes: it arrives
        // while that step's open waits, as under load, and must not take
        // the place back.
        if (i == 0) {
            QDeadlineTimer read(10000);
            while (!h.app->ReadAhead().Cache().Idle() && !read.hasExpired())
                QThread::msleep(5);
        }
    }
    // The place is the last step's while the frames passed come in.
    QDeadlineTimer deadline(10000);
    while (FrameReadAhead::AnyAwaiting() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_EQ(h.app->Controller().Folder().CurrentFile(), h.Bytes("4.rpf"));
    }
    Settle();
    EXPECT_EQ(h.Shown(), "4.rpf");
    EXPECT_EQ(h.app->Document()->rpf_width, 1503);
    // The first step's frame was read before a later one could start: it
    // was shown on the way, and nothing went back.
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), "2.rpf");
    EXPECT_EQ(shown.back(), "4.rpf");
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()).size(), shown.size());
    // The next step goes on from the last place reached.
    h.Click(Qt::Key_Right);
    Settle();
    while (FrameReadAhead::AnyAwaiting() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    EXPECT_EQ(h.Shown(), "5.rpf");
    EXPECT_TRUE(h.prompts.messages.isEmpty());
}

TEST(SteppingCache, AnOpenMadeWhileAStepIsReadStaysOnScreen)
{
    SteppingHarness h(4, 1500, 1500);
    h.WaitForReadAhead();
    h.app->ReadAhead().Cache().SetBudget(0);
    h.Click(Qt::Key_Right);
    QCoreApplication::processEvents();  // the step's frame is being read
    ASSERT_TRUE(FrameReadAhead::AnyAwaiting());
    ASSERT_NE(h.app->OpenDocumentFile(h.dir.filePath("4.rpf")), nullptr);
    QDeadlineTimer deadline(10000);
    while (!h.app->ReadAhead().Cache().Idle() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    Settle();
    EXPECT_EQ(h.Shown(), "4.rpf");
    EXPECT_EQ(h.app->Document()->rpf_width, 1503);
}

TEST(SteppingCache, ClosingWhileFramesAreReadEndsWithNothingLeftToRun)
{
    SteppingHarness h(4, 1500, 1500);
    h.Click(Qt::Key_Right);
    QCoreApplication::processEvents();
    h.Click(Qt::Key_Right);
    QCoreApplication::processEvents();
    h.app.reset();  // joins the readers
    EXPECT_FALSE(FrameReadAhead::AnyAwaiting());
    // A read that finished during the close must not call into what is gone.
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

TEST(SteppingCache, FramesAheadComeDrawnInTheLookWantedAndAChangeOfLookRedrawsThemWithoutReadingThemAgain)
{
    SteppingHarness h(3, 40, 30);
    h.WaitForReadAhead();
    FrameReadAhead::ReadAheadCache& cache = h.app->ReadAhead().Cache();
    const std::size_t reads = cache.Done().reads;

    // One stop down: the frames read ahead are drawn anew in the look.
    h.Click(Qt::Key_BracketLeft);
    h.Click(Qt::Key_BracketLeft);
    const Look look = h.app->Document()->WantedLook();
    ASSERT_EQ(look.exposure, -1.0);
    h.WaitForReadAhead();
    const auto ahead = cache.Find(h.Bytes("2.rpf"));
    ASSERT_NE(ahead, nullptr);
    EXPECT_EQ(ahead->drawing, h.app->Document()->WantedDrawing());
    EXPECT_EQ(ahead->picture, lookrenderer::Render(ahead->channels, look));
    EXPECT_EQ(cache.Done().reads, reads) << "drawn again from what was read, not read again";
    EXPECT_GE(cache.Done().redraws, 2u);

    // A step shows the frame as it was drawn: the window's thread draws nothing.
    h.Click(Qt::Key_Right);
    QCoreApplication::processEvents();
    EXPECT_EQ(h.Shown(), "2.rpf");
    EXPECT_EQ(h.app->Document()->Frame(), ahead);
    EXPECT_EQ(h.app->Document()->ShownBitmap().cacheKey(), ahead->picture.cacheKey());

    // Back to the plain look: frames ahead drop their pictures for the display bitmap.
    h.Click(Qt::Key_Backslash);
    h.WaitForReadAhead();
    const auto plain = cache.Find(h.Bytes("3.rpf"));
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(plain->picture.isNull());
    EXPECT_EQ(plain->Bytes(), plain->loader->BytesHeld() + std::size_t(plain->bitmap.sizeInBytes()));
    EXPECT_EQ(cache.Done().reads, reads);
}
