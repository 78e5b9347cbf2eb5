// frmCancel "受注キャンセル処理": a click on an order cancels it with all its lines, or restores it.
#pragma once

#include "orders/OrderListWindow.h"

namespace orders {

class CancelWindow : public OrderListWindow {
    Q_OBJECT
public:
    explicit CancelWindow(core::AppState& state, QWidget* parent = nullptr);

protected:
    void actOnSelectedRow() override; // ToggleCancel
};

} // namespace orders
