// What the window shows, and the one road every change of it takes: an open
// by the user, a step through the folder, a tick of playback and a reload
// all go through this object, which owns the folder list, the read-ahead
// (FrameReadAhead), the player and the follower of the file on disk.
//
// A key press to the painted frame, file by file:
//   1. framework/CommandRouter.cpp: the key's action runs the handler this
//      object registered for the command (Next, say).
//   2. shell/Viewer.cpp (here): Step moves the folder's place and, once the
//      event loop has passed, OpenSteppedFile asks the read-ahead for the
//      file's frame.
//   3. frames/FrameReadAhead.cpp: the frame read ahead is handed back at once;
//      any other is read on a worker and comes back through FrameArrived.
//   4. shell/Viewer.cpp again: Show puts the frame in the document (through
//      the single-document open path, as any open), and the view, given its
//      update, paints the document's picture (view/BrimwellView.cpp).
//
// Playback goes through the shown file's sequence in number order when it
// has one (sequencePlay, which shell/SequenceController sets), else through
// the folder; the sequence's frame keys and timeline reach files through
// ShowSequenceFrame, merged as steps are.
//
// Threads: this object and all it owns belong to the window's thread; only
// the read-ahead's workers run elsewhere, and they reach it through the
// read-ahead's queued FrameArrived.
#pragma once

#include "FileFollower.h"
#include "FolderList.h"
#include "FolderRelister.h"
#include "FramePlayer.h"
#include "FrameReadAhead.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class CBrimwellDoc;
class CBrimwellView;
class CDocument;
class CMainFrame;
class CWinApp;

class Viewer : public QObject {
    Q_OBJECT
public:
    // app: its router gets the navigation, reload, follow and playback
    // commands; its document template shows the frames. settingsOrganization
    // and settingsApplication name where playback's choices are remembered.
    Viewer(CWinApp& app, QString settingsOrganization, QString settingsApplication);
    ~Viewer() override;

    // The application's open operation: reads path into the document and
    // lists its folder anew. Null when the file did not open (reported).
    CDocument* Open(const QString& path);

    void Previous();
    void Next();
    void First();
    void Last();

    // Reads the file shown again, keeping zoom and scroll position; a
    // failure is reported only when reportFailure (F5, not following).
    void Reload(bool reportFailure);
    void ToggleFollow();

    // Plays the shown file's sequence (sequencePlay) or else the folder from
    // the file shown, or stops on the frame shown.
    void TogglePlay();
    void SetFrameRate(int rate);
    void ToggleKeepTime();
    // Stops playback before anything else opens a file; the folder's place
    // is then the frame shown.
    void StopPlaying();
    // The rate and keeping time remembered from the last run.
    void LoadPlaybackSettings();

    // Reads the file that rule pairs with each frame beside it, through the
    // read-ahead: steps and playback then show each frame once its
    // companion is read too (see FrameReadAhead).
    void SetCompanion(const CompanionRule& rule);

    // The shown file's sequence as playback takes it: the paths in playing
    // order (empty for a missing number), the place of the frame on screen
    // and whether to stop at the end.
    struct SequencePlay {
        std::vector<std::string> paths;
        std::size_t shownPlace = 0;
        bool once = false;
    };
    // Set by the sequence controller: nothing when the file shown is in no
    // sequence, which plays the folder.
    std::function<std::optional<SequencePlay>()> sequencePlay;

    // Shows path, a frame of the shown file's sequence, as a step does: the
    // open waits for the event loop, and each frame asked for is read at
    // once and shown when it arrives before one asked later (a scrub shows
    // frames as fast as they are read, and stops on the last one asked).
    // Read-ahead goes along the sequence in direction (+1 or -1).
    void ShowSequenceFrame(const std::string& path, int direction);
    // Whether a step's file is still to be shown (its open scheduled, or
    // its frame being read): a further one would only replace it.
    bool StepPending() const;
    const std::string& ShownPath() const { return m_shownPath; }
    bool PlayingSequence() const { return m_player.IsPlaying() && m_playingSequence; }

    const FolderList& Folder() const { return m_folder; }
    FileFollower& Follower() { return m_follower; }
    FramePlayer& Player() { return m_player; }
    FrameReadAhead& ReadAhead() { return m_readAhead; }

signals:
    // A file was put on screen (an open, a step, a frame of playback) or
    // read again.
    void FrameShown();

    // A file is on screen (ShownPath), whichever road brought it.
    void FileShown();
    // The folder of the file shown was listed (again).
    void FolderListed();

private:
    CBrimwellDoc* Document() const;
    CBrimwellView* View() const;
    CMainFrame* Frame() const;

    // Does what a navigation step asks: schedule its file's open, or beep.
    void Navigate(const NavigationStep& step);
    // Previous or Next, from the file shown.
    void Step(NavigationStep (FolderList::*direction)());
    // Whether step opens the file shown.
    bool IsShown(const NavigationStep& step) const;
    // Opens the file the folder position reached, once, for however many
    // steps arrived since the last open was scheduled.
    void OpenSteppedFile();
    // Opens path through the single-document open path, showing frame (read
    // ahead) when there is one; without one, the file is read as any open
    // reads it (and a failure reported as any open reports it). passed: a
    // frame on the way to a later step, which is still to come.
    void OpenStepped(const std::string& path, const FrameReadAhead::FramePtr& frame, bool passed = false);
    // A read the read-ahead awaited has finished: playback's, or a step's.
    void OnFrameArrived(const std::string& path, const FrameReadAhead::FramePtr& frame);
    // The frame of a step passed by a later one was read first.
    void OnPassedFrameArrived(const std::string& path, const FrameReadAhead::FramePtr& frame);
    // Puts a frame of playback on screen, quietly and keeping zoom and
    // scroll; false when there is no window to show it in.
    bool ShowPlayed(const std::string& path, const FrameReadAhead::FramePtr& frame);
    // A file is on screen (pathBytes as the reader took it): follow it on
    // disk, and count its frame against the frames' memory. passed: shown on
    // the way to a later step, the folder's place staying on that step.
    void Shown(std::string pathBytes, bool passed = false);
    // The folder's list (or, after a step of the sequence, the sequence's
    // frames) and the place reached, for the read-ahead.
    void FeedReadAhead(const std::string& place);
    // What playback goes through: the sequence's list when playing it, else
    // the folder's.
    std::vector<std::string> PlayedFiles() const;
    // The folder of the file shown is to be listed again now (a stop of
    // playback, following turned on): listed at once, keeping the place.
    void OnFolderChanged();
    // A background listing of path's folder (a change on disk) arrived.
    void OnFolderListed(const std::string& path, FolderList::Files files);
    void SavePlaybackSetting(const QString& key, const QVariant& value);

    CWinApp& m_app;
    const QString m_settingsOrganization;
    const QString m_settingsApplication;
    FolderList m_folder;
    FileFollower m_follower;
    FolderRelister m_relister;  // lists folder changes on disk off this thread
    std::string m_shownPath;    // the file shown, as bytes
    bool m_stepFailed = false;  // the latest step's file did not open
    // The file of the latest step, waiting for its open to run; empty when
    // none is scheduled.
    std::string m_steppedPath;
    // A folder listing came while a step's open waited: list it again after.
    bool m_relistAfterStep = false;
    int m_stepDirection = 1;  // of the latest step: +1 onwards, -1 back
    bool m_sequenceStep = false;     // the latest step went along the sequence
    bool m_playingSequence = false;  // playback goes through sequencePlay's list
    FramePlayer m_player;
    // Last: it goes first, joining its readers while all else still stands.
    FrameReadAhead m_readAhead;
};
