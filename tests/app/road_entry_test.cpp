// The data stages of the main road, each from a shop made through the front door: imports, the master
// windows, order entry, payments, cancellations and stock counts, checked in the database after each.
#include "support/MainRoad.h"

#include "masters/MasterGrid.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/EntryGrid.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "orders/StockChooser.h"
#include "orders/StockUpdateWindow.h"
#include "reports/ConditionDialog.h"
#include "viewers/ListWindow.h"

#include "db/OleDate.h"

#include <QCalendarWidget>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {


// Every row of a table as "value|value|...", in key order, without the reserved row 0.
QStringList rows(const Program& p, const QString& table, const QString& columns, const QString& key) {
    db::Database d(const_cast<Program&>(p).state().gDbPath);
    db::Query q = d.query(QStringLiteral("SELECT %1 FROM %2 WHERE %3 <> 0 ORDER BY %3")
                              .arg(columns, db::Database::quoteIdent(table), db::Database::quoteIdent(key)));
    QStringList out;
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < q.columnCount(); ++i)
            cells << q.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// The fields of the import lines that are stored as they stand (codes and texts).
QStringList fieldsOf(const QStringList& lines, std::initializer_list<int> fields) {
    QStringList out;
    for (const QString& l : lines) {
        const QStringList f = l.split(QLatin1Char('\t'));
        QStringList cells;
        for (int i : fields)
            cells << f.value(i);
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// A click on a cell of an entry grid (grid row 0 is the heading row).
void clickCell(orders::EntryGrid* g, int row, int col) {
    QTableWidget* t = g->table();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(row - 1, col)).center());
}

db::Currency money(const Program& p, const QString& sql) {
    db::Database d(const_cast<Program&>(p).state().gDbPath);
    db::Query q = d.query(sql);
    return q.next() ? q.toCurrency(0) : db::Currency::fromRaw(-1);
}

bool isOpen(Program& p, int child) { return core::isSet(p.state().gChildState[size_t(child)].Open); }

// Opens the editor of the cell in column of the row whose keyColumn holds key and types text over its
// value, as a person does; the cell, invalid when there is no such row.
QModelIndex typeIntoCell(masters::MasterWindow& w, int keyColumn, const QString& key, int column, const QString& text) {
    masters::MasterTableModel* m = w.model();
    for (int r = 0; r < m->rowCount(); ++r) {
        if (m->index(r, keyColumn).data().toString().trimmed() != key)
            continue;
        const QModelIndex at = m->index(r, column);
        w.grid()->setCurrentIndex(at);
        w.grid()->edit(at);
        auto* editor = qobject_cast<QLineEdit*>(w.grid()->indexWidget(at));
        if (editor == nullptr)
            return {};
        editor->selectAll();
        mainroad::type(editor, text);
        return at;
    }
    return {};
}

} // namespace

TEST(RoadEntry, ImportedMastersHoldTheFilesTextAsWritten) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    EXPECT_EQ(rows(p, QStringLiteral("商品マスタ"), QStringLiteral("商品コード, 商品名, 商品カテゴリ"), QStringLiteral("商品No")),
              fieldsOf(Program::shopGoods(), {1, 2, 9}));
    EXPECT_EQ(rows(p, QStringLiteral("商品マスタ"), QStringLiteral("在庫量, 在庫発注点"), QStringLiteral("商品No")),
              fieldsOf(Program::shopGoods(), {7, 8}));
    EXPECT_EQ(rows(p, QStringLiteral("顧客マスタ"), QStringLiteral("顧客コード, 顧客名, 〒, 住所, TEL"), QStringLiteral("顧客No")),
              fieldsOf(Program::shopClients(), {1, 2, 3, 4, 5}));
    EXPECT_EQ(rows(p, QStringLiteral("社員マスタ"), QStringLiteral("社員コード, 氏名"), QStringLiteral("社員No")),
              fieldsOf(Program::shopEmployees(), {1, 2}));
    EXPECT_EQ(money(p, QStringLiteral("SELECT 個別定価 FROM 商品マスタ WHERE 商品コード = 'G02'")),
              db::Currency::fromUnits(3500));
    // Importing the same file again refuses every line as a duplicate and adds nothing.
    p.nextPath(p.path(QStringLiteral("mnuImpEmp.txt")));
    p.trigger(QStringLiteral("mnuImpEmp"));
    EXPECT_EQ(p.messages().shown().size(), Program::shopEmployees().size()) << joined(p).toStdString();
    EXPECT_EQ(rows(p, QStringLiteral("社員マスタ"), QStringLiteral("社員コード"), QStringLiteral("社員No")).size(),
              Program::shopEmployees().size());
}

