#include "FrameSequence.h"

#include <algorithm>

namespace {

constexpr std::size_t kMostFrameDigits = 9;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<FrameName> ParseFrameName(std::string_view path)
{
    // Only the file's own name counts: a folder called "shot_010" numbers
    // nothing. Both separators, since the viewer builds for Windows too.
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = path.substr(nameStart);
    // The ending is the text from the last dot; a name without one is all
    // stem. A leading dot (a hidden file) starts no ending.
    std::size_t stemEnd = name.rfind('.');
    if (stemEnd == std::string_view::npos || stemEnd == 0)
        stemEnd = name.size();

    std::size_t runEnd = stemEnd;
    while (runEnd > 0 && !IsDigit(name[runEnd - 1]))
        --runEnd;
    if (runEnd == 0)
        return std::nullopt;
    std::size_t runStart = runEnd;
    while (runStart > 0 && IsDigit(name[runStart - 1]))
        --runStart;
    if (runEnd - runStart > kMostFrameDigits)
        return std::nullopt;

    FrameName frame;
    frame.before = std::string(path.substr(0, nameStart + runStart));
    frame.digits = std::string(name.substr(runStart, runEnd - runStart));
    frame.after = std::string(name.substr(runEnd));
    for (char c : frame.digits)
        frame.number = frame.number * 10 + (c - '0');
    return frame;
}

FrameSequence FrameSequence::Of(const std::vector<std::string>& paths, const std::string& member)
{
    FrameSequence sequence;
    const std::optional<FrameName> key = ParseFrameName(member);
    if (!key)
        return sequence;
    for (const std::string& path : paths) {
        std::optional<FrameName> name = ParseFrameName(path);
        if (name && name->SameSequenceAs(*key))
            sequence.m_frames.push_back(Frame{name->number, std::move(name->digits), path});
    }
    // Stable, so that of two files giving one number the first in byte order
    // comes first and is the one kept.
    std::stable_sort(sequence.m_frames.begin(), sequence.m_frames.end(),
                     [](const Frame& a, const Frame& b) { return a.number < b.number; });
    sequence.m_frames.erase(std::unique(sequence.m_frames.begin(), sequence.m_frames.end(),
                                        [](const Frame& a, const Frame& b) { return a.number == b.number; }),
                            sequence.m_frames.end());
    if (!sequence.m_frames.empty()) {
        const std::string& first = sequence.m_frames.front().digits;
        sequence.m_padding = first.size() > 1 && first[0] == '0' ? first.size() : 0;
    }
    return sequence;
}

std::optional<std::size_t> FrameSequence::IndexOfPath(const std::string& path) const
{
    for (std::size_t i = 0; i < m_frames.size(); ++i)
        if (m_frames[i].path == path)
            return i;
    return std::nullopt;
}

std::optional<std::size_t> FrameSequence::IndexOfNumber(std::int64_t number) const
{
    const auto found = std::lower_bound(m_frames.begin(), m_frames.end(), number,
                                        [](const Frame& f, std::int64_t n) { return f.number < n; });
    if (found == m_frames.end() || found->number != number)
        return std::nullopt;
    return static_cast<std::size_t>(found - m_frames.begin());
}

std::string FrameSequence::Written(std::int64_t number) const
{
    std::string digits = std::to_string(number);
    if (digits.size() < m_padding)
        digits.insert(0, m_padding - digits.size(), '0');
    return digits;
}
