#include "SingleDocTemplate.h"

#include "Document.h"
#include "FilePath.h"
#include "PathText.h"
#include "View.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>

CSingleDocTemplate::CSingleDocTemplate(std::unique_ptr<CDocument> document, FrameFactory makeFrame, QString appTitle)
    : m_document(std::move(document)), m_makeFrame(std::move(makeFrame)), m_appTitle(std::move(appTitle))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAll();
}

QString CSingleDocTemplate::FullPath(const QString& path)
{
    if (path.isEmpty())
        return path;
    // ".." is left to the file system: through a link it leads elsewhere
    // than cutting the text would (FilePath.h).
    return QDir::toNativeSeparators(pathtext::Display(filepath::ResolveFolder(pathtext::Bytes(path))));
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path, const Read& read)
{
    const QString fullPath = FullPath(path);
    if (m_frame != nullptr && !fullPath.isEmpty() && fullPath == m_document->GetPathName()) {
        m_frame->raise();
        m_frame->activateWindow();
        return m_document.get();
    }

    if (!(read ? read(*m_document, fullPath) : m_document->OnOpenDocument(fullPath)))
        return nullptr;

    m_document->SetPathName(fullPath);
    if (m_frame == nullptr) {
        FrameAndView made = m_makeFrame(m_document.get());
        m_frame = made.frame;
        m_view = made.view;
    }
    UpdateFrameTitle();
    if (openedHook)
        openedHook(fullPath);
    if (m_view != nullptr)
        m_view->OnInitialUpdate();
    return m_document.get();
}

void CSingleDocTemplate::UpdateFrameTitle()
{
    const QString docTitle = m_document->GetTitle();
    m_frame->setWindowTitle(docTitle.isEmpty() ? m_appTitle : docTitle + QStringLiteral(" - ") + m_appTitle);
}

void CSingleDocTemplate::CloseAll()
{
    if (m_document)
        m_document->DeleteContents();
    delete m_frame;
    m_frame = nullptr;
    m_view = nullptr;
}
