#include "orders/Register.h"

#include "frame/WindowRegistry.h"
#include "orders/GetOrderWindow.h"

namespace orders {

void registerWindows() {
    frame::registerWindow(QStringLiteral("frmGetOrder"),
                          [](core::AppState& s, QWidget* parent) { return new GetOrderWindow(s, parent); });
}

} // namespace orders
