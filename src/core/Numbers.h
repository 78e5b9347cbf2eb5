// Amount texts typed by users turned into money, and money and rates turned back into display text.
// Pure functions: no state, no messages.
#pragma once

#include "db/Currency.h"

#include <QString>

namespace core {

// Said when a figure, or a sum of stored figures, passes the range of its type.
inline const QString kHugeNumberText =
    QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。");

enum class ParseStatus { Ok, Refused, Overflow };

struct ParseResult {
    ParseStatus status = ParseStatus::Ok;
    db::Currency value; // meaningful only when ok()
    bool ok() const { return status == ParseStatus::Ok; }
};

// Digits, blanks, commas (ignored wherever they stand) and one decimal point; CR and LF are skipped.
// Parts beyond 2,147,483,647 give Overflow, which callers treat as refused input.
ParseResult ParseAmount(const QString& text);
// As ParseAmount, plus one "-" anywhere in the text that makes the value negative.
ParseResult ParseSignedAmount(const QString& text);

// The value grouped by thousands with 0, 1 or 2 decimals, dropped digits rounded half away from zero;
// more than 2 decimals gives "".
QString FormatGrouped(db::Currency value, int decimals);

// A percent rate with at most two decimals, without trailing zeros or a leading zero (0.5 -> ".5",
// 0 -> "").
QString FormatRate(float rate);

// True with formatted set to the amount with two decimals when the text parses; otherwise false and
// formatted unchanged.
bool ValidateAmount(const QString& text, QString& formatted);
bool ValidateSignedAmount(const QString& text, QString& formatted);

} // namespace core
