#include "MainFrame.h"

#include "CommandRouter.h"
#include "WinApp.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

CMainFrame::CMainFrame(CommandRouter* router, QWidget* parent) : QMainWindow(parent), m_router(router)
{
    m_router->BuildMenuBar(menuBar());
    m_router->AttachShortcuts(this);
    setAcceptDrops(false);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::DragAcceptFiles(bool accept)
{
    setAcceptDrops(accept);
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            event->acceptProposedAction();
            return;
        }
    }
    event->ignore();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    activateWindow();
    // Each dropped file goes through the application's open, in the order the
    // desktop lists them; the last one that opens is shown.
    for (const QString& path : paths) {
        if (CWinApp* app = CWinApp::Instance())
            app->OpenDocumentFile(path);
    }
}
