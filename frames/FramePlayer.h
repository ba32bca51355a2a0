// Playback of the folder's frames: a timer on the window's thread takes each
// frame from the read-ahead cache when it falls due and hands it to the
// window; frames not yet read are asked for and shown when they arrive.
// Nothing here waits for a read, and nothing reports in a message box: a
// frame that cannot be read is skipped and counted for the status bar.
// An empty path in the list is a missing frame of a sequence (a number no
// file gives): it keeps its slot, the picture before it stays, and it is
// counted as missing.
//
// Threads: the player, its timer and its callbacks belong to the window's
// thread; the cache's workers reach it only through FrameReadAhead's queued
// FrameArrived, which the application passes to FrameArrived() here.
#pragma once

#include "FrameReadAhead.h"
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
    // The files in playing order, as listed now: the folder's, or the shown
    // file's sequence with an empty path for each missing number.
    using ListFiles = std::function<std::vector<std::string>()>;
    // Puts a frame read ahead on screen as the file path; false when the
    // window can show nothing (it is closing), which stops playback.
    using ShowFrame = std::function<bool(const std::string& path, const FrameReadAhead::FramePtr& frame)>;

    FramePlayer(FrameReadAhead& readAhead, ListFiles listFiles, ShowFrame showFrame, QObject* parent = nullptr);

    // Plays from shownPath, the file on screen, found in a list in byte
    // order. False when the folder holds no other frame to play.
    bool Start(const std::string& shownPath);
    // Plays a list in an order of its own (a sequence by number) from the
    // place shownPlace in it, the one on screen.
    bool StartAt(std::size_t shownPlace);
    // Playing once, playback stops on the list's last frame rather than
    // going round; a change takes effect from the frame shown.
    void SetOnce(bool once) { m_once = once; }
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

    // A missing frame's slot has come: the place in the list. The picture
    // shown stays; the window says which number is missing.
    std::function<void(std::size_t place)> missingShown;

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
    bool Begin(std::vector<std::string> files, std::size_t shown);
    // Shows the missing frame at the target when its slot has come.
    void PumpMissing(Clock::time_point time);
    void Relist();
    // The end of the list was passed: round again, or stop playing once.
    void GoRound();
    void WaitUntil(Clock::time_point due);

    FrameReadAhead& m_readAhead;
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
    bool m_once = false;
    bool m_wrappedAtStart = false;  // playback began on the list's last frame
    int m_missing = 0;  // missing frames whose slots went by since the start
    double m_stoppedRate = 0;  // the rate reached when playback last stopped
};
