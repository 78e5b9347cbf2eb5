// Varnox: wires the program together and starts it.
#include "masters/Register.h"
#include "orders/PaymentRegister.h"
#include "orders/Register.h"
#include "preview/Register.h"
#include "printing/Register.h"
#include "reports/SelectionDialogs.h"
#include "shell/Startup.h"
#include "viewers/Register.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    QApplication::setApplicationName(QStringLiteral("Varnox"));
    // Each subsystem registers its work windows and commands by name.
    orders::registerPaymentWindows();
    orders::registerWindows();
    masters::registerWindows();
    preview::registerCommands();
    printing::registerCommands();
    reports::registerSelectionDialogs();
    viewers::registerWindows();
    return shell::Main(app);
}
