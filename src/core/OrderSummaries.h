// Orders as the payment, cancellation and invoice choosers list them: number, client and employee by
// name, amounts and dates. Never the reserved seed order (0), a pending row (kNotPendingOrder), nor an order
// whose sales plus shipping is not above 0.
#pragma once

#include "db/Currency.h"
#include "db/Database.h"

#include <QString>
#include <optional>
#include <vector>

namespace core {

struct OrderSummary {
    qint32 orderNo = 0;
    QString clientName;   // from 顧客マスタ, or "Code=" and the order's client code
    QString employeeName; // from 社員マスタ, or "Code=" and the order's employee code
    db::Currency sales;
    db::Currency tax;
    db::Currency shipping;
    double orderDate = 0; // OLE date
    double paidDate = 0;  // OLE date; 0 = unpaid, also for a blank one
    QString cancelMark;   // "X" = cancelled; a blank mark reads " "
};

// The listed orders of an open database, each with its client's and employee's names. Throws db::DbError.
class OrderSummaries {
public:
    explicit OrderSummaries(db::Database& db) : db_(db) {}

    // By 受注No; unpaidOnly keeps the orders without a payment date.
    std::vector<OrderSummary> list(bool unpaidOnly = false);
    // One listed order; nullopt when it is not (or no longer) listed.
    std::optional<OrderSummary> one(qint32 orderNo);

private:
    void readSizes();
    int sizeOf(const QString& table, const QString& field);
    OrderSummary read(const db::Query& q) const;

    db::Database& db_;
    int clientLen_ = 0, employeeLen_ = 0;
};

} // namespace core
