#include "BrimwellApp.h"

#include "AboutDialog.h"
#include "AppCommandIds.h"
#include "AppCommandTable.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "ChannelView.h"
#include "Document.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "MainFrame.h"
#include "PathText.h"
#include "PictureStatusBar.h"
#include "Prompts.h"
#include "SingleDocTemplate.h"
#include "ViewPreferences.h"
#include "WindowState.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QSettings>
#include <QTimer>

#include <utility>

namespace {

constexpr int kExitCancelled = 0;
constexpr int kExitOpenFailed = 1;

// Where the chosen rate and keeping time are remembered.
const QString kPlaybackSection = QStringLiteral("Playback");
const QString kRateKey = QStringLiteral("Rate");
const QString kKeepTimeKey = QStringLiteral("KeepTime");

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
      m_player(
          m_stepper,
          [this] { return std::vector<std::string>(m_folder.FolderFiles().begin(), m_folder.FolderFiles().end()); },
          [this](const std::string& path, const FrameStepper::FramePtr& frame) { return ShowPlayed(path, frame); })
{
    connect(&m_stepper, &FrameStepper::FrameArrived, this, &CBrimwellApp::OnFrameArrived);
    CommandRouter* router = Router();
    router->SetHandler(this, ID_APP_ABOUT, &CBrimwellApp::OnAppAbout);
    router->SetHandler(this, ID_FILE_PREVIOUS, &CBrimwellApp::OnPreviousFile);
    router->SetHandler(this, ID_FILE_NEXT, &CBrimwellApp::OnNextFile);
    router->SetUpdateHandler(this, ID_FILE_PREVIOUS, [this] { return m_folder.CanPrevious(); });
    router->SetUpdateHandler(this, ID_FILE_NEXT, [this] { return m_folder.CanNext(); });
    router->SetHandler(this, ID_FILE_FIRST, &CBrimwellApp::OnFirstFile);
    router->SetHandler(this, ID_FILE_LAST, &CBrimwellApp::OnLastFile);
    router->SetHandler(this, ID_FILE_RELOAD, &CBrimwellApp::OnFileReload);
    router->SetUpdateHandler(this, ID_FILE_RELOAD, [this] { return !m_shownPath.empty(); });
    router->SetHandler(this, ID_FILE_FOLLOW, &CBrimwellApp::OnFileFollow);
    router->SetCheckHandler(this, ID_FILE_FOLLOW, [this] { return m_follower.IsEnabled(); });
    router->SetHandler(this, ID_VIEW_PLAY, &CBrimwellApp::OnPlay);
    router->SetUpdateHandler(this, ID_VIEW_PLAY, [this] { return m_folder.IsReady() && !m_shownPath.empty(); });
    router->SetCheckHandler(this, ID_VIEW_PLAY, [this] { return m_player.IsPlaying(); });
    auto* rates = new QActionGroup(this);
    for (int i = 0; i < int(std::size(PlaybackSchedule::kRates)); ++i) {
        const int rate = PlaybackSchedule::kRates[i];
        router->SetHandler(this, ID_VIEW_RATE_FIRST + i, [this, rate] { OnFrameRate(rate); });
        router->SetCheckHandler(this, ID_VIEW_RATE_FIRST + i, [this, rate] { return m_player.Rate() == rate; });
        rates->addAction(router->Action(ID_VIEW_RATE_FIRST + i));
    }
    router->SetHandler(this, ID_VIEW_KEEP_TIME, &CBrimwellApp::OnKeepTime);
    router->SetCheckHandler(this, ID_VIEW_KEEP_TIME, [this] { return m_player.KeepsTime(); });
    m_follower.fileSettled = [this] {
        // Playing, the cache notices a changed file by itself.
        if (!m_player.IsPlaying())
            Reload(false);
    };
    m_follower.folderChanged = [this] { OnFolderChanged(); };
}

CBrimwellApp::~CBrimwellApp() = default;

bool CBrimwellApp::InitInstance()
{
    SetRegistryKey(RegistryKey());
    LoadStdProfileSettings(kRecentFileCount);
    {
        QSettings settings(RegistryKey(), Router()->Table().appName);
        settings.beginGroup(kPlaybackSection);
        const int rate = settings.value(kRateKey, PlaybackSchedule::kDefaultRate).toInt();
        const auto& offered = PlaybackSchedule::kRates;
        m_player.SetRate(std::find(std::begin(offered), std::end(offered), rate) != std::end(offered)
                             ? rate
                             : PlaybackSchedule::kDefaultRate);
        m_player.SetKeepTime(settings.value(kKeepTimeKey, false).toBool());
    }

    CommandRouter* router = Router();
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        std::make_unique<CBrimwellDoc>(),
        [this, router](CDocument* document) {
            auto* frame = new CMainFrame(router, [this](const QString& path) { OpenDocumentFile(path); });
            auto* view = new CBrimwellView(static_cast<CBrimwellDoc*>(document), router, Printer(), frame);
            frame->setCentralWidget(view);
            new WindowState(frame, router, RegistryKey(), router->Table().appName);
            new ViewPreferences(view, router, RegistryKey(), router->Table().appName);
            auto* statusBar = new CPictureStatusBar(view, frame);
            frame->setStatusBar(statusBar);
            connect(&m_player, &FramePlayer::StatusChanged, statusBar,
                    [this, statusBar] { statusBar->ShowPlayback(m_player.StatusText()); });
            frame->installEventFilter(this);
            return CSingleDocTemplate::FrameAndView{frame, view};
        },
        router->Table().DocumentString(CommandTable::kWindowTitle)));

    // --channel LETTER picks the view the first file shows (the letter was
    // checked before the application started).
    const qsizetype channelSwitch = m_arguments.indexOf(QStringLiteral("--channel"));
    if (channelSwitch >= 0 && channelSwitch + 1 < m_arguments.size()) {
        ChannelView view;
        const QByteArray letter = m_arguments.at(channelSwitch + 1).toLatin1();
        if (letter.size() == 1 && ChannelView::FromLetter(letter.at(0), view))
            Document()->SetWantedView(view);
        m_arguments.remove(channelSwitch, 2);
    }

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
    if (auto* state = frame->findChild<WindowState*>())
        state->Show();
    frame->DragAcceptFiles();
    return true;
}

