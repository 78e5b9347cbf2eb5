#include "orders/OrderListModel.h"

#include "core/Dates.h"
#include "core/Numbers.h"
#include "db/OleDate.h"

#include <QApplication>
#include <QPalette>

namespace orders {

namespace {

QString amountText(db::Currency c) { return core::FormatGrouped(c, 0); }

} // namespace

QString shortDateText(double oleDate) { return core::FormatShortDate(oleDate); }

void OrderListModel::setOrders(std::vector<OrderListRow> rows, int minRows) {
    beginResetModel();
    rows_ = std::move(rows);
    minRows_ = minRows;
    endResetModel();
}

void OrderListModel::clear() { setOrders({}, minRows_); }

int OrderListModel::indexOf(qint32 orderNo) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].orderNo == orderNo)
            return int(i);
    return -1;
}

void OrderListModel::setPaidDate(int i, double paidDate) {
    rows_[size_t(i)].paidDate = paidDate;
    emit dataChanged(index(i, ColPaidDate), index(i, ColPaidDate), {Qt::DisplayRole});
}

void OrderListModel::setCancelMark(int i, const QString& mark) {
    rows_[size_t(i)].cancelMark = mark;
    emit dataChanged(index(i, ColCancel), index(i, ColCancel), {Qt::DisplayRole});
}

void OrderListModel::replaceOrder(int i, OrderListRow row) {
    rows_[size_t(i)] = std::move(row);
    emit dataChanged(index(i, 0), index(i, ColumnCount - 1), {Qt::DisplayRole});
}

int OrderListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : qMax(orderCount(), minRows_);
}

int OrderListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant OrderListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::BackgroundRole && index.column() == ColOrderNo)
        return QApplication::palette().button(); // the fixed column
    if (role == Qt::TextAlignmentRole) {
        const bool number = index.column() == ColOrderNo || (index.column() >= ColSales && index.column() <= ColShipping);
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole || index.row() >= orderCount())
        return {};
    const OrderListRow& r = rows_[size_t(index.row())];
    switch (index.column()) {
    case ColOrderNo: return QString::number(r.orderNo);
    case ColClient: return r.clientName;
    case ColEmployee: return r.employeeName;
    case ColSales: return amountText(r.sales);
    case ColTax: return amountText(r.tax);
    case ColShipping: return amountText(r.shipping);
    case ColOrderDate: return shortDateText(r.orderDate);
    case ColPaidDate: return r.paidDate == 0 ? QString() : shortDateText(r.paidDate);
    case ColCancel: return r.cancelMark == kCancelledMark ? QStringLiteral("キャンセル") : QStringLiteral(" ");
    default: return {};
    }
}

QVariant OrderListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const QStringList headings{QStringLiteral("受注No"), QStringLiteral("顧客名"), QStringLiteral("社員名"),
                                      QStringLiteral("販売金額"), QStringLiteral("消費税額"), QStringLiteral("送料"),
                                      QStringLiteral("受注日付"), QStringLiteral("入金日"), QStringLiteral("キャンセル")};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return headings[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace orders
