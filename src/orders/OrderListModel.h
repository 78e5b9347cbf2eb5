// The rows of the payment and cancellation grids: one order per row, then blank rows down to the screen's
// height, as the grid has always shown them.
#pragma once

#include "orders/OrderStatusStore.h"

#include <QAbstractTableModel>
#include <vector>

namespace orders {

// A date as the lists show it: the system's short date form.
QString shortDateText(double oleDate);

class OrderListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColOrderNo, ColClient, ColEmployee, ColSales, ColTax, ColShipping, ColOrderDate, ColPaidDate,
                  ColCancel, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // minRows: rows shown even when fewer orders are listed (blank below the last order).
    void setOrders(std::vector<OrderListRow> rows, int minRows);
    void clear();

    int orderCount() const { return int(rows_.size()); }
    const OrderListRow& order(int i) const { return rows_[size_t(i)]; } // 0-based
    int indexOf(qint32 orderNo) const; // -1 when not listed
    void setPaidDate(int i, double paidDate);
    void setCancelMark(int i, const QString& mark);
    void replaceOrder(int i, OrderListRow row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<OrderListRow> rows_;
    int minRows_ = 0;
};

} // namespace orders
