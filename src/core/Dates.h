// Dates as the program shows them: the Japanese short date form, whatever the machine's locale.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

namespace core {

// "2024/04/01"
QString FormatShortDate(const QDate& date);
QString FormatShortDate(double oleDate);
// "2024/04/01 18:30:00"; the time is left out at midnight, as the engine shows a date-only value.
QString FormatDateTime(const QDateTime& dateTime);

} // namespace core
