// The two switches the viewer answers on the terminal, before any window or
// display exists: --help and --version. Every other argument goes on to the
// application unchanged.
#pragma once

#include <optional>

namespace commandlinehelp {

// Prints the help or the version when an argument asks for one and returns
// the exit status the program ends with; otherwise prints nothing and
// returns nothing.
std::optional<int> Answer(int argc, char** argv);

}  // namespace commandlinehelp
