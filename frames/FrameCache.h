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
//   (SetWanted) as it stood when the read began.
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

template <typename Frame>
class FrameCache {
public:
    using FramePtr = std::shared_ptr<const Frame>;
    // Reads one file for the wanted value; throws a std::exception whose
    // what() is the report.
    using Loader = std::function<FramePtr(const std::string& pathBytes, int wanted)>;
    using BytesOf = std::function<std::size_t(const Frame&)>;
    // What a file will take once read, before it is read; 0 when unknown.
    using Estimate = std::function<std::size_t(const std::string& pathBytes, int wanted)>;
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

    FrameCache(Loader load, BytesOf bytesOf, Estimate estimate, Wake wake, std::size_t budgetBytes, int workerCount = 1)
        : load_(std::move(load)),
          bytesOf_(std::move(bytesOf)),
          estimate_(std::move(estimate)),
          wake_(std::move(wake)),
          budget_(budgetBytes)
    {
        workerCount = std::clamp(workerCount, 1, 2);
        for (int i = 0; i < workerCount; ++i)
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
            sequence_ = std::move(paths);
            positions_.clear();
            for (std::size_t i = 0; i < sequence_.size(); ++i)
                positions_.emplace(sequence_[i], i);
            current_ = sequence_.empty() ? 0 : std::min(current, sequence_.size() - 1);
            direction_ = direction < 0 ? -1 : 1;
        }
        workAvailable_.notify_all();
    }

    void SetCurrent(std::size_t current, int direction)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            current_ = sequence_.empty() ? 0 : std::min(current, sequence_.size() - 1);
            direction_ = direction < 0 ? -1 : 1;
        }
        workAvailable_.notify_all();
    }

    // The value the loader is given with the reads that start from now on.
    // Frames read for another value stay cached.
    void SetWanted(int wanted)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wanted_ = wanted;
    }

    // The frame on screen, read for path (null: none). A frame read
    // elsewhere (an open) is kept as the cached frame of path when it fits,
    // so that it is not read a second time; one that does not fit counts
    // against the budget for as long as it is shown.
    void SetShown(const std::string& path, FramePtr frame)
    {
        const FileStamp stamp = frame ? FileStamp::Of(path) : FileStamp();
        const std::size_t bytes = frame ? std::max<std::size_t>(bytesOf_(*frame), 1) : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(path);
            if (frame && (found == entries_.end() || found->second.frame != frame)) {
                knownBytes_[path] = bytes;
                Entry entry;
                entry.stamp = stamp;
                entry.frame = std::move(frame);
                entry.bytes = bytes;
                Store(path, std::move(entry));
            }
            shownPath_ = path;
            shownBytes_ = bytes;
            EvictBeyond(budget_ - std::min(budget_, inFlightBytes_ + ShownOutsideBytes()), std::nullopt);
        }
        workAvailable_.notify_all();
    }

    // The second frame on screen while two renders are compared (null:
    // none), counted as the one SetShown gives: kept as path's cached frame
    // when it fits, counted against the budget while it is shown otherwise.
    void SetShownCompanion(const std::string& path, FramePtr frame)
    {
        const FileStamp stamp = frame ? FileStamp::Of(path) : FileStamp();
        const std::size_t bytes = frame ? std::max<std::size_t>(bytesOf_(*frame), 1) : 0;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(path);
            if (frame && (found == entries_.end() || found->second.frame != frame)) {
                knownBytes_[path] = bytes;
                Entry entry;
                entry.stamp = stamp;
                entry.frame = std::move(frame);
                entry.bytes = bytes;
                Store(path, std::move(entry));
            }
            companionPath_ = bytes > 0 ? path : std::string();
            companionBytes_ = bytes;
            EvictBeyond(budget_ - std::min(budget_, inFlightBytes_ + ShownOutsideBytes()), std::nullopt);
        }
        workAvailable_.notify_all();
    }

    // A smaller budget evicts at once, farthest first.
    void SetBudget(std::size_t budgetBytes)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            budget_ = budgetBytes;
            EvictBeyond(budget_, std::nullopt);
        }
        workAvailable_.notify_all();
    }

    // The cached frame of path, or null when it is not ready or failed. A
    // frame or failure whose file changed on disk since it was read, or was
    // deleted, is dropped (and read again when wanted).
    FramePtr Find(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = entries_.find(path);
        if (found == entries_.end())
            return nullptr;
        if (found->second.stamp != now) {
            Drop(found);
            workAvailable_.notify_all();
            return nullptr;
        }
        return found->second.frame;
    }

    // The reader's report for path when reading it failed and the file has
    // not changed since; nothing otherwise.
    std::optional<std::string> FindFailure(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = entries_.find(path);
        if (found == entries_.end())
            return std::nullopt;
        if (found->second.stamp != now) {
            Drop(found);
            workAvailable_.notify_all();
            return std::nullopt;
        }
        if (found->second.frame)
            return std::nullopt;
        return found->second.failure;
    }

    // Asks for path ahead of any read-ahead; its Result is queued when read.
    // A request for a file already cached (or failed and unchanged) is
    // answered at once, wake being called on the caller's thread; one
    // already asked for or being read is merged.
    void Request(const std::string& path)
    {
        const FileStamp now = FileStamp::Of(path);
        bool answered = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = entries_.find(path);
            if (found != entries_.end() && found->second.stamp != now) {
                Drop(found);
                found = entries_.end();
            }
            if (found != entries_.end()) {
                results_.push_back({path, found->second.frame, found->second.failure});
                answered = true;
            } else if (inFlight_.count(path) != 0) {
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

    // Nothing being read and nothing left to read within the budget.
    bool Idle() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return inFlight_.empty() && requests_.empty() && waitingToBeAlone_ == 0 && !NextReadAhead();
    }

    std::size_t CachedBytes() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return cachedBytes_;
    }

    // The most the cache has held at once since it was made.
    std::size_t PeakCachedBytes() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return peakBytes_;
    }

    std::size_t Budget() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return budget_;
    }

