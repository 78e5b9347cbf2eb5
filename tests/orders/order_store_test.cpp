#include "OrdersTestDb.h"
#include "orders/OrderStore.h"

#include "db/DbError.h"
#include "db/OleDate.h"

#include <gtest/gtest.h>

using db::Currency;
using namespace orders;

namespace {

Currency units(qint64 u) { return Currency::fromUnits(u); }

// Every row of the five tables as text, to compare a database before and after.
QString snapshot(db::Database& d) {
    QString out;
    for (const char* t : {"商品マスタ", "顧客マスタ", "社員マスタ", "受注データ", "受注個別データ"}) {
        db::Query q = d.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(db::Database::quoteIdent(QString::fromUtf8(t))));
        while (q.next()) {
            for (int i = 0; i < q.columnCount(); ++i)
                out += q.value(i).toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
    }
    return out;
}

void addOrders(db::Database& d, std::initializer_list<int> numbers) {
    for (int no : numbers)
        d.execute(QStringLiteral("INSERT INTO \"受注データ\" VALUES (?, 'C1', 'E1', 0, 0, 0, 10000, 0, 0, 45000, 0, ' ')"),
                  {no});
}

void addLines(db::Database& d, std::initializer_list<int> numbers) {
    for (int no : numbers)
        d.execute(QStringLiteral("INSERT INTO \"受注個別データ\" VALUES (?, 1, 'G1', 1, 0, 0, 0, 0, 0, ' ')"), {no});
}

qint32 stockOf(db::Database& d, const char* code) {
    return qint32(d.scalar(QStringLiteral("SELECT \"在庫量\" FROM \"商品マスタ\" WHERE \"商品コード\" = ?"),
                           {QString::fromUtf8(code)})
                      .toLongLong());
}

struct StoreTest : ::testing::Test {
    testenv::TempFolder tmp;
    core::AppState s;
    std::unique_ptr<db::Database> d;
    int made = 0;
    void SetUp() override {
        d.reset();
        orderstest::makeShopDatabase(s, tmp.path(QStringLiteral("shop%1.vrd").arg(made++)));
        d = std::make_unique<db::Database>(s.gDbPath);
    }

    OrderToSave order(std::int32_t no, std::vector<OrderLineToSave> lines) {
        OrderToSave o;
        o.orderNo = no;
        o.clientCode = QStringLiteral("C2");
        o.employeeCode = QStringLiteral("E2");
        o.date = QDate(2024, 5, 17);
        o.lines = std::move(lines);
        for (const auto& l : o.lines) {
            o.totals.list += l.listPrice * l.qty;
            o.totals.sale += l.salePrice * l.qty;
            o.totals.tax += l.lineTax;
        }
        o.totals.shipping = units(500);
        return o;
    }
    static OrderLineToSave line(const char* code, std::int32_t qty, qint64 price, qint64 tax) {
        return {QString::fromUtf8(code), qty, units(price), units(price * 8 / 10), units(price / 2), units(price),
                units(tax)};
    }
};

} // namespace

TEST_F(StoreTest, NumberingTakesMaxPlusOne) {
    struct Case {
        const char* name;
        std::initializer_list<int> existing;
        int expected;
    };
    const Case cases[] = {
        {"seed row only", {}, 1},
        {"orders 1..5", {1, 2, 3, 4, 5}, 6},
        {"3 deleted: no collision", {1, 2, 4, 5}, 6},
        {"1 deleted", {2, 3}, 4},
        {"the highest deleted", {1, 2, 3, 4}, 5},
    };
    for (const Case& c : cases) {
        SetUp();
        addOrders(*d, c.existing);
        OrderStore store(*d);
        EXPECT_EQ(store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1)), c.expected)
            << c.name;
        EXPECT_EQ(store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1)),
                  c.expected + 1)
            << c.name;
    }
}

TEST_F(StoreTest, LineNumbersFollowTheHighestAfterDeletions) {
    addLines(*d, {1, 2, 4, 7}); // lines of order 1, whose order row is gone
    OrderStore store(*d);
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    EXPECT_EQ(no, 2); // not 1: the left-behind lines still carry it
    store.saveOrder(order(no, {line("G1", 2, 1000, 160), line("G4", 1, 200, 20)}));
    db::Query q = d->query(QStringLiteral("SELECT \"個別No\" FROM \"受注個別データ\" WHERE \"受注No\" = ? ORDER BY 1"), {no});
    QList<qint64> got;
    while (q.next())
        got << q.toInt64(0);
    EXPECT_EQ(got, (QList<qint64>{8, 9}));
}

