// The timeline's rules over the shown file's sequence, by frame number: the
// in and out points that limit playback, the way playback goes round (loop,
// once, ping-pong), the frame before and after a number for `,` and `.`, and
// what a number shows. No Qt here: the sequence controller asks and the
// window does.
//
// Every number from the sequence's first to its last is a place on the
// timeline, present or not. A missing number (a frame a render left out)
// shows the picture of the nearest frame before it, with a note that names
// the missing number; playing, it keeps its slot and is counted.
#pragma once

#include "FrameSequence.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class PlayMode {
    Loop,      // from the in point to the out point, and again
    Once,      // up to the out point, then stop there
    PingPong,  // to the out point and back to the in point, and again
};

class TimelineRange {
public:
    // Past this many numbers between the in and out points, playback takes
    // the present frames only: a slot for each missing number of "f1" and
    // "f999999999" would be a list of a billion.
    static constexpr std::int64_t kMaxPlayedSpan = 100000;

    TimelineRange() = default;
    explicit TimelineRange(FrameSequence sequence);

    // Takes sequence in place of the one held. The in and out points stay
    // (kept within the new ends) when it is the same sequence listed again,
    // and are cleared for any other.
    void Replace(FrameSequence sequence);

    const FrameSequence& Sequence() const { return m_sequence; }
    // A timeline needs two frames at least; one file alone plays the folder.
    bool IsSequence() const { return m_sequence.Frames().size() >= 2; }
    std::int64_t First() const { return m_sequence.FirstNumber(); }
    std::int64_t Last() const { return m_sequence.LastNumber(); }

    // The in point is set at number (kept within the sequence); an out point
    // before it is cleared. Likewise the out point, clearing an in point
    // after it.
    void SetIn(std::int64_t number);
    void SetOut(std::int64_t number);
    void ClearInOut();
    // The ends playback keeps to: the points set, else the sequence's ends.
    std::int64_t In() const { return m_in.value_or(First()); }
    std::int64_t Out() const { return m_out.value_or(Last()); }
    bool HasIn() const { return m_in.has_value(); }
    bool HasOut() const { return m_out.has_value(); }

    PlayMode Mode() const { return m_mode; }
    void SetMode(PlayMode mode) { m_mode = mode; }

    // The number after and before number within the sequence's ends, missing
    // or not; nothing at the end (and outside the sequence).
    std::optional<std::int64_t> Next(std::int64_t number) const;
    std::optional<std::int64_t> Previous(std::int64_t number) const;

    bool Contains(std::int64_t number) const { return IsSequence() && number >= First() && number <= Last(); }
    bool IsMissing(std::int64_t number) const;
    // The frame whose picture number shows: its own, or for a missing number
    // the nearest before it. Null outside the sequence.
    const FrameSequence::Frame* FrameShownFor(std::int64_t number) const;

    // The numbers playback goes through, in order: in to out, and for
    // ping-pong back again short of the in point (so that neither end shows
    // twice in a row). Missing numbers are in it, unless the span is over
    // kMaxPlayedSpan.
    std::vector<std::int64_t> PlayOrder() const;
    // Where in order playback stands when number is on screen: its place on
    // the way out, or, for a number outside the in and out points, the last
    // place, so that the first frame played is the in point.
    static std::size_t StartPlace(const std::vector<std::int64_t>& order, std::int64_t number);

    // What the status bar says of number: "0042 of 0001–0240", or for a
    // missing one "missing 0043 of 0001–0240".
    std::string PositionText(std::int64_t number) const;

private:
    std::int64_t Clamped(std::int64_t number) const;

    FrameSequence m_sequence;
    std::optional<std::int64_t> m_in;
    std::optional<std::int64_t> m_out;
    PlayMode m_mode = PlayMode::Loop;
};
