#include "orders/PaymentRegister.h"

#include "frame/WindowRegistry.h"
#include "orders/CancelWindow.h"
#include "orders/PaymentWindow.h"

namespace orders {

void registerPaymentWindows() {
    frame::registerWindow(QStringLiteral("frmPayment"),
                          [](core::AppState& s, QWidget* parent) { return new PaymentWindow(s, parent); });
    frame::registerWindow(QStringLiteral("frmCancel"),
                          [](core::AppState& s, QWidget* parent) { return new CancelWindow(s, parent); });
}

} // namespace orders
