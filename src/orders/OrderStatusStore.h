// Orders as the payment and cancellation lists show them, and the two writes those lists make:
// the payment date of one order, and the cancel mark of one order with all its lines.
#pragma once

#include "core/OrderSummaries.h"
#include "db/Database.h"

#include <QString>
#include <optional>
#include <stdexcept>
#include <vector>

namespace orders {

inline const QString kCancelledMark = QStringLiteral("X");
inline const QString kActiveMark = QStringLiteral(" ");

// cancelMark is kCancelledMark or kActiveMark.
using OrderListRow = core::OrderSummary;

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

    // The listed orders (core::OrderSummaries) by order number; unpaidOnly keeps those without a
    // payment date.
    std::vector<OrderListRow> listOrders(bool unpaidOnly);

    // Writes 入金日 of that one order (0 = unpaid), but only while the table still holds the shown date
    // (0 for none); otherwise writes nothing and returns false, so another user's payment is not undone.
    // Throws OrderNotFound or db::DbError; then nothing changed.
    bool setPaidDate(qint32 orderNo, double paidDate, double shownPaidDate);

    // Writes the mark opposite to the shown one into the order and every line of it, in one transaction,
    // but only while the table still holds the shown mark; otherwise nothing is written and the stored
    // mark is returned. Throws OrderNotFound or db::DbError; then nothing changed.
    CancelToggle toggleCancel(qint32 orderNo, const QString& shownMark);

    // One listed order as listOrders() gives it; nullopt when it is no longer listed.
    std::optional<OrderListRow> readOrder(qint32 orderNo);

    db::Database& database() { return db_; }

private:
    std::optional<qint64> orderRow(qint32 orderNo);

    db::Database db_;
};

} // namespace orders
