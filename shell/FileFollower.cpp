#include "FileFollower.h"

#include <QDir>
#include <QFileInfo>

FileFollower::FileFollower(QObject* parent) : QObject(parent)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &FileFollower::OnSettleTimeout);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FileFollower::OnFileChanged);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FileFollower::OnFolderChanged);
}

FileFollower::Stamp FileFollower::StampOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {info.size(), info.lastModified()};
}

void FileFollower::Follow(const QString& path)
{
    m_path = path;
    m_lastShown = m_lastSeen = StampOf(path);
    m_settle.stop();
    Watch();
}

void FileFollower::SetEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    m_settle.stop();
    // Changes made while off count from the moment following resumes: a
    // file rewritten meanwhile is read again once it stands still.
    if (m_enabled && !(StampOf(m_path) == m_lastShown))
        OnFileChanged();
    Watch();
}

void FileFollower::Watch()
{
    const QStringList watched = m_watcher.files() + m_watcher.directories();
    if (!watched.isEmpty())
        m_watcher.removePaths(watched);
    if (!m_enabled || m_path.isEmpty())
        return;
    // Either may be missing for a moment (a file being replaced); the folder
    // tells when it is back.
    const QFileInfo info(m_path);
    if (info.exists())
        m_watcher.addPath(m_path);
    if (info.dir().exists())
        m_watcher.addPath(info.absolutePath());
}

void FileFollower::OnFileChanged()
{
    if (!m_enabled)
        return;
    // A file renamed over the one shown, or deleted, is no longer watched
    // by its name; watch whatever now bears it.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    m_lastSeen = StampOf(m_path);
    m_settle.start();
}

void FileFollower::OnFolderChanged()
{
    if (!m_enabled)
        return;
    // A rename over the shown file shows up here only.
    if (!(StampOf(m_path) == m_lastSeen) || !m_watcher.files().contains(m_path))
        OnFileChanged();
    if (folderChanged)
        folderChanged();
}

void FileFollower::OnSettleTimeout()
{
    const Stamp now = StampOf(m_path);
    if (!(now == m_lastSeen)) {
        // Still being written: wait for it to stand still.
        m_lastSeen = now;
        m_settle.start();
        return;
    }
    if (now.size < 0 || now == m_lastShown)
        return;  // gone, or back as it was shown
    m_lastShown = now;
    if (fileSettled)
        fileSettled();
}
