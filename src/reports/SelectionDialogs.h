// Makes the report selection dialogs known to the main window by name, for openers that do not link them.
#pragma once

namespace reports {

// Registers frmCondition, frmInvPrep, frmInvPrepP and frmInvPrep2 as modal dialogs (shown with exec()).
void registerSelectionDialogs();

} // namespace reports
