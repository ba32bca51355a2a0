// The figures of a comparison counted on a worker: handed back on the
// window's thread, and of a burst of requests only the one under way and
// the latest are counted.
#include "CompareFigures.h"

#include "LoadedFrame.h"
#include "RpfWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

// A grey 8-bit render with depth; `odd` pixels of its first row another
// grey.
std::shared_ptr<const LoadedFrame> GreyFrame(const QTemporaryDir& dir, const char* name, int odd)
{
    rpfgen::RpfImage image;
    image.width = 64;
    image.height = 32;
    image.producer = "Test renderer (Z)";
    for (int i = 0; i < image.width * image.height; ++i) {
        const int value = i < odd ? 200 : 100;
        image.red.push_back(value);
        image.green.push_back(value);
        image.blue.push_back(value);
    }
    const std::string path = QFile::encodeName(dir.filePath(QString::fromLatin1(name))).toStdString();
    EXPECT_TRUE(rpfgen::WriteRpf(path, image));
    return LoadFrame(path, FrameDrawing{});
}

}  // namespace

TEST(CompareFigures, ABurstOfRequestsCountsTheOneUnderWayAndTheLatestOnTheWindowsThread)
{
    int argc = 1;
    char name[] = "logic_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const auto a = GreyFrame(dir, "a.rpf", 0);
    const std::vector<std::shared_ptr<const LoadedFrame>> bs = {GreyFrame(dir, "b1.rpf", 1), GreyFrame(dir, "b2.rpf", 2),
                                                                GreyFrame(dir, "b3.rpf", 3)};
    CompareFigures figures;
    std::vector<int> tickets;
    std::vector<std::uint64_t> differing;
    bool onWindowThread = true;
    figures.counted = [&](int ticket, const ChannelFigures& counted) {
        onWindowThread = onWindowThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        tickets.push_back(ticket);
        differing.push_back(counted.differing);
    };
    for (int i = 0; i < 3; ++i) {
        CompareFigures::Job job;
        job.a = a;
        job.b = bs[std::size_t(i)];
        job.ticket = i + 1;
        figures.Request(std::move(job));
    }
    EXPECT_TRUE(figures.Busy());
    ASSERT_TRUE(WaitUntil([&] { return !figures.Busy(); }, 10000));
    // The first started at once; the second was replaced by the third.
    EXPECT_EQ(tickets, (std::vector<int>{1, 3}));
    EXPECT_EQ(differing, (std::vector<std::uint64_t>{1, 3}));
    EXPECT_TRUE(onWindowThread);

    // Once idle, a request starts at once: the depth, equal in both.
    CompareFigures::Job depth;
    depth.a = a;
    depth.b = bs[0];
    depth.kind = ChannelFigures::Kind::Render;
    depth.bit = kChannelZ;
    depth.ticket = 9;
    figures.Request(std::move(depth));
    ASSERT_TRUE(WaitUntil([&] { return !figures.Busy(); }, 10000));
    EXPECT_EQ(tickets.back(), 9);
    EXPECT_EQ(differing.back(), 0u);
}
