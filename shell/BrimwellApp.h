// The application: start-up (the first file from the command line or an open
// dialog; without one that opens, the program ends), the application's open
// operation through which every file the user opens passes (on to Viewer,
// which owns what is shown and how it changes), and the About box.
#pragma once

#include "SequenceController.h"
#include "Viewer.h"
#include "WinApp.h"

#include <QStringList>

#include <optional>

class CBrimwellDoc;
class CBrimwellView;
class CompareController;
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

    // What is shown, and every road to changing it.
    Viewer& Controller() { return *m_viewer; }
    // The shown file's sequence: its frame, the timeline and the frame keys.
    SequenceController& Sequences() { return *m_sequences; }
    const FolderList& Folder() const { return m_viewer->Folder(); }
    FileFollower& Follower() { return m_viewer->Follower(); }
    FramePlayer& Player() { return m_viewer->Player(); }
    FrameReadAhead& ReadAhead() { return m_viewer->ReadAhead(); }
    CompareController& Compare() { return *m_compare; }
    void Reload(bool reportFailure) { m_viewer->Reload(reportFailure); }

    CBrimwellDoc* Document() const;
    CMainFrame* Frame() const;
    CBrimwellView* View() const;

    // The organisation under which the program's settings (the recent-file
    // list, the window's place, playback's choices) are kept.
    static QString SettingsOrganization() { return QStringLiteral("Local AppWizard-Generated Applications"); }

private:
    // The value after switch name on the command line, both taken off it;
    // nothing when the switch is not there.
    std::optional<QString> TakeSwitch(const QString& name);
    // Any modal dialog or message box over the window stops playback.
    bool eventFilter(QObject* watched, QEvent* event) override;

    QStringList m_arguments;
    int m_startupExitCode = 0;
    Viewer* m_viewer;  // a child of this object
    SequenceController* m_sequences;  // a child of the viewer
    CompareController* m_compare;  // a child of this object
};
