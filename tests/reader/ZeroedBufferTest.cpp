// The owner of the image's zero-filled memory: zeros whichever way the memory
// was obtained, and exactly one owner after a move (the sanitizer build
// catches a double release or a leak); released memory kept for buffers that
// overwrite it, and for no others.
#include "ZeroedBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

TEST(ZeroedBuffer, ReadsAsZerosAndMovesItsMemoryToOneOwner)
{
    // Below and above the size from which memory is mapped from the system.
    for (std::size_t bytes : {std::size_t(24), ZeroedBuffer::kMapDirectlyBytes - 1, ZeroedBuffer::kMapDirectlyBytes,
                              ZeroedBuffer::kMapDirectlyBytes * 3 + 5}) {
        ZeroedBuffer buffer(bytes);
        ASSERT_NE(buffer.Data(), nullptr) << bytes;
        EXPECT_EQ(buffer.Size(), bytes);
        EXPECT_TRUE(std::all_of(buffer.Data(), buffer.Data() + bytes, [](unsigned char b) { return b == 0; }))
            << bytes;
        buffer.Data()[bytes - 1] = 0x5A;  // the whole size is writable

        unsigned char* const memory = buffer.Data();
        ZeroedBuffer moved(std::move(buffer));
        EXPECT_EQ(buffer.Data(), nullptr);
        EXPECT_EQ(buffer.Size(), 0u);
        EXPECT_EQ(moved.Data(), memory);
        EXPECT_EQ(moved.Data()[bytes - 1], 0x5A);

        // Assigning over an owner releases what it held and takes the other's.
        ZeroedBuffer other(16);
        other = std::move(moved);
        EXPECT_EQ(other.Data(), memory);
        EXPECT_EQ(moved.Data(), nullptr);
    }
    ZeroedBuffer empty;
    EXPECT_EQ(empty.Data(), nullptr);
    EXPECT_EQ(empty.Size(), 0u);
}

TEST(ZeroedBuffer, ReleasedOverwriteMemoryGoesOnlyToBuffersThatOverwriteItAndStaysBounded)
{
    ZeroedBuffer::ReleaseKept();
    const std::size_t bytes = ZeroedBuffer::kMapDirectlyBytes * 2;
    unsigned char* first = nullptr;
    {
        ZeroedBuffer written = ZeroedBuffer::ForOverwrite(bytes);
        ASSERT_NE(written.Data(), nullptr);
        EXPECT_FALSE(written.IsReused());
        std::fill(written.Data(), written.Data() + bytes, 0x77);
        first = written.Data();
    }
    EXPECT_EQ(ZeroedBuffer::KeptBytes(), bytes);

    // A zero-filled buffer of that size never gets the kept memory.
    {
        ZeroedBuffer plain(bytes);
        EXPECT_FALSE(plain.IsReused());
        EXPECT_TRUE(std::all_of(plain.Data(), plain.Data() + bytes, [](unsigned char b) { return b == 0; }));
        EXPECT_EQ(ZeroedBuffer::KeptBytes(), bytes);
    }
    // Nor does one of another size; a small one is never kept.
    ZeroedBuffer other = ZeroedBuffer::ForOverwrite(bytes + 4096);
    EXPECT_FALSE(other.IsReused());
    { ZeroedBuffer small = ZeroedBuffer::ForOverwrite(64); }
    EXPECT_EQ(ZeroedBuffer::KeptBytes(), bytes);

    // One that overwrites gets it, pages, bytes and all.
    {
        ZeroedBuffer again = ZeroedBuffer::ForOverwrite(bytes);
        EXPECT_TRUE(again.IsReused());
        EXPECT_EQ(again.Data(), first);
        EXPECT_EQ(again.Data()[bytes - 1], 0x77);
        EXPECT_EQ(ZeroedBuffer::KeptBytes(), 0u);
    }

    // However much is released, no more than the limit is kept (the pages
    // of these are never written, so they cost nothing).
    const std::size_t large = ZeroedBuffer::kKeptBytesLimit / 3 + 4096;
    for (int i = 0; i < 4; ++i)
        ZeroedBuffer unused = ZeroedBuffer::ForOverwrite(large + std::size_t(i) * 4096);
    EXPECT_LE(ZeroedBuffer::KeptBytes(), ZeroedBuffer::kKeptBytesLimit);
    EXPECT_GE(ZeroedBuffer::KeptBytes(), 2 * large);
    { ZeroedBuffer huge = ZeroedBuffer::ForOverwrite(ZeroedBuffer::kKeptBytesLimit + 4096); }
    EXPECT_LE(ZeroedBuffer::KeptBytes(), ZeroedBuffer::kKeptBytesLimit);
    ZeroedBuffer::ReleaseKept();
    EXPECT_EQ(ZeroedBuffer::KeptBytes(), 0u);
}
