#include "masters/Register.h"

#include "frame/WindowRegistry.h"
#include "masters/ImportCommand.h"
#include "masters/MasterWindow.h"

namespace masters {

void registerWindows() {
    for (const MasterSpec& spec : masterSpecs()) {
        frame::registerWindow(spec.name, [spec](core::AppState& state, QWidget* parent) -> QWidget* {
            return new MasterWindow(state, spec, parent);
        });
    }
    frame::registerCommand(QStringLiteral("mnuImpCli"), [](core::AppState& s, QWidget* parent) {
        runImportCommand(s, ImportKind::Clients, parent);
    });
    frame::registerCommand(QStringLiteral("mnuImpComm"), [](core::AppState& s, QWidget* parent) {
        runImportCommand(s, ImportKind::Goods, parent);
    });
    frame::registerCommand(QStringLiteral("mnuImpEmp"), [](core::AppState& s, QWidget* parent) {
        runImportCommand(s, ImportKind::Employees, parent);
    });
}

} // namespace masters
