// The preview commands of the main window's 印刷プレビュー menu and the preview window, by name.
#pragma once

#include "core/AppState.h"

#include <QString>

class QWidget;

namespace preview {

// Registers mnuPvComm ... mnuPvGetY and frmPreview.
void registerCommands();

// Runs the preview command of the menu item (dialogs, progress window, preview window). False when the
// user cancelled a dialog or the item is unknown; the preview window then is not opened.
bool RunPreviewCommand(core::AppState& state, QWidget* parent, const QString& item);

} // namespace preview
