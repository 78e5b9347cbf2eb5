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
    const char* key; // the row: WHERE key = keyValue
    const char* keyValue;
};

const Row kGoods{"mnuManComm", "商品マスタ", "商品No", "2"}; // G02
const Row kOrder{"mnuManRecG", "受注データ", "受注No", "2"};

// A field of the row as the engine quotes it, so that storage class and bytes show.
QString fieldOf(Program& p, const Row& r, const QString& field) {
    return mainroad::sqlite(
        p.state().gDbPath,
        QStringLiteral("SELECT quote(\"%1\") FROM \"%2\" WHERE \"%3\" = '%4'")
            .arg(field, QString::fromUtf8(r.table), QString::fromUtf8(r.key), QString::fromUtf8(r.keyValue)));
}

masters::MasterWindow* openGrid(Program& p, const Row& r) {
    masters::MasterWindow* w = nullptr;
    if (!p.trigger(QString::fromLatin1(r.item)) ||
        !mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }))
        return nullptr;
    return w;
}

// The cell of the row's field, as the grid shows it now.
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

// Types over the cell's text as a person does; the editor stays open until 更新.
void typeOver(masters::MasterWindow* w, const QModelIndex& at, const QString& text) {
    w->grid()->setCurrentIndex(at);
    w->grid()->edit(at);
    auto* box = qobject_cast<QLineEdit*>(w->grid()->indexWidget(at));
    ASSERT_NE(box, nullptr);
    box->selectAll();
    box->insert(text);
}

void close(Program& p, masters::MasterWindow* w) {
    w->cmdClose_Click();
    mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; });
}

} // namespace

// A value another program wrote that the grid cannot give back as it is (a blob, bytes that are not UTF-8,
// a number where a text or a date belongs) neither blocks an edit of another field nor is rewritten by it,
// and retyping it replaces it.
TEST(EditConflicts, OddStoredValuesNeitherBlockAnEditNorAreRewritten) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    struct Case {
        const Row& row;
        const char* odd; // field and value the sqlite3 tool stores
        const char* oddValue;
        const char* field; // the field typed into, and what the file then holds
        const char* typed;
        const char* stored;
    } cases[] = {
        {kGoods, "商品名", "X'8FA49569'", "在庫量", "7", "7"},
        {kGoods, "商品名", "X'8FA49569'", "商品名", "玄米", "'玄米'"},
        {kGoods, "商品名", "CAST(X'8FA49569' AS TEXT)", "在庫量", "7", "7"},
        {kGoods, "商品名", "CAST(X'8FA49569' AS TEXT)", "商品名", "玄米", "'玄米'"},
        {kGoods, "商品名", "1.5", "在庫量", "7", "7"},
        {kGoods, "商品名", "1.5", "商品名", "玄米", "'玄米'"},
        {kGoods, "商品コード", "X'4730320A'", "在庫量", "7", "7"},
        {kOrder, "受注日付", "45000", "社員コード", "E01", "'E01'"},
        {kOrder, "受注日付", "45000", "受注日付", "2024/6/28", "45471"},
        {kOrder, "顧客コード", "X'00FF43'", "受注日付", "2024/6/28", "45471"},
        {kOrder, "顧客コード", "CAST(X'C3' AS TEXT)", "顧客コード", "C01", "'C01'"},
    };
    for (const Case& c : cases) {
        const QString odd = QString::fromUtf8(c.odd), field = QString::fromUtf8(c.field);
        SCOPED_TRACE(QStringLiteral("%1 = %2, typed into %3").arg(odd, c.oddValue, field).toStdString());
        mainroad::sqlite(p.state().gDbPath,
                         QStringLiteral("UPDATE \"%1\" SET \"%2\" = %3 WHERE \"%4\" = '%5'")
                             .arg(QString::fromUtf8(c.row.table), odd, c.oddValue,
                                  QString::fromUtf8(c.row.key), c.row.keyValue));
        const QString oddBefore = fieldOf(p, c.row, odd);
        masters::MasterWindow* w = openGrid(p, c.row);
        ASSERT_NE(w, nullptr);
        p.messages().clear();
        typeOver(w, cellOf(w, c.row, field), QString::fromUtf8(c.typed));
        w->cmdUpdate_Click();
        EXPECT_EQ(p.messages().texts(), QStringList());
        EXPECT_EQ(fieldOf(p, c.row, field), QString::fromUtf8(c.stored));
        if (odd != field) {
            EXPECT_EQ(fieldOf(p, c.row, odd), oddBefore);
        }
        close(p, w);
    }
}

