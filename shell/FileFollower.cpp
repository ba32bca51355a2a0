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
    // The file is watched anew, since a file renamed over it is another
    // file. The folder stays watched when it is the same: watching a folder
    // costs the system a walk over its files, which a long sequence would
    // make dear on every step.
    const QFileInfo info(m_path);
    const bool following = m_enabled && !m_path.isEmpty();
    const QString folder = following && info.dir().exists() ? info.absolutePath() : QString();
    QStringList unwatched = m_watcher.files();
    for (const QString& watched : m_watcher.directories())
        if (watched != folder)
            unwatched.append(watched);
    if (!unwatched.isEmpty())
        m_watcher.removePaths(unwatched);
    if (!following)
        return;
    // Either may be missing for a moment (a file being replaced); the folder
    // tells when it is back.
    if (info.exists())
        m_watcher.addPath(m_path);
    if (!folder.isEmpty() && !m_watcher.directories().contains(folder))
        m_watcher.addPath(folder);
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