CDocument* CBrimwellApp::OpenDocumentFile(const QString& path)
{
    StopPlaying();
    m_folder.BeginOpen();
    CDocument* document = CWinApp::OpenDocumentFile(path);
    if (document == nullptr) {
        // The previous picture stays, and so does its place in the folder.
        m_folder.AbandonOpen();
        return nullptr;
    }
    std::string pathBytes = pathtext::Bytes(path);
    m_folder.Rebuild(pathBytes);
    FeedStepper(pathBytes);
    Opened(std::move(pathBytes));
    return document;
}

void CBrimwellApp::Opened(std::string pathBytes)
{
    m_stepFailed = false;
    m_shownPath = std::move(pathBytes);
    if (CBrimwellDoc* document = Document())
        m_follower.Follow(document->GetPathName());
}

void CBrimwellApp::OnFileReload()
{
    StopPlaying();
    Reload(true);
}

void CBrimwellApp::Reload(bool reportFailure)
{
    CBrimwellDoc* document = Document();
    if (document == nullptr || m_shownPath.empty())
        return;
    // Past the open operation, which only raises the window for the path
    // already shown.
    if (!document->ReadFile(document->GetPathName(), reportFailure))
        return;
    if (CBrimwellView* view = View())
        view->OnReloaded();
}

void CBrimwellApp::OnFileFollow()
{
    m_follower.SetEnabled(!m_follower.IsEnabled());
    if (m_follower.IsEnabled())
        OnFolderChanged();
}

