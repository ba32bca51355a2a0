#include "FrameReadAhead.h"

#include "FrameMemory.h"
#include "ZeroedBuffer.h"

#include <QMetaObject>

#include <algorithm>
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
}

void FrameReadAhead::SetWanted(const FrameDrawing& drawing)
{
    m_cache->SetWanted(drawing);
}

void FrameReadAhead::SetShown(const std::string& path, const FramePtr& frame)
{
    m_cache->SetShown(path, frame, frame ? std::optional<FrameDrawing>(frame->drawing) : std::nullopt);
}

void FrameReadAhead::SetSequence(const std::vector<std::string>& paths, const std::string& current, int direction)
{
    const auto found = std::find(paths.begin(), paths.end(), current);
    m_cache->SetSequence(paths, found == paths.end() ? 0 : std::size_t(found - paths.begin()), direction);
}

FrameReadAhead::FramePtr FrameReadAhead::FindOrRequest(const std::string& path)
{
    if (FramePtr frame = m_cache->Find(path)) {
        SetAwaited(std::string());
        return frame;
    }
    SetAwaited(path);
    m_cache->Request(path);
    return nullptr;
}

void FrameReadAhead::SetAwaited(std::string path)
{
    const bool was = !m_awaited.empty();
    m_awaited = std::move(path);
    const bool now = !m_awaited.empty();
    if (was != now)
        s_awaiting += now ? 1 : -1;
}

void FrameReadAhead::TakeResults()
{
    for (ReadAheadCache::Result& result : m_cache->TakeResults()) {
        if (result.path != m_awaited)
            continue;  // a step since moved on
        SetAwaited(std::string());
        emit FrameArrived(result.path, std::move(result.frame));
    }
}
