#include "core/OrderSummaries.h"

#include "core/Schema.h"

#include "db/Batches.h"
#include "text/Cp932.h"

#include <algorithm>

namespace core {

namespace {

// Constant statements: nothing typed or stored goes into their text. The names come with each order, by the
// masters' code indexes: a list reads only the clients and employees it shows, not the whole master.
const QString kListed =
    QStringLiteral("SELECT o.受注No, o.顧客コード, o.社員コード, o.販売金額, o.消費税額, o.送料, o.受注日付, "
                   "o.入金日, o.キャンセル, "
                   "(SELECT COALESCE(顧客名, '') FROM 顧客マスタ WHERE 顧客コード = o.顧客コード), "
                   "(SELECT COALESCE(氏名, '') FROM 社員マスタ WHERE 社員コード = o.社員コード), o.rowid "
                   "FROM 受注データ AS o WHERE o.受注No <> 0 AND (o.販売金額 + o.送料) > 0 AND ") +
    kNotPendingOrder;
const QString kUnpaid = QStringLiteral(" AND COALESCE(o.入金日, 0) = 0");
const QString kBatch = QStringLiteral(" AND o.rowid > ? ORDER BY o.rowid LIMIT ?");

QString nameOrCode(const db::Query& q, int name, int code) {
    return q.isNull(name) ? QStringLiteral("Code=") + q.toText(code) : q.toText(name);
}

} // namespace

// The declared size of a text field, 0 when the table has no such field.
int OrderSummaries::sizeOf(const QString& table, const QString& field) {
    for (const db::FieldInfo& f : db_.fields(table))
        if (f.name == field) return f.size;
    return 0;
}

void OrderSummaries::readSizes() {
    // A name is shown at most to its field's size, "Code=" and a code to the code's: only another
    // program stores a longer one, and the list would freeze laying it out.
    const QString orders = QStringLiteral("受注データ");
    clientLen_ = std::max(sizeOf(QStringLiteral("顧客マスタ"), QStringLiteral("顧客名")),
                          5 + sizeOf(orders, QStringLiteral("顧客コード")));
    employeeLen_ = std::max(sizeOf(QStringLiteral("社員マスタ"), QStringLiteral("氏名")),
                            5 + sizeOf(orders, QStringLiteral("社員コード")));
}

OrderSummary OrderSummaries::read(const db::Query& q) const {
    OrderSummary r;
    r.orderNo = qint32(q.toInt64(0));
    r.clientName = text::shownPart(nameOrCode(q, 9, 1), clientLen_).toString();
    r.employeeName = text::shownPart(nameOrCode(q, 10, 2), employeeLen_).toString();
    r.sales = q.toCurrency(3);
    r.tax = q.toCurrency(4);
    r.shipping = q.toCurrency(5);
    r.orderDate = q.toDouble(6);
    r.paidDate = q.isNull(7) ? 0.0 : q.toDouble(7);
    r.cancelMark = q.isNull(8) ? QStringLiteral(" ") : q.toText(8);
    return r;
}

// In batches by row id (db::readInBatches), then by number.
std::vector<OrderSummary> OrderSummaries::list(bool unpaidOnly) {
    readSizes();
    std::vector<OrderSummary> rows;
    db::readInBatches(db_, kListed + (unpaidOnly ? kUnpaid : QString()) + kBatch, {},
                     [&](const db::Query& q) { rows.push_back(read(q)); });
    std::stable_sort(rows.begin(), rows.end(),
                     [](const OrderSummary& a, const OrderSummary& b) { return a.orderNo < b.orderNo; });
    return rows;
}

std::optional<OrderSummary> OrderSummaries::one(qint32 orderNo) {
    readSizes();
    db::Query q = db_.query(kListed + QStringLiteral(" AND o.受注No = ?"), {orderNo});
    if (!q.next())
        return std::nullopt;
    return read(q);
}

} // namespace core
