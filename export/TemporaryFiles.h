// Temporary files that an interrupted program removes: a write goes to a
// temporary name and is renamed into place when whole, and a SIGINT or
// SIGTERM in between must not leave the temporary behind.
#pragma once

#include <string>

namespace temporaryfiles {

// A temporary name beside output that no other run picks, registered for
// removal on SIGINT and SIGTERM until Forget is called with it.
std::string Reserve(const std::string& output);

// The temporary is renamed or removed: a signal no longer touches its name.
void Forget(const std::string& temporary);

// Installs handlers for SIGINT and SIGTERM that remove every reserved
// temporary, then end the program by the same signal (default action), so
// that its caller sees how it ended. Programs call it once at start; the
// viewer does not, as Qt and the desktop own its signals.
void RemoveOnSignals();

}  // namespace temporaryfiles
