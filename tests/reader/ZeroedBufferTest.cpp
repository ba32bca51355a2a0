// The owner of the image's zero-filled memory: zeros whichever way the memory
// was obtained, and exactly one owner after a move (the sanitizer build
// catches a double release or a leak).
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
