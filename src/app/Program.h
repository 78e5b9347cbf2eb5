// The modules of Varnox wired together as the program runs them, so tests start the same program.
#pragma once

namespace app {

// Registers every subsystem's work windows, dialogs and commands by name. Safe to call again.
void registerSubsystems();

} // namespace app
