#include "db/OleDate.h"

#include <cmath>

namespace db {

namespace {
const QDate kEpoch(1899, 12, 30);
constexpr double kMsPerDay = 86400000.0;
} // namespace

double toOleDate(const QDate& date) { return double(kEpoch.daysTo(date)); }

double toOleDate(const QDateTime& dt) {
    const double day = toOleDate(dt.date());
    const double frac = double(dt.time().msecsSinceStartOfDay()) / kMsPerDay;
    // Before the epoch the fraction still counts forward from midnight (the engine's convention).
    return day >= 0 ? day + frac : day - frac;
}

QDate dateFromOle(double ole) {
    // The comparison is false for NaN as well.
    if (!(ole > kFirstOleDay - 1.0 && ole < kLastOleDay + 1.0))
        return QDate();
    return kEpoch.addDays(qint64(std::trunc(ole)));
}

QDateTime dateTimeFromOle(double ole) {
    if (!dateFromOle(ole).isValid())
        return QDateTime();
    const double frac = std::fabs(ole - std::trunc(ole));
    const int ms = int(std::llround(frac * kMsPerDay));
    return QDateTime(dateFromOle(ole), QTime(0, 0)).addMSecs(ms);
}

} // namespace db
