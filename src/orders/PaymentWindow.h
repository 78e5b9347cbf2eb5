// frmPayment "入金処理": a click on an order asks for its payment date and writes it to that order.
#pragma once

#include "orders/OrderListWindow.h"

#include <functional>
#include <optional>

namespace orders {

// Shows the date picker modally; the answer comes back in gCalendarDate.
using DatePicker = std::function<void(core::AppState& state, QWidget* parent)>;

class PaymentWindow : public OrderListWindow {
    Q_OBJECT
public:
    explicit PaymentWindow(core::AppState& state, QWidget* parent = nullptr, DatePicker picker = {});

protected:
    void actOnSelectedRow() override; // PickPaymentDate

private:
    DatePicker picker_;
    // The day picked for an order whose write the file refused: the picker offers it again for that order.
    struct Pick {
        qint32 orderNo;
        double day;
    };
    std::optional<Pick> refusedPick_;
};

} // namespace orders
