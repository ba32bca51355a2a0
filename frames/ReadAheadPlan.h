// The read-ahead cache's bookkeeping, apart from the frames themselves:
// the folder's order and the place in it, what each file held or being read
// takes against the budget, and from these which file to read (or redraw)
// next and which to evict. Plain data, no threads and no frames: the cache
// (FrameCache.h) calls it under its own lock and keeps the frames beside it,
// one held entry here for each frame or failure it keeps.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class ReadAheadPlan {
public:
    explicit ReadAheadPlan(std::size_t budgetBytes) : budget_(budgetBytes) {}

    // The folder's files in its order, the one shown and the direction of
    // travel (+1 forwards, -1 backwards). Read-ahead wraps at the ends, as
    // playback loops.
    void SetSequence(std::vector<std::string> paths, std::size_t current, int direction);
    void SetCurrent(std::size_t current, int direction);

    std::size_t Budget() const { return budget_; }
    void SetBudget(std::size_t budgetBytes) { budget_ = budgetBytes; }

    // How soon the file at path is wanted: its distance from the one shown
    // in the direction of travel, wrapping at the end, so the files just
    // behind come last. A file outside the folder ranks after all of them.
    std::size_t RankOf(const std::string& path) const;

    // The frame on screen, as path, and what it takes.
    void SetShown(const std::string& path, std::size_t bytes);
    // The second frame on screen while two renders are compared (empty
    // path: none), and what it takes.
    void SetShownCompanion(const std::string& path, std::size_t bytes);
    // The frames on screen that the cache does not hold.
    std::size_t ShownOutsideBytes() const;

    // A frame (bytes > 0) or a failure (bytes 0) kept for path; stale: drawn
    // for something no longer wanted, to be redrawn.
    void Hold(const std::string& path, std::size_t bytes, bool stale);
    void Release(const std::string& path);
    void SetStale(const std::string& path, bool stale);
    bool Holds(const std::string& path) const { return held_.count(path) != 0; }
    std::size_t HeldBytes() const { return heldBytes_; }
    std::size_t PeakHeldBytes() const { return peakBytes_; }

    // A read (or redraw) of path begins, with reserved bytes kept free for
    // it, and ends.
    void BeginWork(const std::string& path, std::size_t reserved);
    void EndWork(const std::string& path);
    bool Working(const std::string& path) const { return inFlight_.count(path) != 0; }
    bool AnyWorking() const { return !inFlight_.empty(); }
    std::size_t ReservedBytes() const { return inFlightBytes_; }

    // What a file will take once read: its size when last read (so a frame
    // read but not kept for want of room is not read again and again), or
    // its estimate; without either, that of the last frame read.
    std::size_t GuessBytes(const std::string& path) const;
    bool Knows(const std::string& path) const { return knownBytes_.count(path) != 0; }
    // What weighing the file gave (0: it could not be weighed).
    void Estimated(const std::string& path, std::size_t bytes);
    // What reading the file took.
    void Read(const std::string& path, std::size_t bytes);
    // What a frame from elsewhere (another render, compared) takes, which
    // says nothing of the size of this folder's frames.
    void KnowElsewhere(const std::string& path, std::size_t bytes) { knownBytes_[path] = bytes; }

    struct Work {
        std::string path;
        bool redraw = false;  // held but stale: drawn again, not read
    };
    // The next file to work on ahead of the one shown: the nearest in the
    // direction of travel that is held stale (a redraw, which takes no
    // room; not the frame shown, which the window draws), or neither held
    // nor being worked on, while the frames nearer
    // than it and it fit the budget. A frame that cannot fit the budget at
    // all is passed over, never read ahead.
    std::optional<Work> NextWork() const;

    // Releases frames ranked after keepRank (any frame without one),
    // farthest first, until the frames held take at most limit bytes; the
    // paths released, for the cache to drop.
    std::vector<std::string> EvictBeyond(std::size_t limit, std::optional<std::size_t> keepRank);
    // The room left for the frames held beside the reads in progress, the
    // frame shown outside the cache and extra bytes more.
    std::size_t RoomFor(std::size_t extraBytes) const;

private:
    const std::string& PathAtRank(std::size_t rank) const;

    struct Held {
        std::size_t bytes = 0;
        bool stale = false;
    };

    std::size_t budget_;
    std::vector<std::string> sequence_;
    std::unordered_map<std::string, std::size_t> positions_;
    std::size_t current_ = 0;
    int direction_ = 1;
    std::string shownPath_;
    std::size_t shownBytes_ = 0;
    std::string companionPath_;  // the second frame on screen, while comparing
    std::size_t companionBytes_ = 0;
    std::unordered_map<std::string, Held> held_;
    std::size_t heldBytes_ = 0;
    std::size_t peakBytes_ = 0;
    std::unordered_map<std::string, std::size_t> inFlight_;  // being worked on, and the bytes kept free for each
    std::size_t inFlightBytes_ = 0;
    std::unordered_map<std::string, std::size_t> knownBytes_;
    std::size_t lastFrameBytes_ = 0;
};
