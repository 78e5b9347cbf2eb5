// The three import commands of the main window's menu: file dialog, hourglass, progress window.
#pragma once

#include "masters/MasterImport.h"

#include <functional>

class QWidget;

namespace masters {

// Asks for the file to import; returns "" when cancelled. preset is the file chosen last time, or the
// folder to open in when there is none. Replaceable so tests can give the name.
using OpenFileDialog = std::function<QString(QWidget* parent, const QString& filter, const QString& preset)>;
void setOpenFileDialog(OpenFileDialog dialog); // an empty function restores the real dialog

// mnuImpCli / mnuImpComm / mnuImpEmp.
void runImportCommand(core::AppState& s, ImportKind kind, QWidget* parent);

} // namespace masters
