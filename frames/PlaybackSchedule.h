// When playback shows which frame: the frames of a folder in order from the
// one shown, looping at the end, at a chosen rate. No Qt and no clock of its
// own: the player asks it with the time, and tells it what became of each
// frame, so its rules can be tried without waiting.
//
// Two ways of keeping pace:
// - By default every frame is shown. A frame that is ready late is shown late
//   and the schedule starts again from it; a little timer jitter (under half
//   a frame) is absorbed without shifting the cadence.
// - Keeping time, every frame has its slot on the clock from the start of
//   playback. A frame whose slot has gone by before it could be shown is
//   dropped and counted; the picture catches up with the clock.
// A frame that cannot be read is skipped and counted. Without keeping time
// the next frame takes its place at once; keeping time, the previous picture
// stays for the unreadable frame's slot, so the timing of what follows holds.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>

class PlaybackSchedule {
public:
    using Clock = std::chrono::steady_clock;

    // The rates offered, in frames per second; the first playback uses kDefaultRate.
    static constexpr int kRates[] = {12, 24, 25, 30, 60};
    static constexpr int kDefaultRate = 24;

    // Starts on a folder of count frames with frame shown on screen at now.
    // The next frame falls due one frame's time later.
    void Start(std::size_t count, std::size_t shown, Clock::time_point now, int rate, bool keepTime);

    // The frame to show next, and when it falls due.
    std::size_t Target() const { return m_target; }
    Clock::time_point Due() const;

    // Keeping time, drops the frames whose slots have gone by at now, the
    // target included, and moves the target to the frame of now's slot.
    void CatchUp(Clock::time_point now);

    // The target was shown at now; the one after it becomes the target.
    void Shown(Clock::time_point now);
    // The target cannot be read; the one after it becomes the target.
    void Skipped();

    // When the target's slot ends: keeping time, a target not shown by then
    // is dropped.
    Clock::time_point SlotEnd() const;

    // A new rate or way of keeping pace, from the frame shown at now; the
    // counts stay.
    void Repace(Clock::time_point now, int rate, bool keepTime);

    // The folder was listed again at the loop's end: count frames, the next
    // to show being target.
    void Relist(std::size_t count, std::size_t target);

    std::size_t Count() const { return m_count; }
    int Rate() const { return m_rate; }
    // Whether the loop's end was passed since the start or the last Relist.
    bool Wrapped() const { return m_wrapped; }

    int SkippedCount() const { return m_skipped; }
    int DroppedCount() const { return m_dropped; }
    // Frames that failed one after another, up to the target: once they are
    // the whole folder, nothing is left to play.
    std::size_t FailuresInARow() const { return m_failuresInARow; }

    // Frames shown per second over the last second before now.
    double ActualRate(Clock::time_point now) const;

private:
    Clock::duration SlotStart(long long slot) const;
    void Advance(std::size_t frames);

    std::size_t m_count = 0;
    std::size_t m_target = 0;
    int m_rate = kDefaultRate;
    bool m_keepTime = false;
    bool m_wrapped = false;
    // The target falls due at m_anchor plus m_slot frames' time. Keeping
    // time the anchor is the start; otherwise it moves to a late frame.
    Clock::time_point m_anchor;
    long long m_slot = 0;
    int m_skipped = 0;
    int m_dropped = 0;
    std::size_t m_failuresInARow = 0;
    Clock::time_point m_start;
    std::deque<Clock::time_point> m_shownTimes;  // of the last second
};
