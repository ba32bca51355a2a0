#include "ZeroedBuffer.h"

#include <cstdlib>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#define RLA_MAP_ZEROED_MEMORY 1
#endif

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

ZeroedBuffer::~ZeroedBuffer()
{
    Release();
}

ZeroedBuffer::ZeroedBuffer(ZeroedBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0))
{
}

ZeroedBuffer& ZeroedBuffer::operator=(ZeroedBuffer&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
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
        munmap(data_, bytes_);
#endif
    } else {
        std::free(data_);
    }
    data_ = nullptr;
    bytes_ = 0;
}
