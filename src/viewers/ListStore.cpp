#include "viewers/ListStore.h"


namespace viewers {

namespace {

QString orderSql(OrderSet set) {
    const QString base = QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0");
    const QString order = QStringLiteral(" ORDER BY 受注No");
    switch (set) {
    case OrderSet::All: return base + order;
    case OrderSet::Paid: return base + QStringLiteral(" AND 入金日 <> 0") + order;
    case OrderSet::Unpaid: return base + QStringLiteral(" AND 入金日 = 0") + order;
    case OrderSet::Cancelled: return base + QStringLiteral(" AND キャンセル = 'X'") + order;
    case OrderSet::Client: return base + QStringLiteral(" AND 顧客コード = ?") + order;
    case OrderSet::Employee: return base + QStringLiteral(" AND 社員コード = ?") + order;
    case OrderSet::One: return base + QStringLiteral(" AND 受注No = ?") + order;
    }
    return base + order;
}

} // namespace

ListStore::ListStore(const QString& dbPath) : db_(dbPath) {}

db::Query ListStore::goods(const QString& reservedCode) {
    return db_.query(QStringLiteral("SELECT * FROM 商品マスタ WHERE 商品コード <> ? ORDER BY 商品No"), {reservedCode});
}

db::Query ListStore::clients(const QString& reservedCode) {
    return db_.query(QStringLiteral("SELECT * FROM 顧客マスタ WHERE 顧客コード <> ? ORDER BY 顧客No"), {reservedCode});
}

db::Query ListStore::employees(const QString& reservedCode) {
    return db_.query(QStringLiteral("SELECT * FROM 社員マスタ WHERE 社員コード <> ? ORDER BY 社員No"), {reservedCode});
}

db::Query ListStore::orders(OrderSet set, const QString& code, std::int32_t orderNo) {
    db::Params p;
    if (set == OrderSet::Client || set == OrderSet::Employee)
        p << code;
    else if (set == OrderSet::One)
        p << orderNo;
    return db_.query(orderSql(set), p);
}

db::Query ListStore::orderLines() {
    return db_.query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 個別No"));
}

db::Query ListStore::linesOf(std::int32_t orderNo) {
    return db_.query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No = ? ORDER BY 個別No"), {orderNo});
}

std::optional<QString> ListStore::clientName(const QString& code) {
    db::Query q = db_.query(
        QStringLiteral("SELECT 顧客名 FROM 顧客マスタ WHERE 顧客コード = ? ORDER BY 顧客No LIMIT 1"), {code});
    if (!q.next())
        return std::nullopt;
    return q.toText(0);
}

std::optional<QString> ListStore::goodsName(const QString& code) {
    db::Query q = db_.query(
        QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = ? ORDER BY 商品No LIMIT 1"), {code});
    if (!q.next())
        return std::nullopt;
    return q.toText(0);
}

} // namespace viewers
