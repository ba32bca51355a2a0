#include "Viewer.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandIds.h"
#include "CommandRouter.h"
#include "MainFrame.h"
#include "PathText.h"
#include "PlaybackSchedule.h"
#include "Prompts.h"
#include "SingleDocTemplate.h"
#include "WinApp.h"

#include <QActionGroup>
#include <QSettings>
#include <QTimer>

#include <algorithm>
#include <iterator>
#include <unordered_set>
#include <utility>

namespace {

// Where the chosen rate and keeping time are remembered.
const QString kPlaybackSection = QStringLiteral("Playback");
const QString kRateKey = QStringLiteral("Rate");
const QString kKeepTimeKey = QStringLiteral("KeepTime");

}  // namespace

Viewer::Viewer(CWinApp& app, QString settingsOrganization, QString settingsApplication)
    : QObject(&app),
      m_app(app),
      m_settingsOrganization(std::move(settingsOrganization)),
      m_settingsApplication(std::move(settingsApplication)),
      m_player(
          m_readAhead,
          [this] { return PlayedFiles(); },
          [this](const std::string& path, const FrameReadAhead::FramePtr& frame) { return ShowPlayed(path, frame); })
{
    connect(&m_readAhead, &FrameReadAhead::FrameArrived, this, &Viewer::OnFrameArrived);
    connect(&m_readAhead, &FrameReadAhead::PassedFrameArrived, this, &Viewer::OnPassedFrameArrived);
    CommandRouter* router = app.Router();
    router->SetHandler(this, ID_FILE_PREVIOUS, &Viewer::Previous);
    router->SetHandler(this, ID_FILE_NEXT, &Viewer::Next);
    router->SetUpdateHandler(this, ID_FILE_PREVIOUS, [this] { return m_folder.CanPrevious(); });
    router->SetUpdateHandler(this, ID_FILE_NEXT, [this] { return m_folder.CanNext(); });
    router->SetHandler(this, ID_FILE_FIRST, &Viewer::First);
    router->SetHandler(this, ID_FILE_LAST, &Viewer::Last);
    router->SetHandler(this, ID_FILE_RELOAD, [this] {
        StopPlaying();
        Reload(true);
    });
    router->SetUpdateHandler(this, ID_FILE_RELOAD, [this] { return !m_shownPath.empty(); });
    router->SetHandler(this, ID_FILE_FOLLOW, &Viewer::ToggleFollow);
    router->SetCheckHandler(this, ID_FILE_FOLLOW, [this] { return m_follower.IsEnabled(); });
    router->SetHandler(this, ID_VIEW_PLAY, &Viewer::TogglePlay);
    router->SetUpdateHandler(this, ID_VIEW_PLAY, [this] { return m_folder.IsReady() && !m_shownPath.empty(); });
    router->SetCheckHandler(this, ID_VIEW_PLAY, [this] { return m_player.IsPlaying(); });
    auto* rates = new QActionGroup(this);
    for (int i = 0; i < int(std::size(PlaybackSchedule::kRates)); ++i) {
        const int rate = PlaybackSchedule::kRates[i];
        router->SetHandler(this, ID_VIEW_RATE_FIRST + i, [this, rate] { SetFrameRate(rate); });
        router->SetCheckHandler(this, ID_VIEW_RATE_FIRST + i, [this, rate] { return m_player.Rate() == rate; });
        rates->addAction(router->Action(ID_VIEW_RATE_FIRST + i));
    }
    router->SetHandler(this, ID_VIEW_KEEP_TIME, &Viewer::ToggleKeepTime);
    router->SetCheckHandler(this, ID_VIEW_KEEP_TIME, [this] { return m_player.KeepsTime(); });
    m_follower.fileSettled = [this] {
        // Playing, the cache notices a changed file by itself.
        if (!m_player.IsPlaying())
            Reload(false);
    };
    // Changes on disk come in bursts: listed off this thread, coalesced.
    m_follower.folderChanged = [this] {
        if (m_folder.IsReady() && !m_shownPath.empty())
            m_relister.Request(m_shownPath);
    };
    m_relister.listed = [this](const std::string& path, FolderList::Files files) {
        OnFolderListed(path, std::move(files));
    };
}

Viewer::~Viewer()
{
    // The document outlives this object (the application deletes it first).
    if (CBrimwellDoc* document = Document())
        document->OnWantedDrawingChanged({});
}

