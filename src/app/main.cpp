// Varnox: wires the program together and starts it.
#include "core/AppState.h"
#include "masters/Register.h"
#include "orders/PaymentRegister.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Varnox"));
    QApplication::setApplicationName(QStringLiteral("Varnox"));
    core::AppState state;
    core::InitFieldLimits(state);
    orders::registerPaymentWindows();
    masters::registerWindows();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Varnox"));
    window.resize(800, 600);
    window.show();
    return app.exec();
}
