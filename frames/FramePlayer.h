// Playback of the folder's frames: a timer on the window's thread takes each
// frame from the read-ahead cache when it falls due and hands it to the
// window; frames not yet read are asked for and shown when they arrive.
// Nothing here waits for a read, and nothing reports in a message box: a
// frame that cannot be read is skipped and counted for the status bar.
//
// Threads: the player, its timer and its callbacks belong to the window's
// thread; the cache's workers reach it only through FrameStepper's queued
// FrameArrived, which the application passes to FrameArrived() here.
#pragma once

#include "FrameStepper.h"
#include "PlaybackSchedule.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

class FramePlayer : public QObject {
    Q_OBJECT
public:
    using Clock = PlaybackSchedule::Clock;
    // The folder's files in playing order, as listed now.
    using ListFiles = std::function<std::vector<std::string>()>;
    // Puts a frame read ahead on screen as the file path; false when the
    // window can show nothing (it is closing), which stops playback.
    using ShowFrame = std::function<bool(const std::string& path, const FrameStepper::FramePtr& frame)>;

    FramePlayer(FrameStepper& stepper, ListFiles listFiles, ShowFrame showFrame, QObject* parent = nullptr);

    // Plays from shownPath, the file on screen. False when the folder holds
    // no other frame to play.
    bool Start(const std::string& shownPath);
    // Stops on the frame shown.
    void Stop();
    bool IsPlaying() const { return m_playing; }

    // Chosen rate (one of PlaybackSchedule::kRates) and whether to keep time;
    // a change while playing takes effect from the frame shown.
    void SetRate(int rate);
    int Rate() const { return m_rate; }
    void SetKeepTime(bool keepTime);
    bool KeepsTime() const { return m_keepTime; }

    // A read asked for has finished (frame null when it failed).
    void FrameArrived();

    const PlaybackSchedule& Schedule() const { return m_schedule; }
    // The status bar's words for playback: the actual rate and the counts
    // while playing; after a stop, the rate reached and the counts until the
    // next play; empty before the first.
    QString StatusText() const;

    // The clock playback runs by; tests set their own.
    std::function<Clock::time_point()> now = [] { return Clock::now(); };

signals:
    // The status text may have changed (each frame shown, skip, drop, start
    // or stop).
    void StatusChanged();

private:
    // Shows what is due, asks for what is missing and sets the timer for
    // the next frame.
    void Pump();
    void Restart(const std::string& fromPath);
    void Relist();
    void WaitUntil(Clock::time_point due);

    FrameStepper& m_stepper;
    ListFiles m_listFiles;
    ShowFrame m_showFrame;
    QTimer m_timer;
    // Refreshes the status while playing, so that a stall shows in the rate
    // even when no frame arrives to update it.
    QTimer m_statusTimer;
    PlaybackSchedule m_schedule;
    std::vector<std::string> m_files;
    int m_rate = PlaybackSchedule::kDefaultRate;
    bool m_keepTime = false;
    bool m_playing = false;
    bool m_hasPlayed = false;
    double m_stoppedRate = 0;  // the rate reached when playback last stopped
};
