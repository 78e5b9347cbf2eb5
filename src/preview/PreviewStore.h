// The rows a preview reads: one query per report, chosen by report kind, every value bound.
#pragma once

#include "core/AppState.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {
class Database;
}

namespace preview {

// One stored row, by field name; Null is an invalid QVariant.
using Row = QHash<QString, QVariant>;

class PreviewStore {
public:
    // Opens the database file; throws db::DbError when it cannot.
    explicit PreviewStore(const QString& dbPath);
    ~PreviewStore();

    // The rows of a table report (商品マスタ, 顧客マスタ, 社員マスタ, 受注データ一覧, 受注個別データ一覧,
    // 在庫不足商品一覧) without the seed row; the shortage list keeps only goods at or below their order point.
    std::vector<Row> tableRows(int kind, const core::AppState& state);

    // The orders an order report reads, seed order left out: payment tests, the cancel mark, the client or
    // employee code (when not "") and the invoice scope (0 = unpaid only) are decided here.
    std::vector<Row> orderRows(int kind, const QString& code, int invoiceScope);

    // The lines of one order, in table order.
    std::vector<Row> linesOf(std::int32_t orderNo);
    // Rows of the order-line table, its seed row counted.
    qint64 lineCount();

    // Name of the first client / goods with the code; false when there is none.
    bool clientName(const QString& code, QString& name);
    bool goodsName(const QString& code, QString& name);

private:
    std::vector<Row> rows(const QString& sql, const QVariantList& params);

    std::unique_ptr<db::Database> db_;
};

} // namespace preview