TEST_F(StoreTest, PendingRowHoldsZeroAmountsAndGoesAgain) {
    OrderStore store(*d);
    const QString before = snapshot(*d);
    const int no = store.createPendingOrder(QStringLiteral("XXXXXXXXXX"), QStringLiteral("XXXXXXXXXX"), QDate(2024, 5, 1));
    db::Query q = d->query(QStringLiteral("SELECT \"販売金額\", \"送料\", \"入金日\", \"キャンセル\", \"受注日付\" "
                                          "FROM \"受注データ\" WHERE \"受注No\" = ?"),
                           {no});
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.toInt64(0), 0);
    EXPECT_EQ(q.toInt64(1), 0);
    EXPECT_FALSE(q.isNull(2)); // the date 0, not Null
    EXPECT_EQ(q.toDouble(2), 0.0);
    EXPECT_EQ(q.toText(3), QStringLiteral(" "));
    EXPECT_EQ(q.toDouble(4), db::toOleDate(QDate(2024, 5, 1)));
    EXPECT_TRUE(store.deletePendingOrder(no));
    EXPECT_EQ(snapshot(*d), before);
    EXPECT_FALSE(store.deletePendingOrder(no)); // gone already: nothing happens
}

TEST_F(StoreTest, DeletingNeverTakesACommittedOrderOrTheSeedRow) {
    addOrders(*d, {1});
    OrderStore store(*d);
    EXPECT_FALSE(store.deletePendingOrder(1));
    EXPECT_FALSE(store.deletePendingOrder(0));
    EXPECT_EQ(d->scalar(QStringLiteral("SELECT COUNT(*) FROM \"受注データ\"")).toInt(), 2);
    // A window's row left behind and removed by another, whose own window then took the same number: the
    // first window's removal, and its save, leave the other's row alone.
    const QDateTime taken(QDate(2024, 5, 1), QTime(9, 30, 0, 125));
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), taken);
    EXPECT_FALSE(store.deletePendingOrder(no, db::toOleDate(taken.addMSecs(1))));
    OrderToSave other = order(no, {line("G1", 1, 1000, 80)});
    other.pendingSince = db::toOleDate(taken.addMSecs(1));
    EXPECT_THROW(store.saveOrder(other), orders::OrderSaveError);
    EXPECT_TRUE(store.deletePendingOrder(no, db::toOleDate(taken)));
}

TEST_F(StoreTest, SaveWritesLinesStockAndOrderRow) {
    OrderStore store(*d);
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    OrderToSave o = order(no, {line("G1", 2, 1000, 160), line("G3", 0, 1010, 0), line("G2", 5, 105, 42)});
    store.saveOrder(o);

    db::Query q = d->query(QStringLiteral("SELECT \"個別No\", \"受注No\", \"商品コード\", \"個数\", \"個別定価\", \"個別仕切値\", "
                                          "\"個別原価\", \"個別販売価格\", \"個別消費税\", \"キャンセル\" "
                                          "FROM \"受注個別データ\" WHERE \"個別No\" > 0 ORDER BY 1"));
    QStringList rows;
    while (q.next()) {
        QStringList r;
        for (int i = 0; i < 10; ++i)
            r << q.value(i).toString();
        rows << r.join(QLatin1Char(','));
    }
    EXPECT_EQ(rows, (QStringList{QStringLiteral("1,1,G1,2,10000000,8000000,5000000,10000000,1600000, "),
                                 QStringLiteral("2,1,G2,5,1050000,840000,520000,1050000,420000, ")}));
    EXPECT_EQ(stockOf(*d, "G1"), 8);
    EXPECT_EQ(stockOf(*d, "G2"), -4); // stock may go below zero
    EXPECT_EQ(stockOf(*d, "G3"), 3);

    db::Query q2 = d->query(QStringLiteral("SELECT \"顧客コード\", \"社員コード\", \"定価金額\", \"販売金額\", \"消費税額\", \"送料\", "
                                "\"受注日付\", \"入金日\", \"キャンセル\" FROM \"受注データ\" WHERE \"受注No\" = ?"),
                 {no});
    ASSERT_TRUE(q2.next());
    EXPECT_EQ(q2.toText(0), QStringLiteral("C2"));
    EXPECT_EQ(q2.toText(1), QStringLiteral("E2"));
    EXPECT_EQ(q2.toCurrency(2), units(2525));
    EXPECT_EQ(q2.toCurrency(3), units(2525));
    EXPECT_EQ(q2.toCurrency(4), units(202));
    EXPECT_EQ(q2.toCurrency(5), units(500));
    EXPECT_EQ(q2.toDouble(6), db::toOleDate(QDate(2024, 5, 17)));
    EXPECT_EQ(q2.toDouble(7), 0.0);
    EXPECT_EQ(q2.toText(8), QStringLiteral(" "));
}

TEST_F(StoreTest, StockIsLoweredOnTheExactCodeOnly) {
    orderstest::addGoods(*d, 10, {"A_", "記号入り", 100, 80, 50, 8.0f, 10, "文具"});
    orderstest::addGoods(*d, 11, {"AB", "似た商品", 100, 80, 50, 8.0f, 10, "文具"});
    orderstest::addGoods(*d, 12, {"A%", "百分率", 100, 80, 50, 8.0f, 10, "文具"});
    OrderStore store(*d);
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    store.saveOrder(order(no, {line("A_", 3, 100, 0), line("A%", 1, 100, 0)}));
    EXPECT_EQ(stockOf(*d, "A_"), 7);
    EXPECT_EQ(stockOf(*d, "A%"), 9);
    EXPECT_EQ(stockOf(*d, "AB"), 10);
}

