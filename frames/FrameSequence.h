// The numbered frames of a render: "beauty_0001.rpf ... beauty_0240.rpf".
//
// A file's frame number is the last run of digits in its name before the
// ending; the text before the run and the text after it (ending included)
// name its sequence. Padding is not part of the name, so "f9999" and "f10000"
// belong together, and "f9" plays before "f10". Renderers write "shot-0042",
// where the "-" separates and is never a sign. A run of more than nine digits
// is a date, an ID or a hash rather than a frame, so such a file has no frame
// number. No Qt here: playback, the timeline and rpfconvert share it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct FrameName {
    std::string before;  // text before the number, folder included when a path was given
    std::string digits;  // the number as the name writes it: "0042"
    std::string after;   // text after the number, ending included: ".rpf"
    std::int64_t number = 0;

    // Names of one sequence have the same text around their numbers.
    bool SameSequenceAs(const FrameName& other) const
    {
        return before == other.before && after == other.after;
    }
};

// The frame number of a file name or path (only the last path component is
// looked at), or nothing when it has none.
std::optional<FrameName> ParseFrameName(std::string_view path);

class FrameSequence {
public:
    struct Frame {
        std::int64_t number = 0;
        std::string digits;
        std::string path;
    };

    // The sequence `member` belongs to among `paths`. `paths` must be in
    // byte order (as a folder listing is): where two files give the same
    // number ("f_42", "f_042") the first in that order is the frame and the
    // other is left out. Empty when `member` has no frame number.
    static FrameSequence Of(const std::vector<std::string>& paths, const std::string& member);

    bool Empty() const { return m_frames.empty(); }
    // Frames in number order.
    const std::vector<Frame>& Frames() const { return m_frames; }
    std::int64_t FirstNumber() const { return m_frames.empty() ? 0 : m_frames.front().number; }
    std::int64_t LastNumber() const { return m_frames.empty() ? 0 : m_frames.back().number; }

    // The index in Frames() of the frame with that path or number.
    std::optional<std::size_t> IndexOfPath(const std::string& path) const;
    std::optional<std::size_t> IndexOfNumber(std::int64_t number) const;

    // How many numbers between the first and the last no file gives: the
    // frames a failed render node left out. Counted, not listed, since
    // "f1" and "f999999999" would list nearly a billion.
    std::int64_t MissingCount() const { return Span() - static_cast<std::int64_t>(m_frames.size()); }
    // How many numbers the range from first to last spans, present or not.
    std::int64_t Span() const { return m_frames.empty() ? 0 : LastNumber() - FirstNumber() + 1; }

    // A number written with the sequence's padding: the width of its first
    // frame's digits when they start with 0 ("0043" in a 0001-0240 run),
    // else as it is.
    std::string Written(std::int64_t number) const;

private:
    std::vector<Frame> m_frames;
    std::size_t m_padding = 0;
};
