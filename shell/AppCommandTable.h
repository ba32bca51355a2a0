// The viewer's menus, keys, toolbar, strings and name, as the framework is
// handed them. A new command is described here once: its string, its menu
// item, its keys and its toolbar button.
#pragma once

#include "CommandTable.h"

namespace appcommands {

// The whole table; made once and shared.
const CommandTable& Table();

}  // namespace appcommands
