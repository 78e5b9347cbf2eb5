// Edits in the master and order grids of the real main window beside values another program stored oddly
// and beside other users' writes: only a change to the same field of the same row is refused.
#include "support/MainRoad.h"

#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/OrderStatusStore.h"
#include "orders/OrderStore.h"

#include <QLineEdit>
#include <QTableView>
#include <gtest/gtest.h>

using mainroad::Program;

namespace {

struct Row {
    const char* item; // the window's menu item
    const char* table;
    const char* key; // WHERE key = keyValue
    const char* keyValue;
};

// A field of the row as the engine quotes it, so that storage class and bytes show.
QString fieldOf(Program& p, const Row& r, const QString& field) {
    return mainroad::sqlite(p.state().gDbPath,
                            QStringLiteral("SELECT quote(\"%1\") FROM \"%2\" WHERE \"%3\" = '%4'")
                                .arg(field, r.table, r.key, r.keyValue));
}

QModelIndex cellOf(masters::MasterWindow* w, const Row& r, const QString& field) {
    masters::MasterTableModel* m = w->model();
    int keyCol = -1, col = -1;
    for (int c = 0; c < m->columnCount(); ++c) {
        const QString head = m->headerData(c, Qt::Horizontal).toString();
        keyCol = head == QString::fromUtf8(r.key) ? c : keyCol;
        col = head == field ? c : col;
    }
    for (int row = 0; row < m->recordCount(); ++row)
        if (m->index(row, keyCol).data().toString() == QString::fromUtf8(r.keyValue))
            return m->index(row, col);
    return {};
}

} // namespace

// A value another program stored that the grid cannot give back as it is (a blob, bytes that are not UTF-8,
// a number where a text or a date belongs) neither blocks an edit of another field nor is rewritten by it,
// and retyping it replaces it. Another user's write between the grid's read and 更新 (a sale, a payment)
// is kept beside an edit of another field; one to the same field refuses the edit by the row's name and
// shows the row as it now is.
TEST(EditConflicts, OnlyAChangeToTheSameFieldRefusesAnEdit) {
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    const Row g02{"mnuManComm", "商品マスタ", "商品No", "2"},
        g01{"mnuManComm", "商品マスタ", "商品コード", "G01"};
    const Row order2{"mnuManRecG", "受注データ", "受注No", "2"},
        order1{"mnuManRecG", "受注データ", "受注No", "1"};
    const auto sql = [&](const QString& s) { return [&db, s] { mainroad::sqlite(db, s); }; };
    const auto sell5 = [&] {
        db::Database other(db);
        orders::OrderStore store(other);
        orders::OrderToSave o{0, QStringLiteral("C01"), QStringLiteral("E01"), {}, QDate(2024, 7, 1), {}, {}};
        o.orderNo = store.createPendingOrder(o.clientCode, o.employeeCode, o.date);
        o.totals.sale = db::Currency::fromUnits(6000);
        o.lines.push_back({QStringLiteral("G01"), 5, {}, {}, {}, db::Currency::fromUnits(1200), {}});
        store.saveOrder(o);
    };
    const auto pay = [&](double shown, double day) {
        return [&db, shown, day] { orders::OrderStatusStore(db).setPaidDate(1, day, shown); };
    };
    const QString stock =
        QStringLiteral("在庫量=%1").arg(fieldOf(p, g01, QStringLiteral("在庫量")).toInt() - 5);
    const QString blob = "X'8FA49569'", bytes = "CAST(X'8FA49569' AS TEXT)";
    const QString bytesQuoted = mainroad::sqlite(db, "SELECT quote(" + bytes + ")");
    struct Case {
        const Row& row;
        QString before; // stored by the sqlite3 tool before the window opens: field = value
        const char* field;
        const char* typed;
        std::function<void()> meanwhile;
        QStringList expect; // field=quoted value the file holds afterwards
        const char* refusedShows = nullptr;
    } cases[] = {
        {g02, "商品名 = " + blob, "在庫量", "7", {}, {"在庫量=7", "商品名=" + blob}},
        {g02, "商品名 = " + blob, "商品名", "玄米", {}, {"商品名='玄米'"}},
        {g02, "商品名 = " + bytes, "在庫量", "8", {}, {"在庫量=8", "商品名=" + bytesQuoted}},
        {g02, "商品名 = " + bytes, "商品名", "玄米", {}, {"商品名='玄米'"}},
        {g02, "商品名 = 1.5", "在庫量", "9", {}, {"在庫量=9", "商品名='1.5'"}},
        {g02, "商品コード = X'4730320A'", "在庫量", "7", {}, {"在庫量=7", "商品コード=X'4730320A'"}},
        {order2, "受注日付 = 45000", "社員コード", "E01", {}, {"社員コード='E01'", "受注日付=45000"}},
        {order2, "受注日付 = 45000", "受注日付", "2024/6/28", {}, {"受注日付=45471"}},
        {order2,
         "顧客コード = X'00FF43'",
         "受注日付",
         "2024/6/29",
         {},
         {"受注日付=45472", "顧客コード=X'00FF43'"}},
        {order2, "顧客コード = CAST(X'C3' AS TEXT)", "顧客コード", "C01", {}, {"顧客コード='C01'"}},
        {g01, {}, "商品名", "抹茶", sell5, {"商品名='抹茶'", stock}},
        {order1, {}, "社員コード", "E02", pay(0, 45474), {"社員コード='E02'", "入金日=45474"}},
        {g01,
         {},
         "商品名",
         "煎茶",
         sql("UPDATE 商品マスタ SET 商品名 = '他' WHERE 商品コード = 'G01'"),
         {"商品名='他'", stock},
         "他"},
        {order1,
         {},
         "入金日",
         "2024/7/5",
         pay(45474, 45480),
         {"入金日=45480", "社員コード='E02'"},
         "2024/07/07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.before + " / " + c.field).toStdString());
        if (!c.before.isEmpty())
            mainroad::sqlite(db, QStringLiteral("UPDATE \"%1\" SET %2 WHERE \"%3\" = '%4'")
                                     .arg(c.row.table, c.before, c.row.key, c.row.keyValue));
        ASSERT_TRUE(p.trigger(QString::fromLatin1(c.row.item)));
        masters::MasterWindow* w = nullptr;
        ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
        p.messages().clear();
        const QModelIndex at = cellOf(w, c.row, QString::fromUtf8(c.field));
        ASSERT_TRUE(mainroad::pasteIntoCell(w->grid(), at, QString::fromUtf8(c.typed)));
        if (c.meanwhile) c.meanwhile();
        w->cmdUpdate_Click();
        for (const QString& e : c.expect) {
            const QString f = e.section(QLatin1Char('='), 0, 0);
            EXPECT_EQ(f + QLatin1Char('=') + fieldOf(p, c.row, f), e);
        }
        const QString refusal =
            QStringLiteral("「%1」の行は他で変更されていたため、変更を保存できませんでした。"
                           "今の内容を表示しました。")
                .arg(c.row.keyValue);
        EXPECT_EQ(p.messages().texts(), c.refusedShows ? QStringList{refusal} : QStringList());
        if (c.refusedShows) {
            EXPECT_EQ(cellOf(w, c.row, QString::fromUtf8(c.field)).data().toString(),
                      QString::fromUtf8(c.refusedShows));
        }
        w->cmdClose_Click();
        ASSERT_TRUE(mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }));
    }
}
