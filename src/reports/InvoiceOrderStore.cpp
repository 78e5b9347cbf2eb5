#include "reports/InvoiceOrderStore.h"

#include "db/Database.h"

namespace reports {

std::vector<InvoiceOrderRow> ListInvoiceOrders(const QString& dbPath) {
    db::Database db(dbPath);
    return core::OrderSummaries(db).list();
}

} // namespace reports
