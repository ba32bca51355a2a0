#include "WinApp.h"

#include "CommandIds.h"
#include "CommandRouter.h"
#include "Prompts.h"
#include "RecentFileList.h"
#include "SingleDocTemplate.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QPageSetupDialog>
#include <QPrinter>

CWinApp::CWinApp(const CommandTable& table) : m_router(std::make_unique<CommandRouter>(table))
{
    prompts::SetMessageTitle(table.appName);
    m_router->SetHandler(this, ID_FILE_OPEN, &CWinApp::OnFileOpen);
    m_router->SetHandler(this, ID_FILE_PRINT_SETUP, &CWinApp::OnFilePrintSetup);
    m_router->SetHandler(this, ID_APP_EXIT, &CWinApp::OnAppExit);
}

CWinApp::~CWinApp()
{
    // The document goes first: its window's commands point into the router.
    m_docTemplate.reset();
}

CDocument* CWinApp::OpenDocumentFile(const QString& path)
{
    return m_docTemplate ? m_docTemplate->OpenDocumentFile(path) : nullptr;
}

QWidget* CWinApp::GetMainWnd() const
{
    return m_docTemplate ? m_docTemplate->Frame() : nullptr;
}

QPrinter* CWinApp::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return m_printer.get();
}

void CWinApp::OnFileOpen()
{
    prompts::OpenFileRequest request;
    request.owner = m_docTemplate ? m_docTemplate->Frame() : nullptr;
    request.filters = {m_router->Table().DocumentString(CommandTable::kFilterName), QStringLiteral("All Files (*)")};
    std::optional<QString> path = prompts::GetOpenFileName(request);
    if (path)
        OpenDocumentFile(*path);
}

void CWinApp::OnFilePrintSetup()
{
    // The same printer that Print and Print Preview use: what is chosen here
    // is what they print on.
    QPageSetupDialog dialog(Printer(), GetMainWnd());
    prompts::RunModal(dialog);
}

void CWinApp::OnOpenRecentFile(int index)
{
    const QString path = m_recentFiles->At(index);
    // An entry that no longer opens leaves the list, as it would only fail again.
    if (OpenDocumentFile(path) == nullptr)
        m_recentFiles->Remove(index);
}

void CWinApp::OnAppExit()
{
    if (m_docTemplate && m_docTemplate->Frame() != nullptr)
        m_docTemplate->Frame()->close();
    else
        QCoreApplication::quit();
}

void CWinApp::SetRegistryKey(const QString& key)
{
    m_registryKey = key;
}

void CWinApp::LoadStdProfileSettings(int recentFileCount)
{
    m_recentFiles =
        std::make_unique<CRecentFileList>(m_router.get(), m_registryKey, m_router->Table().appName, recentFileCount);
    m_recentFiles->Load();
    for (int i = 0; i < recentFileCount; ++i)
        m_router->SetHandler(this, ID_FILE_MRU_FILE1 + i, [this, i] { OnOpenRecentFile(i); });
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate)
{
    m_docTemplate = std::move(docTemplate);
    m_docTemplate->openedHook = [this](const QString& path) {
        if (m_recentFiles)
            m_recentFiles->Add(path);
    };
}
