// What a file on disk looked like when it was read: enough to tell that it
// was rewritten, replaced or deleted since. Renderers rewrite frames in
// place while an artist watches, often within the same second and at the
// same size, so the modification time is kept to the nanosecond and the
// inode catches a file swapped in by a rename.
#pragma once

#include <cstdint>
#include <string>

struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;  // modification time, nanoseconds since the epoch
    std::uint64_t device = 0;
    std::uint64_t inode = 0;      // 0 where the system has no inode numbers

    // The stamp of the file at pathBytes now (exists false when it cannot be
    // looked at). Costs one stat call.
    static FileStamp Of(const std::string& pathBytes);

    bool operator==(const FileStamp& other) const
    {
        return exists == other.exists && size == other.size && modifiedNs == other.modifiedNs &&
               device == other.device && inode == other.inode;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
