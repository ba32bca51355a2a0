// Follows the file shown on disk while a renderer writes it: a change to
// the file is reported once the file has stood still for a short moment
// (same size and modification time), and every change to its folder (a
// frame added, removed or renamed) is reported at once. Editors and
// renderers often replace a file by renaming a new one over it, which ends
// the watch on the old one; the watch is taken up again on the new file.
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class FileFollower : public QObject {
    Q_OBJECT
public:
    // How long the file must stand still before it counts as written.
    static constexpr int kSettleMilliseconds = 300;

    explicit FileFollower(QObject* parent = nullptr);

    // What runs when the file has changed and settled, and when its folder
    // changed.
    std::function<void()> fileSettled;
    std::function<void()> folderChanged;

    // Follows path (and its folder) from now on, in place of the file before.
    void Follow(const QString& path);

    // Following on or off; off watches nothing and reports nothing.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return m_enabled; }

    QString Path() const { return m_path; }

private:
    struct Stamp {
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const Stamp& other) const { return size == other.size && modified == other.modified; }
    };
    static Stamp StampOf(const QString& path);

    void Watch();
    void OnFileChanged();
    void OnFolderChanged();
    void OnSettleTimeout();

    QFileSystemWatcher m_watcher;
    QTimer m_settle;
    QString m_path;
    bool m_enabled = true;
    Stamp m_lastSeen;    // at the latest change, or the latest check of one
    Stamp m_lastShown;   // the file as it was when last reported settled (or followed)
};
