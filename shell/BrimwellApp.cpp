#include "BrimwellApp.h"

#include "AboutDialog.h"
#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "Document.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "MainFrame.h"
#include "PathText.h"
#include "Prompts.h"
#include "SingleDocTemplate.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

#include <utility>

namespace {

constexpr int kExitCancelled = 0;
constexpr int kExitOpenFailed = 1;

// A command-line switch rather than a file name.
bool IsSwitch(const QString& argument)
{
#ifdef Q_OS_WIN
    return argument.startsWith(QLatin1Char('-')) || argument.startsWith(QLatin1Char('/'));
#else
    return argument.startsWith(QLatin1Char('-'));
#endif
}

}  // namespace

CBrimwellApp::CBrimwellApp(QStringList arguments)
    : CWinApp(appcommands::Table()), m_arguments(std::move(arguments))
{
    CommandRouter* router = Router();
    router->SetHandler(this, ID_APP_ABOUT, &CBrimwellApp::OnAppAbout);
    router->SetHandler(this, ID_FILE_PREVIOUS, &CBrimwellApp::OnPreviousFile);
    router->SetHandler(this, ID_FILE_NEXT, &CBrimwellApp::OnNextFile);
    router->SetUpdateHandler(this, ID_FILE_PREVIOUS, [this] { return m_folder.CanPrevious(); });
    router->SetUpdateHandler(this, ID_FILE_NEXT, [this] { return m_folder.CanNext(); });
    router->SetHandler(this, ID_FILE_FIRST, &CBrimwellApp::OnFirstFile);
    router->SetHandler(this, ID_FILE_LAST, &CBrimwellApp::OnLastFile);
}

CBrimwellApp::~CBrimwellApp() = default;

bool CBrimwellApp::InitInstance()
{
    SetRegistryKey(RegistryKey());
    LoadStdProfileSettings(kRecentFileCount);

    CommandRouter* router = Router();
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        std::make_unique<CBrimwellDoc>(),
        [this, router](CDocument* document) {
            auto* frame = new CMainFrame(router, [this](const QString& path) { OpenDocumentFile(path); });
            auto* view = new CBrimwellView(static_cast<CBrimwellDoc*>(document), router, Printer(), frame);
            frame->setCentralWidget(view);
            return CSingleDocTemplate::FrameAndView{frame, view};
        },
        router->Table().DocumentString(CommandTable::kWindowTitle)));

    // One file name and nothing else opens that file; anything else asks.
    if (m_arguments.size() == 1 && !IsSwitch(m_arguments.constFirst())) {
        if (OpenDocumentFile(m_arguments.constFirst()) == nullptr) {
            m_startupExitCode = kExitOpenFailed;
            return false;
        }
    } else {
        prompts::OpenFileRequest request;
        request.initialName = QStringLiteral("*.rpf");
        request.filters = {QStringLiteral("RPF Files (*.rpf)")};
        std::optional<QString> path = prompts::GetOpenFileName(request);
        if (!path) {
            m_startupExitCode = kExitCancelled;
            return false;
        }
        if (OpenDocumentFile(*path) == nullptr) {
            m_startupExitCode = kExitOpenFailed;
            return false;
        }
    }

    CMainFrame* frame = Frame();
    frame->showMaximized();
    frame->DragAcceptFiles();
    return true;
}

CDocument* CBrimwellApp::OpenDocumentFile(const QString& path)
{
    m_folder.BeginOpen();
    CDocument* document = CWinApp::OpenDocumentFile(path);
    if (document == nullptr)
        return nullptr;
    m_folder.Rebuild(pathtext::Bytes(path));
    return document;
}

void CBrimwellApp::OnAppAbout()
{
    CAboutDialog about(GetMainWnd());
    about.DoModal();
}

void CBrimwellApp::Navigate(const NavigationStep& step)
{
    switch (step.kind) {
    case NavigationStep::Kind::Open:
        // The position has moved already. The open waits for the event loop,
        // so that steps a held key piles up while a file loads only move the
        // position, and once the key is released one more load runs.
        if (m_steppedPath.empty())
            QTimer::singleShot(0, this, &CBrimwellApp::OpenSteppedFile);
        m_steppedPath = step.path;
        break;
    case NavigationStep::Kind::Beep:
        prompts::Beep();
        break;
    case NavigationStep::Kind::Nothing:
        break;
    }
}

void CBrimwellApp::OpenSteppedFile()
{
    const std::string path = std::exchange(m_steppedPath, std::string());
    if (!path.empty())
        CWinApp::OpenDocumentFile(pathtext::Display(path));
}

void CBrimwellApp::OnPreviousFile()
{
    Navigate(m_folder.Previous());
}

void CBrimwellApp::OnNextFile()
{
    Navigate(m_folder.Next());
}

void CBrimwellApp::OnFirstFile()
{
    Navigate(m_folder.First());
}

void CBrimwellApp::OnLastFile()
{
    Navigate(m_folder.Last());
}

CBrimwellDoc* CBrimwellApp::Document() const
{
    return DocTemplate() ? static_cast<CBrimwellDoc*>(DocTemplate()->Document()) : nullptr;
}

CMainFrame* CBrimwellApp::Frame() const
{
    return DocTemplate() ? static_cast<CMainFrame*>(DocTemplate()->Frame()) : nullptr;
}

CBrimwellView* CBrimwellApp::View() const
{
    return DocTemplate() ? static_cast<CBrimwellView*>(DocTemplate()->View()) : nullptr;
}
