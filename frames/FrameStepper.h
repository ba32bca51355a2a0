// The folder's frames read ahead for stepping: owns the read-ahead cache of
// loaded frames and tells the application when a frame it asked for has
// been read.
//
// Threads: this object, its members and its signal belong to the window's
// thread. The cache's workers read files and then only post a queued call
// to this object, which takes the finished reads on the window's thread.
// Destruction joins the workers (at most the one read in progress runs to
// its end), before anything they call goes.
#pragma once

#include "FrameCache.h"
#include "LoadedFrame.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class FrameStepper : public QObject {
    Q_OBJECT
public:
    using FramePtr = std::shared_ptr<const LoadedFrame>;

    explicit FrameStepper(QObject* parent = nullptr);
    ~FrameStepper() override;

    // The folder's files in their order, the one reached and the direction
    // of the last step (+1 or -1): read-ahead goes that way from there.
    void SetSequence(const std::vector<std::string>& paths, const std::string& current, int direction);

    // The frame of path when it is ready and its file unchanged; otherwise
    // null, and path is asked for: FrameArrived follows once it is read.
    // Only the latest path asked for is awaited; earlier ones still cached.
    FramePtr FindOrRequest(const std::string& path);

    // Stops waiting for the path asked for last.
    void Forget() { SetAwaited(std::string()); }
    bool Awaiting() const { return !m_awaited.empty(); }

    // Whether any stepper in the program waits for a read (tests let the
    // event loop run until none does).
    static bool AnyAwaiting() { return s_awaiting.load() > 0; }

    // What one frame costs the cache: its pixels in every form it keeps.
    static std::size_t FrameBytes(const LoadedFrame& frame);

    // The memory for frames (the default cache budget) split between the
    // cache, with the reads in progress, and the memory released frames
    // leave for the next reads to reuse: together they stay within it.
    struct Budgets {
        std::size_t cache = 0;
        std::size_t kept = 0;
    };
    static Budgets SplitBudget(std::size_t frameMemory);

    FrameCache<LoadedFrame>& Cache() { return *m_cache; }

signals:
    // The path awaited was read: frame is null when it could not be.
    void FrameArrived(const std::string& path, FramePtr frame);

private:
    void TakeResults();
    void SetAwaited(std::string path);

    std::string m_awaited;
    static std::atomic<int> s_awaiting;
    // Last, so that it goes (joining its workers) before the rest.
    std::unique_ptr<FrameCache<LoadedFrame>> m_cache;
};
