#include "orders/OrderStatusStore.h"

#include "core/MasterNames.h"
#include "db/Transaction.h"

#include <QHash>

namespace orders {

namespace {

// Two constant statements; the filter is not assembled from pieces.
const QString kListAll = QStringLiteral(
    "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
    "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0");
const QString kListUnpaid = kListAll + QStringLiteral(" AND COALESCE(入金日, 0) = 0");



} // namespace

OrderNotFound::OrderNotFound(qint32 orderNo)
    : std::runtime_error("order not found: " + std::to_string(orderNo)), orderNo_(orderNo) {}

OrderStatusStore::OrderStatusStore(const QString& dbPath) : db_(dbPath) {}

std::vector<OrderListRow> OrderStatusStore::listOrders(bool unpaidOnly) {
    const QHash<QString, QString> clients = core::loadCodeNames(db_, QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ"));
    const QHash<QString, QString> employees = core::loadCodeNames(db_, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ"));
    std::vector<OrderListRow> rows;
    db::Query q = db_.query(unpaidOnly ? kListUnpaid : kListAll);
    while (q.next()) {
        OrderListRow r;
        r.orderNo = qint32(q.toInt64(0));
        r.clientName = core::nameOrCode(clients, q.toText(1));
        r.employeeName = core::nameOrCode(employees, q.toText(2));
        r.sales = q.toCurrency(3);
        r.tax = q.toCurrency(4);
        r.shipping = q.toCurrency(5);
        r.orderDate = q.toDouble(6);
        r.paidDate = q.isNull(7) ? 0.0 : q.toDouble(7);
        r.cancelMark = q.isNull(8) ? kActiveMark : q.toText(8);
        rows.push_back(std::move(r));
    }
    return rows;
}

void OrderStatusStore::setPaidDate(qint32 orderNo, double paidDate) {
    db::Transaction tx(db_);
    const int changed = db_.execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE 受注No = ?"),
                                    {paidDate, orderNo});
    if (changed != 1)
        throw OrderNotFound(orderNo);
    tx.commit();
}

QString OrderStatusStore::toggleCancel(qint32 orderNo) {
    db::Transaction tx(db_);
    // Decide from the stored mark, not from what a list showed some time ago.
    const QVariant stored = db_.scalar(QStringLiteral("SELECT COALESCE(キャンセル, ' ') FROM 受注データ WHERE 受注No = ?"),
                                       {orderNo});
    if (!stored.isValid())
        throw OrderNotFound(orderNo);
    const QString mark = stored.toString() == kCancelledMark ? kActiveMark : kCancelledMark;
    if (db_.execute(QStringLiteral("UPDATE 受注データ SET キャンセル = ? WHERE 受注No = ?"), {mark, orderNo}) != 1)
        throw OrderNotFound(orderNo);
    db_.execute(QStringLiteral("UPDATE 受注個別データ SET キャンセル = ? WHERE 受注No = ?"), {mark, orderNo});
    tx.commit();
    return mark;
}

} // namespace orders
