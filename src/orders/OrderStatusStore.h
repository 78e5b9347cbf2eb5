// Orders as the payment and cancellation lists show them, and the two writes those lists make:
// the payment date of one order, and the cancel mark of one order with all its lines.
#pragma once

#include "db/Currency.h"
#include "db/Database.h"

#include <QString>
#include <stdexcept>
#include <vector>

namespace orders {

inline const QString kCancelledMark = QStringLiteral("X");
inline const QString kActiveMark = QStringLiteral(" ");

struct OrderListRow {
    qint32 orderNo = 0;
    QString clientName;   // "Code=" and the code when the client is not in the master
    QString employeeName; // likewise for the employee
    db::Currency sales;
    db::Currency tax;
    db::Currency shipping;
    double orderDate = 0; // OLE date
    double paidDate = 0;  // OLE date, 0 = unpaid
    QString cancelMark;   // kCancelledMark or kActiveMark
};

// A write that found no order with the given number (deleted meanwhile by another window or program).
class OrderNotFound : public std::runtime_error {
public:
    explicit OrderNotFound(qint32 orderNo);
    qint32 orderNo() const { return orderNo_; }

private:
    qint32 orderNo_;
};

class OrderStatusStore {
public:
    // Opens the database file; throws db::DbError when it cannot.
    explicit OrderStatusStore(const QString& dbPath);

    // The listed orders in table order: never the seed row nor an order whose sales plus shipping is not
    // above 0 (the pending row of an open order entry). unpaidOnly keeps the orders without a payment date.
    // A blank payment date counts as unpaid and a blank cancel mark as not cancelled.
    std::vector<OrderListRow> listOrders(bool unpaidOnly);

    // Writes 入金日 of that one order (0 = unpaid). Throws OrderNotFound or db::DbError; then nothing changed.
    void setPaidDate(qint32 orderNo, double paidDate);

    // Flips the cancel mark of the order as stored now and gives every line of the order the same mark,
    // in one transaction. Returns the new mark. Throws OrderNotFound or db::DbError; then nothing changed.
    QString toggleCancel(qint32 orderNo);

    db::Database& database() { return db_; }

private:
    db::Database db_;
};

} // namespace orders
