#include "orders/PaymentWindow.h"

#include "core/FileProblems.h"
#include "orders/CalendarDialog.h"
#include "orders/OrderMessages.h"
#include "ui/Pointer.h"
#include "ui/MessageService.h"

namespace orders {

PaymentWindow::PaymentWindow(core::AppState& state, QWidget* parent, DatePicker picker)
    : OrderListWindow(state, Kind::Payment, parent), picker_(picker ? std::move(picker) : DatePicker(showCalendarDialog)) {}

void PaymentWindow::actOnSelectedRow() {
    const int row = selectedRow();
    if (row <= 0)
        return;
    const OrderListRow shown = model()->order(row - 1);
    const qint32 orderNo = shown.orderNo;
    state().gCalendarDate = refusedPick_ && refusedPick_->orderNo == orderNo ? refusedPick_->day : -1;
    picker_(state(), this);
    const double answer = state().gCalendarDate;
    if (answer < 0)
        return;
    refusedPick_.reset();
    // The table first, by the order's number; the window shows the date only once it is stored.
    ui::showWaitPointer();
    bool written = false;
    std::optional<OrderListRow> fresh;
    try {
        written = store().setPaidDate(orderNo, answer, shown.paidDate);
        if (!written)
            fresh = store().readOrder(orderNo);
    } catch (const OrderNotFound&) {
        ui::showDefaultPointer();
        ui::messages().error(orderMissingMessage(orderNo));
        return;
    } catch (const std::exception& e) {
        ui::showDefaultPointer();
        refusedPick_ = Pick{orderNo, answer};
        if (!core::tellFileProblem(e, state().gDbPath))
            ui::messages().error(core::dbFailureText(e, kOtherProgramMessage), kWriteErrorTitle);
        return;
    }
    // The list may have been read again while the calendar was open: the order is found by its number.
    if (const int i = model()->indexOf(orderNo); i >= 0) {
        if (fresh)
            model()->replaceOrder(i, std::move(*fresh));
        else if (written)
            model()->setPaidDate(i, answer);
    }
    ui::showDefaultPointer();
    if (!written)
        ui::messages().error(kChangedElsewhere);
}

} // namespace orders
