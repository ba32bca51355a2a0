// Paths are bytes: the file system takes whatever bytes a name holds, valid
// in the system's encoding or not, while the window shows text. Text made
// from a name that is not valid in the encoding cannot be turned back into
// the same bytes, so the bytes of every such path the program is given
// (command line, folder steps) are kept, keyed by the bytes their text turns
// back into, and found again when the text is to reach the file system.
#pragma once

#include <QString>

#include <string>

namespace pathtext {

// The path as text for the window (a lossy decode where the bytes are not
// valid in the encoding); the bytes are kept for Bytes to return.
QString Display(const std::string& bytes);

// The bytes of a path: those kept for its text by Display, or else the
// text in the system's encoding.
std::string Bytes(const QString& path);

// The bytes of the file an open dialog chose: a dialog answers with text, so
// when no file has the bytes of that text, the chosen folder's entry whose
// name reads as the chosen name is the file meant. Kept for Bytes too.
std::string OnDisk(const QString& chosen);

}  // namespace pathtext
