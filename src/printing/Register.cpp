#include "printing/Register.h"

#include "frame/WindowRegistry.h"
#include "printing/PrintCommands.h"

namespace printing {

void registerCommands() {
    for (const PrintReport& report : PrintReports()) {
        const QString name = report.command;
        frame::registerCommand(name, [name](core::AppState& state, QWidget* parent) {
            RunPrintCommand(*FindPrintReport(name), state, parent);
        });
    }
}

} // namespace printing
