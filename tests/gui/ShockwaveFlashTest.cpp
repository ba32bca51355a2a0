#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "GuiTestSupport.h"
#include "LoopbackHttpServer.h"
#include "MainFrame.h"
#include "ShockwaveFlash.h"

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QNetworkProxy>
#include <QPainter>
#include <QSet>
#include <QTemporaryDir>
#include <QToolBar>

#include <gtest/gtest.h>

#include <cstdlib>

#include <memory>

namespace {

using guitest::LoopbackHttpServer;
using guitest::Settle;
using guitest::WaitUntil;

// Three 342 x 50 frames, red, green and blue, a tenth of a second each,
// looping forever.
QByteArray BannerGif()
{
    QFile file(QStringLiteral(BRIMWELL_BANNER_GIF));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// The same frames without the loop extension: a movie that plays once.
QByteArray BannerGifPlayingOnce()
{
    QByteArray gif = BannerGif();
    const qsizetype loop = gif.indexOf("NETSCAPE2.0");
    EXPECT_GT(loop, 3);
    // Extension introducer, label and block size before the name; a
    // three-byte data block and the terminator after it.
    gif.remove(loop - 3, 3 + 11 + 5);
    return gif;
}

// The banner as it shows on screen.
QImage Shown(QWidget* banner)
{
    return banner->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The colours of an image, each counted once.
QSet<QRgb> Colours(const QImage& image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return colours;
}

class BannerTest : public ::testing::Test {
protected:
    void SetUp() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy); }
    void TearDown() override { QNetworkProxy::setApplicationProxy(QNetworkProxy::DefaultProxy); }

    // Makes and shows a frame whose banner loads from url, and waits until
    // the banner's fetch ended (or timeoutMs passed); loaded counts the
    // fetches that ended.
    void MakeFrame(const QString& url, int timeoutMs = 5000)
    {
        frame = std::make_unique<CMainFrame>(&router, CMainFrame::OpenFile(), url);
        frame->setCentralWidget(new QWidget);
        frame->resize(1300, 700);
        loaded = 0;
        QObject::connect(frame->Banner(), &CShockwaveFlash::LoadFinished, [this] { ++loaded; });
        frame->show();
        WaitUntil([this] { return loaded > 0; }, timeoutMs);
        Settle();
    }

    // Whether the banner is blank: nothing but the toolbar's grey.
    bool Blank() const
    {
        const QSet<QRgb> colours = Colours(Shown(frame->Banner()));
        return colours.size() == 1 && colours.contains(frame->Banner()->palette().color(QPalette::Window).rgb());
    }

    CommandRouter router{appcommands::Table()};
    std::unique_ptr<CMainFrame> frame;
    int loaded = 0;
};

TEST_F(BannerTest, AnimatedGifPlaysInALoopOverTheBlankButtons)
{
    for (const QByteArray& gif : {BannerGif(), BannerGifPlayingOnce()}) {
        SCOPED_TRACE(gif.contains("NETSCAPE2.0") ? "looping gif" : "gif playing once");
        LoopbackHttpServer server({200, "OK", "image/gif", gif});
        MakeFrame(server.Url());
        ASSERT_EQ(loaded, 1);
        CShockwaveFlash* banner = frame->Banner();
        EXPECT_EQ(banner->Shows(), CShockwaveFlash::Content::Animation);
        EXPECT_TRUE(banner->IsPlaying());
        EXPECT_EQ(banner->ScaleMode(), bannergeometry::kNoBorder);
        ASSERT_EQ(server.Requests().size(), 1);
        EXPECT_EQ(server.Requests().first(), QStringLiteral("GET /brimwell/banner_342x50.php HTTP/1.1"));

        // The frames take turns, each filling the whole 342 x 50 banner,
        // and the movie starts over after the last, whatever loop count
        // the file gives.
        const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
        QSet<QRgb> seen;
        QSet<int> frames;
        int restarts = 0;
        int previous = banner->CurrentFrame();
        EXPECT_TRUE(WaitUntil(
            [&] {
                const QImage shown = Shown(banner);
                EXPECT_EQ(shown.size(), QSize(342, 50));
                const QSet<QRgb> colours = Colours(shown);
                EXPECT_EQ(colours.size(), 1);
                seen += colours;
                const int current = banner->CurrentFrame();
                frames.insert(current);
                if (current < previous)
                    ++restarts;
                previous = current;
                return restarts >= 2;
            },
            5000));
        EXPECT_EQ(seen, (QSet<QRgb>{red, green, blue}));
        EXPECT_EQ(frames, (QSet<int>{0, 1, 2}));

        // Hiding and showing the toolbar hides and shows the banner and
        // fetches nothing again.
        router.Execute(ID_VIEW_TOOLBAR);
        Settle();
        EXPECT_FALSE(banner->isVisible());
        router.Execute(ID_VIEW_TOOLBAR);
        Settle();
        EXPECT_TRUE(banner->isVisible());
        EXPECT_EQ(banner->Shows(), CShockwaveFlash::Content::Animation);
        WaitUntil([] { return false; }, 300);
        EXPECT_EQ(server.Requests().size(), 1);
        frame.reset();
    }
}

// A looping animation of frames far larger than the banner, with no delay
// between them: each frame is decoded once, and the loop shows the kept
// pictures no faster than the banner's rate cap allows.
TEST_F(BannerTest, LargeFramesAreDecodedOnceAndShownAtABoundedRate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.gif"));
    const QString command = QStringLiteral("convert -size 1600x1600 xc:red xc:lime xc:blue -set delay 0 -loop 0 '%1'")
                                .arg(path);
    if (std::system(command.toLocal8Bit().constData()) != 0)
        GTEST_SKIP() << "ImageMagick's convert cannot write the GIF";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    LoopbackHttpServer server({200, "OK", "image/gif", file.readAll()});
    MakeFrame(server.Url());
    ASSERT_EQ(loaded, 1);
    CShockwaveFlash* banner = frame->Banner();
    ASSERT_EQ(banner->Shows(), CShockwaveFlash::Content::Animation);

    int restarts = 0, previous = banner->CurrentFrame();
    QSet<QRgb> seen;
    EXPECT_TRUE(WaitUntil(
        [&] {
            seen += Colours(Shown(banner));
            const int current = banner->CurrentFrame();
            restarts += current < previous ? 1 : 0;
            previous = current;
            return restarts >= 3;
        },
        20000));
    EXPECT_EQ(seen, (QSet<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)}));
    EXPECT_EQ(banner->DecodedFrames(), 3);

    // Over a second, a delay of 0 shows as 100 ms: at most 11 frames.
    int changes = 0;
    previous = banner->CurrentFrame();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        changes += banner->CurrentFrame() != previous ? 1 : 0;
        previous = banner->CurrentFrame();
    }
    EXPECT_GE(changes, 3);
    EXPECT_LE(changes, 1000 / CShockwaveFlash::kQuickFrameMs + 1);
    EXPECT_EQ(banner->DecodedFrames(), 3);
    frame.reset();
}

