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
    // The wake runs on a worker: it only posts a call to this object. Two
    // readers where there are two cores: playback at 4K needs both, and the
    // window's own work is light beside a read.
    const int workers = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    const framememory::Split budgets = framememory::SplitBudget(framememory::DefaultBudget());
    m_cache = std::make_unique<FrameCache<LoadedFrame>>(
        [kept = budgets.kept](const std::string& path, int drawnChannel) {
            return LoadFrame(path, drawnChannel >= 0 ? ChannelView::Channel(drawnChannel) : ChannelView::Colour(),
                             kept);
        },
        [](const LoadedFrame& frame) { return frame.Bytes(); }, framememory::EstimateFrameBytes,
        [this] { QMetaObject::invokeMethod(this, &FrameReadAhead::TakeResults, Qt::QueuedConnection); },
        budgets.cache, workers);
}

FrameReadAhead::~FrameReadAhead()
{
    m_cache.reset();
    SetAwaited(std::string());
}

void FrameReadAhead::SetWantedView(const ChannelView& view)
{
    // Only a channel's view is drawn as a frame is read; the colour and the
    // alpha cost the window nothing to show.
    m_cache->SetWanted(view.kind() == ChannelView::Kind::Channel ? view.bit() : -1);
}

void FrameReadAhead::SetShown(const std::string& path, const FramePtr& frame)
{
    m_cache->SetShown(path, frame);
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
    for (FrameCache<LoadedFrame>::Result& result : m_cache->TakeResults()) {
        if (result.path != m_awaited)
            continue;  // a step since moved on
        SetAwaited(std::string());
        emit FrameArrived(result.path, std::move(result.frame));
    }
}