TEST_F(StoreTest, AnyFailureLeavesTheDatabaseAsBefore) {
    OrderStore store(*d);
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    const OrderToSave o = order(no, {line("G1", 2, 1000, 160), line("G2", 1, 105, 8), line("G4", 4, 200, 80)});
    struct Case {
        const char* name;
        const char* trigger; // made to fail one write
    };
    const Case cases[] = {
        {"first line", "BEFORE INSERT ON \"受注個別データ\" WHEN NEW.\"商品コード\" = 'G1'"},
        {"second line", "BEFORE INSERT ON \"受注個別データ\" WHEN NEW.\"商品コード\" = 'G2'"},
        {"last line", "BEFORE INSERT ON \"受注個別データ\" WHEN NEW.\"商品コード\" = 'G4'"},
        {"first stock", "BEFORE UPDATE ON \"商品マスタ\" WHEN NEW.\"商品コード\" = 'G1'"},
        {"last stock", "BEFORE UPDATE ON \"商品マスタ\" WHEN NEW.\"商品コード\" = 'G4'"},
        {"order row", "BEFORE UPDATE ON \"受注データ\""},
    };
    const QString before = snapshot(*d);
    for (const Case& c : cases) {
        d->execute(QStringLiteral("CREATE TRIGGER fail %1 BEGIN SELECT RAISE(ABORT, 'injected'); END")
                       .arg(QString::fromUtf8(c.trigger)));
        EXPECT_THROW(store.saveOrder(o), db::DbError) << c.name;
        EXPECT_FALSE(d->inTransaction()) << c.name;
        d->execute(QStringLiteral("DROP TRIGGER fail"));
        EXPECT_EQ(snapshot(*d), before) << c.name;
    }
    // Afterwards the same order still saves.
    store.saveOrder(o);
    EXPECT_EQ(stockOf(*d, "G4"), 96);
}

TEST_F(StoreTest, StockBeyondTheLongRangeIsRefusedWhole) {
    OrderStore store(*d);
    d->execute(QStringLiteral("UPDATE \"商品マスタ\" SET \"在庫量\" = -2147483647 WHERE \"商品コード\" = 'G4'"));
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    const QString before = snapshot(*d);
    EXPECT_THROW(store.saveOrder(order(no, {line("G1", 1, 1000, 80), line("G4", 5, 200, 100)})), db::DbError);
    EXPECT_EQ(snapshot(*d), before);
}

TEST_F(StoreTest, MissingGoodsOrPendingRowRollsBackAndSaysWhich) {
    OrderStore store(*d);
    const int no = store.createPendingOrder(QStringLiteral("C1"), QStringLiteral("E1"), QDate(2024, 5, 1));
    d->execute(QStringLiteral("DELETE FROM \"商品マスタ\" WHERE \"商品コード\" = 'G2'"));
    QString before = snapshot(*d);
    try {
        store.saveOrder(order(no, {line("G1", 1, 1000, 80), line("G2", 1, 105, 8)}));
        ADD_FAILURE() << "saved without its goods";
    } catch (const OrderSaveError& e) {
        EXPECT_EQ(e.kind(), OrderSaveError::GoodsGone);
        EXPECT_EQ(e.subject(), QStringLiteral("G2"));
    }
    EXPECT_EQ(snapshot(*d), before);

    // The pending row deleted elsewhere and its number taken by another order: that order stays untouched.
    d->execute(QStringLiteral("DELETE FROM \"受注データ\" WHERE \"受注No\" = ?"), {no});
    addOrders(*d, {no});
    before = snapshot(*d);
    try {
        store.saveOrder(order(no, {line("G1", 1, 1000, 80)}));
        ADD_FAILURE() << "overwrote another order";
    } catch (const OrderSaveError& e) {
        EXPECT_EQ(e.kind(), OrderSaveError::PendingOrderGone);
    }
    EXPECT_EQ(snapshot(*d), before);
}

TEST_F(StoreTest, LoadsGoodsWithoutTheSeedAndPartiesWithIt) {
    OrderStore store(*d);
    const auto goods = store.loadGoods(s.gReservedCode[core::kLenGoodsCode]);
    ASSERT_EQ(goods.size(), 5u);
    EXPECT_EQ(goods[0].code, QStringLiteral("G1"));
    EXPECT_EQ(goods[0].salePrice, units(1000));
    EXPECT_EQ(goods[2].name, QStringLiteral("O'Neil ペン"));
    EXPECT_EQ(goods[2].taxRate, 5.0f);
    EXPECT_EQ(goods[3].category, QStringLiteral("紙"));
    const auto clients = store.loadClients();
    ASSERT_EQ(clients.size(), 3u);
    EXPECT_EQ(clients[0].code, s.gReservedCode[core::kLenClientCode]);
    EXPECT_EQ(clients[2].name, QStringLiteral("O'Brien 商会"));
    EXPECT_EQ(store.loadEmployees().size(), 3u);
}
