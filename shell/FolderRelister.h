// Lists the shown file's folder again when it changes, off the window's
// thread and at most once per kMinimumGapMs: a renderer writing parts of a
// frame can change the folder hundreds of times a second, and every change
// listed at once on the window's thread kept a core busy while the viewer
// sat idle. The first change of a quiet spell is listed at once; changes
// during a listing or within the gap after one start come to one more
// listing, at the gap's end, of the latest path asked for.
//
// The window's thread owns the relister; its one worker reads the folder
// and nothing else, and hands the listing back through a queued call. The
// worker is joined before the next one starts and when the relister goes.
#pragma once

#include "FolderList.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <mutex>
#include <thread>

class FolderRelister : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinimumGapMs = 250;

    explicit FolderRelister(QObject* parent = nullptr);
    ~FolderRelister() override;

    // Runs on the window's thread with each listing: the path it was asked
    // for and the folder's .rpf files (FolderList::List).
    std::function<void(const std::string& path, FolderList::Files files)> listed;

    // The folder of openedPath changed: list it, now or at the gap's end.
    void Request(const std::string& openedPath);

    // Listings started so far.
    int Listings() const { return m_listings; }

private:
    void StartListing();
    // Takes the listing the worker handed over and passes it on.
    Q_INVOKABLE void TakeListing();
    void OnListed(const std::string& path, FolderList::Files files);
    void OnGapEnded();

    QTimer m_gap;            // runs for kMinimumGapMs from each listing's start
    std::thread m_worker;
    std::mutex m_doneMutex;          // guards the listing handed over
    std::string m_donePath;
    FolderList::Files m_doneFiles;    // the listing under way, or the last one, finished
    bool m_running = false;  // a listing is under way
    bool m_pending = false;  // a change came after the last listing started
    std::string m_path;      // the latest path asked for
    int m_listings = 0;
};
