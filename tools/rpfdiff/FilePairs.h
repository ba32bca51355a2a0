// What rpfdiff compares: two files, a file and the file of the same name in a
// folder, or two folders' .rpf files paired by name.
#pragma once

#include <string>
#include <vector>

struct FilePair {
    std::string a;
    std::string b;
    // Which side has no file of this name in its folder: "" when both have
    // it, else the path the missing file would have. A pair with a missing
    // side is never loaded.
    std::string missing;
};

// The pairs for the two paths given. Folders are listed for regular files
// whose names end in ".rpf" in any letter case; a name in one folder only
// makes a pair with its missing side set. Pairs come in byte order of the
// names. Throws std::runtime_error when a folder cannot be listed.
std::vector<FilePair> PairFiles(const std::string& a, const std::string& b);

// Whether path names a folder (following links).
bool IsFolder(const std::string& path);