TEST(RoadEntry, EachMasterWindowFromItsMenuSavesAnEdit) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    const int order = p.enterOrder(QStringLiteral("髙橋食品"), QStringLiteral("佐藤一郎"), {{1, 2}, {3, 1}});
    ASSERT_GT(order, 0) << joined(p).toStdString();

    struct Case {
        const char* item;
        int child;
        const char* keyColumn; // the row edited is the one whose column 1 holds key
        const char* key;
        int column;
        const char* typed;
        const char* check; // SQL giving the stored value
        const char* stored;
    };
    const Case cases[] = {
        {"mnuManComm", core::kChildGoodsM, "商品コード", "G03", 2, "梅干し（紀州）",
         "SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G03'", "梅干し（紀州）"},
        {"mnuManCli", core::kChildClientM, "顧客コード", "C02", 5, "06-9999-0000",
         "SELECT TEL FROM 顧客マスタ WHERE 顧客コード = 'C02'", "06-9999-0000"},
        {"mnuManEmp", core::kChildEmployeeM, "社員コード", "E02", 2, "鈴木花江",
         "SELECT 氏名 FROM 社員マスタ WHERE 社員コード = 'E02'", "鈴木花江"},
        {"mnuManRecG", core::kChildOrderM, "顧客コード", "C02", 2, "E02",
         "SELECT 社員コード FROM 受注データ WHERE 受注No = 1", "E02"},
        {"mnuManRecD", core::kChildDetailM, "受注No", "1", 3, "5",
         "SELECT 個数 FROM 受注個別データ WHERE 受注No = 1 ORDER BY 個別No LIMIT 1", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        p.messages().clear();
        p.trigger(QLatin1String(c.item));
        ASSERT_TRUE(waitFor([&] { return isOpen(p, c.child); })) << joined(p).toStdString();
        auto* w = p.work<masters::MasterWindow>();
        ASSERT_NE(w, nullptr);
        masters::MasterTableModel* m = w->model();
        const int keyCol = [&] {
            for (int col = 0; col < m->columnCount(); ++col)
                if (m->headerData(col, Qt::Horizontal).toString() == QString::fromUtf8(c.keyColumn))
                    return col;
            return 1;
        }();
        ASSERT_TRUE(typeIntoCell(*w, keyCol, QString::fromUtf8(c.key), c.column, QString::fromUtf8(c.typed)).isValid());
        w->button(QStringLiteral("cmdUpdate"))->click();
        EXPECT_EQ(p.scalar(QString::fromUtf8(c.check)).toString(), QString::fromUtf8(c.stored));
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        w->button(QStringLiteral("cmdClose"))->click();
        EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        EXPECT_EQ(p.state().gOpenMasterCount, 0);
    }
}

