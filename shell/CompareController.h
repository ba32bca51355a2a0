// Comparing the file shown (A) with another render (B): File > Compare
// With... and --compare load B, File > Stop Comparing ends it, the View >
// Compare commands choose how the two are shown, and the status bar says
// what is shown, which B, and the figures of the channel shown.
//
// B is a file, or a folder whose file of A's name is B for each frame shown
// (picking a file of A's name in another folder means that folder). It is
// read through the read-ahead (Viewer::SetCompanion), so it shares A's
// reader, cache and budget, and steps and playback show the pair together;
// a frame without a counterpart is shown alone and the status bar says so.
// The figures are counted off the window's thread (CompareFigures), not
// while playing, and the view draws the comparison (view/Comparison.h).
// While changes are followed, B is followed on disk too: a B written or
// rewritten (a render finishing) is read again once it stands still.
//
// Lives on the window's thread, beside the Viewer it listens to.
#pragma once

#include "CompareFigures.h"
#include "Comparison.h"
#include "FileFollower.h"
#include "FrameReadAhead.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CBrimwellDoc;
class CBrimwellView;
class CPictureStatusBar;
class CWinApp;
class Viewer;

class CompareController : public QObject {
    Q_OBJECT
public:
    CompareController(CWinApp& app, Viewer& viewer);

    // The window's view and status bar, once they are made.
    void Attach(CBrimwellView* view, CPictureStatusBar* statusBar);

    // Compares with the file or folder at path; false, reported in a
    // message box, when it is neither.
    bool CompareWith(const QString& path);
    // Asks for B with the open dialog.
    void OnCompareWith();
    void Stop();

    void ToggleWipe();
    // Flicker shows B first, then A and B in turn.
    void Flicker();
    void ToggleDifference();
    // 1, 10, 100 in turn, showing the difference.
    void StepGain();

    const Comparison& State() const { return m_comparison; }
    // The status bar's words for the comparison.
    QString StatusText() const;
    // Whether figures are being counted (tests wait for none).
    bool CountingFigures() const { return m_figures.Busy(); }

private:
    CBrimwellDoc* Document() const;
    // A frame is on screen: find its B, or ask for it.
    void OnFrameShown();
    void OnCompanionArrived(const std::string& framePath, const FrameReadAhead::CompanionState& state);
    void TakeCompanion(const FrameReadAhead::CompanionState& state);
    // B's file changed on disk, or its folder did while B is missing.
    void OnReferenceChanged();
    void SetMode(Comparison::Mode mode);
    // Counts the figures of the channel shown, unless they are counted or
    // playback runs.
    void RequestFigures();
    void Refresh();

    CWinApp& m_app;
    Viewer& m_viewer;
    Comparison m_comparison;
    CompareFigures m_figures;
    QPointer<CBrimwellView> m_view;
    QPointer<CPictureStatusBar> m_statusBar;
    // Why B is missing for the frame shown (empty: it is there, or read).
    QString m_missing;
    bool m_readingReference = false;  // B is being read
    bool m_reportFailure = false;  // a chosen file that fails is reported once
    // The figures shown: what they were counted for, and their words.
    int m_ticket = 0;
    std::weak_ptr<const LoadedFrame> m_countedA;
    std::weak_ptr<const LoadedFrame> m_countedB;
    ChannelView m_countedView;
    QString m_figuresText;
    FileFollower m_referenceFollower;  // B's file, as the Viewer follows A's
};
