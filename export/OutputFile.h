// Output files named by the bytes the user gave (a file name need not be
// UTF-8, and a QString cannot carry one that is not), checked so that an
// output never destroys an input or anything that is not a plain file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace outputfile {

// Why output may not be written by a run that reads inputs: it is the same
// file as one of them (same device and inode, whatever the names), or it
// exists and is not a regular file (a device, a folder, a pipe). Empty when
// output is missing or is another regular file.
std::string Refusal(const std::string& output, const std::vector<std::string>& inputs);

// Writes size bytes at data to a new file at path (which must not exist);
// throws std::runtime_error naming path and the system's reason ("No space
// left on device") when it cannot. A file left half-written is the caller's
// to remove.
void WriteNew(const std::string& path, const void* data, std::size_t size);

// Writes the bytes into the file at path itself, which a caller such as a
// thumbnail service may have created and will read back under that name,
// rechecking Refusal on the file actually opened. On failure returns the
// reason and leaves at path an empty file (a file this call created is
// removed); on success returns an empty string.
std::string WriteInPlace(const std::string& path, const void* data, std::size_t size,
                         const std::vector<std::string>& inputs);

}  // namespace outputfile
