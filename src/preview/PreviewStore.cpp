#include "preview/PreviewStore.h"

#include "db/Database.h"
#include "reports/ReportKind.h"

namespace preview {

using namespace reports;

namespace {

qint64 exists(db::Database& db, const QString& condition, const QVariantList& params = {}) {
    return db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM 受注データ WHERE 受注No <> 0") + condition +
                         QStringLiteral(")"),
                     params)
        .toLongLong();
}

} // namespace

qint64 QueryRowCount(db::Database& db, int kind, const core::AppState& s) {
    const QString code = s.gCondCode[size_t(kind)];
    switch (kind) {
    case kComm:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 商品マスタ WHERE 商品コード <> ?"),
                         {s.gReservedCode[core::kLenGoodsCode]})
            .toLongLong();
    case kCli:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 顧客マスタ WHERE 顧客コード <> ?"),
                         {s.gReservedCode[core::kLenClientCode]})
            .toLongLong();
    case kEmp:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 社員マスタ WHERE 社員コード <> ?"),
                         {s.gReservedCode[core::kLenEmployeeCode]})
            .toLongLong();
    case kRecG:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注データ WHERE 受注No <> 0")).toLongLong();
    case kRecD:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注個別データ WHERE 個別No <> 0")).toLongLong();
    case kLack:
        return db.scalar(QStringLiteral("SELECT COUNT(*) FROM 商品マスタ WHERE 商品コード <> ? AND 在庫量 <= 在庫発注点"),
                         {s.gReservedCode[core::kLenGoodsCode]})
            .toLongLong();
    case kInfC:
        return code.isEmpty() ? exists(db, {}) : exists(db, QStringLiteral(" AND 顧客コード = ?"), {code});
    case kInfS:
        return code.isEmpty() ? exists(db, {}) : exists(db, QStringLiteral(" AND 社員コード = ?"), {code});
    case kGetD:
        return exists(db, QStringLiteral(" AND 入金日 <> 0"));
    case kGetY:
        return exists(db, QStringLiteral(" AND 入金日 = 0"));
    case kCncl:
        return exists(db, QStringLiteral(" AND キャンセル = 'X'"));
    case kInv:
        return s.gInvPrintScope == 0 ? exists(db, QStringLiteral(" AND 入金日 = 0")) : exists(db, {});
    case kInfM:
        // The order lines must hold more than their seed row as well.
        return exists(db, {}) && db.scalar(QStringLiteral("SELECT COUNT(*) FROM 受注個別データ")).toLongLong() > 1;
    default:
        return exists(db, {});
    }
}

} // namespace preview
