#include "orders/StockStore.h"

#include "core/Schema.h"
#include "db/Database.h"
#include "db/KeyedRows.h"
#include "db/Batches.h"
#include "db/Transaction.h"

namespace orders {

namespace {

// In table order, in short reads (db::readInBatches).
const QString kListAll = QStringLiteral(
    "SELECT 商品コード, 商品名, 個別定価, 個別仕切値, 個別原価, 消費税率, 在庫量, 商品カテゴリ, rowid "
    "FROM 商品マスタ WHERE 商品コード <> ?");
const QString kListShort = kListAll + QStringLiteral(" AND 在庫量 <= 在庫発注点");
const QString kBatch = QStringLiteral(" AND rowid > ? ORDER BY rowid LIMIT ?");

} // namespace

std::vector<StockGoods> StockStore::listGoods(bool shortOnly, const QString& reservedCode) const {
    db::Database db(dbPath_);
    std::vector<StockGoods> goods;
    db::readInBatches(db, (shortOnly ? kListShort : kListAll) + kBatch, {reservedCode}, [&](const db::Query& q) {
        StockGoods g;
        g.code = q.toText(0);
        g.name = q.toText(1);
        g.listPrice = q.toCurrency(2);
        g.tradePrice = q.toCurrency(3);
        g.costPrice = q.toCurrency(4);
        g.taxRate = float(q.toDouble(5));
        g.stock = qint32(q.toInt64(6));
        g.category = q.toText(7);
        goods.push_back(std::move(g));
    });
    return goods;
}

StockSaveResult StockStore::saveCounts(const std::vector<StockChange>& changes) const {
    StockSaveResult result;
    if (changes.empty())
        return result;
    db::Database db(dbPath_);
    // BEGIN IMMEDIATE: no other writer can commit between the check of a count and its write.
    db::Transaction tx(db);
    db::KeyLookup byCode(db, core::kGoodsTable, core::kGoodsCodeField);
    for (const StockChange& c : changes) {
        // Found by its code, then read and written by its row id: a damaged index cannot lead the count to
        // other goods (db::KeyedRows).
        const std::optional<qint64> row = byCode.row(c.code);
        if (!row) {
            result.vanished << c.code;
            continue;
        }
        const QVariant stored = db.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE rowid = ?"), {*row});
        if (stored.toLongLong() != c.loaded) {
            result.conflicts.push_back({c.code, qint32(stored.toLongLong())});
            continue;
        }
        result.written +=
            db.execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = ? WHERE rowid = ?"), {c.wanted, *row});
    }
    tx.commit();
    return result;
}

} // namespace orders
