// What the payment and the cancellation lists share: the order grid, its build from the database, the
// layout, the refresh and the row the user picked. The two windows differ only in what a click does.
#pragma once

#include "frame/ChildWindow.h"
#include "orders/OrderListModel.h"
#include "orders/OrderStatusStore.h"

#include <QPushButton>
#include <QTableView>
#include <memory>

namespace orders {

class OrderListWindow : public frame::ChildWindow {
    Q_OBJECT
public:
    enum class Kind { Payment, Cancel };

    OrderListWindow(core::AppState& state, Kind kind, QWidget* parent = nullptr);
    ~OrderListWindow() override;

    // The size the window opens with, also inside the main window's work area.
    QSize sizeHint() const override { return {800, 440}; }

    QTableView* grid() const { return grd_; }
    QPushButton* endButton() const { return cmdEnd_; }
    OrderListModel* model() const { return model_; }
    // 1-based grid row of the picked order; 0 = none.
    int selectedRow() const { return mSelRow_; }

protected:
    bool buildContents() override;
    void layoutContents() override;
    void reloadData() override;
    void onUnload() override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // The click on the grid; acts on selectedRow().
    virtual void actOnSelectedRow() = 0;

    Kind kind() const { return kind_; }
    OrderStatusStore& store() { return *store_; }

private:
    bool loadOrderList();
    void trackSelectedRow(const QModelIndex& current);
    void placeControls();
    void setColumnWidths();

    Kind kind_;
    std::unique_ptr<OrderStatusStore> store_;
    QTableView* grd_ = nullptr;
    QPushButton* cmdEnd_ = nullptr;
    OrderListModel* model_ = nullptr;
    int mSelRow_ = 0;
};

} // namespace orders
