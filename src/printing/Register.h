// Registers the fourteen print commands ("mnuPrComm" ... "mnuPrGetY") with the main window by name.
#pragma once

namespace printing {

void registerCommands();

} // namespace printing
