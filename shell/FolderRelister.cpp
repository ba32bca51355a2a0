#include "FolderRelister.h"

#include <utility>

FolderRelister::FolderRelister(QObject* parent) : QObject(parent)
{
    m_gap.setSingleShot(true);
    m_gap.setInterval(kMinimumGapMs);
    connect(&m_gap, &QTimer::timeout, this, &FolderRelister::OnGapEnded);
}

FolderRelister::~FolderRelister()
{
    // A listing's result posted to this object goes with it, unread.
    if (m_worker.joinable())
        m_worker.join();
}

void FolderRelister::Request(const std::string& openedPath)
{
    m_path = openedPath;
    if (m_running || m_gap.isActive()) {
        m_pending = true;
        return;
    }
    StartListing();
}

void FolderRelister::StartListing()
{
    m_pending = false;
    m_running = true;
    ++m_listings;
    m_gap.start();
    // The last worker has handed its listing over already: it is ending.
    if (m_worker.joinable())
        m_worker.join();
    m_worker = std::thread([this, path = m_path] {
        FolderList::Files files = FolderList::List(path);
        {
            // Handed over under the lock, not inside the posted call, so
            // the window's thread takes it through the same lock.
            std::lock_guard<std::mutex> lock(m_doneMutex);
            m_donePath = path;
            m_doneFiles = std::move(files);
        }
        // By name: the call is then made up inside Qt, and no object built
        // on this thread is read on the window's thread outside the lock.
        QMetaObject::invokeMethod(this, "TakeListing", Qt::QueuedConnection);
    });
}

void FolderRelister::TakeListing()
{
    std::string path;
    FolderList::Files files;
    {
        std::lock_guard<std::mutex> lock(m_doneMutex);
        path = std::move(m_donePath);
        files = std::move(m_doneFiles);
    }
    OnListed(path, std::move(files));
}

void FolderRelister::OnListed(const std::string& path, FolderList::Files files)
{
    m_running = false;
    if (listed)
        listed(path, std::move(files));
    if (m_pending && !m_gap.isActive())
        StartListing();
}

void FolderRelister::OnGapEnded()
{
    if (m_pending && !m_running)
        StartListing();
}
