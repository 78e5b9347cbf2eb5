// The pattern formatter of layout FORMAT items ("#,##0", "!@@@@", "yyyy/mm/dd") and the display-width
// cut. A pattern is compiled once per layout load and then applied to every record.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <QStringView>
#include <QVarLengthArray>
#include <cstdint>
#include <vector>

namespace reports {

// One field value as the record buffers hold it.
struct FieldValue {
    enum class Type { Long, Currency, Single, Date, Text };
    Type type = Type::Text;
    std::int64_t i = 0; // Long, or Currency's raw ten-thousandths
    double d = 0;       // Single (as stored), Date (OLE day count)
    QStringView s;      // Text

    static FieldValue ofLong(std::int32_t v) { return {Type::Long, v, 0, {}}; }
    static FieldValue ofCurrency(db::Currency v) { return {Type::Currency, v.raw(), 0, {}}; }
    static FieldValue ofSingle(float v) { return {Type::Single, 0, double(v), {}}; }
    static FieldValue ofDate(double v) { return {Type::Date, 0, v, {}}; }
    static FieldValue ofText(QStringView v) { return {Type::Text, 0, 0, v}; }
};

// A formatted value is put together in one of these and appended to its line at once: a QString
// append per character costs more than the formatting itself on reports of many records.
using Chars = QVarLengthArray<char16_t, 128>;

class FormatPattern {
public:
    FormatPattern() = default;
    explicit FormatPattern(const QString& pattern);

    const QString& pattern() const { return pattern_; }
    // Field width: the characters of the pattern that are not "!".
    int width() const { return width_; }

    // Appends the value formatted by the pattern.
    void format(const FieldValue& v, QString& out) const;
    void format(const FieldValue& v, Chars& out) const;

private:
    enum class Kind { General, Text, Number, Date, Literal };
    enum class DatePart : std::uint8_t { Literal, Year4, Year2, Month2, Month1, Day2, Day1, Hour2, Hour1, Min2, Min1,
                                         Sec2, Sec1 };
    struct DateElement {
        DatePart part;
        QString literal;
    };

    void compileNumber(QStringView p);
    void compileDate(QStringView p);
    void formatText(QStringView text, Chars& out) const;
    void formatNumber(bool neg, const char* digits, int nInt, int nFrac, Chars& out) const;
    void formatNumberValue(const FieldValue& v, Chars& out) const;
    void formatDate(double ole, Chars& out) const;

    QString pattern_;
    int width_ = 0;
    Kind kind_ = Kind::General;
    // Text patterns
    bool leftFill_ = false;
    int blanksOnly_ = -1; // a pattern of "@" (and "!") alone: how many, which pad the text with blanks
    // Number patterns
    QString prefix_;
    QString suffix_;
    int minInt_ = 0;
    int fracPlaces_ = 0;
    int minFrac_ = 0;
    bool hasPoint_ = false;
    bool grouping_ = false;
    // Date patterns
    std::vector<DateElement> date_;
};

// The plain text of a value: a number in plain decimal, a date as yyyy/MM/dd.
void appendPlain(const FieldValue& v, QString& out);

// The value formatted by pattern (compiles the pattern each time; for tests and one-off use).
QString FormatValue(const FieldValue& v, const QString& pattern);

// Puts into cut the longest beginning of the first length characters of text whose display width is at
// most width (a double-width character that would cross the limit is left out); returns its length.
int TruncateToWidth(int width, int length, const QString& text, QString& cut);

} // namespace reports
