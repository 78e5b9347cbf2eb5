// Makes the master windows and the import commands known to the main window.
#pragma once

namespace masters {

// Registers frmGoodsM, frmClientM, frmEmployeeM, frmOrderM, frmDetailM and mnuImpCli, mnuImpComm, mnuImpEmp.
void registerWindows();

} // namespace masters
