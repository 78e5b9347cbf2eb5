#include "reports/Format.h"

#include "db/OleDate.h"
#include "text/Cp932.h"

#include <QVarLengthArray>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace reports {

namespace {

// Room for the digits of any double in fixed notation.
constexpr int kDigitRoom = 400;

bool isDateLetter(QChar c) {
    switch (c.toLower().unicode()) {
    case u'y':
    case u'm':
    case u'd':
    case u'h':
    case u'n':
    case u's':
        return true;
    default:
        return false;
    }
}

void put(Chars& out, QStringView s) { out.append(s.utf16(), s.size()); }

void appendPadded(Chars& out, int value, int minDigits) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    for (int n = int(r.ptr - buf); n < minDigits; ++n)
        out.append(u'0');
    for (const char* c = buf; c < r.ptr; ++c)
        out.append(char16_t(*c));
}

// Splits a number written by to_chars in fixed notation ("-123.45") into sign and digits.
void splitFixed(const char* s, const char* end, bool& neg, char* digits, int& nInt, int& nFrac) {
    neg = false;
    if (s < end && *s == '-') {
        neg = true;
        ++s;
    }
    nInt = nFrac = 0;
    bool frac = false;
    for (; s < end; ++s) {
        if (*s == '.') {
            frac = true;
            continue;
        }
        digits[nInt + nFrac] = *s;
        if (frac)
            ++nFrac;
        else
            ++nInt;
    }
}

// Writes an unsigned integer with scale implied decimals into digits.
void splitScaled(std::uint64_t mantissa, int scale, char* digits, int& nInt, int& nFrac) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, mantissa);
    int n = int(r.ptr - buf);
    int lead = 0;
    if (n <= scale) {
        lead = scale - n + 1; // "0" before the point and zeros after it
        std::memset(digits, '0', size_t(lead));
    }
    std::memcpy(digits + lead, buf, size_t(n));
    n += lead;
    nInt = n - scale;
    nFrac = scale;
}

// The calendar date of an OLE day count (day 0 is 1899/12/30), in the proleptic Gregorian calendar the
// dates are kept in, counted without a QDate on every record (after Howard Hinnant's days-to-civil).
void civilDate(std::int64_t oleDay, int& year, int& month, int& day) {
    const std::int64_t z = oleDay - 25569 + 719468; // days from 0000/03/01
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2));
}

struct ClockTime {
    int hour;
    int minute;
    int second;
};

double numericValue(const FieldValue& v) {
    switch (v.type) {
    case FieldValue::Type::Long:
        return double(v.i);
    case FieldValue::Type::Currency:
        return double(v.i) / double(db::Currency::kScale);
    default:
        return v.d;
    }
}

} // namespace

FormatPattern::FormatPattern(const QString& pattern) : pattern_(pattern) {
    width_ = int(pattern.size() - pattern.count(QLatin1Char('!')));
    if (pattern.isEmpty()) {
        kind_ = Kind::General;
        return;
    }
    if (pattern.contains(QLatin1Char('@')) || pattern.contains(QLatin1Char('&'))) {
        kind_ = Kind::Text;
        leftFill_ = pattern.contains(QLatin1Char('!'));
        if (std::all_of(pattern.cbegin(), pattern.cend(), [](QChar c) { return c == u'@' || c == u'!'; }))
            blanksOnly_ = width_;
        return;
    }
    QStringView first(pattern);
    if (const qsizetype semi = first.indexOf(QLatin1Char(';')); semi >= 0)
        first = first.first(semi); // only the section for all values is used
    if (first.contains(QLatin1Char('0')) || first.contains(QLatin1Char('#'))) {
        kind_ = Kind::Number;
        compileNumber(first);
        return;
    }
    for (QChar c : first) {
        if (isDateLetter(c)) {
            kind_ = Kind::Date;
            compileDate(first);
            return;
        }
    }
    kind_ = Kind::Literal;
}

