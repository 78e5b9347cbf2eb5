// frmStockUpPrep: asks whether the stock update window lists the goods short of stock, all goods, or
// nothing; the pressed button's index goes to gStockListMode.
#pragma once

#include "core/AppState.h"

#include <QDialog>
#include <array>

class QPushButton;

namespace orders {

class StockChooser : public QDialog {
    Q_OBJECT
public:
    StockChooser(core::AppState& state, QWidget* parent = nullptr);
    std::array<QPushButton*, 3> cmd{};

private:
    core::AppState& state_;
};

// Shows the chooser modally (it beeps as it opens) and returns gStockListMode: 0, 1 or 2 (cancelled).
int chooseStockList(core::AppState& state, QWidget* parent);

} // namespace orders
