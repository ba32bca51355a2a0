// The most-recently-used file list of the File menu: a few full paths, the
// newest first, kept in the user's settings and shown in place of the grey
// "Recent File" placeholder.
//
// Every file shown through the open path comes to the top, a step through
// the folder included, and a held arrow key shows dozens a second: the list
// is written to the settings at once, then at most once a second while
// entries keep coming, and once more when the list goes.
#pragma once

#include <QString>
#include <QStringList>
#include <QTimer>

class CommandRouter;

class CRecentFileList {
public:
    // organization and application name the settings; size entries are kept.
    CRecentFileList(CommandRouter* router, QString organization, QString application, int size);
    ~CRecentFileList();

    CRecentFileList(const CRecentFileList&) = delete;
    CRecentFileList& operator=(const CRecentFileList&) = delete;

    void Load();
    void Add(const QString& path);
    void Remove(int index);

    // Whether the list holds an entry the settings do not have yet.
    bool SavePending() const { return m_savePending; }

    int Count() const { return int(m_paths.size()); }
    QString At(int index) const { return m_paths.value(index); }

    // The menu text of an entry: "&1 " and the path, shortened to fit.
    static QString MenuText(int index, const QString& path);
    // A path cut to at most maxLength characters by leaving out folders in
    // its middle; the file name itself is always kept.
    static QString AbbreviatePath(const QString& path, int maxLength);

private:
    void Save();
    // Saves now unless a save was made within the last second; then once
    // that second is over.
    void SaveSoon();
    void UpdateMenu();

    CommandRouter* m_router;
    QString m_organization;
    QString m_application;
    int m_size;
    QStringList m_paths;
    QTimer m_quietAfterSave;    // runs for a second after each save
    bool m_savePending = false; // an entry came during that second
};
