#include "reports/InvoiceOrderStore.h"

#include "db/Database.h"

#include <QHash>

namespace reports {

namespace {

// The reserved seed order (0) and orders without a positive amount, such as the pending row of an open
// order entry, are never invoiced.
const QString kInvoiceOrders = QStringLiteral(
    "SELECT 受注No, 顧客コード, 社員コード, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル "
    "FROM 受注データ WHERE 受注No <> 0 AND (販売金額 + 送料) > 0 ORDER BY 受注No");

QHash<QString, QString> names(db::Database& db, const QString& sql) {
    QHash<QString, QString> map;
    db::Query q = db.query(sql);
    while (q.next()) {
        const QString code = q.toText(0);
        if (!map.contains(code)) // the first record with the code, as a search from the top finds it
            map.insert(code, q.toText(1));
    }
    return map;
}

QString nameOrCode(const QHash<QString, QString>& map, const QString& code) {
    const auto it = map.constFind(code);
    return it != map.constEnd() ? *it : QStringLiteral("Code=") + code;
}

} // namespace

std::vector<InvoiceOrderRow> ListInvoiceOrders(const QString& dbPath) {
    db::Database db(dbPath);
    const QHash<QString, QString> clients = names(db, QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ"));
    const QHash<QString, QString> employees = names(db, QStringLiteral("SELECT 社員コード, 氏名 FROM 社員マスタ"));
    std::vector<InvoiceOrderRow> rows;
    db::Query q = db.query(kInvoiceOrders);
    while (q.next()) {
        InvoiceOrderRow r;
        r.orderNo = qint32(q.toInt64(0));
        r.clientName = nameOrCode(clients, q.toText(1));
        r.employeeName = nameOrCode(employees, q.toText(2));
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
