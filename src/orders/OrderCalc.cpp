#include "orders/OrderCalc.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace orders {

using db::Currency;

namespace {

[[noreturn]] void overflow() { throw std::overflow_error("overflow"); }

// Whole units, rounding down, of a Currency value.
Currency floorUnits(Currency c) {
    std::int64_t whole = c.raw() / Currency::kScale;
    if (c.raw() % Currency::kScale < 0)
        --whole;
    return Currency::fromUnits(whole);
}

} // namespace

Currency lineTaxPerLine(Currency salePrice, std::int32_t qty, float ratePercent) {
    // The rate is a Single widened to double; the extra Currency step before the whole part is kept,
    // because it turns a value a hair below a whole number into that number.
    const double x = (salePrice * qty).toDouble() * double(ratePercent) / 100.0 + 0.5;
    return floorUnits(Currency::fromDouble(x));
}

Currency orderTaxOnTotal(Currency saleTotal, float ratePercent) {
    const double x = std::floor(saleTotal.toDouble() * double(ratePercent) / 100.0 + 0.5);
    return Currency::fromDouble(x);
}

std::int32_t remainingStock(std::int32_t stock, std::int32_t qty) {
    std::int32_t r = 0;
    if (__builtin_sub_overflow(stock, qty, &r))
        overflow();
    return r;
}

std::int32_t quantityFromAmount(Currency amount) {
    const std::int64_t raw = amount.raw();
    std::int64_t whole = raw / Currency::kScale;
    const std::int64_t rest = raw % Currency::kScale;
    const std::int64_t half = Currency::kScale / 2;
    if (rest > half || (rest == half && (whole % 2) != 0))
        ++whole;
    else if (rest < -half || (rest == -half && (whole % 2) != 0))
        --whole;
    if (whole > std::numeric_limits<std::int32_t>::max() || whole < std::numeric_limits<std::int32_t>::min())
        overflow();
    return std::int32_t(whole);
}

void recalcLineTax(EntryLine& line, bool taxPerLine) {
    line.lineTax = taxPerLine ? lineTaxPerLine(line.salePrice, line.qty, line.taxRate) : Currency();
}

void recalcTotals(const std::vector<std::vector<EntryLine>>& lines, bool taxPerLine, float taxRate,
                  OrderTotals& t) {
    Currency list, wholesale, cost, sale, tax;
    for (const auto& cat : lines)
        for (const EntryLine& l : cat) {
            if (l.qty == 0)
                continue;
            list += l.listPrice * l.qty;
            wholesale += l.wholesale * l.qty;
            cost += l.cost * l.qty;
            sale += l.salePrice * l.qty;
            tax += l.lineTax;
        }
    t.list = list;
    t.wholesale = wholesale;
    t.cost = cost;
    t.sale = sale;
    t.tax = taxPerLine ? tax : orderTaxOnTotal(sale, taxRate);
}

Currency grandTotal(const OrderTotals& t) { return t.sale + t.tax + t.shipping; }

} // namespace orders
