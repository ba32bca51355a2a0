#include "PlaybackSchedule.h"

#include <algorithm>

namespace {

constexpr long long kNanosecondsPerSecond = 1'000'000'000;
constexpr std::chrono::seconds kRateWindow{1};

}  // namespace

void PlaybackSchedule::Start(std::size_t count, std::size_t shown, Clock::time_point now, int rate, bool keepTime)
{
    m_count = count;
    m_rate = std::max(rate, 1);
    m_keepTime = keepTime;
    m_anchor = now;
    m_slot = 0;
    m_skipped = 0;
    m_dropped = 0;
    m_failuresInARow = 0;
    m_start = now;
    m_shownTimes.clear();
    m_target = count == 0 ? 0 : shown % count;
    m_wrapped = false;
    Advance(1);
}

PlaybackSchedule::Clock::duration PlaybackSchedule::SlotStart(long long slot) const
{
    // Whole slots from the anchor, so that the times do not drift at rates
    // whose frame time is no whole number of nanoseconds (24 frames/s).
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(slot * kNanosecondsPerSecond / m_rate));
}

PlaybackSchedule::Clock::time_point PlaybackSchedule::Due() const
{
    return m_anchor + SlotStart(m_slot);
}

PlaybackSchedule::Clock::time_point PlaybackSchedule::SlotEnd() const
{
    return m_anchor + SlotStart(m_slot + 1);
}

void PlaybackSchedule::Repace(Clock::time_point now, int rate, bool keepTime)
{
    m_rate = std::max(rate, 1);
    m_keepTime = keepTime;
    m_anchor = now;
    m_slot = 1;
}

void PlaybackSchedule::Advance(std::size_t frames)
{
    m_slot += static_cast<long long>(frames);
    if (m_count == 0)
        return;
    const std::size_t next = m_target + frames % m_count;
    m_wrapped = m_wrapped || frames >= m_count || next >= m_count;
    m_target = next % m_count;
}

void PlaybackSchedule::CatchUp(Clock::time_point now)
{
    if (!m_keepTime || m_count == 0 || now < m_anchor)
        return;
    const long long elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - m_anchor).count();
    const long long slotOfNow = elapsed * m_rate / kNanosecondsPerSecond;
    if (slotOfNow <= m_slot)
        return;
    const long long gone = slotOfNow - m_slot;
    m_dropped += static_cast<int>(std::min<long long>(gone, 1 << 30));
    Advance(static_cast<std::size_t>(gone));
    m_failuresInARow = 0;
}

void PlaybackSchedule::Shown(Clock::time_point now)
{
    m_failuresInARow = 0;
    m_shownTimes.push_back(now);
    while (now - m_shownTimes.front() >= kRateWindow)
        m_shownTimes.pop_front();
    if (!m_keepTime) {
        // Late by more than half a frame: the cadence starts again from this
        // frame rather than rushing the next ones to make up.
        const Clock::duration half = SlotStart(1) / 2;
        if (now - Due() > half) {
            m_anchor = now;
            m_slot = 0;
        }
    }
    Advance(1);
}

void PlaybackSchedule::Skipped()
{
    ++m_skipped;
    ++m_failuresInARow;
    if (m_keepTime) {
        Advance(1);
        return;
    }
    // The next frame takes the unreadable one's time.
    --m_slot;
    Advance(1);
}

void PlaybackSchedule::Relist(std::size_t count, std::size_t target)
{
    m_count = count;
    m_target = count == 0 ? 0 : target % count;
    m_wrapped = false;
    m_failuresInARow = std::min(m_failuresInARow, count);
}

double PlaybackSchedule::ActualRate(Clock::time_point now) const
{
    // The frames of the last second over that second (or the time played,
    // when shorter): a stall shows at once rather than averaged away.
    const Clock::duration window = std::min<Clock::duration>(kRateWindow, now - m_start);
    if (window <= Clock::duration::zero())
        return 0.0;
    const auto recent = std::count_if(m_shownTimes.begin(), m_shownTimes.end(),
                                      [&](Clock::time_point shown) { return now - shown < kRateWindow; });
    return double(recent) / std::chrono::duration<double>(window).count();
}
