// Reading and writing what the order entry window needs: goods, clients and employees, the pending order
// row that reserves the window's order number, and the save of an order with its lines and stock.
#pragma once

#include "db/Currency.h"
#include "db/Database.h"
#include "orders/OrderCalc.h"

#include <QDate>
#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

namespace orders {

// A client or employee as the pickers list it.
struct PartyRow {
    QString code;
    QString name;
};

struct OrderLineToSave {
    QString goodsCode;
    std::int32_t qty = 0;
    db::Currency listPrice, wholesale, cost, salePrice, lineTax;
};

// The number an order window holds and the moment it took it, as its pending row's 受注日付 holds it: a
// pending row of that number that another window took since is not this one's.
struct HeldOrder {
    std::int32_t orderNo = 0;
    std::optional<double> since; // none: any pending row of the number
};

struct OrderToSave {
    std::int32_t orderNo = 0;
    QString clientCode;
    QString employeeCode;
    OrderTotals totals;
    QDate date; // the day of the commit
    std::vector<OrderLineToSave> lines;
    std::optional<double> pendingSince; // HeldOrder::since of the number
};

// Refusals of the save that are not database errors; the whole save was rolled back.
class OrderSaveError : public std::runtime_error {
public:
    // NumbersUsedUp: the next number would pass 2147483647; subject names the field.
    enum Kind { PendingOrderGone, GoodsGone, NumbersUsedUp };
    OrderSaveError(Kind kind, const QString& what);
    Kind kind() const { return kind_; }
    QString subject() const { return subject_; }

private:
    Kind kind_;
    QString subject_;
};

class OrderStore {
public:
    explicit OrderStore(db::Database& db) : db_(db) {}

    // Goods except the reserved row, clients and employees with theirs, all in table order.
    std::vector<EntryLine> loadGoods(const QString& reservedGoodsCode);
    std::vector<PartyRow> loadClients();
    std::vector<PartyRow> loadEmployees();

    // The next free number: MAX + 1, and never below 1 (order numbers also skip those that lines still
    // carry). In 64 bits: the caller refuses one beyond a Long. Call inside the write transaction that
    // uses it.
    qint64 nextOrderNo();
    qint64 nextLineNo();

    // Writes the pending row (amounts 0) dated today (a QDate) or now (a QDateTime, HeldOrder::since) under
    // a fresh number in its own transaction; returns the number. The rows windows left behind go first, in
    // the same write. Throws OrderSaveError (NumbersUsedUp) when the numbers are used up, and then writes
    // nothing.
    std::int32_t createPendingOrder(const QString& clientCode, const QString& employeeCode,
                                    const QVariant& dated, const std::vector<HeldOrder>& left = {});
    // Removes the pending row, only while it still is one (amounts 0, and of that moment); true when a row
    // went.
    bool deletePendingOrder(std::int32_t orderNo, std::optional<double> since = std::nullopt);
    // Removes every pending row: only while no one else has the file open.
    void deleteEveryPendingOrder();

    // Lines, stock and the order row in one transaction. Throws db::DbError or OrderSaveError (also when
    // the line numbers would pass 2147483647), and then
    // nothing of the order has been written.
    void saveOrder(const OrderToSave& order);

private:
    // The row of the order's own number while it is still pending (amounts 0, no lines); call inside the
    // write transaction.
    std::optional<qint64> pendingRow(std::int32_t orderNo, std::optional<double> since);
    std::vector<PartyRow> loadParties(const QString& table, const QString& codeField, const QString& nameField);

    db::Database& db_;
};

} // namespace orders
