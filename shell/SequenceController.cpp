#include "SequenceController.h"

#include "AppCommandIds.h"
#include "CommandRouter.h"
#include "MainFrame.h"
#include "NumberFieldsDialog.h"
#include "PictureStatusBar.h"
#include "Prompts.h"
#include "TimelineBar.h"

#include <QActionGroup>
#include <QDockWidget>
#include <QSettings>
#include <QVariant>

#include <cmath>
#include <utility>

namespace {

const QString kTimelineSection = QStringLiteral("Timeline");
const QString kShownKey = QStringLiteral("Shown");
const QString kModeKey = QStringLiteral("Mode");

// The play modes as the settings store them.
PlayMode ModeFromSetting(int value)
{
    switch (value) {
    case 1:
        return PlayMode::Once;
    case 2:
        return PlayMode::PingPong;
    default:
        return PlayMode::Loop;
    }
}

int SettingOfMode(PlayMode mode)
{
    return mode == PlayMode::Once ? 1 : mode == PlayMode::PingPong ? 2 : 0;
}

// Runs of missing numbers, for the timeline to mark.
std::vector<CTimelineBar::Gap> GapsOf(const FrameSequence& sequence)
{
    std::vector<CTimelineBar::Gap> gaps;
    const auto& frames = sequence.Frames();
    for (std::size_t i = 1; i < frames.size(); ++i)
        if (frames[i].number > frames[i - 1].number + 1)
            gaps.emplace_back(frames[i - 1].number + 1, frames[i].number - 1);
    return gaps;
}

}  // namespace

SequenceController::SequenceController(Viewer& viewer, CommandRouter* router, QString settingsOrganization,
                                       QString settingsApplication)
    : QObject(&viewer),
      m_viewer(viewer),
      m_settingsOrganization(std::move(settingsOrganization)),
      m_settingsApplication(std::move(settingsApplication))
{
    {
        QSettings settings(m_settingsOrganization, m_settingsApplication);
        settings.beginGroup(kTimelineSection);
        m_timelineWanted = settings.value(kShownKey, true).toBool();
        m_range.SetMode(ModeFromSetting(settings.value(kModeKey, 0).toInt()));
    }
    connect(&m_viewer, &Viewer::FolderListed, this, &SequenceController::OnFolderListed);
    connect(&m_viewer, &Viewer::FileShown, this, &SequenceController::OnFileShown);
    m_viewer.sequencePlay = [this] { return PlayList(); };
    m_viewer.Player().missingShown = [this](std::size_t place) { OnMissingPlayed(place); };

    const auto inSequence = [this] { return m_range.IsSequence(); };
    router->SetHandler(this, ID_VIEW_TIMELINE, &SequenceController::ToggleTimeline);
    router->SetUpdateHandler(this, ID_VIEW_TIMELINE, inSequence);
    router->SetCheckHandler(this, ID_VIEW_TIMELINE, [this] { return TimelineShown(); });
    router->SetHandler(this, ID_FRAME_PREVIOUS, &SequenceController::PreviousFrame);
    router->SetUpdateHandler(this, ID_FRAME_PREVIOUS, inSequence);
    router->SetHandler(this, ID_FRAME_NEXT, &SequenceController::NextFrame);
    router->SetUpdateHandler(this, ID_FRAME_NEXT, inSequence);
    router->SetHandler(this, ID_FRAME_GO_TO, &SequenceController::GoToFrame);
    router->SetUpdateHandler(this, ID_FRAME_GO_TO, inSequence);
    router->SetHandler(this, ID_FRAME_SET_IN, &SequenceController::SetIn);
    router->SetUpdateHandler(this, ID_FRAME_SET_IN, inSequence);
    router->SetHandler(this, ID_FRAME_SET_OUT, &SequenceController::SetOut);
    router->SetUpdateHandler(this, ID_FRAME_SET_OUT, inSequence);
    router->SetHandler(this, ID_FRAME_CLEAR_IN_OUT, &SequenceController::ClearInOut);
    router->SetUpdateHandler(this, ID_FRAME_CLEAR_IN_OUT,
                             [this] { return m_range.IsSequence() && (m_range.HasIn() || m_range.HasOut()); });
    auto* modes = new QActionGroup(this);
    const std::pair<int, PlayMode> modeCommands[] = {
        {ID_PLAY_LOOP, PlayMode::Loop}, {ID_PLAY_ONCE, PlayMode::Once}, {ID_PLAY_PING_PONG, PlayMode::PingPong}};
    for (const auto& [id, mode] : modeCommands) {
        router->SetHandler(this, id, [this, mode = mode] { SetMode(mode); });
        router->SetUpdateHandler(this, id, inSequence);
        router->SetCheckHandler(this, id, [this, mode = mode] { return m_range.Mode() == mode; });
        modes->addAction(router->Action(id));
    }
}

