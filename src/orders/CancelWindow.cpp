#include "orders/CancelWindow.h"

#include "core/FileProblems.h"
#include "orders/OrderMessages.h"
#include "ui/MessageService.h"
#include "ui/Pointer.h"

namespace orders {

CancelWindow::CancelWindow(core::AppState& state, QWidget* parent)
    : OrderListWindow(state, Kind::Cancel, parent) {}

void CancelWindow::actOnSelectedRow() {
    const int row = selectedRow();
    if (row <= 0) return;
    const OrderListRow shown = model()->order(row - 1);
    ui::showWaitPointer();
    CancelToggle result;
    std::optional<OrderListRow> fresh;
    try {
        result = store().toggleCancel(shown.orderNo, shown.cancelMark);
        if (!result.written) fresh = store().readOrder(shown.orderNo);
    } catch (const OrderNotFound&) {
        ui::showDefaultPointer();
        ui::messages().error(orderMissingMessage(shown.orderNo));
        return;
    } catch (const std::exception& e) {
        ui::showDefaultPointer();
        if (!core::tellFileProblem(e, state().gDbPath))
            ui::messages().error(core::dbFailureText(e, kOtherProgramMessage),
                                 kWriteErrorTitle);
        return;
    }
    // After the commit, with what the table now holds.
    if (fresh)
        model()->replaceOrder(row - 1, std::move(*fresh));
    else
        model()->setCancelMark(row - 1, result.mark);
    ui::showDefaultPointer();
    if (!result.written) ui::messages().error(kChangedElsewhere);
}

} // namespace orders
