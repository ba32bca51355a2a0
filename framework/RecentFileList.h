// The most-recently-used file list of the File menu: a few full paths, the
// newest first, kept in the user's settings and shown in place of the grey
// "Recent File" placeholder.
#pragma once

#include <QString>
#include <QStringList>

class CommandRouter;

class CRecentFileList {
public:
    // organization and application name the settings; size entries are kept.
    CRecentFileList(CommandRouter* router, QString organization, QString application, int size);

    void Load();
    void Add(const QString& path);
    void Remove(int index);

    int Count() const { return int(m_paths.size()); }
    QString At(int index) const { return m_paths.value(index); }

    // The menu text of an entry: "&1 " and the path, shortened to fit.
    static QString MenuText(int index, const QString& path);
    // A path cut to at most maxLength characters by leaving out folders in
    // its middle; the file name itself is always kept.
    static QString AbbreviatePath(const QString& path, int maxLength);

private:
    void Save() const;
    void UpdateMenu();

    CommandRouter* m_router;
    QString m_organization;
    QString m_application;
    int m_size;
    QStringList m_paths;
};
