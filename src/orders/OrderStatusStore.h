// Orders as the payment and cancellation lists show them, and the two writes those lists make:
// the payment date of one order, and the cancel mark of one order with all its lines.
#pragma once

#include "db/Currency.h"
#include "db/Database.h"

#include <QString>
#include <optional>
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

// What a cancel click did: wrote the new mark, or found the order changed meanwhile and wrote nothing.
struct CancelToggle {
    bool written = false;
    QString mark; // the mark the table holds now
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

    // Writes the mark opposite to the shown one into the order and every line of it, in one transaction,
    // but only while the table still holds the shown mark; otherwise nothing is written and the stored
    // mark is returned. Throws OrderNotFound or db::DbError; then nothing changed.
    CancelToggle toggleCancel(qint32 orderNo, const QString& shownMark);

    // One listed order as listOrders() gives it; nullopt when it is no longer listed.
    std::optional<OrderListRow> readOrder(qint32 orderNo);

    db::Database& database() { return db_; }

private:
    db::Database db_;
};

} // namespace orders
