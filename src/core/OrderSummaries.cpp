#include "core/OrderSummaries.h"

#include "core/MasterNames.h"
#include "text/Cp932.h"

#include <algorithm>

namespace core {

namespace {

// Constant statements: nothing typed or stored goes into their text.
const QString kListed = QStringLiteral(
    "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
    "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0");
const QString kByNumber = QStringLiteral(" ORDER BY 受注No");

} // namespace

// The declared size of a text field, 0 when the table has no such field.
int OrderSummaries::sizeOf(const QString& table, const QString& field) {
    for (const db::FieldInfo& f : db_.fields(table))
        if (f.name == field) return f.size;
    return 0;
}

void OrderSummaries::readNames() {
    clients_ = loadCodeNames(db_, QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ"));
    employees_ = loadCodeNames(db_, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ"));
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
    r.clientName = text::shownPart(nameOrCode(clients_, q.toText(1)), clientLen_).toString();
    r.employeeName = text::shownPart(nameOrCode(employees_, q.toText(2)), employeeLen_).toString();
    r.sales = q.toCurrency(3);
    r.tax = q.toCurrency(4);
    r.shipping = q.toCurrency(5);
    r.orderDate = q.toDouble(6);
    r.paidDate = q.isNull(7) ? 0.0 : q.toDouble(7);
    r.cancelMark = q.isNull(8) ? QStringLiteral(" ") : q.toText(8);
    return r;
}

std::vector<OrderSummary> OrderSummaries::list(bool unpaidOnly) {
    readNames();
    std::vector<OrderSummary> rows;
    db::Query q = db_.query(kListed + (unpaidOnly ? QStringLiteral(" AND COALESCE(入金日, 0) = 0") : QString()) +
                            kByNumber);
    while (q.next())
        rows.push_back(read(q));
    return rows;
}

std::optional<OrderSummary> OrderSummaries::one(qint32 orderNo) {
    readNames();
    db::Query q = db_.query(kListed + QStringLiteral(" AND 受注No = ?"), {orderNo});
    if (!q.next())
        return std::nullopt;
    return read(q);
}

} // namespace core
