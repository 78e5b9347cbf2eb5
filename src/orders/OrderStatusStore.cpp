#include "orders/OrderStatusStore.h"

#include "core/Schema.h"
#include "db/KeyedRows.h"
#include "db/Transaction.h"

namespace orders {

OrderNotFound::OrderNotFound(qint32 orderNo)
    : std::runtime_error("order not found: " + std::to_string(orderNo)), orderNo_(orderNo) {}

OrderStatusStore::OrderStatusStore(const QString& dbPath) : db_(dbPath) {}

namespace {

bool isCancelled(const QString& mark) { return mark == kCancelledMark; }

} // namespace

std::vector<OrderListRow> OrderStatusStore::listOrders(bool unpaidOnly) {
    return core::OrderSummaries(db_).list(unpaidOnly);
}

std::optional<OrderListRow> OrderStatusStore::readOrder(qint32 orderNo) {
    return core::OrderSummaries(db_).one(orderNo);
}

// The order's row is found by its number and then read and written by its row id, so that a damaged index
// cannot lead the write to another order (db::KeyedRows).
std::optional<qint64> OrderStatusStore::orderRow(qint32 orderNo) {
    return db::rowWithKey(db_, core::kOrderTable, core::kOrderNoField, orderNo);
}

bool OrderStatusStore::setPaidDate(qint32 orderNo, double paidDate, double shownPaidDate) {
    db::Transaction tx(db_);
    const std::optional<qint64> row = orderRow(orderNo);
    if (!row)
        throw OrderNotFound(orderNo);
    const QVariant stored =
        db_.scalar(QStringLiteral("SELECT COALESCE(入金日, 0) FROM 受注データ WHERE rowid = ?"), {*row});
    if (stored.toDouble() != shownPaidDate)
        return false;
    db_.execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE rowid = ?"), {paidDate, *row});
    tx.commit();
    return true;
}

CancelToggle OrderStatusStore::toggleCancel(qint32 orderNo, const QString& shownMark) {
    db::Transaction tx(db_);
    const std::optional<qint64> row = orderRow(orderNo);
    if (!row)
        throw OrderNotFound(orderNo);
    const QVariant stored =
        db_.scalar(QStringLiteral("SELECT COALESCE(キャンセル, ' ') FROM 受注データ WHERE rowid = ?"), {*row});
    // The click means "the opposite of what I see": when someone else changed the mark meanwhile, the
    // click must not undo their change.
    if (isCancelled(stored.toString()) != isCancelled(shownMark))
        return {false, isCancelled(stored.toString()) ? kCancelledMark : kActiveMark};
    const QString mark = isCancelled(shownMark) ? kActiveMark : kCancelledMark;
    db_.execute(QStringLiteral("UPDATE 受注データ SET キャンセル = ? WHERE rowid = ?"), {mark, *row});
    for (const qint64 line : db::rowsWithKey(db_, core::kOrderLineTable, core::kOrderNoField, orderNo))
        db_.execute(QStringLiteral("UPDATE 受注個別データ SET キャンセル = ? WHERE rowid = ?"), {mark, line});
    tx.commit();
    return {true, mark};
}

} // namespace orders
