// Texts of the list windows that are not drawn by the layout: the values of the tab-separated export,
// the condition title of the order lists and the proposed export file names.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <cstdint>

namespace viewers {

// Numbers as the tab file writes them: a blank for the sign of zero and positive values, a minus sign
// otherwise, no grouping, a point only before a fraction, no zero before it (" .05"), no trailing zeros.
QString numText(std::int64_t v);
QString numText(db::Currency v);
// A Single keeps at most seven significant digits; beyond that range an exponent part (" 1.5E+07").
QString numText(float v);

// One fixed date form: yyyy/MM/dd, with the time of day only when the stored value has one.
QString dateText(double ole);

// "キャンセル" for the exact mark "X", else one blank.
QString cancelText(const QString& mark);

// Title line of the order lists, without its line end: " 2009年度 4月分　", " 2009年度分　" or
// "全年度分　", then the code label and the code when both are given.
QString conditionTitle(int year, int month, const QString& codeLabel = {}, const QString& code = {});

// The database path without its four-character extension, "_", the word and the suffix.
enum class ExportKind { Tab, Flat };
QString proposedExportName(const QString& dbPath, const QString& word, ExportKind kind);

} // namespace viewers
