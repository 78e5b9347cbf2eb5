#include "PaymentTestDb.h"

#include "orders/StockStore.h"

#include <gtest/gtest.h>

using orders::StockStore;
using paytest::TestDb;

namespace {

QStringList codes(const std::vector<orders::StockGoods>& goods) {
    QStringList c;
    for (const auto& g : goods)
        c << g.code;
    return c;
}

} // namespace

TEST(StockStore, ShortModeListsGoodsAtOrBelowTheirReorderPoint) {
    TestDb t;
    t.addGoods(1, QStringLiteral("G1"), 20, 20, QStringLiteral("A")); // equal: short
    t.addGoods(2, QStringLiteral("G2"), 21, 20, QStringLiteral("A")); // one above: not short
    t.addGoods(3, QStringLiteral("G3"), -4, 0, QStringLiteral("B"));  // negative: short
    StockStore store(t.state.gDbPath);
    const QString reserved = t.state.gReservedCode[core::kLenGoodsCode];
    EXPECT_EQ(codes(store.listGoods(true, reserved)), QStringList({"G1", "G3"}));
    EXPECT_EQ(codes(store.listGoods(false, reserved)), QStringList({"G1", "G2", "G3"})); // never the seed row
    const auto all = store.listGoods(false, reserved);
    EXPECT_EQ(all[2].stock, -4);
    EXPECT_EQ(all[0].listPrice, db::Currency::fromUnits(1000));
    EXPECT_FLOAT_EQ(all[0].taxRate, 10.0f);
    EXPECT_EQ(all[1].category, QStringLiteral("A"));
}

TEST(StockStore, WritesOnlyByExactCodeAndSkipsVanishedGoods) {
    TestDb t;
    t.addGoods(1, QStringLiteral("G_1"), 5, 0, QStringLiteral("A"));
    t.addGoods(2, QStringLiteral("GX1"), 6, 0, QStringLiteral("A")); // would match G_1 as a pattern
    t.addGoods(3, QStringLiteral("O'Neil"), 7, 0, QStringLiteral("A"));
    StockStore store(t.state.gDbPath);
    const auto r = store.saveCounts({{QStringLiteral("G_1"), 5, 50}, {QStringLiteral("O'Neil"), 7, 70},
                                     {QStringLiteral("GONE"), 1, 99}});
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.vanished, QStringList({"GONE"}));
    EXPECT_TRUE(r.conflicts.empty());
    EXPECT_EQ(t.stockOf(QStringLiteral("G_1")), 50);
    EXPECT_EQ(t.stockOf(QStringLiteral("GX1")), 6);
    EXPECT_EQ(t.stockOf(QStringLiteral("O'Neil")), 70);
}

TEST(StockStore, CountChangedElsewhereIsNotOverwritten) {
    TestDb t;
    t.addGoods(1, QStringLiteral("G1"), 10, 0, QStringLiteral("A"));
    t.addGoods(2, QStringLiteral("G2"), 10, 0, QStringLiteral("A"));
    StockStore store(t.state.gDbPath);
    // An order lowered G1 after the window read 10.
    t.db->execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 7 WHERE 商品コード = 'G1'"));
    const auto r = store.saveCounts({{QStringLiteral("G1"), 10, 30}, {QStringLiteral("G2"), 10, 40}});
    ASSERT_EQ(r.conflicts.size(), 1u);
    EXPECT_EQ(r.conflicts[0].code, QStringLiteral("G1"));
    EXPECT_EQ(r.conflicts[0].stored, 7);
    EXPECT_EQ(t.stockOf(QStringLiteral("G1")), 7);
    EXPECT_EQ(t.stockOf(QStringLiteral("G2")), 40);
}

TEST(StockStore, AnErrorRollsEveryCountBack) {
    TestDb t;
    t.addGoods(1, QStringLiteral("G1"), 10, 0, QStringLiteral("A"));
    t.addGoods(2, QStringLiteral("G2"), 10, 0, QStringLiteral("A"));
    t.db->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 商品マスタ WHEN OLD.商品コード = 'G2' "
                                 "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    StockStore store(t.state.gDbPath);
    EXPECT_THROW(store.saveCounts({{QStringLiteral("G1"), 10, 1}, {QStringLiteral("G2"), 10, 2}}), db::DbError);
    EXPECT_EQ(t.stockOf(QStringLiteral("G1")), 10);
    EXPECT_EQ(t.stockOf(QStringLiteral("G2")), 10);
}
