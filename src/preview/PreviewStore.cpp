#include "preview/PreviewStore.h"

#include "core/Schema.h"
#include "db/Database.h"
#include "reports/ReportKind.h"

namespace preview {

using namespace reports;

namespace {

bool exists(db::Database& db, const QString& from, const QString& condition,
            const QVariantList& params = {}) {
    return db.scalar(QStringLiteral("SELECT EXISTS (SELECT 1 FROM ") + from + QStringLiteral(" WHERE ") +
                         condition + QStringLiteral(")"),
                     params)
               .toLongLong() != 0;
}

bool orderExists(db::Database& db, const QString& condition, const QVariantList& params = {}) {
    return exists(db, QStringLiteral("受注データ AS o"),
                  QStringLiteral("受注No <> 0 AND ") + core::kNotPendingOrder + condition, params);
}

} // namespace

bool QueryHasRows(db::Database& db, int kind, const core::AppState& s) {
    const QString code = s.gCondCode[size_t(kind)];
    switch (kind) {
    case kComm:
        return exists(db, QStringLiteral("商品マスタ"), QStringLiteral("商品コード <> ?"),
                      {s.gReservedCode[core::kLenGoodsCode]});
    case kCli:
        return exists(db, QStringLiteral("顧客マスタ"), QStringLiteral("顧客コード <> ?"),
                      {s.gReservedCode[core::kLenClientCode]});
    case kEmp:
        return exists(db, QStringLiteral("社員マスタ"), QStringLiteral("社員コード <> ?"),
                      {s.gReservedCode[core::kLenEmployeeCode]});
    case kRecG:
        return orderExists(db, {});
    case kRecD:
        return exists(db, QStringLiteral("受注個別データ"), QStringLiteral("個別No <> 0"));
    case kLack:
        return exists(db, QStringLiteral("商品マスタ"),
                      QStringLiteral("商品コード <> ? AND 在庫量 <= 在庫発注点"),
                      {s.gReservedCode[core::kLenGoodsCode]});
    case kInfC:
        return code.isEmpty() ? orderExists(db, {})
                              : orderExists(db, QStringLiteral(" AND 顧客コード = ?"), {code});
    case kInfS:
        return code.isEmpty() ? orderExists(db, {})
                              : orderExists(db, QStringLiteral(" AND 社員コード = ?"), {code});
    case kGetD:
        return orderExists(db, QStringLiteral(" AND 入金日 <> 0"));
    case kGetY:
        return orderExists(db, QStringLiteral(" AND 入金日 = 0"));
    case kCncl:
        return orderExists(db, QStringLiteral(" AND キャンセル = 'X'"));
    case kInv:
        return s.gInvPrintScope == 0 ? orderExists(db, QStringLiteral(" AND 入金日 = 0"))
                                     : orderExists(db, {});
    case kInfM:
        // The order lines must hold more than their seed row as well: two of them are enough to know.
        return orderExists(db, {}) &&
               db.scalar(QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM 受注個別データ LIMIT 2)"))
                       .toLongLong() > 1;
    default:
        return orderExists(db, {});
    }
}

} // namespace preview
