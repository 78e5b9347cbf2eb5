// Dates as the engine stores them: days since 1899-12-30 as a double, time of day as the fraction.
#pragma once

#include <QDate>
#include <QDateTime>

namespace db {

double toOleDate(const QDate& date);
double toOleDate(const QDateTime& dateTime);
QDate dateFromOle(double ole);
QDateTime dateTimeFromOle(double ole);

// A Single value as the engine stores it: rounded through 32-bit float.
inline double toSingle(double v) { return double(float(v)); }

} // namespace db