private:
    struct Entry {
        FileStamp stamp;      // the file as it was before it was read
        FramePtr frame;       // null for a failed read
        std::string failure;  // the reader's report of a failed read
        std::size_t bytes = 0;
    };
    using Entries = std::unordered_map<std::string, Entry>;

    // How soon the frame at path is wanted: its distance from the frame
    // shown in the direction of travel, wrapping at the end. The frames just
    // behind come last, so eviction takes them before any frame ahead. A
    // file outside the folder ranks after all of them.
    std::size_t RankOf(const std::string& path) const
    {
        auto position = positions_.find(path);
        if (position == positions_.end())
            return sequence_.size();
        const std::size_t count = sequence_.size();
        return direction_ > 0 ? (position->second + count - current_) % count
                              : (current_ + count - position->second) % count;
    }

    const std::string& PathAtRank(std::size_t rank) const
    {
        const std::size_t count = sequence_.size();
        const std::size_t index = direction_ > 0 ? (current_ + rank) % count : (current_ + count - rank % count) % count;
        return sequence_[index];
    }

    // A frame's size before it is read: its size when it was last read (so
    // a frame read but not kept for want of room is not read again and
    // again) or estimated from its file; without either, that of the last
    // frame read.
    std::size_t GuessBytes(const std::string& path) const
    {
        auto known = knownBytes_.find(path);
        return known != knownBytes_.end() ? known->second : lastFrameBytes_;
    }

    // Whether a worker must weigh path's file before reading it.
    bool NeedsEstimate(const std::string& path) const { return estimate_ && knownBytes_.count(path) == 0; }

    // The frames on screen that the cache does not hold.
    std::size_t ShownOutsideBytes() const
    {
        const std::size_t shown = shownPath_.empty() || entries_.count(shownPath_) != 0 ? 0 : shownBytes_;
        const bool companionOutside =
            !companionPath_.empty() && companionPath_ != shownPath_ && entries_.count(companionPath_) == 0;
        return shown + (companionOutside ? companionBytes_ : 0);
    }

    // The next frame to read ahead: the nearest in the direction of travel
    // that is neither cached nor being read, while the frames nearer than
    // it and it fit the budget. A frame that cannot fit the budget at all is
    // passed over. Store keeps a frame by the same measure.
    std::optional<std::string> NextReadAhead() const
    {
        std::size_t nearerBytes = ShownOutsideBytes();
        // A compared frame cached but outside the folder stays (EvictBeyond
        // keeps it): it takes its room before any frame ahead.
        if (!companionPath_.empty() && positions_.count(companionPath_) == 0) {
            auto compared = entries_.find(companionPath_);
            if (compared != entries_.end())
                nearerBytes += compared->second.bytes;
        }
        for (std::size_t rank = 0; rank < sequence_.size(); ++rank) {
            const std::string& path = PathAtRank(rank);
            auto found = entries_.find(path);
            if (found != entries_.end()) {
                nearerBytes += found->second.bytes;
                continue;
            }
            auto reading = inFlight_.find(path);
            if (reading != inFlight_.end()) {
                nearerBytes += reading->second;
                continue;
            }
            if (path == shownPath_ || path == companionPath_)
                continue;  // counted above
            const std::size_t guess = GuessBytes(path);
            if (guess > budget_)
                continue;
            if (nearerBytes + guess > budget_)
                return std::nullopt;
            return path;
        }
        return std::nullopt;
    }

    void Drop(typename Entries::iterator entry)
    {
        cachedBytes_ -= entry->second.bytes;
        entries_.erase(entry);
    }

    // Evicts frames ranked after keepRank (any frame without one), farthest
    // first, until the cache holds at most limit bytes.
    void EvictBeyond(std::size_t limit, std::optional<std::size_t> keepRank)
    {
        while (cachedBytes_ > limit) {
            auto farthest = entries_.end();
            std::size_t farthestRank = 0;
            for (auto entry = entries_.begin(); entry != entries_.end(); ++entry) {
                // The compared frame ranks outside the folder, yet dropping
                // it while it is on screen would free nothing.
                if (entry->second.bytes == 0 || entry->first == companionPath_)
                    continue;
                const std::size_t rank = RankOf(entry->first);
                if ((!keepRank || rank > *keepRank) && (farthest == entries_.end() || rank > farthestRank)) {
                    farthest = entry;
                    farthestRank = rank;
                }
            }
            if (farthest == entries_.end())
                return;
            Drop(farthest);
        }
    }

    // Keeps a frame just read when it fits the budget after evicting frames
    // wanted later than it; a frame larger than that is only handed to
    // whoever asked for it.
    void Store(const std::string& path, Entry entry)
    {
        auto earlier = entries_.find(path);
        if (earlier != entries_.end())
            Drop(earlier);
        if (!entry.frame) {
            entries_[path] = std::move(entry);
            return;
        }
        if (entry.bytes > budget_)
            return;
        const std::size_t rank = RankOf(path);
        EvictBeyond(budget_ - std::min(budget_, entry.bytes + inFlightBytes_ + ShownOutsideBytes()), rank);
        if (cachedBytes_ + entry.bytes > budget_)
            return;
        cachedBytes_ += entry.bytes;
        peakBytes_ = std::max(peakBytes_, cachedBytes_);
        entries_[path] = std::move(entry);
    }

    // Weighs path's file before its first read, outside the lock; path
    // counts as being read meanwhile, so no other worker takes it up.
    void EstimateUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path)
    {
        const int wanted = wanted_;
        inFlight_.emplace(path, 0);
        lock.unlock();
        std::size_t estimate = 0;
        try {
            estimate = estimate_(path, wanted);
        } catch (...) {
            estimate = 0;  // the read reports what is wrong with the file
        }
        lock.lock();
        inFlight_.erase(path);
        knownBytes_.emplace(path, estimate > 0 ? estimate : lastFrameBytes_);
    }

    void WorkLoop()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            std::optional<std::string> next;
            bool requested = false;
            workAvailable_.wait(lock, [&] {
                if (stopping_)
                    return true;
                if (waitingToBeAlone_ > 0)
                    return false;
                if (!requests_.empty()) {
                    next = requests_.front();
                    requests_.erase(requests_.begin());
                    awaited_.insert(*next);
                    requested = true;
                } else {
                    next = NextReadAhead();
                }
                return next.has_value();
            });
            if (stopping_)
                return;
            const std::string path = *next;
            if (NeedsEstimate(path)) {
                EstimateUnlocked(lock, path);
                if (stopping_)
                    return;
                if (!requested)
                    continue;  // chosen again, or passed over, by its weight
            }
            // Room for the frame is made before it is read, not after: the
            // frames cached, those being read and the one shown stay within
            // the budget together, so memory never holds the budget plus the
            // reads. A read that does not fit beside those in progress (a
            // frame larger than the budget, asked for) waits until it is
            // alone; read-ahead starts nothing beside it.
            const std::size_t reserved = GuessBytes(path);
            if (inFlightBytes_ + reserved > budget_) {
                ++waitingToBeAlone_;
                workAvailable_.wait(lock, [&] { return stopping_ || inFlight_.empty(); });
                --waitingToBeAlone_;
                workAvailable_.notify_all();
                if (stopping_)
                    return;
            }
            inFlight_.emplace(path, reserved);
            inFlightBytes_ += reserved;
            EvictBeyond(budget_ - std::min(budget_, inFlightBytes_ + ShownOutsideBytes()), RankOf(path));
            const int wanted = wanted_;
            lock.unlock();

            // The stamp is taken before the read: a file rewritten during
            // the read then looks changed and is read again.
            Entry entry;
            entry.stamp = FileStamp::Of(path);
            try {
                entry.frame = load_(path, wanted);
                if (!entry.frame)
                    throw std::runtime_error("The file gave no picture.");
                entry.bytes = std::max<std::size_t>(bytesOf_(*entry.frame), 1);
            } catch (const std::exception& error) {
                entry.frame = nullptr;
                entry.failure = error.what();
            } catch (...) {
                entry.frame = nullptr;
                entry.failure = "The file could not be read.";
            }

            lock.lock();
            inFlight_.erase(path);
            inFlightBytes_ -= reserved;
            // A read waiting to be alone, or read-ahead waiting for room.
            workAvailable_.notify_all();
            if (entry.frame) {
                lastFrameBytes_ = entry.bytes;
                knownBytes_[path] = entry.bytes;
            }
            const bool awaited = awaited_.erase(path) != 0;
            if (awaited)
                results_.push_back({path, entry.frame, entry.failure});
            Store(path, std::move(entry));
            if (awaited && wake_ && !stopping_) {
                lock.unlock();
                wake_();
                lock.lock();
            }
        }
    }

    const Loader load_;
    const BytesOf bytesOf_;
    const Estimate estimate_;
    const Wake wake_;

    mutable std::mutex mutex_;
    std::condition_variable workAvailable_;
    // Everything below is guarded by mutex_.
    std::size_t budget_;
    std::vector<std::string> sequence_;
    std::unordered_map<std::string, std::size_t> positions_;
    std::size_t current_ = 0;
    int direction_ = 1;
    int wanted_ = -1;
    std::string shownPath_;
    std::size_t shownBytes_ = 0;
    std::string companionPath_;  // the second frame on screen, while comparing
    std::size_t companionBytes_ = 0;
    int waitingToBeAlone_ = 0;  // workers waiting for the others' reads to end
    Entries entries_;
    std::size_t cachedBytes_ = 0;
    std::size_t peakBytes_ = 0;
    std::size_t lastFrameBytes_ = 0;
    std::unordered_map<std::string, std::size_t> knownBytes_;  // each file's size when last read
    std::vector<std::string> requests_;       // newest first
    std::unordered_map<std::string, std::size_t> inFlight_;  // being read, and the bytes kept free for each
    std::size_t inFlightBytes_ = 0;
    std::unordered_set<std::string> awaited_;  // requested, to be queued as results
    std::vector<Result> results_;
    bool stopping_ = false;

    std::vector<std::thread> workers_;  // last: started once everything above exists
};
