#include "FrameStepper.h"

#include "FrameCacheBudget.h"
#include "ZeroedBuffer.h"

#include <QMetaObject>

#include <algorithm>
#include <thread>
#include <utility>

std::atomic<int> FrameStepper::s_awaiting{0};

FrameStepper::FrameStepper(QObject* parent) : QObject(parent)
{
    // The wake runs on a worker: it only posts a call to this object. Two
    // readers where there are two cores: playback at 4K needs both, and the
    // window's own work is light beside a read.
    const int workers = std::thread::hardware_concurrency() >= 2 ? 2 : 1;
    const Budgets budgets = SplitBudget(DefaultFrameCacheBudget());
    ZeroedBuffer::SetKeptBytesLimit(budgets.kept);
    m_cache = std::make_unique<FrameCache<LoadedFrame>>(
        LoadFrame, FrameBytes,
        [this] { QMetaObject::invokeMethod(this, &FrameStepper::TakeResults, Qt::QueuedConnection); },
        budgets.cache, workers);
}

FrameStepper::~FrameStepper()
{
    m_cache.reset();
    SetAwaited(std::string());
}

FrameStepper::Budgets FrameStepper::SplitBudget(std::size_t frameMemory)
{
    // Kept memory serves the reads that replace evicted frames; an eighth of
    // the whole is room for two such frames' buffers at the default budget.
    Budgets budgets;
    budgets.kept = std::min(ZeroedBuffer::kKeptBytesLimit, frameMemory / 8);
    budgets.cache = frameMemory - budgets.kept;
    return budgets;
}

std::size_t FrameStepper::FrameBytes(const LoadedFrame& frame)
{
    const RLA& rla = frame.loader;
    std::size_t bytes = std::size_t(frame.bitmap.sizeInBytes()) + std::size_t(frame.likelyBitmap.sizeInBytes());
    const std::size_t pixels = std::size_t(std::max(rla.ancho, 0)) * std::size_t(std::max(rla.alto, 0));
    // Colour and alpha words, and the render channels at their widest (Z,
    // coverage, node ID, velocity and the rest of the floats and words).
    bytes += pixels * (8 + 4 + 1 + 2 + 8);
    return bytes;
}

void FrameStepper::SetSequence(const std::vector<std::string>& paths, const std::string& current, int direction)
{
    const auto found = std::find(paths.begin(), paths.end(), current);
    m_cache->SetSequence(paths, found == paths.end() ? 0 : std::size_t(found - paths.begin()), direction);
}

FrameStepper::FramePtr FrameStepper::FindOrRequest(const std::string& path)
{
    if (FramePtr frame = m_cache->Find(path)) {
        SetAwaited(std::string());
        return frame;
    }
    SetAwaited(path);
    m_cache->Request(path);
    return nullptr;
}

void FrameStepper::SetAwaited(std::string path)
{
    const bool was = !m_awaited.empty();
    m_awaited = std::move(path);
    const bool now = !m_awaited.empty();
    if (was != now)
        s_awaiting += now ? 1 : -1;
}

void FrameStepper::TakeResults()
{
    for (FrameCache<LoadedFrame>::Result& result : m_cache->TakeResults()) {
        if (result.path != m_awaited)
            continue;  // a step since moved on
        SetAwaited(std::string());
        emit FrameArrived(result.path, std::move(result.frame));
    }
}
