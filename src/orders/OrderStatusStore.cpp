#include "orders/OrderStatusStore.h"

#include "core/MasterNames.h"
#include "db/Transaction.h"

#include <QHash>

namespace orders {

namespace {

// Constant statements: nothing typed or stored goes into their text.
const QString kListAll = QStringLiteral(
    "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
    "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0");
const QString kListUnpaid = kListAll + QStringLiteral(" AND COALESCE(入金日, 0) = 0");

} // namespace

OrderNotFound::OrderNotFound(qint32 orderNo)
    : std::runtime_error("order not found: " + std::to_string(orderNo)), orderNo_(orderNo) {}

OrderStatusStore::OrderStatusStore(const QString& dbPath) : db_(dbPath) {}

namespace {

OrderListRow readRow(db::Query& q, const QHash<QString, QString>& clients, const QHash<QString, QString>& employees) {
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
    return r;
}

QHash<QString, QString> clientNames(db::Database& db) {
    return core::loadCodeNames(db, QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ"));
}

QHash<QString, QString> employeeNames(db::Database& db) {
    return core::loadCodeNames(db, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ"));
}

bool isCancelled(const QString& mark) { return mark == kCancelledMark; }

} // namespace

std::vector<OrderListRow> OrderStatusStore::listOrders(bool unpaidOnly) {
    const QHash<QString, QString> clients = clientNames(db_);
    const QHash<QString, QString> employees = employeeNames(db_);
    std::vector<OrderListRow> rows;
    db::Query q = db_.query(unpaidOnly ? kListUnpaid : kListAll);
    while (q.next())
        rows.push_back(readRow(q, clients, employees));
    return rows;
}

std::optional<OrderListRow> OrderStatusStore::readOrder(qint32 orderNo) {
    const QHash<QString, QString> clients = clientNames(db_);
    const QHash<QString, QString> employees = employeeNames(db_);
    db::Query q = db_.query(kListAll + QStringLiteral(" AND 受注No = ?"), {orderNo});
    if (!q.next())
        return std::nullopt;
    return readRow(q, clients, employees);
}

void OrderStatusStore::setPaidDate(qint32 orderNo, double paidDate) {
    db::Transaction tx(db_);
    const int changed = db_.execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE 受注No = ?"),
                                    {paidDate, orderNo});
    if (changed != 1)
        throw OrderNotFound(orderNo);
    tx.commit();
}

CancelToggle OrderStatusStore::toggleCancel(qint32 orderNo, const QString& shownMark) {
    db::Transaction tx(db_);
    const QVariant stored = db_.scalar(QStringLiteral("SELECT COALESCE(キャンセル, ' ') FROM 受注データ WHERE 受注No = ?"),
                                       {orderNo});
    if (!stored.isValid())
        throw OrderNotFound(orderNo);
    // The click means "the opposite of what I see": when someone else changed the mark meanwhile, the
    // click must not undo their change.
    if (isCancelled(stored.toString()) != isCancelled(shownMark))
        return {false, isCancelled(stored.toString()) ? kCancelledMark : kActiveMark};
    const QString mark = isCancelled(shownMark) ? kActiveMark : kCancelledMark;
    if (db_.execute(QStringLiteral("UPDATE 受注データ SET キャンセル = ? WHERE 受注No = ?"), {mark, orderNo}) != 1)
        throw OrderNotFound(orderNo);
    db_.execute(QStringLiteral("UPDATE 受注個別データ SET キャンセル = ? WHERE 受注No = ?"), {mark, orderNo});
    tx.commit();
    return {true, mark};
}

} // namespace orders
