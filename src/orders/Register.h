// Registers the order entry window of this subsystem by its name.
#pragma once

namespace orders {

// frmGetOrder.
void registerWindows();

} // namespace orders
