// Folder changes in bursts, as a renderer writing parts of a frame makes
// them: listed off the window's thread, at most once per gap, and the last
// listing sees the folder as the burst left it.
#include "FolderRelister.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs the event loop until done() or timeoutMs passed; whether done.
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

TEST(FolderRelister, ABurstOfChangesComesToTwoListingsOnTheWindowsThread)
{
    int argc = 1;
    char name[] = "logic_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const auto touch = [&dir](const char* name) { QFile(dir.filePath(QString::fromLatin1(name))).open(QIODevice::WriteOnly); };
    touch("a.rpf");
    const std::string shown = QFile::encodeName(dir.filePath(QStringLiteral("a.rpf"))).toStdString();

    FolderRelister relister;
    int delivered = 0;
    bool onWindowThread = true;
    FolderList::Files last;
    relister.listed = [&](const std::string& path, FolderList::Files files) {
        EXPECT_EQ(path, shown);
        onWindowThread = onWindowThread && QThread::currentThread() == QCoreApplication::instance()->thread();
        last = std::move(files);
        ++delivered;
    };
    // A hundred changes in a row, the folder changing among them.
    for (int i = 0; i < 100; ++i) {
        relister.Request(shown);
        if (i == 50)
            touch("b.rpf");
    }
    EXPECT_LE(relister.Listings(), 1);  // the first at once, the rest wait for the gap
    EXPECT_TRUE(WaitUntil([&] { return delivered == 2; }, 5000));
    WaitUntil([] { return false; }, 2 * FolderRelister::kMinimumGapMs);
    EXPECT_EQ(relister.Listings(), 2);
    EXPECT_EQ(delivered, 2);
    EXPECT_TRUE(onWindowThread);
    EXPECT_EQ(last.size(), 2u);

    // After a quiet spell the next change is listed at once again.
    touch("c.rpf");
    relister.Request(shown);
    EXPECT_EQ(relister.Listings(), 3);
    EXPECT_TRUE(WaitUntil([&] { return delivered == 3; }, 5000));
    EXPECT_EQ(last.size(), 3u);
}

}  // namespace
