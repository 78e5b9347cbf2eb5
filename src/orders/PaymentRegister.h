// Registers the payment, cancellation and stock windows of this subsystem by their names.
#pragma once

namespace orders {

// frmPayment, frmCancel, frmStockUp.
void registerPaymentWindows();

} // namespace orders
