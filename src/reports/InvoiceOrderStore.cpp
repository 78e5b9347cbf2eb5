#include "reports/InvoiceOrderStore.h"

#include "core/MasterNames.h"
#include "db/Database.h"

#include <QHash>

namespace reports {

namespace {

// The reserved seed order (0) and orders without a positive amount, such as the pending row of an open
// order entry, are never invoiced.
const QString kInvoiceOrders = QStringLiteral(
    "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
    "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0 ORDER BY 受注No");



} // namespace

std::vector<InvoiceOrderRow> ListInvoiceOrders(const QString& dbPath) {
    db::Database db(dbPath);
    const QHash<QString, QString> clients = core::loadCodeNames(db, QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ"));
    const QHash<QString, QString> employees = core::loadCodeNames(db, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ"));
    std::vector<InvoiceOrderRow> rows;
    db::Query q = db.query(kInvoiceOrders);
    while (q.next()) {
        InvoiceOrderRow r;
        r.orderNo = qint32(q.toInt64(0));
        r.clientName = core::nameOrCode(clients, q.toText(1));
        r.employeeName = core::nameOrCode(employees, q.toText(2));
        r.sales = q.toCurrency(3);
        r.tax = q.toCurrency(4);
        r.shipping = q.toCurrency(5);
        r.orderDate = q.toDouble(6);
        // The table allows a blank payment date and cancel mark: unpaid and not cancelled.
        r.paidDate = q.isNull(7) ? 0.0 : q.toDouble(7);
        r.cancelMark = q.isNull(8) ? QStringLiteral(" ") : q.toText(8);
        rows.push_back(std::move(r));
    }
    return rows;
}

} // namespace reports
