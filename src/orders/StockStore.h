// The goods counts of the stock update window: read the listed goods, and write back the counts the user
// changed, only where no one else changed them meanwhile.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace orders {

struct StockGoods {
    QString code;
    QString name;
    db::Currency listPrice;  // 個別定価
    db::Currency tradePrice; // 個別仕切値
    db::Currency costPrice;  // 個別原価
    float taxRate = 0;       // percent
    qint32 stock = 0;        // 在庫量
    QString category;
};

struct StockChange {
    QString code;
    qint32 loaded = 0; // the count the window read
    qint32 wanted = 0; // the count the user typed
};

struct StockConflict {
    QString code;
    qint32 stored = 0; // what the table holds now
};

struct StockSaveResult {
    int written = 0;
    std::vector<StockConflict> conflicts; // changed elsewhere since the window read them: not written
    QStringList vanished;                 // no longer in the table: skipped
};

class StockStore {
public:
    explicit StockStore(QString dbPath) : dbPath_(std::move(dbPath)) {}

    // Every goods except the reserved seed row; shortOnly keeps those with 在庫量 at or below 在庫発注点.
    // Throws db::DbError.
    std::vector<StockGoods> listGoods(bool shortOnly, const QString& reservedCode) const;

    // Writes the changed counts in one transaction, each goods found by its exact code. A goods whose stored
    // count differs from the loaded one is left as it is and reported; a vanished goods is skipped and
    // reported. Any database error rolls everything back and is thrown as db::DbError.
    StockSaveResult saveCounts(const std::vector<StockChange>& changes) const;

private:
    QString dbPath_;
};

} // namespace orders
