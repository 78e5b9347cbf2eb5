#include "orders/OrderStore.h"

#include "core/Schema.h"
#include "db/KeyedRows.h"
#include "db/Batches.h"
#include "db/Transaction.h"

#include <algorithm>
#include <limits>

namespace orders {

using db::Currency;

namespace {

QVariant money(Currency c) { return QVariant::fromValue(c); }

constexpr qint64 kLastNo = std::numeric_limits<std::int32_t>::max();

} // namespace

OrderSaveError::OrderSaveError(Kind kind, const QString& what)
    : std::runtime_error(what.toStdString()), kind_(kind), subject_(what) {}

std::vector<EntryLine> OrderStore::loadGoods(const QString& reservedGoodsCode) {
    std::vector<EntryLine> out;
    // In short reads (db::readInBatches): a large master must not keep other users' saves waiting.
    const QString sql =
        QStringLiteral("SELECT \"商品No\", \"商品コード\", \"商品名\", \"個別定価\", \"個別仕切値\", "
                       "\"個別原価\", \"消費税率\", \"在庫量\", \"在庫発注点\", \"商品カテゴリ\", rowid "
                       "FROM \"商品マスタ\" WHERE \"商品コード\" <> ? AND rowid > ? ORDER BY rowid LIMIT ?");
    db::readInBatches(db_, sql, {reservedGoodsCode}, [&](const db::Query& q) {
        EntryLine l;
        l.goodsNo = std::int32_t(q.toInt64(0));
        l.code = q.toText(1);
        l.name = q.toText(2);
        l.listPrice = q.toCurrency(3);
        l.wholesale = q.toCurrency(4);
        l.cost = q.toCurrency(5);
        l.salePrice = l.listPrice;
        l.taxRate = float(q.toDouble(6));
        l.stock = std::int32_t(q.toInt64(7));
        l.reorderPoint = std::int32_t(q.toInt64(8));
        l.category = q.toText(9);
        out.push_back(std::move(l));
    });
    return out;
}

std::vector<PartyRow> OrderStore::loadParties(const QString& table, const QString& codeField,
                                              const QString& nameField) {
    std::vector<PartyRow> out;
    // Identifiers come from the fixed names below, never from data.
    db::readInBatches(db_,
                     QStringLiteral("SELECT %1, %2, rowid FROM %3 WHERE rowid > ? ORDER BY rowid LIMIT ?")
                         .arg(db::Database::quoteIdent(codeField), db::Database::quoteIdent(nameField),
                              db::Database::quoteIdent(table)),
                     {}, [&](const db::Query& q) {
                         out.push_back({q.toText(0), q.toText(1)});
                     });
    return out;
}

std::vector<PartyRow> OrderStore::loadClients() {
    return loadParties(QStringLiteral("顧客マスタ"), QStringLiteral("顧客コード"), QStringLiteral("顧客名"));
}

std::vector<PartyRow> OrderStore::loadEmployees() {
    return loadParties(QStringLiteral("社員マスタ"), QStringLiteral("社員コード"), QStringLiteral("氏名"));
}

// Lines left behind by a deleted order keep their number taken, so a new order never inherits them.
qint64 OrderStore::nextOrderNo() {
    return db_
        .scalar(QStringLiteral("SELECT MAX(COALESCE((SELECT MAX(\"受注No\") FROM \"受注データ\"), 0), "
                               "COALESCE((SELECT MAX(\"受注No\") FROM \"受注個別データ\"), 0)) + 1"))
        .toLongLong();
}

qint64 OrderStore::nextLineNo() {
    return db_
        .scalar(QStringLiteral("SELECT MAX(COALESCE(MAX(\"個別No\"), 0), 0) + 1 FROM \"受注個別データ\""))
        .toLongLong();
}

std::int32_t OrderStore::createPendingOrder(const QString& clientCode, const QString& employeeCode,
                                            const QVariant& dated, const std::vector<HeldOrder>& left) {
    db::Transaction tx(db_);
    for (const HeldOrder& l : left)
        if (const std::optional<qint64> row = pendingRow(l.orderNo, l.since))
            db_.execute(QStringLiteral("DELETE FROM \"受注データ\" WHERE rowid = ?"), {*row});
    const qint64 no = nextOrderNo();
    if (no > kLastNo) throw OrderSaveError(OrderSaveError::NumbersUsedUp, QStringLiteral("受注No"));
    db_.execute(QStringLiteral(
                    "INSERT INTO \"受注データ\" (\"受注No\", \"顧客コード\", \"社員コード\", \"定価金額\", "
                    "\"仕切値\", \"原価\", \"販売金額\", \"消費税額\", \"送料\", \"受注日付\", \"入金日\", "
                    "\"キャンセル\") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {no, clientCode, employeeCode, money({}), money({}), money({}), money({}), money({}),
                 money({}), dated, 0.0, QStringLiteral(" ")});
    tx.commit();
    return std::int32_t(no);
}

// Rows are found by their keys and then written by their row ids, so that a damaged index cannot lead a
// write to another order or goods (db::KeyedRows).
std::optional<qint64> OrderStore::pendingRow(std::int32_t orderNo, std::optional<double> since) {
    if (orderNo <= 0)
        return std::nullopt;
    const std::optional<qint64> row = db::rowWithKey(db_, core::kOrderTable, core::kOrderNoField, orderNo);
    if (!row || !db::rowsWithKey(db_, core::kOrderLineTable, core::kOrderNoField, orderNo).empty())
        return std::nullopt;
    const QVariant empty =
        db_.scalar(QStringLiteral("SELECT \"販売金額\" = 0 AND \"送料\" = 0 AND "
                                  "(? IS NULL OR \"受注日付\" = ?) FROM \"受注データ\" WHERE rowid = ?"),
                   {since ? QVariant(*since) : QVariant(), since ? QVariant(*since) : QVariant(), *row});
    return empty.toLongLong() == 1 ? row : std::nullopt;
}

bool OrderStore::deletePendingOrder(std::int32_t orderNo, std::optional<double> since) {
    // Only a row that still holds nothing: never a committed order that happens to carry the number.
    db::Transaction tx(db_);
    const std::optional<qint64> row = pendingRow(orderNo, since);
    if (!row)
        return false;
    db_.execute(QStringLiteral("DELETE FROM \"受注データ\" WHERE rowid = ?"), {*row});
    tx.commit();
    return true;
}

void OrderStore::deleteEveryPendingOrder() {
    db::Transaction tx(db_);
    db_.execute(
        QStringLiteral("DELETE FROM \"受注データ\" WHERE rowid IN (SELECT o.rowid FROM \"受注データ\" AS o "
                       "WHERE o.\"受注No\" <> 0 AND NOT ") +
        core::kNotPendingOrder + QLatin1Char(')'));
    tx.commit();
}

void OrderStore::saveOrder(const OrderToSave& o) {
    db::Transaction tx(db_);
    // The number must still hold our own pending row: a row deleted elsewhere whose number was taken again
    // by another order must not be overwritten.
    const std::optional<qint64> orderRow = pendingRow(o.orderNo, o.pendingSince);
    if (!orderRow)
        throw OrderSaveError(OrderSaveError::PendingOrderGone, QString::number(o.orderNo));
    const auto lineCount =
        std::count_if(o.lines.begin(), o.lines.end(), [](const auto& l) { return l.qty > 0; });
    qint64 lineNo = lineCount == 0 ? 0 : nextLineNo();
    if (lineNo + lineCount - 1 > kLastNo)
        throw OrderSaveError(OrderSaveError::NumbersUsedUp, QStringLiteral("個別No"));
    db::KeyLookup goodsByCode(db_, core::kGoodsTable, core::kGoodsCodeField);
    for (const OrderLineToSave& l : o.lines) {
        if (l.qty <= 0)
            continue;
        db_.execute(QStringLiteral("INSERT INTO \"受注個別データ\" (\"個別No\", \"受注No\", \"商品コード\", \"個数\", "
                                   "\"個別販売価格\", \"個別原価\", \"個別仕切値\", \"個別定価\", \"キャンセル\", "
                                   "\"個別消費税\") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {lineNo, o.orderNo, l.goodsCode, l.qty, money(l.salePrice), money(l.cost), money(l.wholesale),
                     money(l.listPrice), QStringLiteral(" "), money(l.lineTax)});
        ++lineNo;
        const std::optional<qint64> goods = goodsByCode.row(l.goodsCode);
        if (!goods)
            throw OrderSaveError(OrderSaveError::GoodsGone, l.goodsCode);
        db_.execute(QStringLiteral("UPDATE \"商品マスタ\" SET \"在庫量\" = \"在庫量\" - ? WHERE rowid = ?"),
                    {l.qty, *goods});
    }
    const OrderTotals& t = o.totals;
    db_.execute(
        QStringLiteral("UPDATE \"受注データ\" SET \"定価金額\" = ?, \"仕切値\" = ?, \"販売金額\" = ?, \"消費税額\" = ?, "
                       "\"送料\" = ?, \"原価\" = ?, \"受注日付\" = ?, \"入金日\" = ?, \"キャンセル\" = ?, "
                       "\"顧客コード\" = ?, \"社員コード\" = ? WHERE rowid = ?"),
        {money(t.list), money(t.wholesale), money(t.sale), money(t.tax), money(t.shipping), money(t.cost), o.date,
         0.0, QStringLiteral(" "), o.clientCode, o.employeeCode, *orderRow});
    tx.commit();
}

} // namespace orders
