#include "ReadAheadPlan.h"

#include <algorithm>
#include <utility>

void ReadAheadPlan::SetSequence(std::vector<std::string> paths, std::size_t current, int direction)
{
    sequence_ = std::move(paths);
    positions_.clear();
    for (std::size_t i = 0; i < sequence_.size(); ++i)
        positions_.emplace(sequence_[i], i);
    SetCurrent(current, direction);
}

void ReadAheadPlan::SetCurrent(std::size_t current, int direction)
{
    current_ = sequence_.empty() ? 0 : std::min(current, sequence_.size() - 1);
    direction_ = direction < 0 ? -1 : 1;
}

std::size_t ReadAheadPlan::RankOf(const std::string& path) const
{
    auto position = positions_.find(path);
    if (position == positions_.end())
        return sequence_.size();
    const std::size_t count = sequence_.size();
    return direction_ > 0 ? (position->second + count - current_) % count
                          : (current_ + count - position->second) % count;
}

const std::string& ReadAheadPlan::PathAtRank(std::size_t rank) const
{
    const std::size_t count = sequence_.size();
    const std::size_t index = direction_ > 0 ? (current_ + rank) % count : (current_ + count - rank % count) % count;
    return sequence_[index];
}

void ReadAheadPlan::SetShown(const std::string& path, std::size_t bytes)
{
    shownPath_ = path;
    shownBytes_ = bytes;
}

void ReadAheadPlan::SetShownCompanion(const std::string& path, std::size_t bytes)
{
    companionPath_ = bytes > 0 ? path : std::string();
    companionBytes_ = bytes;
}

std::size_t ReadAheadPlan::ShownOutsideBytes() const
{
    const std::size_t shown = shownPath_.empty() || held_.count(shownPath_) != 0 ? 0 : shownBytes_;
    const bool companionOutside =
        !companionPath_.empty() && companionPath_ != shownPath_ && held_.count(companionPath_) == 0;
    return shown + (companionOutside ? companionBytes_ : 0);
}

void ReadAheadPlan::Hold(const std::string& path, std::size_t bytes, bool stale)
{
    Release(path);
    held_[path] = Held{bytes, stale};
    heldBytes_ += bytes;
    peakBytes_ = std::max(peakBytes_, heldBytes_);
}

void ReadAheadPlan::Release(const std::string& path)
{
    auto found = held_.find(path);
    if (found == held_.end())
        return;
    heldBytes_ -= found->second.bytes;
    held_.erase(found);
}

void ReadAheadPlan::SetStale(const std::string& path, bool stale)
{
    auto found = held_.find(path);
    if (found != held_.end())
        found->second.stale = stale;
}

void ReadAheadPlan::BeginWork(const std::string& path, std::size_t reserved)
{
    inFlight_[path] = reserved;
    inFlightBytes_ += reserved;
}

void ReadAheadPlan::EndWork(const std::string& path)
{
    auto found = inFlight_.find(path);
    if (found == inFlight_.end())
        return;
    inFlightBytes_ -= found->second;
    inFlight_.erase(found);
}

std::size_t ReadAheadPlan::GuessBytes(const std::string& path) const
{
    auto known = knownBytes_.find(path);
    return known != knownBytes_.end() ? known->second : lastFrameBytes_;
}

void ReadAheadPlan::Estimated(const std::string& path, std::size_t bytes)
{
    knownBytes_.emplace(path, bytes > 0 ? bytes : lastFrameBytes_);
}

void ReadAheadPlan::Read(const std::string& path, std::size_t bytes)
{
    lastFrameBytes_ = bytes;
    knownBytes_[path] = bytes;
}

std::optional<ReadAheadPlan::Work> ReadAheadPlan::NextWork() const
{
    std::size_t nearerBytes = ShownOutsideBytes();
    // A compared frame held but outside the folder stays (EvictBeyond keeps
    // it): it takes its room before any frame ahead.
    if (!companionPath_.empty() && positions_.count(companionPath_) == 0) {
        auto compared = held_.find(companionPath_);
        if (compared != held_.end())
            nearerBytes += compared->second.bytes;
    }
    for (std::size_t rank = 0; rank < sequence_.size(); ++rank) {
        const std::string& path = PathAtRank(rank);
        auto reading = inFlight_.find(path);
        if (reading != inFlight_.end()) {
            auto held = held_.find(path);
            nearerBytes += held != held_.end() ? held->second.bytes : reading->second;
            continue;
        }
        auto held = held_.find(path);
        if (held != held_.end()) {
            // The frame on screen is drawn anew by the window, which shows
            // it; drawn here too it would only take a core from that.
            if (held->second.stale && path != shownPath_)
                return Work{path, true};
            nearerBytes += held->second.bytes;
            continue;
        }
        if (path == shownPath_ || path == companionPath_)
            continue;  // counted above
        const std::size_t guess = GuessBytes(path);
        if (guess > budget_)
            continue;
        if (nearerBytes + guess > budget_)
            return std::nullopt;
        return Work{path, false};
    }
    return std::nullopt;
}

std::vector<std::string> ReadAheadPlan::EvictBeyond(std::size_t limit, std::optional<std::size_t> keepRank)
{
    std::vector<std::string> evicted;
    while (heldBytes_ > limit) {
        auto farthest = held_.end();
        std::size_t farthestRank = 0;
        for (auto entry = held_.begin(); entry != held_.end(); ++entry) {
            // A failure takes nothing; the compared frame ranks outside the
            // folder, yet dropping it while it is on screen would free nothing.
            if (entry->second.bytes == 0 || entry->first == companionPath_)
                continue;
            const std::size_t rank = RankOf(entry->first);
            if ((!keepRank || rank > *keepRank) && (farthest == held_.end() || rank > farthestRank)) {
                farthest = entry;
                farthestRank = rank;
            }
        }
        if (farthest == held_.end())
            break;
        evicted.push_back(farthest->first);
        heldBytes_ -= farthest->second.bytes;
        held_.erase(farthest);
    }
    return evicted;
}

std::size_t ReadAheadPlan::RoomFor(std::size_t extraBytes) const
{
    return budget_ - std::min(budget_, extraBytes + inFlightBytes_ + ShownOutsideBytes());
}