// Text typed into a master grid is kept only when CP932 can hold it: otherwise the message names the
// field and the character, the table keeps its value and the typed text comes back in the cell's editor
// with the character selected, whether 更新 or Enter committed it. Characters CP932 reads back as others
// are kept in that form, as the files will show them.
TEST(RoadEntry, MasterGridsRefuseTextCp932CannotHoldAndGiveItBack) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    struct Case {
        const char* item;
        int child;
        const char* code; // the row whose column 1 holds it
        int column;
        const char* field;
        QString typed;
        QString bad; // "" when the text is kept
        const char* check;
        QString stored; // when kept
        bool byEnter;
    };
    const Case cases[] = {
        {"mnuManComm", core::kChildGoodsM, "G03", 2, "商品名", QStringLiteral("Café梅"), QStringLiteral("é"),
         "SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G03'", {}, false},
        {"mnuManComm", core::kChildGoodsM, "G03", 2, "商品名", QString::fromUtf16(u"梅😀"),
         QString::fromUtf16(u"😀"), "SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G03'", {}, true},
        {"mnuManCli", core::kChildClientM, "C02", 4, "住所", QString::fromUtf16(u"𠮷野家"),
         QString::fromUtf16(u"𠮷"), "SELECT 住所 FROM 顧客マスタ WHERE 顧客コード = 'C02'", {}, true},
        {"mnuManEmp", core::kChildEmployeeM, "E02", 2, "氏名", QStringLiteral("鈴木〜花子"), {},
         "SELECT 氏名 FROM 社員マスタ WHERE 社員コード = 'E02'", QStringLiteral("鈴木～花子"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        p.trigger(QLatin1String(c.item));
        ASSERT_TRUE(waitFor([&] { return isOpen(p, c.child); })) << joined(p).toStdString();
        auto* w = p.work<masters::MasterWindow>();
        ASSERT_NE(w, nullptr);
        const QString before = p.scalar(QString::fromUtf8(c.check)).toString();
        p.messages().clear();
        const QModelIndex at = typeIntoCell(*w, 1, QString::fromUtf8(c.code), c.column, c.typed);
        ASSERT_TRUE(at.isValid());
        if (c.byEnter)
            QTest::keyClick(w->grid()->indexWidget(at), Qt::Key_Return);
        else
            w->button(QStringLiteral("cmdUpdate"))->click();
        if (c.bad.isEmpty()) {
            EXPECT_EQ(p.scalar(QString::fromUtf8(c.check)).toString(), c.stored);
            EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        } else {
            ASSERT_TRUE(waitFor([&] { return !p.messages().shown().empty(); }));
            ASSERT_EQ(p.messages().shown().size(), 1u) << joined(p).toStdString();
            const QString& text = p.messages().shown()[0].text;
            EXPECT_TRUE(text.contains(QStringLiteral("「") + QString::fromUtf8(c.field) + QStringLiteral("」")))
                << text.toStdString();
            EXPECT_TRUE(text.contains(c.bad)) << text.toStdString();
            EXPECT_EQ(p.scalar(QString::fromUtf8(c.check)).toString(), before);
            EXPECT_FALSE(w->model()->hasPending());
            auto* again = qobject_cast<QLineEdit*>(w->grid()->indexWidget(at)); // the closed one may linger
            ASSERT_NE(again, nullptr);
            EXPECT_EQ(again->text(), c.typed);
            EXPECT_EQ(again->selectedText(), c.bad);
            EXPECT_EQ(w->grid()->currentIndex(), at);
        }
        w->button(QStringLiteral("cmdClose"))->click();
        EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        if (!c.bad.isEmpty()) { // closing with the refused text still open says again that it was not kept
            ASSERT_EQ(p.messages().shown().size(), 2u) << joined(p).toStdString();
            EXPECT_EQ(p.scalar(QString::fromUtf8(c.check)).toString(), before);
        }
    }
}

// リフレッシュ with refused text still in a master grid's editor: the refusal is said, and the window is
// read again all the same, as the refresh question warned ("入力中の情報はクリアされます").
TEST(RoadEntry, RefreshGoesOnPastRefusedTextInAMasterGrid) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuManEmp"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildEmployeeM); }));
    auto* w = p.work<masters::MasterWindow>();
    ASSERT_NE(w, nullptr);
    const QString before = p.scalar(QStringLiteral("SELECT 氏名 FROM 社員マスタ WHERE 社員コード = 'E02'")).toString();
    ASSERT_TRUE(typeIntoCell(*w, 1, QStringLiteral("E02"), 2, QStringLiteral("Café")).isValid());
    {
        db::Database other(p.state().gDbPath); // another window or program changes E01 meanwhile
        other.execute(QStringLiteral("UPDATE 社員マスタ SET 氏名 = '外で変更' WHERE 社員コード = 'E01'"));
    }
    p.messages().clear();
    p.trigger(QStringLiteral("mnuViewRefresh")); // answered Yes
    EXPECT_TRUE(p.messages().texts().join('|').contains(QStringLiteral("「氏名」"))) << joined(p).toStdString();
    masters::MasterTableModel* m = w->model();
    bool shown = false;
    for (int r = 0; r < m->rowCount(); ++r)
        shown = shown || m->index(r, 2).data().toString() == QStringLiteral("外で変更");
    EXPECT_TRUE(shown);
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 氏名 FROM 社員マスタ WHERE 社員コード = 'E02'")).toString(), before);
    w->button(QStringLiteral("cmdClose"))->click();
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
}