TEST_F(BannerTest, GifCutShortShowsWhatArrived)
{
    // The file ends inside the second frame's picture data.
    const QByteArray gif = BannerGif();
    const qsizetype secondFrame = gif.indexOf("\x21\xf9", gif.indexOf("\x21\xf9") + 1);
    ASSERT_GT(secondFrame, 0);
    LoopbackHttpServer server({200, "OK", "image/gif", gif.left(secondFrame + 40)});
    MakeFrame(server.Url());
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Animation);
    // The first frame whole, then what there is of the second (its top
    // rows), and nothing else.
    QSet<QRgb> seen;
    for (int i = 0; i < 6; ++i) {
        const QSet<QRgb> colours = Colours(Shown(frame->Banner()));
        EXPECT_TRUE((QSet<QRgb>{qRgb(255, 0, 0), qRgb(0, 255, 0)}).contains(colours));
        seen += colours;
        EXPECT_LE(frame->Banner()->CurrentFrame(), 1);
        WaitUntil([] { return false; }, 100);
    }
    EXPECT_TRUE(seen.contains(qRgb(255, 0, 0)));
}

TEST_F(BannerTest, StillPictureFillsTheBannerCroppedToItsShape)
{
    // A square picture, red on the left, blue on the right: filling the
    // banner's width crops its top and bottom, so both halves still show.
    QImage square(100, 100, QImage::Format_RGB32);
    square.fill(Qt::red);
    QPainter(&square).fillRect(50, 0, 50, 100, Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(square.save(&buffer, "PNG"));

    LoopbackHttpServer server({200, "OK", "image/png", png});
    MakeFrame(server.Url());
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Still);
    const QImage shown = Shown(frame->Banner());
    EXPECT_EQ(shown.pixel(2, 25), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(339, 25), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(339, 49), qRgb(0, 0, 255));
}

