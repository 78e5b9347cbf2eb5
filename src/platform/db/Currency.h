// Money as the engine stores it: a 64-bit count of ten-thousandths, exact end to end.
#pragma once

#include <QString>
#include <compare>
#include <cstdint>
#include <stdexcept>

namespace db {

// Shown in place of a stored number that no text can give (NaN, infinity, beyond the field's type), as
// an edited database may hold.
inline const QString kOutOfRangeText = QStringLiteral("範囲外");

class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() = default;
    static constexpr Currency fromRaw(std::int64_t raw) { return Currency(raw); }
    static constexpr Currency fromUnits(std::int64_t units) { return Currency(units) * kScale; }
    // Converts a double to the nearest ten-thousandth, a tie to the even neighbour (as the
    // engine's conversion does). Throws std::overflow_error outside the 64-bit range.
    static Currency fromDouble(double value);

    constexpr std::int64_t raw() const { return raw_; }
    double toDouble() const { return double(raw_) / double(kScale); }

    // Whole units, the fraction rounded half up (away from zero), as the amounts on screen show.
    std::int64_t roundedUnits() const;

    // Checked: a result beyond the 64-bit range throws std::overflow_error (sums of amounts an edited
    // file holds at the limit), never wraps.
    constexpr Currency operator+(Currency o) const {
        std::int64_t r = 0;
        const bool over = __builtin_add_overflow(raw_, o.raw_, &r);
        return checked(over, r);
    }
    constexpr Currency operator-(Currency o) const {
        std::int64_t r = 0;
        const bool over = __builtin_sub_overflow(raw_, o.raw_, &r);
        return checked(over, r);
    }
    constexpr Currency operator-() const { return Currency() - *this; }
    constexpr Currency operator*(std::int64_t n) const {
        std::int64_t r = 0;
        const bool over = __builtin_mul_overflow(raw_, n, &r);
        return checked(over, r);
    }
    Currency& operator+=(Currency o) { return *this = *this + o; }
    Currency& operator-=(Currency o) { return *this = *this - o; }
    constexpr auto operator<=>(const Currency&) const = default;

    // The absolute value of raw(), exact also for the most negative one (which has no positive twin).
    constexpr std::uint64_t magnitude() const {
        return raw_ < 0 ? std::uint64_t(0) - std::uint64_t(raw_) : std::uint64_t(raw_);
    }

    // Plain decimal text with four decimals, e.g. "-12.3400"; for diagnostics and tests.
    QString toString() const;

private:
    constexpr explicit Currency(std::int64_t raw) : raw_(raw) {}
    static constexpr Currency checked(bool overflowed, std::int64_t result) {
        if (overflowed) throw std::overflow_error("currency overflow");
        return Currency(result);
    }
    std::int64_t raw_ = 0;
};

} // namespace db
