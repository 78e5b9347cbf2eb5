#include "orders/CancelWindow.h"

#include "orders/OrderMessages.h"
#include "ui/Pointer.h"
#include "ui/MessageService.h"

namespace orders {

CancelWindow::CancelWindow(core::AppState& state, QWidget* parent) : OrderListWindow(state, Kind::Cancel, parent) {}

void CancelWindow::actOnSelectedRow() {
    const int row = selectedRow();
    if (row <= 0)
        return;
    const qint32 orderNo = model()->order(row - 1).orderNo;
    ui::showWaitPointer();
    QString mark;
    try {
        mark = store().toggleCancel(orderNo);
    } catch (const OrderNotFound&) {
        ui::showDefaultPointer();
        ui::messages().error(orderMissingMessage(orderNo));
        return;
    } catch (const std::exception&) {
        ui::showDefaultPointer();
        ui::messages().error(kOtherProgramMessage, kWriteErrorTitle);
        return;
    }
    model()->setCancelMark(row - 1, mark); // after the commit, with the mark the table now holds
    ui::showDefaultPointer();
}

} // namespace orders
