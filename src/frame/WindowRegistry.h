// Work windows and menu commands by name, so the main window can open windows of subsystems it does not link directly.
#pragma once

#include "core/AppState.h"

#include <QString>
#include <functional>

class QWidget;

namespace frame {

// Creates the window (not shown); the opener puts it into the main window's MDI area.
using WindowFactory = std::function<QWidget*(core::AppState& state, QWidget* parent)>;

void registerWindow(const QString& name, WindowFactory factory); // e.g. "frmGoodsM"
WindowFactory windowFactory(const QString& name);                // empty when none is registered

// Menu commands that another subsystem owns (imports, print and preview commands...), by the menu item's
// name such as "mnuImpCli"; the main window runs them without linking that subsystem.
using Command = std::function<void(core::AppState& state, QWidget* parent)>;

void registerCommand(const QString& name, Command command);
Command command(const QString& name); // empty when none is registered

} // namespace frame
