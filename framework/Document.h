// The document role of the single-document architecture: it holds what was
// read from a file and its path name. Its view is CView (View.h).
#pragma once

#include <QString>

class CDocument {
public:
    virtual ~CDocument() = default;

    // Reads the file at path. Returns false, after telling the user why, when
    // it cannot be read.
    virtual bool OnOpenDocument(const QString& path) = 0;

    // Releases what the document holds (at exit, and when replaced).
    virtual void DeleteContents() {}

    QString GetPathName() const { return m_pathName; }
    // The title is the file's name: what the main window's caption shows.
    QString GetTitle() const { return m_title; }
    void SetPathName(const QString& path);

private:
    QString m_pathName;
    QString m_title;
};
