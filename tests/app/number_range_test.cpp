// Order and line numbers at the top of their range, typed into the order grids and counted by the order
// window of the real main window: a number never wraps below zero, and what cannot be numbered is refused.
#include "support/MainRoad.h"

#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/GetOrderWindow.h"

#include <QLineEdit>
#include <QTableView>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;

namespace {

const QString kOrderUsedUp = QStringLiteral("受注No.の番号を使い切りました（上限は2147483647です）。");
const QString kLineUsedUp = QStringLiteral("個別No.の番号を使い切りました（上限は2147483647です）。");

// No order or line numbered 0 or below but the reserved rows.
int rowsBelowOne(Program& p) {
    return p.scalar(QStringLiteral("SELECT (SELECT count(*) FROM 受注データ WHERE 受注No <= 0) + "
                                   "(SELECT count(*) FROM 受注個別データ WHERE 個別No <= 0 OR 受注No < 0)"))
               .toInt() -
           2;
}

} // namespace

// Typed into a number column: beyond a Long refused everywhere, and below 1 refused for order and line
// numbers; the refusal is the grid's own (its message, the file unchanged).
TEST(NumberRange, TypedNumbersOutsideTheirRangeAreRefused) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    struct Case {
        const char* item;
        const char* table;
        const char* field;
        const char* typed;
        bool taken;
    } cases[] = {
        {"mnuManRecG", "受注データ", "受注No", "2147483648", false},
        {"mnuManRecG", "受注データ", "受注No", "0", false},
        {"mnuManRecG", "受注データ", "受注No", "-1", false},
        {"mnuManRecG", "受注データ", "受注No", "2147483647", true},
        {"mnuManRecD", "受注個別データ", "個別No", "-2147483648", false},
        {"mnuManRecD", "受注個別データ", "受注No", "0", false},
        {"mnuManRecD", "受注個別データ", "個別No", "2147483647", true},
        {"mnuManComm", "商品マスタ", "在庫量", "2147483648", false},
        {"mnuManComm", "商品マスタ", "在庫量", "-2147483649", false},
        {"mnuManComm", "商品マスタ", "在庫量", "-2147483648", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1.%2 <- %3").arg(c.table, c.field, c.typed).toStdString());
        ASSERT_TRUE(p.trigger(QString::fromLatin1(c.item)));
        masters::MasterWindow* w = nullptr;
        ASSERT_TRUE(mainroad::waitFor([&] { return (w = p.work<masters::MasterWindow>()) && w->model(); }));
        masters::MasterTableModel* m = w->model();
        int col = 0;
        while (col < m->columnCount() &&
               m->headerData(col, Qt::Horizontal).toString() != QString::fromUtf8(c.field))
            ++col;
        const QModelIndex at = m->index(m->recordCount() - 1, col); // the last row: an order, a line, G12
        const QString field = QString::fromUtf8(c.field), table = QString::fromUtf8(c.table);
        const auto stored = [&] {
            return p
                .scalar(QStringLiteral(
                            "SELECT group_concat(\"%1\") FROM (SELECT \"%1\" FROM \"%2\" ORDER BY rowid)")
                            .arg(field, table))
                .toString();
        };
        const QString before = stored();
        p.messages().clear();
        ASSERT_TRUE(mainroad::pasteIntoCell(w->grid(), at, QString::fromUtf8(c.typed)));
        w->cmdUpdate_Click();
        EXPECT_EQ(p.messages().shown().empty(), c.taken) << joined(p).toStdString();
        if (c.taken) {
            EXPECT_EQ(m->index(at.row(), col).data().toString(), QString::fromUtf8(c.typed));
            EXPECT_TRUE(stored().endsWith(QString::fromUtf8(c.typed))) << stored().toStdString();
        } else {
            EXPECT_EQ(stored(), before);
        }
        w->cmdClose_Click();
        ASSERT_TRUE(mainroad::waitFor([&] { return p.work<masters::MasterWindow>() == nullptr; }));
    }
}

// Counted by the order window from the largest number in the file: the last number is given out, the next
// is refused plainly with nothing stored, and no row is ever left with a number of 0 or below.
TEST(NumberRange, TheOrderWindowStopsAtTheLastNumber) {
    // A row the sqlite3 tool adds, copied from the reserved one with its number (and a sale for an order).
    const auto order = [](const char* no) {
        return QStringLiteral(
                   "INSERT INTO 受注データ SELECT %1, 顧客コード, 社員コード, 定価金額, 仕切値, 原価, 1, "
                   "消費税額, 送料, 受注日付, 入金日, キャンセル FROM 受注データ WHERE 受注No = 0")
            .arg(no);
    };
    const auto line = [](const char* no) {
        return QStringLiteral(
                   "INSERT INTO 受注個別データ SELECT %1, 0, 商品コード, 個数, 個別定価, 個別仕切値, "
                   "個別原価, 個別販売価格, 個別消費税, キャンセル FROM 受注個別データ WHERE 個別No = 0")
            .arg(no);
    };
    struct Case {
        QString largest;
        int lines;         // goods in the order keyed in (0: the window cannot open)
        qint64 savedOrder; // 0 when nothing is stored
        qint64 lastLine;   // the largest line number afterwards
        QString message;
    } cases[] = {
        {order("2147483646"), 1, 2147483647, 1, kOrderUsedUp},
        {order("2147483647"), 0, 0, 0, kOrderUsedUp},
        {line("2147483646"), 1, 1, 2147483647, QString()},
        {line("2147483646"), 2, 0, 2147483646, kLineUsedUp},
        {line("2147483647"), 1, 0, 2147483647, kLineUsedUp},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.largest.left(40).toStdString() + " " + std::to_string(c.lines));
        Program p;
        const QString db = p.openShop();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        mainroad::sqlite(db, c.largest);
        const QString stock =
            p.scalar(QStringLiteral("SELECT group_concat(在庫量) FROM 商品マスタ")).toString();
        const int orders = p.scalar(QStringLiteral("SELECT count(*) FROM 受注データ")).toInt();
        if (c.lines == 0) {
            p.trigger(QStringLiteral("mnuOrder"));
            ASSERT_TRUE(mainroad::waitFor([&] { return !p.messages().shown().empty(); }));
            ASSERT_TRUE(mainroad::waitFor([&] { return p.work<orders::GetOrderWindow>() == nullptr; }));
        } else {
            std::vector<Program::OrderLine> lines;
            for (int i = 1; i <= c.lines; ++i)
                lines.push_back({i, 1});
            p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), lines);
        }
        EXPECT_EQ(joined(p).contains(c.message), true) << joined(p).toStdString();
        EXPECT_EQ(p.messages().shown().empty(), c.message.isEmpty()) << joined(p).toStdString();
        EXPECT_EQ(rowsBelowOne(p), 0);
        EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 受注データ")).toInt(),
                  orders + (c.savedOrder ? 1 : 0));
        if (c.savedOrder) {
            EXPECT_EQ(
                p.scalar(QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No = ? AND 販売金額 > 0"),
                         {c.savedOrder})
                    .toInt(),
                1);
        } else {
            EXPECT_EQ(p.scalar(QStringLiteral("SELECT group_concat(在庫量) FROM 商品マスタ")).toString(),
                      stock);
        }
        EXPECT_EQ(p.scalar(QStringLiteral("SELECT MAX(個別No) FROM 受注個別データ")).toLongLong(),
                  c.lastLine);
    }
}
