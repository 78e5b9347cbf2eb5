// Dates as the engine stores them: days since 1899-12-30 as a double, time of day as the fraction.
#pragma once

#include <QDate>
#include <QDateTime>

namespace db {

// The engine's range of dates: 0100-01-01 to 9999-12-31.
constexpr double kFirstOleDay = -657434.0;
constexpr double kLastOleDay = 2958465.0;

double toOleDate(const QDate& date);
double toOleDate(const QDateTime& dateTime);
// A number outside the engine's range (NaN, infinity, 1e300, as another program may have written) gives
// an invalid date, never a wrapped one.
QDate dateFromOle(double ole);
QDateTime dateTimeFromOle(double ole);

// A Single value as the engine stores it: rounded through 32-bit float.
inline double toSingle(double v) { return double(float(v)); }

} // namespace db
