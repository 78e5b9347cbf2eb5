// The orders an invoice can be made for, read for the invoice order chooser.
#pragma once

#include "core/OrderSummaries.h"

#include <QString>
#include <vector>

namespace reports {

using InvoiceOrderRow = core::OrderSummary;

// Every real order whose 販売金額 + 送料 is above 0 (paid, unpaid and cancelled alike), by 受注No.
// Opens and closes the database itself; throws db::DbError when the file or a table cannot be read.
std::vector<InvoiceOrderRow> ListInvoiceOrders(const QString& dbPath);

} // namespace reports
