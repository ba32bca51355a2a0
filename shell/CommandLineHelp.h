// The switches the viewer answers on the terminal, before any window or
// display exists: --help, --version, and a --channel without a channel
// letter after it. Every argument goes on to the application unchanged.
#pragma once

#include <optional>

namespace commandlinehelp {

// Prints the help or the version when an argument asks for one and returns
// the exit status the program ends with; otherwise prints nothing and
// returns nothing. A bad --channel letter ends the program with status 2.
std::optional<int> Answer(int argc, char** argv);

}  // namespace commandlinehelp
