#include "core/Dates.h"

#include "db/OleDate.h"

namespace core {

QString FormatShortDate(const QDate& date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }

QString FormatShortDate(double oleDate) { return FormatShortDate(db::dateFromOle(oleDate)); }

QString FormatDateTime(const QDateTime& dt) {
    if (dt.time() == QTime(0, 0))
        return FormatShortDate(dt.date());
    return dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

} // namespace core