void FormatPattern::compileNumber(QStringView p) {
    qsizetype firstPh = -1, lastPh = -1;
    for (qsizetype i = 0; i < p.size(); ++i) {
        const QChar c = p[i];
        if (c == u'0' || c == u'#' || c == u'.') {
            if (firstPh < 0)
                firstPh = i;
            lastPh = i;
        }
    }
    prefix_ = p.first(firstPh).toString();
    prefix_.remove(QLatin1Char(','));
    suffix_ = p.sliced(lastPh + 1).toString();
    bool afterPoint = false;
    int intCount = 0;
    int firstZeroFromEnd = -1; // index of the leftmost integer "0", counted in placeholders
    for (qsizetype i = firstPh; i <= lastPh; ++i) {
        const QChar c = p[i];
        if (c == u'.') {
            if (!afterPoint) {
                afterPoint = true;
                hasPoint_ = true;
            }
            continue;
        }
        if (c == u',') {
            if (!afterPoint)
                grouping_ = true;
            continue;
        }
        if (c != u'0' && c != u'#')
            continue; // other characters inside the digits are not placed
        if (afterPoint) {
            ++fracPlaces_;
            if (c == u'0')
                minFrac_ = fracPlaces_;
        } else {
            if (c == u'0' && firstZeroFromEnd < 0)
                firstZeroFromEnd = intCount;
            ++intCount;
        }
    }
    minInt_ = firstZeroFromEnd < 0 ? 0 : intCount - firstZeroFromEnd;
}

void FormatPattern::compileDate(QStringView p) {
    auto literal = [this](QChar c) {
        if (date_.empty() || date_.back().part != DatePart::Literal)
            date_.push_back({DatePart::Literal, QString()});
        date_.back().literal += c;
    };
    qsizetype i = 0;
    while (i < p.size()) {
        const QChar c = p[i];
        const QChar lc = c.toLower();
        qsizetype run = 1;
        while (i + run < p.size() && p[i + run].toLower() == lc)
            ++run;
        DatePart part = DatePart::Literal;
        qsizetype used = run;
        switch (lc.unicode()) {
        case u'y':
            part = run >= 4 ? DatePart::Year4 : DatePart::Year2;
            used = run >= 4 ? 4 : std::min<qsizetype>(run, 2);
            break;
        case u'm':
            part = run >= 2 ? DatePart::Month2 : DatePart::Month1;
            used = std::min<qsizetype>(run, 2);
            break;
        case u'd':
            part = run >= 2 ? DatePart::Day2 : DatePart::Day1;
            used = std::min<qsizetype>(run, 2);
            break;
        case u'h':
            part = run >= 2 ? DatePart::Hour2 : DatePart::Hour1;
            used = std::min<qsizetype>(run, 2);
            break;
        case u'n':
            part = run >= 2 ? DatePart::Min2 : DatePart::Min1;
            used = std::min<qsizetype>(run, 2);
            break;
        case u's':
            part = run >= 2 ? DatePart::Sec2 : DatePart::Sec1;
            used = std::min<qsizetype>(run, 2);
            break;
        default:
            literal(c);
            ++i;
            continue;
        }
        date_.push_back({part, QString()});
        i += used;
    }
}

void appendPlain(const FieldValue& v, QString& out) {
    switch (v.type) {
    case FieldValue::Type::Text:
        out += v.s;
        return;
    case FieldValue::Type::Long:
        out += QString::number(v.i);
        return;
    case FieldValue::Type::Currency: {
        QString t = db::Currency::fromRaw(v.i).toString();
        while (t.endsWith(QLatin1Char('0')))
            t.chop(1);
        if (t.endsWith(QLatin1Char('.')))
            t.chop(1);
        out += t;
        return;
    }
    case FieldValue::Type::Single: {
        if (!std::isfinite(v.d)) {
            out += db::kOutOfRangeText;
            return;
        }
        char buf[64];
        auto r = std::to_chars(buf, buf + sizeof buf, float(v.d));
        out += QLatin1StringView(buf, r.ptr - buf);
        return;
    }
    case FieldValue::Type::Date: {
        if (!std::isfinite(v.d) || std::fabs(v.d) > 2958465.0) { // beyond 9999/12/31
            out += db::kOutOfRangeText;
            return;
        }
        const QDateTime dt = db::dateTimeFromOle(v.d);
        out += dt.date().toString(QStringLiteral("yyyy/MM/dd"));
        if (dt.time() != QTime(0, 0))
            out += QLatin1Char(' ') + dt.time().toString(QStringLiteral("H:mm:ss"));
        return;
    }
    }
}

void FormatPattern::format(const FieldValue& v, QString& out) const {
    Chars c;
    format(v, c);
    out.append(reinterpret_cast<const QChar*>(c.constData()), c.size());
}

void FormatPattern::format(const FieldValue& v, Chars& out) const {
    switch (kind_) {
    case Kind::General: {
        QString plain;
        appendPlain(v, plain);
        put(out, plain);
        return;
    }
    case Kind::Literal:
        put(out, v.type == FieldValue::Type::Text ? v.s : QStringView(pattern_));
        return;
    case Kind::Text:
        if (v.type == FieldValue::Type::Text) {
            formatText(v.s, out);
        } else {
            QString plain;
            appendPlain(v, plain);
            formatText(plain, out);
        }
        return;
    case Kind::Number:
        formatNumberValue(v, out);
        return;
    case Kind::Date:
        if (v.type == FieldValue::Type::Text)
            put(out, v.s); // a text is not a date
        else
            formatDate(numericValue(v), out);
        return;
    }
}

