#include "BrimwellApp.h"

#include "AboutDialog.h"
#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "ChannelView.h"
#include "CompareController.h"
#include "LookControls.h"
#include "OcioConfig.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "Document.h"
#include "MainFrame.h"
#include "PictureStatusBar.h"
#include "Prompts.h"
#include "SingleDocTemplate.h"
#include "ViewPreferences.h"
#include "WindowState.h"

#include <QEvent>

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
    : CWinApp(appcommands::Table()),
      m_arguments(std::move(arguments)),
      m_viewer(new Viewer(*this, SettingsOrganization(), Router()->Table().appName)),
      m_sequences(new SequenceController(*m_viewer, Router(), SettingsOrganization(), Router()->Table().appName)),
      m_compare(new CompareController(*this, *m_viewer))
{
    Router()->SetHandler(this, ID_APP_ABOUT, &CBrimwellApp::OnAppAbout);
}

CBrimwellApp::~CBrimwellApp()
{
    // The comparison and then the viewer go first, joining their workers
    // while the document and window they show frames in still stand.
    delete m_compare;
    delete m_viewer;
}

bool CBrimwellApp::InitInstance()
{
    SetRegistryKey(SettingsOrganization());
    LoadStdProfileSettings(kRecentFileCount);
    m_viewer->LoadPlaybackSettings();

    // --exposure STOPS and --transform KEY set the look the window starts
    // with (both were checked before the application started).
    LookControls::Start startLook;
    if (std::optional<QString> stops = TakeSwitch(QStringLiteral("--exposure")))
        startLook.exposure = stops->toDouble();
    startLook.transformKey = TakeSwitch(QStringLiteral("--transform"));
    // The studios' display transforms, when $OCIO names a config; a config
    // that fails is reported once the window has its status bar.
    OcioConfig ocioConfig;
    const QString ocioPath = qEnvironmentVariable("OCIO");
    if (!ocioPath.isEmpty())
        ocioConfig = OcioConfig::Load(ocioPath);
    auto pendingConfig = std::make_shared<OcioConfig>(std::move(ocioConfig));

    CommandRouter* router = Router();
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        std::make_unique<CBrimwellDoc>(),
        [this, router, pendingConfig, startLook](CDocument* document) {
            auto* frame = new CMainFrame(router, [this](const QString& path) { OpenDocumentFile(path); });
            auto* view = new CBrimwellView(static_cast<CBrimwellDoc*>(document), router, Printer(), frame);
            frame->setCentralWidget(view);
            new WindowState(frame, router, SettingsOrganization(), router->Table().appName);
            new ViewPreferences(view, router, SettingsOrganization(), router->Table().appName);
            auto* statusBar = new CPictureStatusBar(view, frame);
            frame->setStatusBar(statusBar);
            m_compare->Attach(view, statusBar);
            new LookControls(view, router, statusBar, std::move(*pendingConfig), startLook, SettingsOrganization(),
                             router->Table().appName);
            m_sequences->AttachWindow(frame, statusBar);
            connect(&m_viewer->Player(), &FramePlayer::StatusChanged, statusBar,
                    [this, statusBar] { statusBar->ShowPlayback(m_viewer->Player().StatusText()); });
            frame->installEventFilter(this);
            return CSingleDocTemplate::FrameAndView{frame, view};
        },
        router->Table().DocumentString(CommandTable::kWindowTitle)));

    // --channel LETTER picks the view the first file shows (the letter was
    // checked before the application started).
    if (std::optional<QString> channel = TakeSwitch(QStringLiteral("--channel"))) {
        ChannelView view;
        const QByteArray letter = channel->toLatin1();
        if (letter.size() == 1 && ChannelView::FromLetter(letter.at(0), view))
            Document()->SetWantedView(view);
    }

    // --compare B: the file or folder the first file is compared with (it
    // was checked before the application started).
    const std::optional<QString> compareWith = TakeSwitch(QStringLiteral("--compare"));

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

    if (compareWith)
        m_compare->CompareWith(*compareWith);

    CMainFrame* frame = Frame();
    if (auto* state = frame->findChild<WindowState*>())
        state->Show();
    frame->DragAcceptFiles();
    return true;
}

std::optional<QString> CBrimwellApp::TakeSwitch(const QString& name)
{
    const qsizetype at = m_arguments.indexOf(name);
    if (at < 0 || at + 1 >= m_arguments.size())
        return std::nullopt;
    QString value = m_arguments.at(at + 1);
    m_arguments.remove(at, 2);
    return value;
}

CDocument* CBrimwellApp::OpenDocumentFile(const QString& path)
{
    return m_viewer->Open(path);
}

void CBrimwellApp::OnAppAbout()
{
    CAboutDialog about(GetMainWnd());
    about.DoModal();
}

bool CBrimwellApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowBlocked && watched == Frame())
        m_viewer->StopPlaying();
    return CWinApp::eventFilter(watched, event);
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
