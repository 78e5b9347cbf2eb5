// Order arithmetic: line tax, order tax, totals and remaining stock. Money is exact Currency throughout;
// the tax steps go through a double on purpose, exactly as the amounts have always been computed, so
// old and new orders agree to the unit. Every function throws std::overflow_error beyond the types.
#pragma once

#include "db/Currency.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace orders {

// One goods line of the order entry window.
struct EntryLine {
    std::int32_t goodsNo = 0;
    QString code;
    QString name;
    db::Currency listPrice; // 定価
    db::Currency wholesale; // 仕切値
    db::Currency cost;      // 原価
    db::Currency salePrice; // 販売価格, starts at the list price
    std::int32_t qty = 0;
    float taxRate = 0.0f; // percent
    db::Currency lineTax;
    std::int32_t stock = 0;
    std::int32_t reorderPoint = 0;
    QString category; // 商品カテゴリ
};

struct OrderTotals {
    db::Currency list;
    db::Currency wholesale;
    db::Currency cost;
    db::Currency sale;
    db::Currency tax;
    db::Currency shipping;
    db::Currency grand;
};

// Per-line mode: (price x qty) x rate / 100 + 0.5 in double, to Currency, then its whole part.
db::Currency lineTaxPerLine(db::Currency salePrice, std::int32_t qty, float ratePercent);
// Total mode: the whole part of sale total x rate / 100 + 0.5 in double, then to Currency.
db::Currency orderTaxOnTotal(db::Currency saleTotal, float ratePercent);

// Stock left after the quantity being entered (a 32-bit difference; may be negative).
std::int32_t remainingStock(std::int32_t stock, std::int32_t qty);

// A typed amount as a quantity: whole number, halves to the even neighbour.
std::int32_t quantityFromAmount(db::Currency amount);

// Recomputes the tax of one changed line (0 in total mode).
void recalcLineTax(EntryLine& line, bool taxPerLine);

// The four price totals over every line of every category, and the order tax; shipping and the grand
// total are left alone.
void recalcTotals(const std::vector<std::vector<EntryLine>>& lines, bool taxPerLine, float taxRate,
                  OrderTotals& t);

// sale + tax + shipping.
db::Currency grandTotal(const OrderTotals& t);

} // namespace orders