void FormatPattern::formatText(QStringView text, Chars& c) const {
    // Each "@" (or "&", which leaves no blank) takes one character; without "!" the text fills the
    // positions from the right, with "!" from the left. Surplus characters are kept.
    if (blanksOnly_ >= 0) {
        // The usual pattern, in one step: the text with the blanks it leaves on its open side.
        const qsizetype blanks = std::max<qsizetype>(0, blanksOnly_ - text.size());
        if (!leftFill_)
            c.insert(c.end(), blanks, u' ');
        c.append(text.utf16(), text.size());
        if (leftFill_)
            c.insert(c.end(), blanks, u' ');
        return;
    }
    if (leftFill_) {
        qsizetype next = 0;
        for (QChar p : pattern_) {
            if (p == u'!')
                continue;
            if (p == u'@' || p == u'&') {
                if (next < text.size())
                    c.append(text[next++].unicode());
                else if (p == u'@')
                    c.append(u' ');
            } else {
                c.append(p.unicode());
            }
        }
        if (next < text.size())
            put(c, text.sliced(next));
        return;
    }
    // Right fill: walk the pattern backwards, then reverse what was written; surplus characters go first.
    const qsizetype start = c.size();
    qsizetype next = text.size() - 1;
    for (qsizetype i = pattern_.size() - 1; i >= 0; --i) {
        const QChar p = pattern_[i];
        if (p == u'@' || p == u'&') {
            if (next >= 0)
                c.append(text[next--].unicode());
            else if (p == u'@')
                c.append(u' ');
        } else {
            c.append(p.unicode());
        }
    }
    std::reverse(c.begin() + start, c.end());
    if (next >= 0) {
        const qsizetype surplus = next + 1;
        c.insert(c.begin() + start, surplus, u' ');
        std::copy_n(text.utf16(), surplus, c.begin() + start);
    }
}

void FormatPattern::formatNumberValue(const FieldValue& v, Chars& out) const {
    char digits[kDigitRoom];
    int nInt = 0, nFrac = 0;
    bool neg = false;
    switch (v.type) {
    case FieldValue::Type::Long:
        neg = v.i < 0;
        splitScaled(neg ? std::uint64_t(0) - std::uint64_t(v.i) : std::uint64_t(v.i), 0, digits, nInt, nFrac);
        break;
    case FieldValue::Type::Currency:
        neg = v.i < 0;
        splitScaled(neg ? std::uint64_t(0) - std::uint64_t(v.i) : std::uint64_t(v.i), 4, digits, nInt, nFrac);
        break;
    case FieldValue::Type::Single: {
        if (!std::isfinite(v.d)) { // only an edited database holds these
            put(out, db::kOutOfRangeText);
            return;
        }
        // The float's own shortest decimal form, so 0.1 stays 0.1 rather than 0.100000001.
        char buf[kDigitRoom];
        auto r = std::to_chars(buf, buf + sizeof buf, float(v.d), std::chars_format::fixed);
        splitFixed(buf, r.ptr, neg, digits, nInt, nFrac);
        break;
    }
    case FieldValue::Type::Date: {
        if (!std::isfinite(v.d)) {
            put(out, db::kOutOfRangeText);
            return;
        }
        char buf[kDigitRoom];
        auto r = std::to_chars(buf, buf + sizeof buf, v.d, std::chars_format::fixed);
        splitFixed(buf, r.ptr, neg, digits, nInt, nFrac);
        break;
    }
    case FieldValue::Type::Text: {
        // A numeric text is formatted as its number; any other text stays as it is.
        bool ok = false;
        const double d = v.s.toDouble(&ok);
        if (!ok || !std::isfinite(d)) {
            put(out, v.s);
            return;
        }
        char buf[kDigitRoom];
        auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
        splitFixed(buf, r.ptr, neg, digits, nInt, nFrac);
        break;
    }
    }
    formatNumber(neg, digits, nInt, nFrac, out);
}