TEST_F(BannerTest, AnythingButAPictureLeavesItBlankAndTheFrameWorksOn)
{
    struct Case {
        const char* what;
        LoopbackHttpServer::Answer answer;
    };
    const Case cases[] = {
        {"not found", {404, "Not Found", "text/html", "<html>no banner</html>"}},
        {"not a picture", {200, "OK", "text/html", "<html>banner service moved</html>"}},
        {"empty", {200, "OK", "image/gif", ""}},
        {"truncated gif", {200, "OK", "image/gif", BannerGif().left(20)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackHttpServer server(c.answer);
        MakeFrame(server.Url());
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Blank);
        EXPECT_TRUE(Blank());
        EXPECT_EQ(server.Requests().size(), 1);

        // The frame goes on: its commands still run.
        int shown = 0;
        QObject owner;  // takes the handler with it at the end of the case
        router.SetHandler(&owner, ID_VIEW_SHOW_INFO, [&shown] { ++shown; });
        EXPECT_TRUE(router.Execute(ID_VIEW_SHOW_INFO));
        EXPECT_EQ(shown, 1);
        EXPECT_TRUE(router.Execute(ID_VIEW_TOOLBAR));
        EXPECT_TRUE(frame->ToolBar()->isHidden());
        frame.reset();
    }
}

TEST_F(BannerTest, UnreachableOrSilentServiceNeverHoldsUpTheFrame)
{
    MakeFrame(LoopbackHttpServer::UnreachableUrl());
    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(Blank());
    frame.reset();

    // A service that takes the request and never answers: the frame is up
    // and working while the banner waits, blank.
    LoopbackHttpServer::Answer silence;
    silence.silent = true;
    LoopbackHttpServer server(silence);
    MakeFrame(server.Url(), 500);
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(server.Requests().size(), 1);
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(Blank());
    EXPECT_TRUE(router.Execute(ID_VIEW_TOOLBAR));
    EXPECT_TRUE(frame->ToolBar()->isHidden());
    // Closing the frame with the fetch under way is orderly.
    frame.reset();
}

TEST_F(BannerTest, OversizedAnswerIsDroppedWithoutWaitingForIt)
{
    // The header announces more than a banner may weigh; the server sends a
    // little and then holds the connection open.
    LoopbackHttpServer::Answer announced;
    announced.body = BannerGif();
    announced.announcedLength = CShockwaveFlash::kMaxMovieBytes + 1;
    // No length announced, and more bytes than a banner may weigh.
    LoopbackHttpServer::Answer flood;
    flood.body = BannerGif() + QByteArray(CShockwaveFlash::kMaxMovieBytes, '\0');
    flood.sendLength = false;

    for (const LoopbackHttpServer::Answer& answer : {announced, flood}) {
        SCOPED_TRACE(answer.sendLength ? "announced" : "flood");
        LoopbackHttpServer server(answer);
        MakeFrame(server.Url());
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Blank);
        EXPECT_TRUE(Blank());
        frame.reset();
    }
}

TEST_F(BannerTest, EndlessChunkedBodyIsCutAtTheByteCapAndSlowOneAtTheDeadline)
{
    // Chunks as fast as the banner takes them: the cap ends the fetch. The
    // deadline is put out of reach, so that only the cap can end it however
    // slowly a busy machine passes the chunks along.
    LoopbackHttpServer::Answer flood;
    flood.endlessChunks = true;
    CShockwaveFlash::SetFetchDeadlineMs(10 * 60 * 1000);
    {
        LoopbackHttpServer server(flood);
        MakeFrame(server.Url(), 60000);
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Blank);
        EXPECT_GE(server.ChunksSent() * flood.chunkBytes, CShockwaveFlash::kMaxMovieBytes);
        // Read no faster than the banner takes the bytes: what was sent is
        // the cap and what the network's buffers hold, not what a sender as
        // fast as the loopback could pile up in memory meanwhile.
        EXPECT_LT(server.ChunksSent() * flood.chunkBytes, 8 * CShockwaveFlash::kMaxMovieBytes);
        // Ended: the banner closed the connection rather than reading on.
        EXPECT_TRUE(WaitUntil([&server] { return server.OpenConnections() == 0; }));
        frame.reset();
    }
    // Small chunks slowly, never stalling and never reaching the cap: the
    // deadline ends the fetch.
    LoopbackHttpServer::Answer trickle = flood;
    trickle.chunkBytes = 64;
    trickle.chunkIntervalMs = 5;
    CShockwaveFlash::SetFetchDeadlineMs(400);
    {
        LoopbackHttpServer server(trickle);
        MakeFrame(server.Url(), 20000);
        EXPECT_EQ(loaded, 1);
        EXPECT_EQ(frame->Banner()->Shows(), CShockwaveFlash::Content::Blank);
        EXPECT_LT(server.ChunksSent() * trickle.chunkBytes, CShockwaveFlash::kMaxMovieBytes);
        EXPECT_TRUE(WaitUntil([&server] { return server.OpenConnections() == 0; }));
        frame.reset();
    }
    CShockwaveFlash::SetFetchDeadlineMs(CShockwaveFlash::kFetchDeadlineMs);
}

TEST(Banner, RightClickBringsUpNoMenuUnlessAllowed)
{
    QWidget parent;
    auto* banner = new CShockwaveFlash(&parent);
    banner->setGeometry(0, 0, 342, 50);
    int reachedParent = 0;
    struct Watch : QObject {
        int* count;
        explicit Watch(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::ContextMenu)
                ++*count;
            return false;
        }
    } watch(&reachedParent);
    parent.installEventFilter(&watch);

    auto rightClick = [banner] {
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), banner->mapToGlobal(QPoint(10, 10)));
        QApplication::sendEvent(banner, &event);
    };
    banner->SetMenu(false);
    rightClick();
    EXPECT_EQ(reachedParent, 0);
    banner->SetMenu(true);
    rightClick();
    EXPECT_EQ(reachedParent, 1);
}

}  // namespace
