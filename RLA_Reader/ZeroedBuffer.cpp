#include "ZeroedBuffer.h"

#include <atomic>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define RLA_MAP_ZEROED_MEMORY 1
#endif

namespace {

#ifdef RLA_MAP_ZEROED_MEMORY
// Released ForOverwrite mappings, oldest first, waiting for a buffer of
// their size. Shared by every thread that loads or releases frames (the
// read-ahead workers, the window's thread), so guarded by a lock, held only
// for the bookkeeping: mappings are made and unmapped outside it.
class KeptMappings {
public:
    // A kept mapping of exactly bytes, or null.
    void* Take(std::size_t bytes)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto kept = kept_.begin(); kept != kept_.end(); ++kept) {
            if (kept->bytes == bytes) {
                void* start = kept->start;
                total_ -= bytes;
                kept_.erase(kept);
                return start;
            }
        }
        return nullptr;
    }

    // Keeps a released mapping, giving the oldest back to the system while
    // the kept ones would pass the limit; one larger than the limit goes
    // back at once.
    void Keep(void* start, std::size_t bytes, std::size_t limit)
    {
        std::deque<Mapping> unmap;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (bytes > limit) {
                unmap.push_back({start, bytes});
            } else {
                while (total_ + bytes > limit && !kept_.empty()) {
                    unmap.push_back(kept_.front());
                    total_ -= kept_.front().bytes;
                    kept_.pop_front();
                }
                kept_.push_back({start, bytes});
                total_ += bytes;
            }
        }
        for (const Mapping& mapping : unmap)
            munmap(mapping.start, mapping.bytes);
    }

    void ReleaseAll()
    {
        std::deque<Mapping> unmap;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            unmap.swap(kept_);
            total_ = 0;
        }
        for (const Mapping& mapping : unmap)
            munmap(mapping.start, mapping.bytes);
    }

    std::size_t Total()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return total_;
    }

private:
    struct Mapping {
        void* start;
        std::size_t bytes;
    };
    std::mutex mutex_;
    std::deque<Mapping> kept_;
    std::size_t total_ = 0;
};

// Never destroyed: a display bitmap may release its buffer during the
// program's exit, after static objects are gone.
KeptMappings& Kept()
{
    static KeptMappings* const kept = new KeptMappings;
    return *kept;
}
#endif

}  // namespace

ZeroedBuffer::ZeroedBuffer(std::size_t bytes) : bytes_(bytes)
{
#ifdef RLA_MAP_ZEROED_MEMORY
    if (bytes >= kMapDirectlyBytes) {
        void* mapped = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            return;
#ifdef MADV_HUGEPAGE
        madvise(mapped, bytes, MADV_HUGEPAGE);
#endif
        data_ = static_cast<unsigned char*>(mapped);
        return;
    }
#endif
    data_ = static_cast<unsigned char*>(std::calloc(bytes, 1));
}

ZeroedBuffer ZeroedBuffer::ForOverwrite(std::size_t bytes, std::size_t keptLimit)
{
#ifdef RLA_MAP_ZEROED_MEMORY
    if (bytes >= kMapDirectlyBytes) {
        ZeroedBuffer buffer;
        if (void* kept = Kept().Take(bytes)) {
            buffer.data_ = static_cast<unsigned char*>(kept);
            buffer.bytes_ = bytes;
            buffer.reused_ = true;
        } else {
            buffer = ZeroedBuffer(bytes);
        }
        buffer.keep_ = buffer.data_ != nullptr;
        buffer.keptLimit_ = keptLimit;
        return buffer;
    }
#endif
    (void)keptLimit;
    return ZeroedBuffer(bytes);
}

std::size_t ZeroedBuffer::KeptBytes()
{
#ifdef RLA_MAP_ZEROED_MEMORY
    return Kept().Total();
#else
    return 0;
#endif
}

void ZeroedBuffer::ReleaseKept()
{
#ifdef RLA_MAP_ZEROED_MEMORY
    Kept().ReleaseAll();
#endif
}

ZeroedBuffer::~ZeroedBuffer()
{
    Release();
}

ZeroedBuffer::ZeroedBuffer(ZeroedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0)),
      keep_(std::exchange(other.keep_, false)),
      keptLimit_(std::exchange(other.keptLimit_, 0)),
      reused_(std::exchange(other.reused_, false))
{
}

ZeroedBuffer& ZeroedBuffer::operator=(ZeroedBuffer&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
        keep_ = std::exchange(other.keep_, false);
        keptLimit_ = std::exchange(other.keptLimit_, 0);
        reused_ = std::exchange(other.reused_, false);
    }
    return *this;
}

bool ZeroedBuffer::IsMapped() const
{
#ifdef RLA_MAP_ZEROED_MEMORY
    return data_ != nullptr && bytes_ >= kMapDirectlyBytes;
#else
    return false;
#endif
}

void ZeroedBuffer::Release()
{
    if (data_ == nullptr)
        return;
    if (IsMapped()) {
#ifdef RLA_MAP_ZEROED_MEMORY
        if (keep_)
            Kept().Keep(data_, bytes_, keptLimit_);
        else
            munmap(data_, bytes_);
#endif
    } else {
        std::free(data_);
    }
    data_ = nullptr;
    bytes_ = 0;
    keep_ = false;
    keptLimit_ = 0;
    reused_ = false;
}
