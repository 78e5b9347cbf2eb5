#include "PaymentTestDb.h"

#include "db/Batches.h"
#include "db/Transaction.h"
#include "orders/OrderStatusStore.h"

#include <algorithm>

#include <gtest/gtest.h>

using orders::OrderStatusStore;
using paytest::TestDb;

namespace {

std::vector<qint32> numbers(const std::vector<orders::OrderListRow>& rows) {
    std::vector<qint32> n;
    for (const auto& r : rows)
        n.push_back(r.orderNo);
    return n;
}

// Orders that cover every filter rule, in table order.
void addFilterOrders(TestDb& t) {
    const double paidDay = db::toOleDate(QDate(2024, 6, 1));
    t.addOrder(1, 1000, 0);                                // unpaid
    t.addOrder(2, 2000, 500, paidDay);                     // paid
    t.addOrder(3, 0, 0);                                   // pending row of an open order entry
    t.addOrder(4, 0, 500);                                 // shipping only
    t.addOrder(5, 3000, 0, QVariant(), QVariant());        // blank payment date and mark
    t.addOrder(6, 4000, 0, 0.0, QStringLiteral("X"));      // cancelled, unpaid
    t.addOrder(7, -100, 50);                               // not above 0 in total
}

} // namespace

TEST(OrderStatusStore, ListFiltersPerMode) {
    struct Case {
        bool unpaidOnly;
        std::vector<qint32> expected;
    };
    for (const Case& c : {Case{true, {1, 4, 5, 6}}, Case{false, {1, 2, 4, 5, 6}}}) {
        TestDb t;
        addFilterOrders(t);
        OrderStatusStore store(t.state.gDbPath);
        EXPECT_EQ(numbers(store.listOrders(c.unpaidOnly)), c.expected) << "unpaidOnly=" << c.unpaidOnly;
    }
    // Read in batches, the list still holds every order once, by number: two batches and one more row, the
    // later rows with lower numbers.
    TestDb t;
    db::Transaction tx(*t.db);
    for (int i = 1; i <= 2 * db::kRowsPerBatch + 1; ++i)
        t.addOrder(i == 1 ? 0x7fffffff : 2 * db::kRowsPerBatch + 2 - i, 1000, 0);
    tx.commit();
    const std::vector<qint32> listed = numbers(OrderStatusStore(t.state.gDbPath).listOrders(false));
    ASSERT_EQ(listed.size(), size_t(2 * db::kRowsPerBatch + 1));
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()) && listed.front() == 1 &&
                listed.back() == 0x7fffffff);
}

TEST(OrderStatusStore, BlankPaymentDateAndMarkReadAsUnpaidAndActive) {
    TestDb t;
    addFilterOrders(t);
    OrderStatusStore store(t.state.gDbPath);
    const auto rows = store.listOrders(false);
    const auto& blank = rows[3];
    ASSERT_EQ(blank.orderNo, 5);
    EXPECT_EQ(blank.paidDate, 0.0);
    EXPECT_EQ(blank.cancelMark, QStringLiteral(" "));
    EXPECT_EQ(rows[1].paidDate, db::toOleDate(QDate(2024, 6, 1)));
    EXPECT_EQ(rows[4].cancelMark, QStringLiteral("X"));
    EXPECT_EQ(rows[0].sales, db::Currency::fromUnits(1000));
    EXPECT_EQ(rows[1].shipping, db::Currency::fromUnits(500));
}

TEST(OrderStatusStore, NamesFromTheMastersOrTheCode) {
    TestDb t;
    t.addOrder(1, 1000, 0, 0.0, QStringLiteral(" "), QStringLiteral("C1"), QStringLiteral("E1"));
    t.addOrder(2, 1000, 0, 0.0, QStringLiteral(" "), QStringLiteral("C9"), QStringLiteral("E9"));
    OrderStatusStore store(t.state.gDbPath);
    const auto rows = store.listOrders(false);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].clientName, QStringLiteral("山田商店"));
    EXPECT_EQ(rows[0].employeeName, QStringLiteral("佐藤太郎"));
    EXPECT_EQ(rows[1].clientName, QStringLiteral("Code=C9"));
    EXPECT_EQ(rows[1].employeeName, QStringLiteral("Code=E9"));
}

TEST(OrderStatusStore, PaymentDateSetAndClearedOnThatOrderOnly) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    t.addOrder(2, 1000, 0);
    OrderStatusStore store(t.state.gDbPath);
    const double day = db::toOleDate(QDate(2024, 7, 3));
    EXPECT_TRUE(store.setPaidDate(2, day, 0));
    EXPECT_EQ(t.orderField(2, QStringLiteral("入金日")).toDouble(), day);
    EXPECT_EQ(t.orderField(1, QStringLiteral("入金日")).toDouble(), 0.0);
    EXPECT_TRUE(store.setPaidDate(2, 0, day));
    EXPECT_EQ(t.orderField(2, QStringLiteral("入金日")).toDouble(), 0.0);
}