// Another user's write between the grid's read and 更新: a sale lowering the stock or a payment is kept
// beside the edit of another field; a change to the same field refuses the edit with the row's name and
// shows the row as it now is.
TEST(EditConflicts, OnlyAChangeToTheSameFieldRefusesAnEdit) {
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << p.messages().texts().join('|').toStdString();
    const Row g01{"mnuManComm", "商品マスタ", "商品コード", "G01"};
    const Row order1{"mnuManRecG", "受注データ", "受注No", "1"};
    const auto sell5 = [&] {
        db::Database other(db);
        orders::OrderStore store(other);
        orders::OrderToSave o;
        o.orderNo = store.createPendingOrder(QStringLiteral("C01"), QStringLiteral("E01"), QDate(2024, 7, 1));
        o.clientCode = QStringLiteral("C01");
        o.employeeCode = QStringLiteral("E01");
        o.totals.sale = db::Currency::fromUnits(6000);
        o.date = QDate(2024, 7, 1);
        o.lines.push_back({QStringLiteral("G01"), 5, {}, {}, {}, db::Currency::fromUnits(1200), {}});
        store.saveOrder(o);
    };
    const auto pay = [&](double shown, double day) {
        return [&db, shown, day] { orders::OrderStatusStore(db).setPaidDate(1, day, shown); };
    };
    const auto rename = [&] {
        mainroad::sqlite(
            db, QStringLiteral("UPDATE 商品マスタ SET 商品名 = '他の名前' WHERE 商品コード = 'G01'"));
    };
    const QString stock =
        QStringLiteral("在庫量=%1").arg(fieldOf(p, g01, QStringLiteral("在庫量")).toInt() - 5);
    struct Case {
        const Row& row;
        const char* field;
        const char* typed;
        std::function<void()> meanwhile;
        QStringList expect; // field=quoted value the file then holds
        const char* shown;  // what the cell shows after a refusal; nullptr when the edit is stored
    } cases[] = {
        {g01, "商品名", "抹茶", sell5, {"商品名='抹茶'", stock}, nullptr},
        {order1, "社員コード", "E02", pay(0, 45474), {"社員コード='E02'", "入金日=45474"}, nullptr},
        {g01, "商品名", "煎茶", rename, {"商品名='他の名前'", stock}, "他の名前"},
        {order1, "入金日", "2024/7/5", pay(45474, 45480), {"入金日=45480", "社員コード='E02'"}, "2024/07/07"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        masters::MasterWindow* w = openGrid(p, c.row);
        ASSERT_NE(w, nullptr);
        p.messages().clear();
        const QModelIndex at = cellOf(w, c.row, QString::fromUtf8(c.field));
        typeOver(w, at, QString::fromUtf8(c.typed));
        c.meanwhile();
        w->cmdUpdate_Click();
        for (const QString& e : c.expect) {
            const QString f = e.section(QLatin1Char('='), 0, 0);
            EXPECT_EQ(f + QLatin1Char('=') + fieldOf(p, c.row, f), e);
        }
        if (c.shown) {
            EXPECT_EQ(
                p.messages().texts(),
                QStringList{QStringLiteral("「%1」の行は他で変更されていたため、変更を保存できませんでした。"
                                           "今の内容を表示しました。")
                                .arg(QString::fromUtf8(c.row.keyValue))});
            EXPECT_EQ(cellOf(w, c.row, QString::fromUtf8(c.field)).data().toString(),
                      QString::fromUtf8(c.shown));
        } else {
            EXPECT_EQ(p.messages().texts(), QStringList());
        }
        close(p, w);
    }
}
