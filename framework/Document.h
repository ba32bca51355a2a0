// The document and view roles of the single-document architecture: the
// document holds what was read from a file and its path name; the view
// shows it and is told when a newly opened document is ready.
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

class CView {
public:
    virtual ~CView() = default;

    // Sent after every successful open, before the new document is shown.
    virtual void OnInitialUpdate() = 0;
};