void FormatPattern::formatNumber(bool neg, const char* src, int nInt, int nFrac, Chars& c) const {
    // Work on a copy with one spare digit in front for a carry.
    char d[kDigitRoom + 1];
    d[0] = '0';
    std::memcpy(d + 1, src, size_t(nInt + nFrac));
    int intLen = nInt + 1;
    int frac = nFrac;
    if (frac > fracPlaces_) {
        // Half away from zero on the decimal digits.
        const bool up = d[intLen + fracPlaces_] >= '5';
        frac = fracPlaces_;
        if (up) {
            int i = intLen + frac - 1;
            while (i >= 0) {
                if (d[i] == '9') {
                    d[i] = '0';
                    --i;
                } else {
                    ++d[i];
                    break;
                }
            }
        }
    }
    // Drop leading zeros of the integer part.
    int start = 0;
    while (start < intLen && d[start] == '0')
        ++start;
    int intDigits = intLen - start;
    // Trailing zeros beyond the shown minimum go.
    int shownFrac = std::min(frac, fracPlaces_);
    while (shownFrac > minFrac_ && d[intLen + shownFrac - 1] == '0')
        --shownFrac;
    bool allZero = intDigits == 0;
    for (int i = 0; allZero && i < shownFrac; ++i)
        allZero = d[intLen + i] == '0';

    if (neg && !allZero)
        c.append(u'-');
    if (!prefix_.isEmpty())
        put(c, prefix_);
    // The digits with their commas and decimals, written straight into room for the most there can be.
    const int padZeros = std::max(0, minInt_ - intDigits);
    const int total = intDigits + padZeros;
    QVarLengthArray<char16_t, 2 * kDigitRoom> out(total + total / 3 + 2 + std::max(shownFrac, minFrac_));
    char16_t* o = out.data();
    int untilComma = total % 3 == 0 ? 3 : total % 3; // digits before the next comma
    for (int k = 0; k < total; ++k) {
        if (untilComma == 0) {
            if (grouping_)
                *o++ = u',';
            untilComma = 3;
        }
        *o++ = char16_t(k < padZeros ? '0' : d[start + k - padZeros]);
        --untilComma;
    }
    if (hasPoint_) {
        *o++ = u'.';
        for (int i = 0; i < shownFrac; ++i)
            *o++ = char16_t(d[intLen + i]);
        for (int i = shownFrac; i < minFrac_; ++i)
            *o++ = u'0';
    }
    c.append(out.constData(), o - out.constData());
    if (!suffix_.isEmpty())
        put(c, suffix_);
}

void FormatPattern::formatDate(double ole, Chars& c) const {
    if (!std::isfinite(ole) || std::fabs(ole) > 2958465.0) { // beyond 9999/12/31
        put(c, db::kOutOfRangeText);
        return;
    }
    // Day and time of day straight from the day count: no time zone is involved.
    const double day = std::trunc(ole);
    int year = 0, month = 0, dayOfMonth = 0; // all 0 before the first day a date can hold
    if (day >= db::kFirstOleDay)
        civilDate(std::int64_t(day), year, month, dayOfMonth);
    const int secs = int(std::llround(std::fabs(ole - day) * 86400.0)) % 86400;
    const ClockTime time{secs / 3600, secs / 60 % 60, secs % 60};
    for (const DateElement& p : date_) {
        switch (p.part) {
        case DatePart::Literal:
            put(c, p.literal);
            break;
        case DatePart::Year4:
            appendPadded(c, year, 4);
            break;
        case DatePart::Year2:
            appendPadded(c, year % 100, 2);
            break;
        case DatePart::Month2:
            appendPadded(c, month, 2);
            break;
        case DatePart::Month1:
            appendPadded(c, month, 1);
            break;
        case DatePart::Day2:
            appendPadded(c, dayOfMonth, 2);
            break;
        case DatePart::Day1:
            appendPadded(c, dayOfMonth, 1);
            break;
        case DatePart::Hour2:
            appendPadded(c, time.hour, 2);
            break;
        case DatePart::Hour1:
            appendPadded(c, time.hour, 1);
            break;
        case DatePart::Min2:
            appendPadded(c, time.minute, 2);
            break;
        case DatePart::Min1:
            appendPadded(c, time.minute, 1);
            break;
        case DatePart::Sec2:
            appendPadded(c, time.second, 2);
            break;
        case DatePart::Sec1:
            appendPadded(c, time.second, 1);
            break;
        }
    }
}

QString FormatValue(const FieldValue& v, const QString& pattern) {
    QString out;
    FormatPattern(pattern).format(v, out);
    return out;
}

int TruncateToWidth(int width, int length, const QString& text, QString& cut) {
    const QStringView view(text.constData(), std::min<qsizetype>(length, text.size()));
    const qsizetype n = text::fittingLength(view, width);
    cut = view.first(n).toString();
    return int(n);
}

} // namespace reports
