// The orders an invoice can be made for, read for the invoice order chooser.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <vector>

namespace reports {

struct InvoiceOrderRow {
    qint32 orderNo = 0;
    QString clientName;   // from 顧客マスタ, or "Code=" and the order's client code
    QString employeeName; // from 社員マスタ, or "Code=" and the order's employee code
    db::Currency sales;
    db::Currency tax;
    db::Currency shipping;
    double orderDate = 0; // OLE date
    double paidDate = 0;  // OLE date; 0 = unpaid
    QString cancelMark;   // "X" = cancelled
};

// Every real order whose 販売金額 + 送料 is above 0 (paid, unpaid and cancelled alike), by 受注No.
// Opens and closes the database itself; throws db::DbError when the file or a table cannot be read.
std::vector<InvoiceOrderRow> ListInvoiceOrders(const QString& dbPath);

} // namespace reports
