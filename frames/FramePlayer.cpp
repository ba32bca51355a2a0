#include "FramePlayer.h"

#include <algorithm>
#include <utility>

namespace {

// Where path sits in files (ordered as the folder list orders them): its
// index, or the index of the first file after it (0 past the end).
std::size_t PlaceOf(const std::vector<std::string>& files, const std::string& path, bool& found)
{
    const auto place = std::lower_bound(files.begin(), files.end(), path);
    found = place != files.end() && *place == path;
    return place == files.end() ? 0 : std::size_t(place - files.begin());
}

}  // namespace

FramePlayer::FramePlayer(FrameReadAhead& readAhead, ListFiles listFiles, ShowFrame showFrame, QObject* parent)
    : QObject(parent), m_readAhead(readAhead), m_listFiles(std::move(listFiles)), m_showFrame(std::move(showFrame))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &FramePlayer::Pump);
    m_statusTimer.setInterval(500);
    connect(&m_statusTimer, &QTimer::timeout, this, &FramePlayer::StatusChanged);
}

bool FramePlayer::Start(const std::string& shownPath)
{
    std::vector<std::string> files = m_listFiles();
    if (files.size() < 2)
        return false;
    m_files = std::move(files);
    bool found = false;
    std::size_t place = PlaceOf(m_files, shownPath, found);
    // A file shown that has left the folder: play on from where it sat.
    const std::size_t shown = found ? place : (place + m_files.size() - 1) % m_files.size();
    m_schedule.Start(m_files.size(), shown, now(), m_rate, m_keepTime);
    m_playing = true;
    m_hasPlayed = true;
    m_readAhead.Forget();
    m_readAhead.SetSequence(m_files, m_files[m_schedule.Target()], 1);
    m_statusTimer.start();
    emit StatusChanged();
    Pump();
    return true;
}

void FramePlayer::Stop()
{
    if (!m_playing)
        return;
    // The rate reached stays in view as it stood at the stop, rather than
    // decay while nothing plays.
    m_stoppedRate = m_schedule.ActualRate(now());
    m_playing = false;
    m_timer.stop();
    m_statusTimer.stop();
    m_readAhead.Forget();
    emit StatusChanged();
}

void FramePlayer::SetRate(int rate)
{
    m_rate = rate;
    if (m_playing)
        m_schedule.Repace(now(), m_rate, m_keepTime);
    Pump();
}

void FramePlayer::SetKeepTime(bool keepTime)
{
    m_keepTime = keepTime;
    if (m_playing)
        m_schedule.Repace(now(), m_rate, m_keepTime);
    Pump();
}

void FramePlayer::FrameArrived()
{
    Pump();
}

void FramePlayer::Relist()
{
    // At the loop's end the folder is listed again, so that frames a render
    // has added since are played on the next pass.
    const std::string target = m_files[m_schedule.Target()];
    std::vector<std::string> files = m_listFiles();
    if (files.empty()) {
        Stop();
        return;
    }
    m_files = std::move(files);
    bool found = false;
    const std::size_t place = PlaceOf(m_files, target, found);
    m_schedule.Relist(m_files.size(), place);
    m_readAhead.SetSequence(m_files, m_files[place], 1);
}

void FramePlayer::WaitUntil(Clock::time_point due)
{
    // Whole milliseconds, rounded up: a timer that fired early would find
    // nothing due and wait again.
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now());
    m_timer.start(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
}

void FramePlayer::Pump()
{
    if (!m_playing)
        return;
    const Clock::time_point time = now();
    m_schedule.CatchUp(time);
    if (m_schedule.Wrapped())
        Relist();
    // Unreadable frames go by at once, each counted (keeping time, each
    // keeps its slot, and the picture before it stays for that time).
    while (m_playing) {
        const std::string& path = m_files[m_schedule.Target()];
        if (!m_readAhead.Cache().FindFailure(path))
            break;
        m_schedule.Skipped();
        emit StatusChanged();
        if (m_schedule.FailuresInARow() >= m_schedule.Count()) {
            Stop();  // no frame of the folder can be read
            return;
        }
        if (m_schedule.Wrapped())
            Relist();
    }
    if (!m_playing)
        return;

    const std::size_t target = m_schedule.Target();
    const std::string path = m_files[target];
    FrameReadAhead::FramePtr frame = m_readAhead.FindOrRequest(path);
    if (!frame) {
        // Shown when it arrives (FrameArrived); keeping time, it is dropped
        // if its slot ends first.
        if (m_keepTime)
            WaitUntil(m_schedule.SlotEnd());
        else
            m_timer.stop();
        return;
    }
    if (time < m_schedule.Due()) {
        WaitUntil(m_schedule.Due());
        return;
    }
    if (!m_showFrame(path, frame)) {
        Stop();
        return;
    }
    m_schedule.Shown(time);
    // Read-ahead carries on from the frame shown.
    m_readAhead.SetCurrent(path, 1);
    emit StatusChanged();
    WaitUntil(m_schedule.Due());
}

QString FramePlayer::StatusText() const
{
    QString counts;
    if (m_schedule.SkippedCount() > 0)
        counts += QStringLiteral(", %1 skipped").arg(m_schedule.SkippedCount());
    if (m_schedule.DroppedCount() > 0)
        counts += QStringLiteral(", %1 dropped").arg(m_schedule.DroppedCount());
    if (m_playing) {
        const double actual = m_schedule.ActualRate(now());
        return QStringLiteral("Playing %1 of %2 fps").arg(actual, 0, 'f', 1).arg(m_schedule.Rate()) + counts;
    }
    if (m_hasPlayed)
        return QStringLiteral("Played %1 of %2 fps").arg(m_stoppedRate, 0, 'f', 1).arg(m_schedule.Rate()) + counts;
    return QString();
}
