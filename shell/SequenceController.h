// The shown file's sequence in the window: which frame of it is shown (the
// status bar's "0042 of 0001–0240"), the timeline under the picture, the
// frame keys (`,` `.` Ctrl+G), the in and out points and how playback goes
// round. It decides what to show and asks the Viewer to show it; playback
// takes the sequence's playing order from here.
//
// Which sequence: the one the file on screen belongs to among its folder's
// files (FrameSequence), taken again whenever the folder is listed or a file
// of another sequence is shown. The place on the timeline is a frame number;
// a missing number shows the frame before it (TimelineRange).
//
// Threads: the window's thread only, as the Viewer.
#pragma once

#include "TimelineBar.h"
#include "TimelineRange.h"
#include "Viewer.h"

#include <QDockWidget>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CMainFrame;
class CPictureStatusBar;
class CommandRouter;

class SequenceController : public QObject {
    Q_OBJECT
public:
    SequenceController(Viewer& viewer, CommandRouter* router, QString settingsOrganization,
                       QString settingsApplication);

    // The window is made: the timeline goes under the picture and the
    // frame's number into the status bar.
    void AttachWindow(CMainFrame* frame, CPictureStatusBar* statusBar);

    const TimelineRange& Range() const { return m_range; }
    // The frame number on the timeline; meaningful while Range() is a
    // sequence.
    std::int64_t Position() const { return m_position; }
    CTimelineBar* Timeline() const { return m_timeline; }
    bool TimelineShown() const;

    // The commands, by name for tests and the timeline.
    void PreviousFrame();
    void NextFrame();
    void GoToFrame();
    void SetIn();
    void SetOut();
    void ClearInOut();
    void ToggleTimeline();
    void SetMode(PlayMode mode);
    // Shows the frame numbered number (the frame before it, when it is
    // missing); direction is where read-ahead goes next.
    void ShowNumber(std::int64_t number, int direction);

private:
    // The folder was listed: the sequence of the file shown, taken again.
    void OnFolderListed();
    // A file is on screen: its place on the timeline.
    void OnFileShown();
    // The folder's own spelling of the file shown.
    std::string ShownInList() const;
    void TakeSequenceOf(const std::string& path);
    std::optional<Viewer::SequencePlay> PlayList();
    // A missing frame's slot came while playing.
    void OnMissingPlayed(std::size_t place);
    // Brings the status bar and the timeline up to date.
    void Refresh();
    void SaveSetting(const QString& key, const QVariant& value);

    Viewer& m_viewer;
    const QString m_settingsOrganization;
    const QString m_settingsApplication;
    TimelineRange m_range;
    std::int64_t m_position = 0;
    std::string m_positionShown;  // the file on screen when the position was last shown
    // The numbers of the list playback was last given, for its missing
    // frames' places.
    std::vector<std::int64_t> m_playedOrder;
    // The user's choice for sequences; a file in none never shows it.
    bool m_timelineWanted = true;
    QPointer<CTimelineBar> m_timeline;
    QPointer<QDockWidget> m_dock;
    QPointer<CPictureStatusBar> m_statusBar;
};
