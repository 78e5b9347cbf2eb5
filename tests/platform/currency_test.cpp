// Money arithmetic at the ends of its range, built with the undefined-behaviour checker: every sum,
// difference and product is exact or throws std::overflow_error, and never wraps.
#include "db/Currency.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <stdexcept>

using db::Currency;

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::optional<std::int64_t> raw(Currency (*op)(Currency, Currency), std::int64_t a, std::int64_t b) {
    try {
        return op(Currency::fromRaw(a), Currency::fromRaw(b)).raw();
    } catch (const std::overflow_error&) {
        return std::nullopt;
    }
}

} // namespace

TEST(Currency, SumsDifferencesAndProductsAtTheLimitsAreExactOrRefused) {
    const auto plus = [](Currency a, Currency b) { return a + b; };
    const auto minus = [](Currency a, Currency b) { return a - b; };
    const auto times = [](Currency a, Currency b) { return a * b.raw(); };
    const auto plusAssign = [](Currency a, Currency b) { return a += b; };
    const auto minusAssign = [](Currency a, Currency b) { return a -= b; };
    const auto negate = [](Currency a, Currency) { return -a; };
    const auto units = [](Currency a, Currency) { return Currency::fromUnits(a.raw()); };
    struct Case {
        Currency (*op)(Currency, Currency);
        std::int64_t a, b;
        std::optional<std::int64_t> want; // nullopt: refused
    };
    const Case cases[] = {
        {plus, kMax - 1, 1, kMax},
        {plus, kMax, 1, std::nullopt},
        {plus, kMax / 2 + 1, kMax / 2 + 1, std::nullopt}, // two amounts each valid alone
        {plus, kMin, -1, std::nullopt},
        {plus, kMin, kMax, -1},
        {minus, kMin, 1, std::nullopt},
        {minus, 0, kMin, std::nullopt},
        {minus, -1, kMax, kMin},
        {plusAssign, kMax, 1, std::nullopt},
        {minusAssign, kMin, 1, std::nullopt},
        {times, kMax / 3, 3, kMax / 3 * 3},
        {times, kMax / 2 + 1, 2, std::nullopt},
        {times, kMin, -1, std::nullopt},
        {negate, kMin, 0, std::nullopt},
        {negate, kMax, 0, -kMax},
        {units, kMax / Currency::kScale, 0, kMax / Currency::kScale * Currency::kScale},
        {units, kMax / Currency::kScale + 1, 0, std::nullopt},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(raw(c.op, c.a, c.b), c.want) << "case " << i;
    }
}
