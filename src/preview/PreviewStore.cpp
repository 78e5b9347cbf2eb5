#include "preview/PreviewStore.h"

#include "db/Database.h"
#include "reports/ReportKind.h"

namespace preview {

using namespace reports;

PreviewStore::PreviewStore(const QString& dbPath) : db_(std::make_unique<db::Database>(dbPath)) {}

PreviewStore::~PreviewStore() = default;

std::vector<Row> PreviewStore::rows(const QString& sql, const QVariantList& params) {
    std::vector<Row> out;
    db::Query q = db_->query(sql, params);
    QStringList names;
    for (int i = 0; i < q.columnCount(); ++i)
        names << q.columnName(i);
    while (q.next()) {
        Row r;
        r.reserve(names.size());
        for (int i = 0; i < names.size(); ++i)
            r.insert(names[i], q.value(i));
        out.push_back(std::move(r));
    }
    return out;
}

std::vector<Row> PreviewStore::tableRows(int kind, const core::AppState& s) {
    switch (kind) {
    case kComm:
        return rows(QStringLiteral("SELECT * FROM 商品マスタ WHERE 商品コード <> ?"),
                    {s.gReservedCode[core::kLenGoodsCode]});
    case kCli:
        return rows(QStringLiteral("SELECT * FROM 顧客マスタ WHERE 顧客コード <> ?"),
                    {s.gReservedCode[core::kLenClientCode]});
    case kEmp:
        return rows(QStringLiteral("SELECT * FROM 社員マスタ WHERE 社員コード <> ?"),
                    {s.gReservedCode[core::kLenEmployeeCode]});
    case kRecG:
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0"), {});
    case kRecD:
        return rows(QStringLiteral("SELECT * FROM 受注個別データ WHERE 個別No <> 0"), {});
    case kLack:
        return rows(QStringLiteral("SELECT * FROM 商品マスタ WHERE 商品コード <> ? AND 在庫量 <= 在庫発注点"),
                    {s.gReservedCode[core::kLenGoodsCode]});
    default:
        return {};
    }
}

std::vector<Row> PreviewStore::orderRows(int kind, const QString& code, int invoiceScope) {
    switch (kind) {
    case kInfC:
        if (code.isEmpty())
            break;
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND 顧客コード = ?"), {code});
    case kInfS:
        if (code.isEmpty())
            break;
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND 社員コード = ?"), {code});
    case kGetD:
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 <> 0"), {});
    case kGetY:
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 = 0"), {});
    case kCncl:
        return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND キャンセル = 'X'"), {});
    case kInv:
        if (invoiceScope == 0)
            return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 = 0"), {});
        break;
    default:
        break;
    }
    return rows(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0"), {});
}

std::vector<Row> PreviewStore::linesOf(std::int32_t orderNo) {
    return rows(QStringLiteral("SELECT * FROM 受注個別データ WHERE 受注No = ?"), {orderNo});
}

qint64 PreviewStore::lineCount() {
    return db_->scalar(QStringLiteral("SELECT COUNT(*) FROM 受注個別データ")).toLongLong();
}

bool PreviewStore::clientName(const QString& code, QString& name) {
    const QVariant v = db_->scalar(QStringLiteral("SELECT 顧客名 FROM 顧客マスタ WHERE 顧客コード = ? LIMIT 1"), {code});
    if (!v.isValid())
        return false;
    name = v.toString();
    return true;
}

bool PreviewStore::goodsName(const QString& code, QString& name) {
    const QVariant v = db_->scalar(QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = ? LIMIT 1"), {code});
    if (!v.isValid())
        return false;
    name = v.toString();
    return true;
}

} // namespace preview
