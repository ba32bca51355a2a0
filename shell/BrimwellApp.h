// The application: start-up (the first file from the command line or an open
// dialog; without one that opens, the program ends), the application's open
// operation through which every file the user opens passes, and the
// application's commands.
#pragma once

#include "FileFollower.h"
#include "FolderList.h"
#include "FolderRelister.h"
#include "FramePlayer.h"
#include "FrameStepper.h"
#include "WinApp.h"

#include <QStringList>

#include <optional>
#include <string>

class CBrimwellDoc;
class CBrimwellView;
class CMainFrame;

class CBrimwellApp : public CWinApp {
    Q_OBJECT
public:
    // arguments: the command line after the program's name.
    explicit CBrimwellApp(QStringList arguments);
    ~CBrimwellApp() override;

    bool InitInstance() override;
    CDocument* OpenDocumentFile(const QString& path) override;

    // The exit status when InitInstance ended the program: 0 after a
    // cancelled start-up dialog, 1 when the first file failed to open.
    int StartupExitCode() const { return m_startupExitCode; }

    // Shows the About box.
    void OnAppAbout();

    void OnPreviousFile();
    void OnNextFile();
    void OnFirstFile();
    void OnLastFile();

    // Reads the file shown again, keeping zoom and scroll position; a
    // failure is reported only when the user asked (F5), not when following.
    void OnFileReload();
    void Reload(bool reportFailure);
    void OnFileFollow();

    FileFollower& Follower() { return m_follower; }

    // Plays the folder from the file shown, or stops on the frame shown.
    void OnPlay();
    void OnFrameRate(int rate);
    void OnKeepTime();
    FramePlayer& Player() { return m_player; }

    const FolderList& Folder() const { return m_folder; }
    FrameStepper& Stepper() { return m_stepper; }

    CBrimwellDoc* Document() const;
    CMainFrame* Frame() const;
    CBrimwellView* View() const;

    // The settings key under which the recent-file list lives.
    static QString RegistryKey() { return QStringLiteral("Local AppWizard-Generated Applications"); }

private:
    // The value after switch name on the command line, both taken off it;
    // nothing when the switch is not there.
    std::optional<QString> TakeSwitch(const QString& name);
    // Does what a navigation step asks: open its file with the base open
    // (which leaves the folder list as it is), or beep.
    void Navigate(const NavigationStep& step);
    // Previous or Next, from the file shown.
    void Step(NavigationStep (FolderList::*direction)());
    // Whether step opens the file shown.
    bool IsShown(const NavigationStep& step) const;
    // A file opened (pathBytes as the reader took it): follow it on disk.
    void Opened(std::string pathBytes);
    // The folder of the file shown changed: list it again, keeping the place.
    void OnFolderChanged();
    void OnFolderListed(const std::string& path, FolderList::Files files);
    // Opens the file the folder position reached, once, for however many
    // steps arrived since the last open was scheduled.
    void OpenSteppedFile();
    // Opens path through the open operation with frame, read ahead, ready
    // for the document; without one, the file is read as any open reads it
    // (and a failure reported as any open reports it).
    void OpenStepped(const std::string& path, const FrameStepper::FramePtr& frame);
    // The folder's list and the place reached, for the read-ahead.
    void FeedStepper(const std::string& place);
    // A read the stepper awaited has finished: playback's, or a step's.
    void OnFrameArrived(const std::string& path, const FrameStepper::FramePtr& frame);
    // Puts a frame of playback on screen, quietly and keeping zoom and
    // scroll; false when there is no window to show it in.
    bool ShowPlayed(const std::string& path, const FrameStepper::FramePtr& frame);
    // Stops playback before anything else opens a file; the folder's place
    // is then the frame shown.
    void StopPlaying();
    // Remembers one of playback's choices (rate, keeping time).
    void SavePlaybackSetting(const QString& key, const QVariant& value);
    // Any modal dialog or message box over the window stops playback.
    bool eventFilter(QObject* watched, QEvent* event) override;

    QStringList m_arguments;
    FolderList m_folder;
    FileFollower m_follower;
    FolderRelister m_relister;
    std::string m_shownPath;  // the file shown, as bytes
    bool m_stepFailed = false;  // the latest step's file did not open
    int m_startupExitCode = 0;
    // The file of the latest step, waiting for its open to run; empty when
    // none is scheduled.
    std::string m_steppedPath;
    int m_stepDirection = 1;  // of the latest step: +1 onwards, -1 back
    FramePlayer m_player;
    // Last: it goes first, joining its readers while all else still stands.
    FrameStepper m_stepper;
};
