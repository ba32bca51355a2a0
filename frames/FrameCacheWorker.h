// What the read-ahead cache's workers do (FrameCache.h says who owns what):
// take the next job (a request, else the plan's next read-ahead), weigh a
// file before its first read, make room and read it, or draw a frame
// already read again for what is wanted now, then hand the result over and
// keep it; and the bookkeeping both sides share. Included by FrameCache.h
// alone.
#pragma once

#include "FrameCache.h"

template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::WorkLoop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        std::optional<ReadAheadPlan::Work> next;
        bool requested = false;
        workAvailable_.wait(lock, [&] {
            if (stopping_)
                return true;
            if (waitingToBeAlone_ > 0)
                return false;
            next = NextJob(requested);
            return next.has_value();
        });
        if (stopping_)
            return;
        if (next->redraw) {
            RedrawUnlocked(lock, next->path);
            continue;
        }
        if (estimate_ && !plan_.Knows(next->path)) {
            EstimateUnlocked(lock, next->path);
            if (stopping_)
                return;
            // Chosen again, or passed over, by its weight, unless asked for
            // meanwhile (a request merged with the weighing).
            if (!requested && awaited_.count(next->path) == 0)
                continue;
        }
        ReadUnlocked(lock, next->path);
        if (stopping_)
            return;
    }
}

template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::ReadUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path)
{
    // Room for the frame is made before it is read, not after: the frames
    // cached, those being read and the one shown stay within the budget
    // together, so memory never holds the budget plus the reads. A read
    // that does not fit beside those in progress (a frame larger than the
    // budget, asked for) waits until it is alone; read-ahead starts nothing
    // beside it.
    const std::size_t reserved = plan_.GuessBytes(path);
    if (plan_.ReservedBytes() + reserved > plan_.Budget()) {
        ++waitingToBeAlone_;
        workAvailable_.wait(lock, [&] { return stopping_ || !plan_.AnyWorking(); });
        --waitingToBeAlone_;
        workAvailable_.notify_all();
        if (stopping_)
            return;
    }
    plan_.BeginWork(path, reserved);
    Drop(plan_.EvictBeyond(plan_.RoomFor(0), plan_.RankOf(path)));
    const Wanted wanted = wanted_;
    lock.unlock();

    // The stamp is taken before the read: a file rewritten during the read
    // then looks changed and is read again.
    Entry entry;
    entry.stamp = FileStamp::Of(path);
    try {
        entry.frame = load_(path, wanted);
        if (!entry.frame)
            throw std::runtime_error("The file gave no picture.");
        entry.bytes = std::max<std::size_t>(bytesOf_(*entry.frame), 1);
        entry.drawnFor = wanted;
    } catch (const std::exception& error) {
        entry.frame = nullptr;
        entry.failure = error.what();
    } catch (...) {
        entry.frame = nullptr;
        entry.failure = "The file could not be read.";
    }

    lock.lock();
    plan_.EndWork(path);
    ++done_.reads;
    if (entry.frame)
        plan_.Read(path, entry.bytes);
    Finish(lock, path, std::move(entry));
}

// Weighs path's file before its first read, outside the lock; path
// counts as being read meanwhile, so no other worker takes it up.
template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::EstimateUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path)
{
    const Wanted wanted = wanted_;
    plan_.BeginWork(path, 0);
    lock.unlock();
    std::size_t estimate = 0;
    try {
        estimate = estimate_(path, wanted);
    } catch (...) {
        estimate = 0;  // the read reports what is wrong with the file
    }
    lock.lock();
    plan_.EndWork(path);
    plan_.Estimated(path, estimate);
    // A read waiting to be alone may have waited for this weighing alone.
    workAvailable_.notify_all();
}

// Takes the next job: a request first, else the plan's next read-ahead.
template <typename Frame, typename Wanted>
std::optional<ReadAheadPlan::Work> FrameCache<Frame, Wanted>::NextJob(bool& requested)
{
    while (!requests_.empty()) {
        std::string path = requests_.front();
        requests_.erase(requests_.begin());
        awaited_.insert(path);
        if (plan_.Working(path))
            continue;  // taken up by read-ahead since: its result answers
        requested = true;
        // A frame held is drawn, never read, again: stale when asked for, or
        // redrawn by another worker since.
        auto held = entries_.find(path);
        return ReadAheadPlan::Work{path, redraw_ && held != entries_.end() && held->second.frame};
    }
    requested = false;
    return plan_.NextWork();
}

// Draws a stale frame again for the value wanted, outside the lock.
// What was read is shared; the file is not read again.
template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::RedrawUnlocked(std::unique_lock<std::mutex>& lock, const std::string& path)
{
    Entry entry = entries_.at(path);
    const Wanted wanted = wanted_;
    plan_.BeginWork(path, 0);
    lock.unlock();
    try {
        entry.frame = redraw_(entry.frame, wanted);
        if (!entry.frame)
            throw std::runtime_error("The file gave no picture.");
        entry.bytes = std::max<std::size_t>(bytesOf_(*entry.frame), 1);
        entry.drawnFor = wanted;
    } catch (const std::exception& error) {
        entry = Entry{entry.stamp, nullptr, error.what(), 0, std::nullopt};
    }
    lock.lock();
    plan_.EndWork(path);
    ++done_.redraws;
    Finish(lock, path, std::move(entry));
}

// Hands a frame read or redrawn to whoever awaits it, and keeps it.
template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::Finish(std::unique_lock<std::mutex>& lock, const std::string& path, Entry entry)
{
    // A read waiting to be alone, or read-ahead waiting for room.
    workAvailable_.notify_all();
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

// Keeps a frame just read when it fits the budget after evicting frames
// wanted later than it; a frame larger than that is only handed to
// whoever asked for it.
template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::Store(const std::string& path, Entry entry)
{
    Drop({path});
    if (!entry.frame) {
        plan_.Hold(path, 0, false);
        entries_[path] = std::move(entry);
        return;
    }
    if (entry.bytes > plan_.Budget())
        return;
    Drop(plan_.EvictBeyond(plan_.RoomFor(entry.bytes), plan_.RankOf(path)));
    if (plan_.HeldBytes() + entry.bytes > plan_.Budget())
        return;
    plan_.Hold(path, entry.bytes, Stale(entry));
    entries_[path] = std::move(entry);
}

template <typename Frame, typename Wanted>
typename FrameCache<Frame, Wanted>::Entries::iterator FrameCache<Frame, Wanted>::FindUnchanged(
    const std::string& path, const FileStamp& now)
{
    auto found = entries_.find(path);
    if (found != entries_.end() && found->second.stamp != now) {
        Drop({path});
        workAvailable_.notify_all();
        return entries_.end();
    }
    return found;
}

template <typename Frame, typename Wanted>
void FrameCache<Frame, Wanted>::Drop(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        plan_.Release(path);
        entries_.erase(path);
    }
}
