// The read-ahead frame cache: frames of a folder read on worker threads
// ahead of the one shown, in the direction of travel, so that a step or the
// next frame of playback finds its picture ready.
//
// Who owns what, and which thread touches what:
// - The window's thread owns the cache. It alone calls the public members;
//   none of them waits for a read (they take the cache's lock, which a
//   worker holds only for bookkeeping, never while reading), and Find costs
//   one stat call.
// - The workers (std::thread, owned and joined by the cache) call the loader,
//   estimate and bytesOf, outside the lock, and the wake callback. The loader
//   must be safe to run on several threads at once on different files.
//   Everything a read needs travels with it: the path and the wanted value
//   (SetWanted: for the window, what the frame is drawn in) as it stood when
//   the read began.
// - A frame drawn for another wanted value than the one wanted now is not
//   handed out (Find passes it by): the workers draw it again from what was
//   read (redraw), nearest first, without reading its file again. Without a
//   redraw function any frame serves whatever is wanted.
// - Which file to read or redraw next, and which frame to evict, is decided
//   by the plan (ReadAheadPlan.h), under the same lock.
// - Memory: the frames cached, the reads in progress (room is made for each
//   before it starts, from its size when last read or, before its first
//   read, from estimate) and the frame on screen (SetShown) stay within the
//   budget together (two frames on screen while two renders are compared:
//   SetShownCompanion). A frame larger than the budget is never read ahead;
//   asked for, it is read alone, once no other read is in progress, and
//   handed over without being kept.
// - Frames are immutable once loaded and shared: the cache keeps one
//   reference while the frame is cached, the window others for as long as it
//   shows it; eviction only drops the cache's reference.
// - Finished requests wait in a queue under the lock until the window's
//   thread takes them with TakeResults; the workers call wake after queuing
//   one, so the window can post itself a note to drain the queue (a queued
//   Qt call), never run window code on the worker.
// - Destruction stops the workers and joins them. A worker in the middle of
//   a read finishes that one read and starts no other, so the worst wait is
//   one frame's read (about 80 ms for 3840 x 2160 with Z, C, I and V from a
//   local disk, read and converted for the screen; a slow network share
//   stretches it to that one file's time). The wake callback may run on a
//   worker until the destructor returns, so what it calls must outlive the
//   cache.
#pragma once

#include "FileStamp.h"
#include "ReadAheadPlan.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

template <typename Frame, typename Wanted = int>
class FrameCache {
public:
    using FramePtr = std::shared_ptr<const Frame>;
    // Reads one file for the wanted value; throws a std::exception whose
    // what() is the report.
    using Loader = std::function<FramePtr(const std::string& pathBytes, const Wanted& wanted)>;
    // The frame drawn again for the wanted value from what was read for it;
    // throws as the loader does.
    using Redraw = std::function<FramePtr(const FramePtr& frame, const Wanted& wanted)>;
    using BytesOf = std::function<std::size_t(const Frame&)>;
    // What a file will take once read, before it is read; 0 when unknown.
    using Estimate = std::function<std::size_t(const std::string& pathBytes, const Wanted& wanted)>;
    using Wake = std::function<void()>;

    // A requested file, read: the frame, or the reader's report when it
    // could not be read (frame null).
    struct Result {
        std::string path;
        FramePtr frame;
        std::string failure;
    };

    // Requests waiting for a worker beyond this many are dropped, oldest
    // first: only the latest few steps of a held key still matter.
    static constexpr std::size_t kMaxPendingRequests = 8;

    // workerCount: how many files are read at once, at least 1.
    FrameCache(Loader load, BytesOf bytesOf, Estimate estimate, Wake wake, std::size_t budgetBytes,
               int workerCount = 1, Redraw redraw = {}, Wanted wanted = Wanted())
        : load_(std::move(load)),
          redraw_(std::move(redraw)),
          bytesOf_(std::move(bytesOf)),
          estimate_(std::move(estimate)),
          wake_(std::move(wake)),
          wanted_(std::move(wanted)),
          plan_(budgetBytes)
    {
        for (int i = 0; i < std::max(workerCount, 1); ++i)
            workers_.emplace_back([this] { WorkLoop(); });
    }