CBrimwellDoc* Viewer::Document() const
{
    return m_app.DocTemplate() ? static_cast<CBrimwellDoc*>(m_app.DocTemplate()->Document()) : nullptr;
}

CBrimwellView* Viewer::View() const
{
    return m_app.DocTemplate() ? static_cast<CBrimwellView*>(m_app.DocTemplate()->View()) : nullptr;
}

CMainFrame* Viewer::Frame() const
{
    return m_app.DocTemplate() ? static_cast<CMainFrame*>(m_app.DocTemplate()->Frame()) : nullptr;
}

void Viewer::LoadPlaybackSettings()
{
    QSettings settings(m_settingsOrganization, m_settingsApplication);
    settings.beginGroup(kPlaybackSection);
    const int rate = settings.value(kRateKey, PlaybackSchedule::kDefaultRate).toInt();
    const auto& offered = PlaybackSchedule::kRates;
    m_player.SetRate(std::find(std::begin(offered), std::end(offered), rate) != std::end(offered)
                         ? rate
                         : PlaybackSchedule::kDefaultRate);
    m_player.SetKeepTime(settings.value(kKeepTimeKey, false).toBool());
}

CDocument* Viewer::Open(const QString& path)
{
    StopPlaying();
    m_folder.BeginOpen();
    CDocument* document = m_app.DocTemplate() ? m_app.DocTemplate()->OpenDocumentFile(path) : nullptr;
    if (document == nullptr) {
        // The previous picture stays, and so does its place in the folder.
        m_folder.AbandonOpen();
        return nullptr;
    }
    // A step still to come would put its older file over this one.
    m_steppedPath.clear();
    m_readAhead.Forget();
    const std::string pathBytes = pathtext::Bytes(path);
    m_folder.Rebuild(pathBytes);
    emit FolderListed();
    // Shown first: the read-ahead then holds the frame just read rather
    // than reading it again.
    Shown(pathBytes);
    FeedReadAhead(pathBytes);
    return document;
}

void Viewer::Shown(std::string pathBytes, bool passed)
{
    m_stepFailed = false;
    m_shownPath = std::move(pathBytes);
    if (CBrimwellDoc* document = Document()) {
        // A view or look chosen from now on has the frames ahead drawn in it.
        document->OnWantedDrawingChanged([this] {
            if (const CBrimwellDoc* changed = Document())
                m_readAhead.SetWanted(changed->WantedDrawing());
        });
        m_readAhead.SetShown(m_shownPath, document->Frame());
        m_follower.Follow(document->GetPathName());
    }
    // Playback and the sequence's steps show files past the folder's own
    // steps: Previous and Next go on from the file on screen. A frame passed
    // on the way to the latest step leaves the place on that step.
    if (!passed) {
        m_folder.MoveTo(m_shownPath);
        if (std::exchange(m_relistAfterStep, false) && m_follower.IsEnabled() && m_folder.IsReady())
            m_relister.Request(m_shownPath);
    }
    emit FileShown();
    emit FrameShown();
}

void Viewer::SetCompanion(const CompanionRule& rule)
{
    if (rule == m_readAhead.Companion())
        return;
    m_readAhead.SetCompanion(rule);
    if (!m_shownPath.empty())
        FeedReadAhead(m_shownPath);
}

void Viewer::Reload(bool reportFailure)
{
    CBrimwellDoc* document = Document();
    if (document == nullptr || m_shownPath.empty())
        return;
    // Past the open path, which only raises the window for the path shown.
    if (!document->ReadFile(document->GetPathName(), reportFailure))
        return;
    m_readAhead.SetShown(m_shownPath, document->Frame());
    if (CBrimwellView* view = View())
        view->OnReloaded();
    emit FrameShown();
}

void Viewer::ToggleFollow()
{
    m_follower.SetEnabled(!m_follower.IsEnabled());
    if (m_follower.IsEnabled())
        OnFolderChanged();
}

void Viewer::OnFolderChanged()
{
    // Only a list that belongs to the file shown is brought up to date; it
    // is listed anew and the place set on the file shown.
    if (m_folder.IsReady() && !m_shownPath.empty()) {
        m_folder.Rebuild(m_shownPath);
        emit FolderListed();
        // Playback lists the folder again at each loop's end.
        if (!m_player.IsPlaying())
            FeedReadAhead(m_shownPath);
    }
}

