#include "orders/OrderStatusStore.h"

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

bool OrderStatusStore::setPaidDate(qint32 orderNo, double paidDate, double shownPaidDate) {
    db::Transaction tx(db_);
    const QVariant stored =
        db_.scalar(QStringLiteral("SELECT COALESCE(入金日, 0) FROM 受注データ WHERE 受注No = ?"), {orderNo});
    if (!stored.isValid())
        throw OrderNotFound(orderNo);
    if (stored.toDouble() != shownPaidDate)
        return false;
    const int changed = db_.execute(QStringLiteral("UPDATE 受注データ SET 入金日 = ? WHERE 受注No = ?"),
                                    {paidDate, orderNo});
    if (changed != 1)
        throw OrderNotFound(orderNo);
    tx.commit();
    return true;
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
