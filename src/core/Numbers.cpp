#include "core/Numbers.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace core {

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// a * 10 + d within 32 bits, as the counters of the original arithmetic are.
bool pushDigit(std::int32_t& a, int d) {
    if (a > (kMax - d) / 10)
        return false;
    a = a * 10 + d;
    return true;
}

ParseResult parse(const QString& text, bool allowSign) {
    if (text.isEmpty())
        return {};
    // The original walked with a 16-bit index: a text of 32,767 characters or more overflowed.
    if (text.size() >= 32767)
        return {ParseStatus::Overflow, {}};
    std::int32_t I = 0, F = 0, P = 0;
    int sign = 1;
    for (QChar ch : text) {
        const ushort c = ch.unicode();
        if (c == '\r' || c == '\n')
            continue;
        if (c >= '0' && c <= '9') {
            const int d = c - '0';
            if (P == 0) {
                if (!pushDigit(I, d))
                    return {ParseStatus::Overflow, {}};
            } else {
                if (P == kMax || !pushDigit(F, d))
                    return {ParseStatus::Overflow, {}};
                ++P;
            }
        } else if (c == '.') {
            if (P != 0)
                return {ParseStatus::Refused, {}};
            P = 1;
        } else if (c == ' ' || c == ',') {
            // grouping and blanks are ignored wherever they stand
        } else if (c == '-' && allowSign) {
            if (sign == -1)
                return {ParseStatus::Refused, {}};
            sign = -1;
        } else {
            return {ParseStatus::Refused, {}};
        }
    }
    // The original computes in double and converts to Currency (nearest ten-thousandth, ties to even).
    const double v = (P > 0 ? double(F) / std::pow(10.0, double(P - 1)) : 0.0) + double(I);
    return {ParseStatus::Ok, db::Currency::fromDouble(v * sign)};
}

QString group(std::uint64_t whole) {
    QString digits = QString::number(whole);
    for (int i = int(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits;
}

} // namespace

ParseResult ParseAmount(const QString& text) { return parse(text, false); }
ParseResult ParseSignedAmount(const QString& text) { return parse(text, true); }

QString FormatGrouped(db::Currency value, int decimals) {
    if (decimals > 2)
        return {};
    const int places = decimals < 1 ? 0 : decimals;
    const std::uint64_t unit = places == 0 ? 10000 : places == 1 ? 1000 : 100;
    const std::int64_t raw = value.raw();
    // Unsigned, so the most negative value and the rounding up near the top stay exact.
    std::uint64_t mag = value.magnitude();
    mag = mag / unit + (mag % unit >= unit / 2 ? 1 : 0); // half away from zero
    const std::uint64_t scale = places == 0 ? 1 : places == 1 ? 10 : 100;
    QString s = group(mag / scale);
    if (places > 0)
        s += QLatin1Char('.') + QStringLiteral("%1").arg(mag % scale, places, 10, QLatin1Char('0'));
    if (raw < 0 && mag != 0)
        s.prepend(QLatin1Char('-'));
    return s;
}

QString FormatRate(float rate) {
    const double n = std::floor(double(rate) * 100.0 + 0.5);
    if (!std::isfinite(n))
        return db::kOutOfRangeText; // only a damaged or edited control file holds such a rate
    const bool negative = n < 0;
    const double mag = std::fabs(n);
    const double wholeD = std::floor(mag / 100.0);
    const int frac = int(mag - wholeD * 100.0);
    QString s = wholeD == 0 ? QString() : QString::number(wholeD, 'f', 0);
    if (frac != 0) {
        s += QLatin1Char('.') + QString::number(frac / 10);
        if (frac % 10 != 0)
            s += QString::number(frac % 10);
    }
    return negative ? QLatin1Char('-') + s : s;
}

bool ValidateAmount(const QString& text, QString& formatted) {
    const ParseResult r = ParseAmount(text);
    if (!r.ok())
        return false;
    formatted = FormatGrouped(r.value, 2);
    return true;
}

bool ValidateSignedAmount(const QString& text, QString& formatted) {
    const ParseResult r = ParseSignedAmount(text);
    if (!r.ok())
        return false;
    formatted = FormatGrouped(r.value, 2);
    return true;
}

} // namespace core
