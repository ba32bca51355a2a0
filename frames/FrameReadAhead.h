// The folder's frames read ahead, for steps and for playback alike: owns the
// read-ahead cache of loaded frames, tells it the frame on screen and the
// view wanted, and tells the controller (shell/Viewer) when a frame it asked
// for has been read.
//
// Who owns what in frames/, and which thread touches it:
// - Viewer (shell/) owns this object and the FramePlayer; both, with the
//   PlaybackSchedule the player keeps, live on the window's thread.
// - This object owns the FrameCache (FrameCache.h), whose workers are the
//   only other threads, one a core: they read files with LoadFrame
//   (LoadedFrame.h), drawn for what the window wants (FrameDrawing.h), draw
//   frames already read again when that changes, weigh files with
//   FrameMemory.h, and post a queued call back here.
// - A LoadedFrame is immutable once read and shared (const) between the
//   cache, the document and the workers that drew it.
// - How much memory all of it may take is decided in FrameMemory.h.
// Destruction joins the workers (each finishes the read it is in), before
// anything they call goes.
#pragma once

#include "FrameCache.h"
#include "FrameDrawing.h"
#include "LoadedFrame.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

class FrameReadAhead : public QObject {
    Q_OBJECT
public:
    using FramePtr = std::shared_ptr<const LoadedFrame>;
    using ReadAheadCache = FrameCache<LoadedFrame, FrameDrawing>;

    explicit FrameReadAhead(QObject* parent = nullptr);
    ~FrameReadAhead() override;

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

    // Whether any read-ahead in the program waits for a read (tests let the
    // event loop run until none does).
    static bool AnyAwaiting() { return s_awaiting.load() > 0; }

    // What frames are drawn in (the view and look the user wants): those
    // read from now on as they are read, those read already drawn again
    // from what was read, nearest first. Only frames drawn so are handed
    // out.
    void SetWanted(const FrameDrawing& drawing);

    // The frame on screen now, as path: counted against the budget while
    // the cache does not hold it.
    void SetShown(const std::string& path, const FramePtr& frame);

    ReadAheadCache& Cache() { return *m_cache; }

signals:
    // The path awaited was read: frame is null when it could not be.
    void FrameArrived(const std::string& path, FramePtr frame);

private:
    void TakeResults();
    void SetAwaited(std::string path);

    std::string m_awaited;
    static std::atomic<int> s_awaiting;
    // Last, so that it goes (joining its workers) before the rest.
    std::unique_ptr<ReadAheadCache> m_cache;
};
