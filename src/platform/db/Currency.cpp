#include "db/Currency.h"

#include <cmath>
#include <stdexcept>

namespace db {

Currency Currency::fromDouble(double value) {
    const double scaled = value * double(kScale);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9223372036854775808.0)
        throw std::overflow_error("currency overflow");
    return Currency(std::int64_t(std::nearbyint(scaled))); // default rounding mode: ties to even
}

std::int64_t Currency::roundedUnits() const {
    const std::int64_t whole = raw_ / kScale;
    const std::int64_t rest = raw_ % kScale;
    if (rest >= kScale / 2)
        return whole + 1;
    if (rest <= -kScale / 2)
        return whole - 1;
    return whole;
}

QString Currency::toString() const {
    const std::uint64_t a = magnitude();
    return QStringLiteral("%1%2.%3")
        .arg(raw_ < 0 ? "-" : "")
        .arg(a / kScale)
        .arg(a % kScale, 4, 10, QLatin1Char('0'));
}

} // namespace db
