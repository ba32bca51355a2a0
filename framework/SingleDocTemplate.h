// The single-document open path: one document for the program's life; the
// main window and its view are made on the first successful open and reused.
#pragma once

#include <QString>

#include <functional>
#include <memory>

class CDocument;
class CView;
class QMainWindow;

class CSingleDocTemplate {
public:
    struct FrameAndView {
        QMainWindow* frame = nullptr;
        CView* view = nullptr;
    };
    using FrameFactory = std::function<FrameAndView(CDocument*)>;
    // Puts the file at fullPath in the document; false when it cannot.
    using Read = std::function<bool(CDocument& document, const QString& fullPath)>;

    // appTitle: what the window title shows after the document's name.
    CSingleDocTemplate(std::unique_ptr<CDocument> document, FrameFactory makeFrame, QString appTitle);
    ~CSingleDocTemplate();

    // Opens path into the document. The same path as the one shown only
    // brings the window forward. On success the document's path name and
    // the window title name the file, openedHook runs and the view gets its
    // initial update; on failure nothing of that changes. Returns the
    // document, or null when the open failed. read puts the file in the
    // document (a frame read ahead, say); without it, the document's
    // OnOpenDocument reads the file.
    CDocument* OpenDocumentFile(const QString& path, const Read& read = {});

    CDocument* Document() const { return m_document.get(); }
    QMainWindow* Frame() const { return m_frame; }
    CView* View() const { return m_view; }

    // Told the full path of every successful open (the recent-file list).
    std::function<void(const QString&)> openedHook;

    // Releases the document's contents and closes the window: the end of the
    // program's document.
    void CloseAll();

    // The full, clean form of a path as the document keeps it.
    static QString FullPath(const QString& path);

    // Names the document's file in the window title (after a document shows
    // another file without an open, as playback does).
    void UpdateFrameTitle();

private:
    std::unique_ptr<CDocument> m_document;
    FrameFactory m_makeFrame;
    QString m_appTitle;
    QMainWindow* m_frame = nullptr;  // owned by Qt once shown; deleted in CloseAll
    CView* m_view = nullptr;
};
