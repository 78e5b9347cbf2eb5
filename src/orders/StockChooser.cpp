#include "orders/StockChooser.h"

#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace orders {

StockChooser::StockChooser(core::AppState& state, QWidget* parent) : QDialog(parent), state_(state) {
    setModal(true);
    setWindowTitle(QStringLiteral("在庫更新"));
    setFont(QFont(QStringLiteral("IPAGothic")));
    auto* layout = new QVBoxLayout(this);
    const std::array<const char*, 3> captions{"在庫不足品だけ表示", "全て表示", "キャンセル"};
    for (int i = 0; i < 3; ++i) {
        cmd[size_t(i)] = new QPushButton(QString::fromUtf8(captions[size_t(i)]), this);
        cmd[size_t(i)]->setMinimumSize(220, 32);
        cmd[size_t(i)]->setAutoDefault(false);
        layout->addWidget(cmd[size_t(i)]);
        connect(cmd[size_t(i)], &QPushButton::clicked, this, [this, i] {
            state_.gStockListMode = i;
            done(i);
        });
    }
    ui::DisableCloseButton(this);
    ui::messages().beep();
}

int chooseStockList(core::AppState& state, QWidget* parent) {
    StockChooser dlg(state, parent);
    dlg.exec();
    return state.gStockListMode;
}

} // namespace orders
