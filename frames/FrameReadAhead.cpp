#include "FrameReadAhead.h"

#include "FrameMemory.h"
#include "ZeroedBuffer.h"

#include <QMetaObject>

#include <algorithm>
#include <optional>
#include <thread>
#include <utility>

std::atomic<int> FrameReadAhead::s_awaiting{0};

FrameReadAhead::FrameReadAhead(QObject* parent) : QObject(parent)
{
    // The wake runs on a worker: it only posts a call to this object. One
    // reader a core: a frame's read is mostly decoding, which keeps a core
    // busy, and streaming a sequence longer than the cache at 4K needs every
    // one; the window's own work (painting) is light beside a read, and the
    // budget, not the count, bounds the memory of the reads in progress.
    const int workers = int(std::max(1u, std::thread::hardware_concurrency()));
    const framememory::Split budgets = framememory::SplitBudget(framememory::DefaultBudget());
    m_cache = std::make_unique<ReadAheadCache>(
        [kept = budgets.kept](const std::string& path, const FrameDrawing& drawing) {
            return LoadFrame(path, drawing, kept);
        },
        [](const LoadedFrame& frame) { return frame.Bytes(); },
        [](const std::string& path, const FrameDrawing& drawing) {
            return framememory::EstimateFrameBytes(path, drawing.PictureChannel());
        },
        [this] { QMetaObject::invokeMethod(this, &FrameReadAhead::TakeResults, Qt::QueuedConnection); },
        budgets.cache, workers, [](const FramePtr& frame, const FrameDrawing& drawing) {
            return frame->DrawnFor(drawing);
        });
}

FrameReadAhead::~FrameReadAhead()
{
    m_cache.reset();
    SetAwaited(std::string());
    SetCompanionPending(false);
}

void FrameReadAhead::SetWanted(const FrameDrawing& drawing)
{
    m_cache->SetWanted(drawing);
}

void FrameReadAhead::SetShown(const std::string& path, const FramePtr& frame)
{
    m_cache->SetShown(path, frame, frame ? std::optional<FrameDrawing>(frame->drawing) : std::nullopt);
}

void FrameReadAhead::SetShownCompanion(const std::string& path, const FramePtr& frame)
{
    m_cache->SetShownCompanion(path, frame);
}

void FrameReadAhead::SetSequence(const std::vector<std::string>& paths, const std::string& current, int direction)
{
    const bool folderCompanions = m_companion.kind() == CompanionRule::Kind::Folder;
    if (m_givenValid && paths == m_given && (!folderCompanions || m_givenBackwards == (direction < 0))) {
        const auto found = m_positions.find(current);
        m_cache->SetCurrent(found == m_positions.end() ? 0 : found->second, direction);
        return;
    }
    m_given = paths;
    m_givenBackwards = direction < 0;
    m_givenValid = true;
    // A folder's companions are read ahead beside their frames: each right
    // after its frame in the direction of travel, so that it ranks next to
    // it for reading and for eviction alike.
    std::vector<std::string> sequence;
    m_places.clear();
    if (folderCompanions) {
        sequence.reserve(2 * paths.size());
        std::unordered_map<std::string, std::size_t> seen;
        const auto add = [&](const std::string& path) {
            const auto added = seen.emplace(path, sequence.size());
            if (added.second)
                sequence.push_back(path);
            return added.first->second;
        };
        for (const std::string& path : paths) {
            // A sequence's missing number has no file, nor a companion.
            if (direction < 0 && !path.empty())
                add(m_companion.For(path));
            m_places.push_back(add(path));
            if (direction >= 0 && !path.empty())
                add(m_companion.For(path));
        }
    } else {
        sequence = paths;
        for (std::size_t i = 0; i < paths.size(); ++i)
            m_places.push_back(i);
    }
    m_positions.clear();
    for (std::size_t i = 0; i < sequence.size(); ++i)
        m_positions.emplace(sequence[i], i);
    const auto found = m_positions.find(current);
    m_cache->SetSequence(std::move(sequence), found == m_positions.end() ? 0 : found->second, direction);
}

void FrameReadAhead::SetCurrentAt(std::size_t index, int direction)
{
    if (index < m_places.size())
        m_cache->SetCurrent(m_places[index], direction);
}

void FrameReadAhead::SetCurrent(const std::string& path, int direction)
{
    const auto found = m_positions.find(path);
    if (found != m_positions.end())
        m_cache->SetCurrent(found->second, direction);
}

void FrameReadAhead::SetCompanionPending(bool pending)
{
    if (pending != m_companionPending)
        s_awaiting += pending ? 1 : -1;
    m_companionPending = pending;
}

void FrameReadAhead::SetCompanion(CompanionRule rule)
{
    m_companion = std::move(rule);
    m_givenValid = false;  // the next sequence lays its companions out anew
    SetCompanionPending(false);
    m_lastCompanion = CompanionState();
    m_companionOf.clear();
    // A frame read and waiting for a companion no longer wanted goes on
    // screen now, from the event loop, as any frame that arrives.
    if (!m_awaitedCompanion.empty() && m_awaitedFrameRead) {
        QMetaObject::invokeMethod(
            this,
            [this, path = m_awaited] {
                if (m_awaited != path || !m_awaitedFrameRead || !m_awaitedCompanion.empty())
                    return;
                FramePtr frame = std::exchange(m_awaitedFrame, nullptr);
                SetAwaited(std::string());
                emit FrameArrived(path, std::move(frame));
            },
            Qt::QueuedConnection);
    }
    m_awaitedCompanion.clear();
    if (!m_companion.IsSet())
        m_cache->SetShownCompanion(std::string(), nullptr);
}