TEST(OrderStatusStore, PaymentForAVanishedOrderWritesNothing) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    OrderStatusStore store(t.state.gDbPath);
    EXPECT_THROW(store.setPaidDate(42, db::toOleDate(QDate(2024, 7, 3)), 0), orders::OrderNotFound);
    EXPECT_EQ(t.orderField(1, QStringLiteral("入金日")).toDouble(), 0.0);
    EXPECT_EQ(t.orderField(0, QStringLiteral("入金日")), QVariant()); // the seed row keeps its blank
}

TEST(OrderStatusStore, CancelAndRestoreTheOrderWithAllItsLines) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    t.addOrder(2, 1000, 0);
    t.addLine(1, 1);
    t.addLine(2, 1, QStringLiteral("X")); // a line already marked while its order was not
    t.addLine(3, 1);
    t.addLine(4, 2);
    OrderStatusStore store(t.state.gDbPath);

    EXPECT_EQ(store.toggleCancel(1, QStringLiteral(" ")).mark, QStringLiteral("X"));
    EXPECT_EQ(t.orderField(1, QStringLiteral("キャンセル")).toString(), QStringLiteral("X"));
    EXPECT_EQ(t.lineMarks(1), QStringList({"X", "X", "X"}));
    EXPECT_EQ(t.lineMarks(2), QStringList({" "}));
    EXPECT_EQ(t.orderField(2, QStringLiteral("キャンセル")).toString(), QStringLiteral(" "));

    EXPECT_EQ(store.toggleCancel(1, QStringLiteral("X")).mark, QStringLiteral(" "));
    EXPECT_EQ(t.orderField(1, QStringLiteral("キャンセル")).toString(), QStringLiteral(" "));
    EXPECT_EQ(t.lineMarks(1), QStringList({" ", " ", " "}));
    EXPECT_EQ(t.orderField(1, QStringLiteral("入金日")).toDouble(), 0.0);
}

TEST(OrderStatusStore, ToggleWritesOnlyWhileTheTableHoldsTheShownMark) {
    struct Case {
        QVariant stored; // changed by another program after the list was read
        QString shown;
        bool written;
        QString after; // order row and every line
    };
    const Case cases[] = {
        {QStringLiteral(" "), QStringLiteral(" "), true, QStringLiteral("X")},
        {QVariant(), QStringLiteral(" "), true, QStringLiteral("X")}, // a blank mark is not cancelled
        {QStringLiteral("X"), QStringLiteral("X"), true, QStringLiteral(" ")},
        {QStringLiteral("X"), QStringLiteral(" "), false, QStringLiteral("X")}, // cancelled elsewhere
        {QStringLiteral(" "), QStringLiteral("X"), false, QStringLiteral(" ")}, // restored elsewhere
    };
    for (const Case& c : cases) {
        TestDb t;
        t.addOrder(1, 1000, 0, 0.0, QStringLiteral(" "));
        t.addLine(1, 1);
        t.addLine(2, 1);
        OrderStatusStore store(t.state.gDbPath);
        (void)store.listOrders(false);
        t.db->execute(QStringLiteral("UPDATE 受注データ SET キャンセル = ? WHERE 受注No = 1"), {c.stored});
        // Lines that must change hold the other mark first; lines that must not hold the final one.
        const QString linesBefore = !c.written ? c.after : c.after == QStringLiteral("X") ? QStringLiteral(" ") : QStringLiteral("X");
        t.db->execute(QStringLiteral("UPDATE 受注個別データ SET キャンセル = ? WHERE 受注No = 1"), {linesBefore});
        const orders::CancelToggle r = store.toggleCancel(1, c.shown);
        const std::string label = c.stored.toString().toStdString() + "/" + c.shown.toStdString();
        EXPECT_EQ(r.written, c.written) << label;
        EXPECT_EQ(r.mark, c.after) << label;
        EXPECT_EQ(t.orderField(1, QStringLiteral("キャンセル")).toString(), c.after) << label;
        EXPECT_EQ(t.lineMarks(1), QStringList({c.after, c.after})) << label;
    }
}

TEST(OrderStatusStore, OrderWithoutLinesAndVanishedOrder) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    OrderStatusStore store(t.state.gDbPath);
    EXPECT_EQ(store.toggleCancel(1, QStringLiteral(" ")).mark, QStringLiteral("X"));
    EXPECT_THROW(store.toggleCancel(7, QStringLiteral(" ")), orders::OrderNotFound);
    EXPECT_EQ(t.lineMarks(0), QStringList({" "})); // the seed line is never touched
}

TEST(OrderStatusStore, FailureOnALineRollsTheWholeToggleBack) {
    TestDb t;
    t.addOrder(1, 1000, 0);
    t.addLine(1, 1);
    t.addLine(2, 1);
    t.addLine(3, 1);
    // The third line refuses the write, as a row locked by another program would.
    t.db->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 受注個別データ WHEN OLD.個別No = 3 "
                                 "BEGIN SELECT RAISE(ABORT, 'injected'); END"));
    OrderStatusStore store(t.state.gDbPath);
    EXPECT_THROW(store.toggleCancel(1, QStringLiteral(" ")), db::DbError);
    EXPECT_EQ(t.orderField(1, QStringLiteral("キャンセル")).toString(), QStringLiteral(" "));
    EXPECT_EQ(t.lineMarks(1), QStringList({" ", " ", " "}));
    EXPECT_FALSE(store.database().inTransaction());
}
