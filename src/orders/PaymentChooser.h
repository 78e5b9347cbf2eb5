// frmPaymentPrep: asks whether the payment or cancellation list shows unpaid orders only, all orders,
// or nothing. The pressed button's index goes to gPaymentListMode (gPrepForPayment True) or
// gCancelListMode (False).
#pragma once

#include "core/AppState.h"

#include <QDialog>
#include <array>

class QPushButton;

namespace orders {

class PaymentChooser : public QDialog {
    Q_OBJECT
public:
    PaymentChooser(core::AppState& state, QWidget* parent = nullptr);
    std::array<QPushButton*, 3> cmd{};

private:
    void cmd_Click(int index);
    core::AppState& state_;
};

// Shows the chooser modally (it beeps as it opens) and returns the answer: 0, 1 or 2 (cancelled).
int choosePaymentList(core::AppState& state, QWidget* parent, bool forPayment);

} // namespace orders
