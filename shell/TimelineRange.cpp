#include "TimelineRange.h"

#include <algorithm>
#include <utility>

namespace {

bool SameSequence(const FrameSequence& a, const FrameSequence& b)
{
    if (a.Empty() || b.Empty())
        return false;
    const std::optional<FrameName> nameA = ParseFrameName(a.Frames().front().path);
    const std::optional<FrameName> nameB = ParseFrameName(b.Frames().front().path);
    return nameA && nameB && nameA->SameSequenceAs(*nameB);
}

}  // namespace

TimelineRange::TimelineRange(FrameSequence sequence) : m_sequence(std::move(sequence)) {}

void TimelineRange::Replace(FrameSequence sequence)
{
    const bool same = SameSequence(m_sequence, sequence);
    m_sequence = std::move(sequence);
    if (!same || !IsSequence()) {
        ClearInOut();
        return;
    }
    if (m_in)
        m_in = Clamped(*m_in);
    if (m_out)
        m_out = Clamped(*m_out);
}

std::int64_t TimelineRange::Clamped(std::int64_t number) const
{
    return std::clamp(number, First(), Last());
}

void TimelineRange::SetIn(std::int64_t number)
{
    if (!IsSequence())
        return;
    m_in = Clamped(number);
    if (m_out && *m_out < *m_in)
        m_out.reset();
}

void TimelineRange::SetOut(std::int64_t number)
{
    if (!IsSequence())
        return;
    m_out = Clamped(number);
    if (m_in && *m_in > *m_out)
        m_in.reset();
}

void TimelineRange::ClearInOut()
{
    m_in.reset();
    m_out.reset();
}

std::optional<std::int64_t> TimelineRange::Next(std::int64_t number) const
{
    if (!Contains(number) || number >= Last())
        return std::nullopt;
    return number + 1;
}

std::optional<std::int64_t> TimelineRange::Previous(std::int64_t number) const
{
    if (!Contains(number) || number <= First())
        return std::nullopt;
    return number - 1;
}

bool TimelineRange::IsMissing(std::int64_t number) const
{
    return Contains(number) && !m_sequence.IndexOfNumber(number);
}

const FrameSequence::Frame* TimelineRange::FrameShownFor(std::int64_t number) const
{
    if (!Contains(number))
        return nullptr;
    const auto& frames = m_sequence.Frames();
    // The last frame numbered number or less; the first frame is never
    // missing, so there always is one.
    const auto after = std::upper_bound(frames.begin(), frames.end(), number,
                                        [](std::int64_t n, const FrameSequence::Frame& f) { return n < f.number; });
    return &*std::prev(after);
}

std::vector<std::int64_t> TimelineRange::PlayOrder() const
{
    std::vector<std::int64_t> order;
    if (!IsSequence())
        return order;
    const std::int64_t in = In();
    const std::int64_t out = Out();
    if (out - in + 1 <= kMaxPlayedSpan) {
        order.reserve(std::size_t(out - in + 1));
        for (std::int64_t number = in; number <= out; ++number)
            order.push_back(number);
    } else {
        for (const FrameSequence::Frame& frame : m_sequence.Frames())
            if (frame.number >= in && frame.number <= out)
                order.push_back(frame.number);
    }
    if (m_mode == PlayMode::PingPong && order.size() > 2)
        order.insert(order.end(), order.rbegin() + 1, order.rend() - 1);
    return order;
}

std::size_t TimelineRange::StartPlace(const std::vector<std::int64_t>& order, std::int64_t number)
{
    const auto found = std::find(order.begin(), order.end(), number);
    if (found != order.end())
        return std::size_t(found - order.begin());
    return order.empty() ? 0 : order.size() - 1;
}

std::string TimelineRange::PositionText(std::int64_t number) const
{
    if (!IsSequence())
        return std::string();
    // An en dash between the ends, as a range is written.
    std::string text = m_sequence.Written(number) + " of " + m_sequence.Written(First()) + "\u2013" +
                       m_sequence.Written(Last());
    return IsMissing(number) ? "missing " + text : text;
}