// The database file deleted, another file renamed over it, or another file copied over it in place with
// the same header (change count, pages, free list) while a window holds it open: 契約 and a master grid's
// 更新 say they could not store, instead of writing on into the old file unseen or the window's view of
// the old file into the new one.
TEST(RoadEntry, AWriteAfterTheDatabaseFileWasDeletedOrReplacedSaysItFailed) {
    enum How { Deleted, RenamedOver, CopiedInPlace };
    for (const How how : {Deleted, RenamedOver, CopiedInPlace}) {
        SCOPED_TRACE(how);
        Program p;
        const QString db = p.openShop();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        const QString copy = p.path(QStringLiteral("copy.vrd"));
        ASSERT_TRUE(QFile::copy(db, copy));
        const auto takeAway = [&] {
            if (how == CopiedInPlace) {
                QFile::remove(copy);
                ASSERT_TRUE(QFile::copy(db, copy));
                mainroad::sqlite(
                    copy, QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 999 WHERE 商品コード = 'G02'"));
                ASSERT_TRUE(mainroad::copyWithSameHeader(copy, db));
                return;
            }
            ASSERT_TRUE(QFile::remove(db));
            if (how == RenamedOver) {
                ASSERT_TRUE(QFile::rename(copy, db));
            }
        };

        p.messages().clear();
        const int stored = how == CopiedInPlace;
        EXPECT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 3}}, {}, takeAway),
                  stored);
        EXPECT_EQ(joined(p).contains(QStringLiteral("受注を保存できませんでした")), !stored)
            << joined(p).toStdString();
        if (how != Deleted) {
            EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 受注個別データ WHERE 受注No <> 0")).toInt(),
                      stored);
        }
        EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        if (how == CopiedInPlace) { // none of the window's pages went into the copy
            EXPECT_EQ(mainroad::sqlite(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
            EXPECT_EQ(mainroad::sqlite(
                          db, QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'G02'")),
                      QStringLiteral("999"));
        }
    }
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuManEmp"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildEmployeeM); }));
    auto* w = p.work<masters::MasterWindow>();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(typeIntoCell(*w, 1, QStringLiteral("E02"), 2, QStringLiteral("鈴木華子")).isValid());
    ASSERT_TRUE(QFile::remove(db));
    p.messages().clear();
    w->button(QStringLiteral("cmdUpdate"))->click();
    EXPECT_FALSE(p.messages().shown().empty());
    w->button(QStringLiteral("cmdClose"))->click();
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
}

// A payment date cleared in 受注データメンテナンス (the table then holds Null) makes the order unpaid
// everywhere: 未入金受注一覧 from データ表示 lists it, 入金済み受注一覧 no longer does.
TEST(RoadEntry, AnOrderWhosePaymentDateWasClearedInTheGridIsListedAsUnpaid) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString(); // 2 is C02's, paid
    p.trigger(QStringLiteral("mnuManRecG"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildOrderM); }));
    auto* grid = p.work<masters::MasterWindow>();
    ASSERT_NE(grid, nullptr);
    int paidColumn = -1;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        if (grid->model()->headerData(c, Qt::Horizontal).toString() == QStringLiteral("入金日"))
            paidColumn = c;
    ASSERT_GE(paidColumn, 0);
    const QModelIndex at = typeIntoCell(*grid, 0, QStringLiteral("2"), paidColumn, QString());
    ASSERT_TRUE(at.isValid());
    qobject_cast<QLineEdit*>(grid->grid()->indexWidget(at))->clear();
    grid->button(QStringLiteral("cmdUpdate"))->click();
    ASSERT_TRUE(p.scalar(QStringLiteral("SELECT 入金日 FROM 受注データ WHERE 受注No = 2")).isNull()) << joined(p).toStdString();
    grid->button(QStringLiteral("cmdClose"))->click();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));

    const auto listText = [&](const char* item, const char* window) {
        mainroad::onNextModalOf<reports::ConditionDialog>([](reports::ConditionDialog& d) { d.cmdOK()->click(); });
        p.trigger(QLatin1String(item));
        viewers::ListWindow* w = nullptr;
        waitFor([&] {
            w = p.work<viewers::ListWindow>();
            return (w && w->loaded() && w->member().window == QLatin1String(window)) || p.workCount() == 0;
        }, 3000);
        const QString text = w ? w->shownText() : QString();
        if (w)
            w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
        waitFor([&] { return p.workCount() == 0; });
        return text;
    };
    EXPECT_TRUE(listText("mnuVGetY", "frmVGetY").contains(QStringLiteral("C02")));
    EXPECT_FALSE(listText("mnuVGetD", "frmVGetD").contains(QStringLiteral("C02")));
}

