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
//
// While two renders are compared (SetCompanion), each frame's companion is
// read through the same cache and budget: read ahead beside its frame when
// the companions are a folder's, and awaited with it, so that a step or a
// tick of playback shows the pair together.
#pragma once

#include "CompanionRule.h"
#include "FrameCache.h"
#include "FrameDrawing.h"
#include "LoadedFrame.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <unordered_map>
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
    // The frame shown moved to path of that sequence (playback's ticks), or
    // to its index'th entry (a sequence's missing number has no path).
    void SetCurrent(const std::string& path, int direction);
    void SetCurrentAt(std::size_t index, int direction);

    // The file compared with each frame from now on (a rule of Kind::None:
    // none); the next SetSequence reads a folder's companions ahead.
    void SetCompanion(CompanionRule rule);
    const CompanionRule& Companion() const { return m_companion; }

    // What became of the companion of the frame at framePath.
    struct CompanionState {
        std::string path;     // the companion's file; empty without a rule
        FramePtr frame;       // read; null while it is read or when it failed
        std::string failure;  // the reader's report when it failed
        bool pending = false; // asked for: CompanionArrived follows
    };
    // The companion of framePath: found in the cache, or asked for.
    CompanionState FindOrRequestCompanion(const std::string& framePath);

    // What becomes of the paths asked for before the latest while they are
    // still being read: dropped (playback, whose slot has passed), or
    // handed over as they arrive (steps: a held key or a scrub shows the
    // frames it passes as fast as they are read, and ends on the last).
    enum class Earlier { Dropped, Passed };

    // The frame of path when it is ready and its file unchanged; otherwise
    // null, and path is asked for: FrameArrived follows once it is read.
    // Only the latest path asked for is awaited; earlier ones are still
    // cached and, with Earlier::Passed, each arrives through
    // PassedFrameArrived when it is read before the latest, unless one
    // asked after it arrived first. With a companion rule, the frame is
    // ready once its companion is read (or failed) too.
    FramePtr FindOrRequest(const std::string& path, Earlier earlier = Earlier::Dropped);

    // Stops waiting for the path asked for last, and for those passed.
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
    // The companion on screen beside it (null: none).
    void SetShownCompanion(const std::string& path, const FramePtr& frame);

    ReadAheadCache& Cache() { return *m_cache; }

signals:
    // The path awaited was read: frame is null when it could not be.
    void FrameArrived(const std::string& path, FramePtr frame);
    // A path asked for before the one awaited was read (never null), the
    // latest one still awaited.
    void PassedFrameArrived(const std::string& path, FramePtr frame);
    // The companion asked for by FindOrRequestCompanion was read, or failed.
    void CompanionArrived(const std::string& framePath, const CompanionState& state);

private:
    void TakeResults();
    void SetAwaited(std::string path);

    // Whether the companion of m_awaited is read (or failed): always, without
    // a rule.
    bool CompanionReady(const std::string& companionPath);
    // A companion asked for alone is awaited (counted in AnyAwaiting).
    void SetCompanionPending(bool pending);

    // A read asked for before m_awaited has finished: handed over when it
    // is a frame whose companion is ready, and the paths asked before it
    // are no longer wanted.
    void TakePassed(const ReadAheadCache::Result& result);

    std::string m_awaited;
    // Paths asked for before m_awaited and passed by it, oldest first, whose
    // frames are still shown when they arrive (Earlier::Passed).
    std::vector<std::string> m_passed;
    bool m_awaitedFrameRead = false;  // m_awaited's own read is done...
    FramePtr m_awaitedFrame;          // ...and gave this
    std::string m_awaitedCompanion;   // m_awaited's companion, while it is read
    CompanionRule m_companion;
    // The latest companion read on request: what the cache may not keep (a
    // frame larger than its budget) stays here while it is wanted.
    CompanionState m_lastCompanion;
    FileStamp m_lastCompanionStamp;  // its file as it was read
    // The frame whose companion FindOrRequestCompanion asked for.
    std::string m_companionOf;
    bool m_companionPending = false;
    // The cache's sequence, frames and companions, by path.
    std::unordered_map<std::string, std::size_t> m_positions;
    // Where each entry of the sequence given sits in the cache's.
    std::vector<std::size_t> m_places;
    // The sequence as last given and the way its companions were laid out,
    // so that a step within it only moves the place: a long sequence would
    // otherwise have its order rebuilt on every step.
    std::vector<std::string> m_given;
    bool m_givenBackwards = false;
    bool m_givenValid = false;
    static std::atomic<int> s_awaiting;
    // Last, so that it goes (joining its workers) before the rest.
    std::unique_ptr<ReadAheadCache> m_cache;
};
