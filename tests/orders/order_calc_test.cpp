#include "orders/OrderCalc.h"

#include <gtest/gtest.h>
#include <limits>
#include <stdexcept>

namespace db {
void PrintTo(const Currency& c, std::ostream* os) { *os << c.toString().toStdString(); }
} // namespace db

using db::Currency;
using namespace orders;

namespace {
Currency units(qint64 u) { return Currency::fromUnits(u); }
} // namespace

TEST(OrderCalc, LineTaxTable) {
    struct Case {
        const char* name;
        qint64 priceRaw;
        std::int32_t qty;
        float rate;
        qint64 expected;
    };
    const Case cases[] = {
        {"1,000 x 3 at 8 %", 10000000, 3, 8.0f, 240},
        {"105 x 1 at 8 %: 8.4 rounds down", 1050000, 1, 8.0f, 8},
        {"1,010 x 1 at 5 %: 50.5 rounds up", 10100000, 1, 5.0f, 51},
        {"half exactly rounds up", 250000, 1, 10.0f, 3},
        {"just under half rounds down", 249990, 1, 10.0f, 2},
        {"quantity 0", 10000000, 0, 8.0f, 0},
        {"rate 0", 10000000, 4, 0.0f, 0},
        {"a hair below a whole unit becomes it through Currency", 19999, 1, 25.0f, 1},
        {"big quantity", 10000000, 2000000000, 8.0f, 160000000000},
        {"rate with a fraction, widened from Single", 1000000, 1, 8.1f, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lineTaxPerLine(Currency::fromRaw(c.priceRaw), c.qty, c.rate), units(c.expected)) << c.name;
}

TEST(OrderCalc, OrderTaxOnTotalTable) {
    struct Case {
        qint64 saleUnits;
        float rate;
        qint64 expected;
    };
    const Case cases[] = {{1050, 8.0f, 84}, {1057, 8.0f, 85}, {25, 10.0f, 3}, {0, 8.0f, 0}, {15, 10.0f, 2},
                          {14, 10.0f, 1}, {1000000000000, 10.0f, 100000000000}};
    for (const Case& c : cases)
        EXPECT_EQ(orderTaxOnTotal(units(c.saleUnits), c.rate), units(c.expected)) << c.saleUnits;
}

TEST(OrderCalc, OverflowIsReportedNotWrapped) {
    EXPECT_THROW(lineTaxPerLine(units(2147483647), 2147483647, 8.0f), std::overflow_error);
    OrderTotals atTheLimit;
    atTheLimit.sale = Currency::fromRaw(std::numeric_limits<qint64>::max());
    atTheLimit.shipping = units(1);
    EXPECT_THROW(grandTotal(atTheLimit), std::overflow_error);
    EXPECT_THROW(remainingStock(std::numeric_limits<std::int32_t>::min(), 1), std::overflow_error);
    EXPECT_EQ(remainingStock(1, 5), -4);
}

TEST(OrderCalc, QuantityRoundsHalvesToEven) {
    struct Case {
        qint64 raw;
        std::int32_t expected;
    };
    const Case cases[] = {{16000, 2}, {25000, 2}, {35000, 4}, {5000, 0}, {15000, 2}, {14999, 1}, {0, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(quantityFromAmount(Currency::fromRaw(c.raw)), c.expected) << c.raw;
    EXPECT_THROW(quantityFromAmount(Currency::fromRaw(21474836479900)), std::overflow_error);
}

TEST(OrderCalc, TotalsCountEveryCategoryInBothModes) {
    auto line = [](qint64 list, qint64 sale, std::int32_t qty, float rate) {
        EntryLine l;
        l.listPrice = units(list);
        l.wholesale = units(list * 8 / 10);
        l.cost = units(list / 2);
        l.salePrice = units(sale);
        l.qty = qty;
        l.taxRate = rate;
        return l;
    };
    std::vector<std::vector<EntryLine>> lines{{line(1000, 1000, 3, 8.0f), line(105, 105, 0, 8.0f)},
                                              {line(1010, 1010, 1, 5.0f), line(500, 450, 2, 10.0f)}};
    for (auto& cat : lines)
        for (auto& l : cat)
            recalcLineTax(l, true);
    OrderTotals t;
    recalcTotals(lines, true, 0.0f, t);
    EXPECT_EQ(t.list, units(3000 + 1010 + 1000));
    EXPECT_EQ(t.wholesale, units(2400 + 808 + 800));
    EXPECT_EQ(t.cost, units(1500 + 505 + 500));
    EXPECT_EQ(t.sale, units(3000 + 1010 + 900));
    EXPECT_EQ(t.tax, units(240 + 51 + 90));
    t.shipping = units(500);
    EXPECT_EQ(grandTotal(t), units(4910 + 381 + 500));

    // Total mode: no line tax, one rounding on the sale total (4,910 x 8 % = 392.8 -> 393).
    for (auto& cat : lines)
        for (auto& l : cat)
            recalcLineTax(l, false);
    recalcTotals(lines, false, 8.0f, t);
    EXPECT_EQ(t.tax, units(393));
    EXPECT_EQ(lines[0][0].lineTax, Currency());
}
