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

// The list as the read-ahead takes it: a missing frame's place holds the
// nearest frame before it (after it, at the start), which is read anyway, so
// that no read is tried for a file that is not there and the places still
// match the list's.
std::vector<std::string> ReadableList(const std::vector<std::string>& files)
{
    std::vector<std::string> readable = files;
    const auto present =
        std::find_if(readable.begin(), readable.end(), [](const std::string& path) { return !path.empty(); });
    if (present == readable.end())
        return readable;
    std::string before = *present;
    for (std::string& path : readable) {
        if (path.empty())
            path = before;
        else
            before = path;
    }
    return readable;
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
    bool found = false;
    std::size_t place = PlaceOf(files, shownPath, found);
    // A file shown that has left the folder: play on from where it sat.
    const std::size_t shown = found ? place : (place + files.size() - 1) % files.size();
    return Begin(std::move(files), shown);
}

bool FramePlayer::StartAt(std::size_t shownPlace)
{
    std::vector<std::string> files = m_listFiles();
    if (files.size() < 2)
        return false;
    const std::size_t shown = std::min(shownPlace, files.size() - 1);
    return Begin(std::move(files), shown);
}

bool FramePlayer::Begin(std::vector<std::string> files, std::size_t shown)
{
    m_files = std::move(files);
    m_schedule.Start(m_files.size(), shown, now(), m_rate, m_keepTime);
    // From the list's last frame the first step goes round at once: that is
    // the start, not the end of a pass.
    m_wrappedAtStart = m_schedule.Wrapped();
    m_playing = true;
    m_hasPlayed = true;
    m_missing = 0;
    m_readAhead.Forget();
    const std::vector<std::string> readable = ReadableList(m_files);
    m_readAhead.SetSequence(readable, readable[m_schedule.Target()], 1);
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
    const std::size_t oldPlace = m_schedule.Target();
    const std::string target = m_files[oldPlace];
    std::vector<std::string> files = m_listFiles();
    if (files.empty()) {
        Stop();
        return;
    }
    m_files = std::move(files);
    // A list in byte order (the folder) is searched as one; a sequence's,
    // in number order with its missing frames empty, keeps the place.
    std::size_t place = std::min(oldPlace, m_files.size() - 1);
    if (std::is_sorted(m_files.begin(), m_files.end())) {
        bool found = false;
        place = PlaceOf(m_files, target, found);
    }
    m_schedule.Relist(m_files.size(), place);
    const std::vector<std::string> readable = ReadableList(m_files);
    m_readAhead.SetSequence(readable, readable[place], 1);
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
        GoRound();
    // Unreadable frames go by at once, each counted (keeping time, each
    // keeps its slot, and the picture before it stays for that time).
    while (m_playing) {
        const std::string& path = m_files[m_schedule.Target()];
        if (path.empty() || !m_readAhead.Cache().FindFailure(path))
            break;
        m_schedule.Skipped();
        emit StatusChanged();
        if (m_schedule.FailuresInARow() >= m_schedule.Count()) {
            Stop();  // no frame of the folder can be read
            return;
        }
        if (m_schedule.Wrapped())
            GoRound();
    }
    if (!m_playing)
        return;
    if (m_files[m_schedule.Target()].empty()) {
        PumpMissing(time);
        return;
    }

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
    m_readAhead.SetCurrentAt(target, 1);
    emit StatusChanged();
    WaitUntil(m_schedule.Due());
}

void FramePlayer::GoRound()
{
    // Playing once, the last frame shown is where playback ends.
    if (m_once && !m_wrappedAtStart) {
        Stop();
        return;
    }
    m_wrappedAtStart = false;
    Relist();
}

void FramePlayer::PumpMissing(Clock::time_point time)
{
    if (time < m_schedule.Due()) {
        WaitUntil(m_schedule.Due());
        return;
    }
    const std::size_t target = m_schedule.Target();
    if (missingShown)
        missingShown(target);
    ++m_missing;
    m_schedule.Shown(time);
    m_readAhead.SetCurrentAt(target, 1);
    emit StatusChanged();
    WaitUntil(m_schedule.Due());
}

QString FramePlayer::StatusText() const
{
    QString counts;
    if (m_missing > 0)
        counts += QStringLiteral(", %1 missing").arg(m_missing);
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
