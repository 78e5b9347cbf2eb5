#include "orders/PaymentWindow.h"

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
    state().gCalendarDate = -1;
    picker_(state(), this);
    const double answer = state().gCalendarDate;
    if (answer < 0)
        return;
    const qint32 orderNo = model()->order(row - 1).orderNo;
    // The table first, by the order's number; the window shows the date only once it is stored.
    ui::showWaitPointer();
    try {
        store().setPaidDate(orderNo, answer);
    } catch (const OrderNotFound&) {
        ui::showDefaultPointer();
        ui::messages().error(orderMissingMessage(orderNo));
        return;
    } catch (const std::exception&) {
        ui::showDefaultPointer();
        ui::messages().error(kOtherProgramMessage, kWriteErrorTitle);
        return;
    }
    model()->setPaidDate(row - 1, answer);
    ui::showDefaultPointer();
}

} // namespace orders