void SequenceController::AttachWindow(CMainFrame* frame, CPictureStatusBar* statusBar)
{
    m_statusBar = statusBar;
    m_timeline = new CTimelineBar;
    connect(m_timeline, &CTimelineBar::Scrubbed, this, [this](std::int64_t number) {
        ShowNumber(number, number >= m_position ? 1 : -1);
    });
    // A dock without a title or a close box: the bottom dock area lies
    // between the picture and the toolbar, so the timeline sits right under
    // the picture and the toolbar keeps its place.
    m_dock = new QDockWidget(frame);
    m_dock->setObjectName(QStringLiteral("Timeline"));
    m_dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    m_dock->setAllowedAreas(Qt::BottomDockWidgetArea);
    m_dock->setTitleBarWidget(new QWidget(m_dock));
    m_dock->setWidget(m_timeline);
    frame->addDockWidget(Qt::BottomDockWidgetArea, m_dock);
    Refresh();
}

bool SequenceController::TimelineShown() const
{
    return m_dock && !m_dock->isHidden();
}

std::string SequenceController::ShownInList() const
{
    return m_viewer.Folder().CurrentFile().value_or(m_viewer.ShownPath());
}

void SequenceController::TakeSequenceOf(const std::string& path)
{
    const auto& files = m_viewer.Folder().FolderFiles();
    m_range.Replace(FrameSequence::Of(std::vector<std::string>(files.begin(), files.end()), path));
    if (const std::optional<std::size_t> index = m_range.Sequence().IndexOfPath(path))
        m_position = m_range.Sequence().Frames()[*index].number;
    else if (const std::optional<FrameName> name = ParseFrameName(path))
        m_position = name->number;  // a file left out for another of its number
}

void SequenceController::OnFolderListed()
{
    // With the same file on screen, the position stays on a missing number
    // the folder still lacks.
    const std::int64_t position = m_position;
    const std::string shown = ShownInList();
    TakeSequenceOf(shown);
    const FrameSequence::Frame* frame = m_range.FrameShownFor(position);
    if (shown == m_positionShown && frame != nullptr && frame->path == shown)
        m_position = position;
    Refresh();
}

void SequenceController::OnFileShown()
{
    // A frame shown on the way to a later place (a scrub passing it): the
    // timeline stays on the place asked, from which the frame keys go on.
    if (m_viewer.StepPending())
        return;
    const std::string shown = ShownInList();
    const FrameSequence::Frame* atPosition = m_range.FrameShownFor(m_position);
    if (atPosition != nullptr && atPosition->path == shown) {
        // The frame the position shows (a missing number's, perhaps).
    } else if (const std::optional<FrameName> name = ParseFrameName(shown);
               name && m_range.IsSequence() && m_range.Sequence().IndexOfNumber(name->number) &&
               m_range.FrameShownFor(name->number)->path == shown) {
        m_position = name->number;
    } else {
        TakeSequenceOf(shown);
    }
    Refresh();
}

void SequenceController::ShowNumber(std::int64_t number, int direction)
{
    const FrameSequence::Frame* frame = m_range.FrameShownFor(number);
    if (frame == nullptr)
        return;
    m_position = number;
    // A missing number next to the frame shown needs no read; but a frame
    // asked for before would still replace it once read.
    if (frame->path != ShownInList() || m_viewer.StepPending())
        m_viewer.ShowSequenceFrame(frame->path, direction);
    Refresh();
}

void SequenceController::PreviousFrame()
{
    if (const std::optional<std::int64_t> number = m_range.Previous(m_position))
        ShowNumber(*number, -1);
    else
        prompts::Beep();
}