    ~FrameCache()
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& worker : workers_)
            worker.join();
    }

    FrameCache(const FrameCache&) = delete;
    FrameCache& operator=(const FrameCache&) = delete;

    // The folder's frames in its order, the one shown and the direction of
    // travel (+1 forwards, -1 backwards). Read-ahead wraps at the ends, as
    // playback loops.
    void SetSequence(std::vector<std::string> paths, std::size_t current, int direction)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            plan_.SetSequence(std::move(paths), current, direction);
        }
        workAvailable_.notify_all();
    }

    void SetCurrent(std::size_t current, int direction)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            plan_.SetCurrent(current, direction);
        }
        workAvailable_.notify_all();
    }

    // The value the loader is given with the reads that start from now on.
    // With a redraw function, frames drawn for another value are drawn
    // again for this one; without, they serve as they are.
    void SetWanted(const Wanted& wanted)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (wanted == wanted_)
                return;
            wanted_ = wanted;
            for (const auto& [path, entry] : entries_)
                plan_.SetStale(path, Stale(entry));
        }
        workAvailable_.notify_all();
    }

    // The frame on screen, read for path (null: none) and drawn for drawnFor
    // (nothing: for whatever is wanted). A frame read elsewhere (an open) is
    // kept as the cached frame of path when it fits, so that it is not read
    // a second time; one that does not fit counts against the budget for as
    // long as it is shown.
    void SetShown(const std::string& path, FramePtr frame, std::optional<Wanted> drawnFor = std::nullopt)
    {
        ShowOnScreen(path, std::move(frame), std::move(drawnFor), false);
    }

    // The second frame on screen while two renders are compared (null:
    // none), counted as the one SetShown gives: kept as path's cached frame
    // when it fits, counted against the budget while it is shown otherwise.
    void SetShownCompanion(const std::string& path, FramePtr frame)
    {
        ShowOnScreen(path, std::move(frame), std::nullopt, true);
    }

    // A smaller budget evicts at once, farthest first.
    void SetBudget(std::size_t budgetBytes)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            plan_.SetBudget(budgetBytes);
            Drop(plan_.EvictBeyond(budgetBytes, std::nullopt));
        }
        workAvailable_.notify_all();
    }

    // The cached frame of path, or null when it is not ready, failed, or is
    // drawn for another value than the one wanted. A frame or failure whose
    // file changed on disk since it was read, or was deleted, is dropped
    // (and read again when wanted).
    FramePtr Find(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = FindUnchanged(path, now);
        if (found == entries_.end() || Stale(found->second))
            return nullptr;
        return found->second.frame;
    }

    // The reader's report for path when reading it failed and the file has
    // not changed since; nothing otherwise.
    std::optional<std::string> FindFailure(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = FindUnchanged(path, now);
        if (found == entries_.end() || found->second.frame)
            return std::nullopt;
        return found->second.failure;
    }

    // Asks for path ahead of any read-ahead; its Result is queued when read
    // (or redrawn). A request for a file already cached as wanted (or failed
    // and unchanged) is answered at once, wake being called on the caller's
    // thread; one already asked for or being read is merged.
    void Request(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        bool answered = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = FindUnchanged(path, now);
            if (found != entries_.end() && !Stale(found->second)) {
                results_.push_back({path, found->second.frame, found->second.failure});
                answered = true;
            } else if (plan_.Working(path)) {
                awaited_.insert(path);
            } else {
                requests_.erase(std::remove(requests_.begin(), requests_.end(), path), requests_.end());
                requests_.insert(requests_.begin(), path);
                if (requests_.size() > kMaxPendingRequests)
                    requests_.resize(kMaxPendingRequests);
            }
        }
        if (answered && wake_)
            wake_();
        workAvailable_.notify_all();
    }

    // The requests read since the last call, oldest first.
    std::vector<Result> TakeResults()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<Result> taken;
        taken.swap(results_);
        return taken;
    }

    // Nothing being read and nothing left to read or redraw within the
    // budget.
    bool Idle() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return !plan_.AnyWorking() && requests_.empty() && waitingToBeAlone_ == 0 && !plan_.NextWork();
    }

    std::size_t CachedBytes() const { return Locked([this] { return plan_.HeldBytes(); }); }
    // The most the cache has held at once since it was made.
    std::size_t PeakCachedBytes() const { return Locked([this] { return plan_.PeakHeldBytes(); }); }
    std::size_t Budget() const { return Locked([this] { return plan_.Budget(); }); }

    // How many reads and redraws the workers have done: what a test counts
    // to tell a redraw from a read.
    struct WorkDone {
        std::size_t reads = 0;
        std::size_t redraws = 0;
    };
    WorkDone Done() const { return Locked([this] { return done_; }); }

