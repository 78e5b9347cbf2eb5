#include "viewers/ListStore.h"

#include "core/Schema.h"

namespace viewers {

namespace {

QString orderCondition(OrderSet set) {
    const QString base = QStringLiteral("受注No <> 0 AND ") + core::kNotPendingOrder;
    switch (set) {
    case OrderSet::All: return base;
    // An order whose payment date was cleared in the order grid holds Null: unpaid, as it shows.
    case OrderSet::Paid: return base + QStringLiteral(" AND IFNULL(入金日, 0) <> 0");
    case OrderSet::Unpaid: return base + QStringLiteral(" AND IFNULL(入金日, 0) = 0");
    case OrderSet::Cancelled: return base + QStringLiteral(" AND キャンセル = 'X'");
    case OrderSet::Client: return base + QStringLiteral(" AND 顧客コード = ?");
    case OrderSet::Employee: return base + QStringLiteral(" AND 社員コード = ?");
    case OrderSet::One: return base + QStringLiteral(" AND 受注No = ?");
    }
    return base;
}

db::Params orderParams(OrderSet set, const QString& code, std::int32_t orderNo) {
    db::Params p;
    if (set == OrderSet::Client || set == OrderSet::Employee)
        p << code;
    else if (set == OrderSet::One)
        p << orderNo;
    return p;
}

} // namespace

ListStore::ListStore(const QString& dbPath) : db_(dbPath) {}

db::Query ListStore::goods(const QString& reservedCode) {
    return db_->query(QStringLiteral("SELECT * FROM 商品マスタ WHERE 商品コード <> ? ORDER BY 商品No"), {reservedCode});
}

db::Query ListStore::clients(const QString& reservedCode) {
    return db_->query(QStringLiteral("SELECT * FROM 顧客マスタ WHERE 顧客コード <> ? ORDER BY 顧客No"), {reservedCode});
}

db::Query ListStore::employees(const QString& reservedCode) {
    return db_->query(QStringLiteral("SELECT * FROM 社員マスタ WHERE 社員コード <> ? ORDER BY 社員No"), {reservedCode});
}

db::Query ListStore::orders(OrderSet set, const QString& code, std::int32_t orderNo) {
    return db_->query(QStringLiteral("SELECT * FROM 受注データ AS o WHERE ") + orderCondition(set) +
                          QStringLiteral(" ORDER BY 受注No"),
                      orderParams(set, code, orderNo));
}

db::Query ListStore::orderLines() {
    return db_->query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 個別No"));
}

db::Query ListStore::linesOfOrders(OrderSet set, const QString& code, std::int32_t orderNo) {
    const QString order = QStringLiteral(" ORDER BY 受注No, 個別No");
    if (set == OrderSet::All)
        return db_->query(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No <> 0") + order);
    return db_->query(
        QStringLiteral(
            "SELECT * FROM 受注個別データ WHERE 受注No IN (SELECT 受注No FROM 受注データ AS o WHERE ") +
            orderCondition(set) + QLatin1Char(')') + order,
        orderParams(set, code, orderNo));
}

qint64 ListStore::rowCount(ListTable table) {
    const char* sql = "SELECT COUNT(*) FROM 受注データ";
    switch (table) {
    case ListTable::Goods:
        sql = "SELECT COUNT(*) FROM 商品マスタ";
        break;
    case ListTable::Clients:
        sql = "SELECT COUNT(*) FROM 顧客マスタ";
        break;
    case ListTable::Employees:
        sql = "SELECT COUNT(*) FROM 社員マスタ";
        break;
    case ListTable::Orders:
        break;
    case ListTable::Lines:
        sql = "SELECT COUNT(*) FROM 受注個別データ";
        break;
    }
    return db_->scalar(QString::fromUtf8(sql)).toLongLong();
}

db::Query ListStore::clientNames() {
    return db_->query(QStringLiteral("SELECT 顧客コード, 顧客名 FROM 顧客マスタ ORDER BY 顧客No"));
}

db::Query ListStore::goodsNames() {
    return db_->query(QStringLiteral("SELECT 商品コード, 商品名 FROM 商品マスタ ORDER BY 商品No"));
}

} // namespace viewers