void SequenceController::NextFrame()
{
    if (const std::optional<std::int64_t> number = m_range.Next(m_position))
        ShowNumber(*number, 1);
    else
        prompts::Beep();
}

void SequenceController::GoToFrame()
{
    if (!m_range.IsSequence())
        return;
    m_viewer.StopPlaying();
    const std::int64_t first = m_range.First();
    const std::int64_t last = m_range.Last();
    const auto acceptable = [first, last](const std::vector<double>& values) {
        return values.size() == 1 && values[0] == std::floor(values[0]) && values[0] >= double(first) &&
               values[0] <= double(last);
    };
    const QString hint = QStringLiteral("A frame number from %1 to %2.")
                             .arg(QString::fromStdString(m_range.Sequence().Written(first)),
                                  QString::fromStdString(m_range.Sequence().Written(last)));
    QWidget* parent = m_dock ? m_dock->window() : nullptr;
    CNumberFieldsDialog dialog(parent, QStringLiteral("Go to Frame"),
                               {{QStringLiteral("Frame:"), double(m_position)}}, hint, acceptable);
    if (prompts::RunModal(dialog) != QDialog::Accepted)
        return;
    const std::vector<double> values = dialog.Values();
    if (!acceptable(values))
        return;
    const auto number = static_cast<std::int64_t>(values[0]);
    ShowNumber(number, number >= m_position ? 1 : -1);
}

void SequenceController::SetIn()
{
    m_range.SetIn(m_position);
    Refresh();
}

void SequenceController::SetOut()
{
    m_range.SetOut(m_position);
    Refresh();
}

void SequenceController::ClearInOut()
{
    m_range.ClearInOut();
    Refresh();
}

void SequenceController::ToggleTimeline()
{
    if (!m_range.IsSequence())
        return;
    m_timelineWanted = !TimelineShown();
    SaveSetting(kShownKey, m_timelineWanted);
    Refresh();
}

void SequenceController::SetMode(PlayMode mode)
{
    m_range.SetMode(mode);
    SaveSetting(kModeKey, SettingOfMode(mode));
    // Once takes effect from the frame shown; ping-pong's way back from the
    // end of the pass under way, when playback takes the list again.
    if (m_viewer.PlayingSequence())
        m_viewer.Player().SetOnce(mode == PlayMode::Once);
}

std::optional<Viewer::SequencePlay> SequenceController::PlayList()
{
    if (!m_range.IsSequence())
        return std::nullopt;
    Viewer::SequencePlay play;
    m_playedOrder = m_range.PlayOrder();
    play.paths.reserve(m_playedOrder.size());
    for (std::int64_t number : m_playedOrder)
        play.paths.push_back(m_range.IsMissing(number) ? std::string() : m_range.FrameShownFor(number)->path);
    play.shownPlace = TimelineRange::StartPlace(m_playedOrder, m_position);
    play.once = m_range.Mode() == PlayMode::Once;
    return play;
}

void SequenceController::OnMissingPlayed(std::size_t place)
{
    if (place >= m_playedOrder.size())
        return;
    m_position = m_playedOrder[place];
    Refresh();
}

void SequenceController::Refresh()
{
    const bool sequence = m_range.IsSequence();
    m_positionShown = ShownInList();
    if (m_statusBar)
        m_statusBar->ShowFrameNumber(QString::fromStdString(m_range.PositionText(m_position)));
    if (!m_timeline || !m_dock)
        return;
    if (sequence) {
        if (m_timeline->minimum() != m_range.First() || m_timeline->maximum() != m_range.Last() ||
            m_timeline->Gaps() != GapsOf(m_range.Sequence()))
            m_timeline->SetSequence(m_range.First(), m_range.Last(), GapsOf(m_range.Sequence()));
        m_timeline->SetPosition(m_position);
        m_timeline->SetInOut(m_range.In(), m_range.Out(), m_range.HasIn(), m_range.HasOut());
    }
    const bool show = sequence && m_timelineWanted;
    if (show != TimelineShown())
        m_dock->setVisible(show);
}

void SequenceController::SaveSetting(const QString& key, const QVariant& value)
{
    QSettings settings(m_settingsOrganization, m_settingsApplication);
    settings.beginGroup(kTimelineSection);
    settings.setValue(key, value);
}