private:
    // Keeps a frame on screen (the compared one, companion) as path's
    // cached frame when it fits, and counts it against the budget for as
    // long as it is shown.
    void ShowOnScreen(const std::string& path, FramePtr frame, std::optional<Wanted> drawnFor, bool companion)
    {
        const FileStamp stamp = frame ? FileStamp::Of(path) : FileStamp();
        const std::size_t bytes = frame ? std::max<std::size_t>(bytesOf_(*frame), 1) : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(path);
            if (frame && (found == entries_.end() || found->second.frame != frame)) {
                // A compared frame comes from another render: its size is no
                // guess for this folder's frames.
                if (companion)
                    plan_.KnowElsewhere(path, bytes);
                else
                    plan_.Read(path, bytes);
                Entry entry;
                entry.stamp = stamp;
                entry.frame = std::move(frame);
                entry.bytes = bytes;
                entry.drawnFor = std::move(drawnFor);
                Store(path, std::move(entry));
            }
            if (companion)
                plan_.SetShownCompanion(path, bytes);
            else
                plan_.SetShown(path, bytes);
            Drop(plan_.EvictBeyond(plan_.RoomFor(0), std::nullopt));
        }
        workAvailable_.notify_all();
    }

    struct Entry {
        FileStamp stamp;      // the file as it was before it was read
        FramePtr frame;       // null for a failed read
        std::string failure;  // the reader's report of a failed read
        std::size_t bytes = 0;
        std::optional<Wanted> drawnFor;  // nothing: serves whatever is wanted
    };
    using Entries = std::unordered_map<std::string, Entry>;

    template <typename Read>
    auto Locked(Read read) const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return read();
    }

    // Whether entry is a frame drawn for another value than the one wanted.
    bool Stale(const Entry& entry) const
    {
        return redraw_ && entry.frame && entry.drawnFor && !(*entry.drawnFor == wanted_);
    }

    // The entry of path unless its file changed since (then dropped).
    typename Entries::iterator FindUnchanged(const std::string& path, const FileStamp& now);
    void Drop(const std::vector<std::string>& paths);

    // The workers' side (FrameCacheWorker.h); each is called with the lock
    // held and returns with it held.
    void EstimateUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path);
    std::optional<ReadAheadPlan::Work> NextJob(bool& requested);
    void ReadUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path);
    void RedrawUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path);
    void Finish(std::unique_lock<std::mutex>& lock, const std::string& path, Entry entry);
    // Keeps a frame just read when it fits (window's thread too).
    void Store(const std::string& path, Entry entry);
    void WorkLoop();

    const Loader load_;
    const Redraw redraw_;
    const BytesOf bytesOf_;
    const Estimate estimate_;
    const Wake wake_;

    mutable std::mutex mutex_;
    std::condition_variable workAvailable_;
    // Everything below is guarded by mutex_.
    Wanted wanted_;
    ReadAheadPlan plan_;
    int waitingToBeAlone_ = 0;  // workers waiting for the others' reads to end
    Entries entries_;
    std::vector<std::string> requests_;        // newest first
    std::unordered_set<std::string> awaited_;  // requested, to be queued as results
    std::vector<Result> results_;
    WorkDone done_;
    bool stopping_ = false;

    std::vector<std::thread> workers_;  // last: started once everything above exists
};

#include "FrameCacheWorker.h"
