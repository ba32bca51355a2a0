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
        QMetaObject::invokeMethod(
            this, [this, path, files = std::move(files)]() mutable { OnListed(path, std::move(files)); },
            Qt::QueuedConnection);
    });
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
