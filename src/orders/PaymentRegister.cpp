#include "orders/PaymentRegister.h"

#include "frame/WindowRegistry.h"
#include "orders/CancelWindow.h"
#include "orders/PaymentWindow.h"
#include "orders/StockUpdateWindow.h"

namespace orders {

void registerPaymentWindows() {
    frame::registerWindow(QStringLiteral("frmPayment"),
                          [](core::AppState& s, QWidget* parent) { return new PaymentWindow(s, parent); });
    frame::registerWindow(QStringLiteral("frmCancel"),
                          [](core::AppState& s, QWidget* parent) { return new CancelWindow(s, parent); });
    frame::registerWindow(QStringLiteral("frmStockUp"),
                          [](core::AppState& s, QWidget* parent) { return new StockUpdateWindow(s, parent); });
}

} // namespace orders
