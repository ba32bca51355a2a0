// Paths as the file system sees them. A path's ".." steps up from where the
// folder before it really is, which through a symbolic link is not where
// cutting the path's text would lead: "dir/link/../x.rpf" names x.rpf in the
// folder above the link's target. So a path is made absolute by resolving
// its folder through the file system (as opening it does), never by editing
// the text, and its file name is kept as it is.
#pragma once

#include <string>

namespace filepath {

// path absolute, with its folder resolved by the file system and its file
// name kept; bytes in, bytes out. A folder that cannot be resolved (gone,
// unreadable) leaves the path as made absolute against the current folder,
// its text otherwise untouched. On Windows, whose own path handling removes
// ".." from the text, the text is made absolute and normal.
std::string ResolveFolder(const std::string& path);

}  // namespace filepath
