// Stand-ins for the report services the shell calls, until the reports subsystem provides them.
#pragma once

#include "core/AppState.h"

namespace shell {

// Reads the fourteen report layouts at start-up (stand-in: nothing to read yet).
void LoadAllLayouts(core::AppState& state);

// Shows the progress of a report build: gProgressCount starts at 0, the main window's top menus and
// toolbar are locked until a build sets gProgressCount below 0 while gEditWaitCanClose is True.
void ShowProgressWait(core::AppState& state);

} // namespace shell