bool FrameReadAhead::CompanionReady(const std::string& companionPath)
{
    return companionPath.empty() || m_cache->Find(companionPath) || m_cache->FindFailure(companionPath) ||
           (m_lastCompanion.path == companionPath && !m_lastCompanion.pending);
}

FrameReadAhead::FramePtr FrameReadAhead::FindOrRequest(const std::string& path, Earlier earlier)
{
    const std::string companion = m_companion.For(path);
    FramePtr frame = m_cache->Find(path);
    const bool companionReady = CompanionReady(companion);
    if (frame && companionReady) {
        SetAwaited(std::string());
        return frame;
    }
    // The path awaited until now is passed, and still shown if it comes
    // first; one asked again is awaited, no longer passed.
    if (earlier == Earlier::Dropped)
        m_passed.clear();
    else if (!m_awaited.empty() && m_awaited != path)
        m_passed.push_back(m_awaited);
    m_passed.erase(std::remove(m_passed.begin(), m_passed.end(), path), m_passed.end());
    SetAwaited(path);
    m_awaitedFrameRead = frame != nullptr;
    m_awaitedFrame = frame;
    m_awaitedCompanion = companionReady ? std::string() : companion;
    // The companion first: the frame, asked for last, is read first.
    if (!companionReady)
        m_cache->Request(companion);
    if (!frame)
        m_cache->Request(path);
    return nullptr;
}

FrameReadAhead::CompanionState FrameReadAhead::FindOrRequestCompanion(const std::string& framePath)
{
    CompanionState state;
    state.path = m_companion.For(framePath);
    if (state.path.empty())
        return state;
    if ((state.frame = m_cache->Find(state.path)))
        return state;
    if (std::optional<std::string> failure = m_cache->FindFailure(state.path)) {
        state.failure = *failure;
        return state;
    }
    if (m_lastCompanion.path == state.path && !m_lastCompanion.pending && m_lastCompanion.frame &&
        FileStamp::Of(state.path) == m_lastCompanionStamp)
        return m_lastCompanion;
    state.pending = true;
    m_companionOf = framePath;
    m_lastCompanion = state;
    SetCompanionPending(true);
    m_cache->Request(state.path);
    return state;
}

void FrameReadAhead::SetAwaited(std::string path)
{
    if (path.empty()) {
        m_passed.clear();
        m_awaitedFrameRead = false;
        m_awaitedFrame = nullptr;
        m_awaitedCompanion.clear();
    }
    const bool was = !m_awaited.empty();
    m_awaited = std::move(path);
    const bool now = !m_awaited.empty();
    if (was != now)
        s_awaiting += now ? 1 : -1;
}

void FrameReadAhead::TakeResults()
{
    for (ReadAheadCache::Result& result : m_cache->TakeResults()) {
        if (m_lastCompanion.pending && result.path == m_lastCompanion.path) {
            SetCompanionPending(false);
            m_lastCompanion.pending = false;
            m_lastCompanion.frame = result.frame;
            m_lastCompanion.failure = result.failure;
            m_lastCompanionStamp = FileStamp::Of(result.path);
            emit CompanionArrived(m_companionOf, m_lastCompanion);
        }
        if (m_awaited.empty())
            continue;
        TakePassed(result);
        if (result.path == m_awaitedCompanion) {
            // Kept here too: the cache does not keep a frame larger than its
            // budget, and the pair is shown from what arrived.
            SetCompanionPending(false);
            m_lastCompanion = CompanionState{result.path, result.frame, result.failure, false};
            m_lastCompanionStamp = FileStamp::Of(result.path);
            m_awaitedCompanion.clear();
        }
        if (result.path == m_awaited) {
            m_awaitedFrameRead = true;
            m_awaitedFrame = std::move(result.frame);
        }
        // A failed frame is reported at once; a read one waits for its
        // companion.
        const bool failed = m_awaitedFrameRead && !m_awaitedFrame;
        if (m_awaitedFrameRead && (failed || m_awaitedCompanion.empty())) {
            const std::string path = m_awaited;
            FramePtr frame = std::exchange(m_awaitedFrame, nullptr);
            SetAwaited(std::string());
            emit FrameArrived(path, std::move(frame));
        }
    }
}

void FrameReadAhead::TakePassed(const ReadAheadCache::Result& result)
{
    const auto passed = std::find(m_passed.begin(), m_passed.end(), result.path);
    if (passed == m_passed.end())
        return;
    // A failure is the latest step's to report, not a passed one's; a frame
    // whose companion is still to come is left, as it would be shown alone.
    if (!result.frame || !CompanionReady(m_companion.For(result.path))) {
        m_passed.erase(passed);
        return;
    }
    // Those asked before it would take the picture back.
    m_passed.erase(m_passed.begin(), passed + 1);
    emit PassedFrameArrived(result.path, result.frame);
}
