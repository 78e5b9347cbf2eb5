#include "core/Dates.h"

#include "db/Currency.h"
#include "db/OleDate.h"

namespace core {

QString FormatShortDate(const QDate& date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }

QString FormatShortDate(double oleDate) {
    const QDate d = db::dateFromOle(oleDate);
    // A number beyond the engine's dates (written by another program) is no day to show.
    return d.isValid() ? FormatShortDate(d) : db::kOutOfRangeText;
}

QString FormatDateTime(const QDateTime& dt) {
    if (dt.time() == QTime(0, 0))
        return FormatShortDate(dt.date());
    return dt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

} // namespace core