TEST(RoadEntry, AnOrderOfSeveralLinesIsStoredWholeAndLowersTheStock) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    const int no = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("鈴木花子"), {{1, 3}, {2, 1}, {4, 10}},
                                QStringLiteral("500"));
    ASSERT_EQ(no, 1) << joined(p).toStdString();
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();

    EXPECT_EQ(rows(p, QStringLiteral("受注データ"), QStringLiteral("顧客コード, 社員コード, キャンセル"), QStringLiteral("受注No")),
              QStringList{QStringLiteral("C01|E02| ")});
    const db::Currency listTotal = db::Currency::fromUnits(3 * 1200 + 3500 + 10 * 450);
    EXPECT_EQ(money(p, QStringLiteral("SELECT 定価金額 FROM 受注データ WHERE 受注No = 1")), listTotal);
    EXPECT_EQ(money(p, QStringLiteral("SELECT 販売金額 FROM 受注データ WHERE 受注No = 1")), listTotal);
    EXPECT_EQ(money(p, QStringLiteral("SELECT 送料 FROM 受注データ WHERE 受注No = 1")),
              db::Currency::fromUnits(500));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 受注日付 FROM 受注データ WHERE 受注No = 1")).toDouble(),
              db::toOleDate(QDate::currentDate()));
    EXPECT_EQ(rows(p, QStringLiteral("受注個別データ"), QStringLiteral("受注No, 商品コード, 個数"), QStringLiteral("個別No")),
              (QStringList{QStringLiteral("1|G01|3"), QStringLiteral("1|G02|1"), QStringLiteral("1|G04|10")}));
    EXPECT_EQ(rows(p, QStringLiteral("商品マスタ"), QStringLiteral("商品コード, 在庫量"), QStringLiteral("商品No")).mid(0, 5),
              (QStringList{QStringLiteral("G01|37"), QStringLiteral("G02|24"), QStringLiteral("G03|60"),
                           QStringLiteral("G04|90"), QStringLiteral("G05|3")}));
    // The next order takes the next number; the pending row of a closed window is gone.
    EXPECT_EQ(p.enterOrder(QStringLiteral("O'Brien 商会"), QStringLiteral("佐藤一郎"), {{5, 1}}), 2);
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No <> 0")).toInt(), 2);
    EXPECT_EQ(p.state().gOpenDataCount, 0);
}

TEST(RoadEntry, PaymentDateCancellationAndStockCountThroughTheirWindows) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}, {3, 4}}), 1);
    ASSERT_EQ(p.enterOrder(QStringLiteral("髙橋食品"), QStringLiteral("鈴木花子"), {{2, 1}}), 2);

    // 入金処理: all orders, the second one paid on a chosen day.
    const QDate paidOn(2024, 6, 28);
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuReceipt"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildPayment); })) << joined(p).toStdString();
    auto* pay = p.work<orders::PaymentWindow>();
    ASSERT_NE(pay, nullptr);
    ASSERT_EQ(pay->model()->orderCount(), 2);
    mainroad::onNextModalOf<orders::CalendarDialog>([paidOn](orders::CalendarDialog& d) {
        d.calendar()->setSelectedDate(paidOn);
        d.okButton()->click();
    });
    ASSERT_TRUE(mainroad::clickOrder(pay, 2));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 入金日 FROM 受注データ WHERE 受注No = 2")).toDouble(), db::toOleDate(paidOn));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 入金日 FROM 受注データ WHERE 受注No = 1")).toDouble(), 0.0);
    pay->endButton()->click();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));

    // キャンセル処理: the first order cancelled with its lines, then restored.
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuCancel"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildCancel); })) << joined(p).toStdString();
    auto* cancel = p.work<orders::CancelWindow>();
    ASSERT_NE(cancel, nullptr);
    const QString marks = QStringLiteral("SELECT group_concat(キャンセル, '') FROM (SELECT キャンセル FROM 受注個別データ "
                                         "WHERE 受注No = 1 ORDER BY 個別No)");
    ASSERT_TRUE(mainroad::clickOrder(cancel, 1));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 1")).toString(), QStringLiteral("X"));
    EXPECT_EQ(p.scalar(marks).toString(), QStringLiteral("XX"));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 2")).toString(), QStringLiteral(" "));
    ASSERT_TRUE(mainroad::clickOrder(cancel, 1));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 1")).toString(), QStringLiteral(" "));
    EXPECT_EQ(p.scalar(marks).toString(), QStringLiteral("  "));
    cancel->endButton()->click();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));

    // 在庫更新: all goods; the first goods of 食品 counted anew and stored with 更新.
    mainroad::onNextModalOf<orders::StockChooser>([](orders::StockChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuStockUp"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, core::kChildStockUp); })) << joined(p).toStdString();
    auto* stock = p.work<orders::StockUpdateWindow>();
    ASSERT_NE(stock, nullptr);
    p.waitLaidOut();
    EXPECT_EQ(stock->grid()->textAt(1, 0).trimmed(), QStringLiteral("G01"));
    clickCell(stock->grid(), 1, 6);
    QLineEdit* e = stock->grid()->editor();
    e->selectAll();
    QTest::keyClicks(e, QStringLiteral("55"));
    QTest::keyClick(e, Qt::Key_Down);
    stock->okButton()->click();
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'G01'")).toInt(), 55);
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'G02'")).toInt(), 24);
    stock->endButton()->click();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(p.state().gOpenDataCount, 0);
    EXPECT_TRUE(p.window().item(QStringLiteral("mnuManComm"))->isEnabled());
}