void Viewer::OnFolderListed(const std::string& path, FolderList::Files files)
{
    // A listing that arrives after following was turned off is dropped: the
    // list then stays the folder as the last open saw it.
    if (!m_follower.IsEnabled())
        return;
    // One made while a step's open waits (scheduled, or its frame being
    // read) would put the place back on the file shown before it: the
    // folder is listed again once the next file is shown.
    if (!m_steppedPath.empty() || m_readAhead.Awaiting()) {
        m_relistAfterStep = true;
        return;
    }
    // A listing of a folder no longer shown, or made while an open was
    // under way, is stale.
    if (!m_folder.IsReady() || path != m_shownPath)
        return;
    const bool changed = files != m_folder.FolderFiles();
    m_folder.Adopt(path, std::move(files));
    if (changed)
        emit FolderListed();
    if (changed && !m_player.IsPlaying())
        FeedReadAhead(path);
}

void Viewer::Navigate(const NavigationStep& step)
{
    switch (step.kind) {
    case NavigationStep::Kind::Open:
        // The position has moved already. The open waits for the event loop,
        // so that steps a held key piles up while a file loads only move the
        // position, and once the key is released one more load runs.
        if (m_steppedPath.empty())
            QTimer::singleShot(0, this, &Viewer::OpenSteppedFile);
        m_steppedPath = step.path;
        break;
    case NavigationStep::Kind::Beep:
        prompts::Beep();
        break;
    case NavigationStep::Kind::Nothing:
        break;
    }
}

bool Viewer::IsShown(const NavigationStep& step) const
{
    const CBrimwellDoc* document = Document();
    return step.kind == NavigationStep::Kind::Open && document != nullptr &&
           CSingleDocTemplate::FullPath(pathtext::Display(step.path)) == document->GetPathName();
}

void Viewer::Step(NavigationStep (FolderList::*direction)())
{
    StopPlaying();
    m_sequenceStep = false;
    m_stepDirection = direction == &FolderList::Previous ? -1 : 1;
    NavigationStep step = (m_folder.*direction)();
    // After a step to a file that failed, the place is that file, so that
    // the next step goes past it; a step back lands on the file still shown,
    // which the user sees as the place, and goes one further.
    if (m_stepFailed && IsShown(step))
        step = (m_folder.*direction)();
    Navigate(step);
}

void Viewer::Previous()
{
    Step(&FolderList::Previous);
}

void Viewer::Next()
{
    Step(&FolderList::Next);
}

void Viewer::First()
{
    StopPlaying();
    m_sequenceStep = false;
    m_stepDirection = 1;
    Navigate(m_folder.First());
}

void Viewer::Last()
{
    StopPlaying();
    m_sequenceStep = false;
    m_stepDirection = -1;
    Navigate(m_folder.Last());
}

void Viewer::ShowSequenceFrame(const std::string& path, int direction)
{
    StopPlaying();
    m_stepDirection = direction < 0 ? -1 : 1;
    m_sequenceStep = true;
    Navigate(NavigationStep{NavigationStep::Kind::Open, path});
}

bool Viewer::StepPending() const
{
    return !m_steppedPath.empty() || (!m_player.IsPlaying() && m_readAhead.Awaiting());
}

void Viewer::OpenSteppedFile()
{
    const std::string path = std::exchange(m_steppedPath, std::string());
    if (path.empty())
        return;
    FeedReadAhead(path);
    // A frame read ahead is shown at once; any other is asked for and shown
    // when read, the window going on meanwhile. A later step asks for its
    // own file; this one is still shown if it is read first, so that a held
    // key or a scrub shows frames as fast as they are read.
    if (FrameReadAhead::FramePtr frame = m_readAhead.FindOrRequest(path, FrameReadAhead::Earlier::Passed))
        OpenStepped(path, frame);
}

void Viewer::FeedReadAhead(const std::string& place)
{
    if (const CBrimwellDoc* document = Document())
        m_readAhead.SetWanted(document->WantedDrawing());
    if (!m_folder.IsReady())
        return;
    std::optional<SequencePlay> sequence = m_sequenceStep && sequencePlay ? sequencePlay() : std::nullopt;
    if (sequence) {
        // Missing numbers have no file to read, and ping-pong's way back
        // names each frame again.
        std::vector<std::string> frames;
        std::unordered_set<std::string> named;
        for (std::string& path : sequence->paths)
            if (!path.empty() && named.insert(path).second)
                frames.push_back(std::move(path));
        m_readAhead.SetSequence(frames, place, m_stepDirection);
    } else {
        m_readAhead.SetSequence({m_folder.FolderFiles().begin(), m_folder.FolderFiles().end()}, place, m_stepDirection);
    }
}

