// Makes the fourteen list windows known to the main window by name.
#pragma once

namespace viewers {

// Registers frmVComm, frmVCli, frmVEmp, frmVRecG, frmVRecD, frmVInv, frmVInfA, frmVInfM, frmVInfC,
// frmVInfS, frmVCncl, frmVLack, frmVGetD and frmVGetY.
void registerWindows();

} // namespace viewers
