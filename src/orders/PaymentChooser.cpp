#include "orders/PaymentChooser.h"

#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace orders {

PaymentChooser::PaymentChooser(core::AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setModal(true);
    setWindowTitle(core::isSet(state.gPrepForPayment) ? QStringLiteral("入金処理") : QStringLiteral("受注キャンセル処理"));
    auto* layout = new QVBoxLayout(this);
    const std::array<const char*, 3> captions{"未入金のものだけ表示", "全て表示", "キャンセル"};
    for (int i = 0; i < 3; ++i) {
        cmd[size_t(i)] = new QPushButton(QString::fromUtf8(captions[size_t(i)]), this);
        cmd[size_t(i)]->setMinimumSize(220, 32);
        cmd[size_t(i)]->setAutoDefault(false);
        layout->addWidget(cmd[size_t(i)]);
        connect(cmd[size_t(i)], &QPushButton::clicked, this, [this, i] { cmd_Click(i); });
    }
    ui::DisableCloseButton(this);
    ui::messages().beep();
}

void PaymentChooser::cmd_Click(int index) {
    if (core::isSet(state_.gPrepForPayment))
        state_.gPaymentListMode = index;
    else
        state_.gCancelListMode = index;
    done(index);
}

int choosePaymentList(core::AppState& state, QWidget* parent, bool forPayment) {
    state.gPrepForPayment = core::vbool(forPayment);
    PaymentChooser dlg(state, parent);
    dlg.exec();
    return forPayment ? state.gPaymentListMode : state.gCancelListMode;
}

} // namespace orders