void CBrimwellApp::OnFolderChanged()
{
    // Only a list that belongs to the file shown is brought up to date; it
    // is listed anew and the place set on the file shown.
    if (m_folder.IsReady() && !m_shownPath.empty()) {
        m_folder.Rebuild(m_shownPath);
        // Playback lists the folder again at each loop's end.
        if (!m_player.IsPlaying())
            FeedStepper(m_shownPath);
    }
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

bool CBrimwellApp::IsShown(const NavigationStep& step) const
{
    const CBrimwellDoc* document = Document();
    return step.kind == NavigationStep::Kind::Open && document != nullptr &&
           CSingleDocTemplate::FullPath(pathtext::Display(step.path)) == document->GetPathName();
}

void CBrimwellApp::Step(NavigationStep (FolderList::*direction)())
{
    StopPlaying();
    m_stepDirection = direction == &FolderList::Previous ? -1 : 1;
    NavigationStep step = (m_folder.*direction)();
    // After a step to a file that failed, the place is that file, so that
    // the next step goes past it; a step back lands on the file still shown,
    // which the user sees as the place, and goes one further.
    if (m_stepFailed && IsShown(step))
        step = (m_folder.*direction)();
    Navigate(step);
}

void CBrimwellApp::OpenSteppedFile()
{
    const std::string path = std::exchange(m_steppedPath, std::string());
    if (path.empty())
        return;
    FeedStepper(path);
    // A frame read ahead is shown at once; any other is asked for and shown
    // when read, the window going on meanwhile. A later step asks for its
    // own file, and this one is no longer shown when it arrives.
    if (FrameStepper::FramePtr frame = m_stepper.FindOrRequest(path))
        OpenStepped(path, frame);
}

void CBrimwellApp::FeedStepper(const std::string& place)
{
    if (m_folder.IsReady())
        m_stepper.SetSequence({m_folder.FolderFiles().begin(), m_folder.FolderFiles().end()}, place, m_stepDirection);
}

void CBrimwellApp::OpenStepped(const std::string& path, const FrameStepper::FramePtr& frame)
{
    CBrimwellDoc* document = Document();
    if (document != nullptr)
        document->OfferFrame(frame, path);
    m_stepFailed = CWinApp::OpenDocumentFile(pathtext::Display(path)) == nullptr;
    // Unused when the open went no further than raising the window.
    if (document != nullptr)
        document->OfferFrame(nullptr, std::string());
    if (!m_stepFailed)
        Opened(path);
}

void CBrimwellApp::OnFrameArrived(const std::string& path, const FrameStepper::FramePtr& frame)
{
    if (m_player.IsPlaying())
        m_player.FrameArrived();
    else
        OpenStepped(path, frame);
}

void CBrimwellApp::OnPlay()
{
    if (m_player.IsPlaying()) {
        StopPlaying();
        return;
    }
    // A step still waiting for its open gives way to playback.
    m_steppedPath.clear();
    m_stepDirection = 1;
    if (m_shownPath.empty() || !m_folder.IsReady() || !m_player.Start(m_shownPath))
        prompts::Beep();  // no other frame in the folder to play
}

void CBrimwellApp::StopPlaying()
{
    if (!m_player.IsPlaying())
        return;
    m_player.Stop();
    // The folder's place is the frame playback stopped on, listed as when
    // the folder changes.
    OnFolderChanged();
}

void CBrimwellApp::OnFrameRate(int rate)
{
    m_player.SetRate(rate);
    SavePlaybackSetting(kRateKey, rate);
}

void CBrimwellApp::OnKeepTime()
{
    m_player.SetKeepTime(!m_player.KeepsTime());
    SavePlaybackSetting(kKeepTimeKey, m_player.KeepsTime());
}

void CBrimwellApp::SavePlaybackSetting(const QString& key, const QVariant& value)
{
    QSettings settings(RegistryKey(), Router()->Table().appName);
    settings.beginGroup(kPlaybackSection);
    settings.setValue(key, value);
}

bool CBrimwellApp::ShowPlayed(const std::string& path, const FrameStepper::FramePtr& frame)
{
    CBrimwellDoc* document = Document();
    CBrimwellView* view = View();
    CMainFrame* window = Frame();
    if (document == nullptr || view == nullptr || window == nullptr || !window->isVisible())
        return false;
    // As an open shows the file, but without a message box for a failure,
    // without an entry in the recent files for every frame, and keeping the
    // zoom and scroll position the user set up to watch.
    const QString fullPath = CSingleDocTemplate::FullPath(pathtext::Display(path));
    if (!document->ShowFrame(frame, fullPath))
        return false;
    document->SetPathName(fullPath);
    DocTemplate()->UpdateFrameTitle();
    view->OnReloaded();
    Opened(path);
    return true;
}

bool CBrimwellApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::WindowBlocked && watched == Frame())
        StopPlaying();
    return CWinApp::eventFilter(watched, event);
}

void CBrimwellApp::OnPreviousFile()
{
    Step(&FolderList::Previous);
}

void CBrimwellApp::OnNextFile()
{
    Step(&FolderList::Next);
}

void CBrimwellApp::OnFirstFile()
{
    StopPlaying();
    m_stepDirection = 1;
    Navigate(m_folder.First());
}

void CBrimwellApp::OnLastFile()
{
    StopPlaying();
    m_stepDirection = -1;
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