std::vector<std::string> Viewer::PlayedFiles() const
{
    if (m_playingSequence && sequencePlay)
        if (std::optional<SequencePlay> sequence = sequencePlay())
            return std::move(sequence->paths);
    return {m_folder.FolderFiles().begin(), m_folder.FolderFiles().end()};
}

void Viewer::OpenStepped(const std::string& path, const FrameReadAhead::FramePtr& frame, bool passed)
{
    CSingleDocTemplate* docTemplate = m_app.DocTemplate();
    if (docTemplate == nullptr)
        return;
    // A navigation step opens through the single-document open path, as the
    // user's opens do, but leaves the folder list as it is.
    const QString display = pathtext::Display(path);
    CDocument* opened = frame ? docTemplate->OpenDocumentFile(display,
                                                              [&frame](CDocument& document, const QString& fullPath) {
                                                                  return static_cast<CBrimwellDoc&>(document)
                                                                      .ShowFrame(frame, fullPath);
                                                              })
                              : docTemplate->OpenDocumentFile(display);
    if (passed) {
        if (opened != nullptr)
            Shown(path, true);
        return;
    }
    m_stepFailed = opened == nullptr;
    if (!m_stepFailed)
        Shown(path);
}

void Viewer::OnFrameArrived(const std::string& path, const FrameReadAhead::FramePtr& frame)
{
    if (m_player.IsPlaying()) {
        m_player.FrameArrived();
        return;
    }
    // A step made since, its open waiting for the event loop, has moved the
    // place on already: this frame is shown on the way (a failure is that
    // step's to report, not this one's), and the place stays where it is.
    if (!m_steppedPath.empty()) {
        if (frame)
            OpenStepped(path, frame, true);
        return;
    }
    OpenStepped(path, frame);
}

void Viewer::OnPassedFrameArrived(const std::string& path, const FrameReadAhead::FramePtr& frame)
{
    if (!m_player.IsPlaying())
        OpenStepped(path, frame, true);
}

void Viewer::TogglePlay()
{
    if (m_player.IsPlaying()) {
        StopPlaying();
        return;
    }
    // A step still waiting for its open gives way to playback.
    m_steppedPath.clear();
    m_stepDirection = 1;
    if (const CBrimwellDoc* document = Document())
        m_readAhead.SetWanted(document->WantedDrawing());
    std::optional<SequencePlay> sequence = sequencePlay ? sequencePlay() : std::nullopt;
    m_playingSequence = sequence.has_value();
    m_player.SetOnce(sequence && sequence->once);
    const bool started = !m_shownPath.empty() && m_folder.IsReady() &&
                         (sequence ? m_player.StartAt(sequence->shownPlace) : m_player.Start(m_shownPath));
    if (!started)
        prompts::Beep();  // no other frame to play
}

void Viewer::StopPlaying()
{
    if (!m_player.IsPlaying())
        return;
    m_player.Stop();
    // The folder's place is the frame playback stopped on, listed as when
    // the folder changes.
    OnFolderChanged();
}

void Viewer::SetFrameRate(int rate)
{
    m_player.SetRate(rate);
    SavePlaybackSetting(kRateKey, rate);
}

void Viewer::ToggleKeepTime()
{
    m_player.SetKeepTime(!m_player.KeepsTime());
    SavePlaybackSetting(kKeepTimeKey, m_player.KeepsTime());
}

void Viewer::SavePlaybackSetting(const QString& key, const QVariant& value)
{
    QSettings settings(m_settingsOrganization, m_settingsApplication);
    settings.beginGroup(kPlaybackSection);
    settings.setValue(key, value);
}

bool Viewer::ShowPlayed(const std::string& path, const FrameReadAhead::FramePtr& frame)
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
    m_app.DocTemplate()->UpdateFrameTitle();
    view->OnReloaded();
    // A view chosen while playing is drawn by the reads from now on.
    m_readAhead.SetWanted(document->WantedDrawing());
    Shown(path);
    return true;
}
