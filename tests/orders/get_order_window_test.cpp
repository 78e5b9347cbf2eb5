#include "OrdersTestDb.h"
#include "orders/GetOrderWindow.h"

#include "db/OleDate.h"
#include "ui/MessageService.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using db::Currency;
using orders::GetOrderWindow;

namespace {

QString snapshot(const QString& path) {
    db::Database d(path);
    QString out;
    for (const char* t : {"商品マスタ", "受注データ", "受注個別データ"}) {
        db::Query q = d.query(QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(db::Database::quoteIdent(QString::fromUtf8(t))));
        while (q.next()) {
            for (int i = 0; i < q.columnCount(); ++i)
                out += q.value(i).toString() + QLatin1Char('|');
            out += QLatin1Char('\n');
        }
    }
    return out;
}

struct WindowTest : ::testing::Test {
    testenv::TempFolder tmp;
    core::AppState s;
    ui::RecordingMessageService rec;
    std::unique_ptr<GetOrderWindow> w;
    QString before;

    void SetUp() override {
        ui::setMessageService(&rec);
        orderstest::makeShopDatabase(s, tmp.path(QStringLiteral("shop.vrd")));
        s.gCompany.TaxPerLine = core::kTrue;
        before = snapshot(s.gDbPath);
    }
    void TearDown() override {
        w.reset();
        ui::setMessageService(nullptr);
    }
    void open() {
        s.gOpenDataCount = 1; // as the opener counts it
        w = std::make_unique<GetOrderWindow>(s);
        w->resize(940, 560);
        w->show();
        // The build, then the layout after its extra tick (or the close of a failed build).
        (void)QTest::qWaitFor([&] { return !w->isVisible() || w->grid()->table()->columnWidth(1) > 150; }, 10000);
    }
    // A client and an employee other than the reserved seed rows the pickers start on.
    void pick() {
        w->clientPicker()->setCurrentIndex(1);
        w->employeePicker()->setCurrentIndex(1);
    }
    QTableWidget* table() { return w->grid()->table(); }
    void clickCell(int r, int c) {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, table()->visualItemRect(table()->item(r - 1, c)).center());
    }
    void type(const QString& text) {
        QLineEdit* e = w->grid()->editor();
        e->selectAll();
        if (text.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, text);
    }
    QString cell(int r, int c) { return w->grid()->textAt(r, c); }
    // Waits for the scroll timer's repaint.
    bool firstRowShows(const QString& text) {
        return QTest::qWaitFor([&] { return cell(1, 0) == text; }, 10000);
    }
    db::Database db() { return db::Database(s.gDbPath); }
    qint64 count(const char* sql) { return db::Database(s.gDbPath).scalar(QString::fromUtf8(sql)).toLongLong(); }
};

} // namespace

TEST_F(WindowTest, ShowsFirstCategoryAndReservesTheNextNumber) {
    open();
    EXPECT_EQ(s.gChildState[core::kChildGetOrder].Open, core::kTrue);
    EXPECT_EQ(w->orderNoLabel()->text(), QStringLiteral("1"));
    EXPECT_EQ(w->categoryBox()->currentText(), QStringLiteral("文具"));
    EXPECT_EQ(w->grid()->textAt(0, 5), QStringLiteral("販売価格"));
    EXPECT_EQ(cell(1, 0), QStringLiteral(" G1"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("1,000"));
    EXPECT_EQ(cell(1, 5), QStringLiteral("1,000"));
    EXPECT_EQ(cell(1, 8), QStringLiteral("10"));
    EXPECT_EQ(cell(3, 1), QStringLiteral(" O'Neil ペン"));
    EXPECT_EQ(cell(4, 0), QString());
    EXPECT_EQ(cell(11, 0), QStringLiteral(" 合計"));
    // The pickers list the reserved rows too, and start on the first row.
    EXPECT_EQ(w->clientPicker()->count(), 3);
    EXPECT_EQ(w->clientPicker()->currentIndex(), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注データ\" WHERE \"受注No\" = 1"), 1);
    EXPECT_TRUE(rec.texts().isEmpty());
}

TEST_F(WindowTest, ScriptedOrderWritesExactlyTheExpectedRows) {
    open();
    w->clientPicker()->setCurrentIndex(2); // O'Brien 商会: a name with an apostrophe
    w->employeePicker()->setCurrentIndex(1);
    clickCell(1, 6);
    type(QStringLiteral("3"));
    QTest::keyClick(w->grid()->editor(), Qt::Key_Down);
    QTest::keyClick(w->grid()->editor(), Qt::Key_Down);
    type(QStringLiteral("2"));
    EXPECT_EQ(cell(3, 6), QStringLiteral("2"));
    EXPECT_EQ(cell(3, 7), QStringLiteral("101")); // 2,020 x 5 % = 101
    EXPECT_EQ(cell(3, 8), QStringLiteral("1"));
    EXPECT_EQ(cell(11, 5), QStringLiteral("5,020"));
    EXPECT_EQ(cell(11, 7), QStringLiteral("341"));
    QTest::keyClicks(w->shippingBox(), QStringLiteral("500"));
    EXPECT_EQ(w->totalLabel()->text(), QStringLiteral("5,861"));
    if (!qgetenv("VARNOX_GRAB").isEmpty())
        w->grab().save(QString::fromLocal8Bit(qgetenv("VARNOX_GRAB")));
    const QDate today = QDate::currentDate();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_TRUE(rec.texts().isEmpty()) << rec.texts().join(QLatin1Char('\n')).toStdString();

    {
    db::Database d(s.gDbPath);
    db::Query o = d.query(QStringLiteral("SELECT \"顧客コード\", \"社員コード\", \"定価金額\", \"仕切値\", \"原価\", \"販売金額\", "
                                         "\"消費税額\", \"送料\", \"受注日付\", \"入金日\", \"キャンセル\" FROM \"受注データ\" "
                                         "WHERE \"受注No\" = 1"));
    ASSERT_TRUE(o.next());
    EXPECT_EQ(o.toText(0), QStringLiteral("C2"));
    EXPECT_EQ(o.toText(1), QStringLiteral("E1"));
    EXPECT_EQ(o.toCurrency(2), Currency::fromUnits(5020));
    EXPECT_EQ(o.toCurrency(3), Currency::fromUnits(2400 + 1800));
    EXPECT_EQ(o.toCurrency(4), Currency::fromUnits(1800 + 1400));
    EXPECT_EQ(o.toCurrency(5), Currency::fromUnits(5020));
    EXPECT_EQ(o.toCurrency(6), Currency::fromUnits(341));
    EXPECT_EQ(o.toCurrency(7), Currency::fromUnits(500));
    EXPECT_EQ(o.toDouble(8), db::toOleDate(today));
    EXPECT_EQ(o.toDouble(9), 0.0);
    EXPECT_EQ(o.toText(10), QStringLiteral(" "));
    db::Query l = d.query(QStringLiteral("SELECT \"個別No\", \"受注No\", \"商品コード\", \"個数\", \"個別消費税\" "
                                         "FROM \"受注個別データ\" WHERE \"個別No\" > 0 ORDER BY 1"));
    QStringList lines;
    while (l.next())
        lines << QStringLiteral("%1 %2 %3 %4 %5").arg(l.toInt64(0)).arg(l.toInt64(1)).arg(l.toText(2)).arg(l.toInt64(3)).arg(l.toCurrency(4).toString());
    EXPECT_EQ(lines, (QStringList{QStringLiteral("1 1 G1 3 240.0000"), QStringLiteral("2 1 G3 2 101.0000")}));
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT \"在庫量\" FROM \"商品マスタ\" WHERE \"商品コード\" = 'G1'")).toInt(), 7);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT \"在庫量\" FROM \"商品マスタ\" WHERE \"商品コード\" = 'G3'")).toInt(), 1);
    } // the open statements would hold the checkpoint of the window's close

    // The window starts over with the next number and nothing entered.
    EXPECT_EQ(w->orderNoLabel()->text(), QStringLiteral("2"));
    EXPECT_EQ(cell(1, 6), QString());
    EXPECT_EQ(cell(1, 8), QStringLiteral("7"));
    EXPECT_EQ(w->shippingBox()->text(), QString());
    EXPECT_EQ(w->clientPicker()->currentIndex(), 0);

    // Closing removes only the new pending row.
    w->close();
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注データ\""), 2);
    EXPECT_EQ(s.gOpenDataCount, 0);
    EXPECT_EQ(s.gChildState[core::kChildGetOrder].Open, core::kFalse);
}

TEST_F(WindowTest, ClosingRightAfterOpeningLeavesTheDatabaseAsItWas) {
    open();
    ASSERT_NE(snapshot(s.gDbPath), before);
    QTest::mouseClick(w->endButton(), Qt::LeftButton);
    EXPECT_EQ(snapshot(s.gDbPath), before);
}

TEST_F(WindowTest, RefreshReplacesThePendingRow) {
    open();
    clickCell(2, 6);
    type(QStringLiteral("4"));
    s.gChildState[core::kChildGetOrder].RefreshRequest = core::kTrue;
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.gChildState[core::kChildGetOrder].RefreshDone == core::kTrue; }, 10000));
    EXPECT_EQ(s.gChildState[core::kChildGetOrder].RefreshDone, core::kTrue);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注データ\" WHERE \"受注No\" > 0"), 1);
    EXPECT_EQ(cell(2, 6), QString()); // what was typed is gone
    s.gChildState[core::kChildGetOrder].CloseRequest = core::kTrue;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->isVisible(); }, 10000));
    EXPECT_EQ(snapshot(s.gDbPath), before);
}

TEST_F(WindowTest, NothingToSellIsRefused) {
    open();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(rec.texts(), QStringList{QStringLiteral("総合計が０以下です。")});
    EXPECT_TRUE(rec.shown()[0].beepBefore);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注個別データ\""), 1);
}

TEST_F(WindowTest, UnknownClientOrEmployeeIsRefused) {
    open();
    clickCell(1, 6);
    type(QStringLiteral("1"));
    w->clientPicker()->setEditText(QStringLiteral("知らない客"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    w->clientPicker()->setEditText(QStringLiteral("山田商店")); // typed, and it names one row
    w->employeePicker()->setEditText(QString());
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(rec.texts(), (QStringList{QStringLiteral("顧客名を一覧から選んでください。"),
                                        QStringLiteral("社員名を一覧から選んでください。")}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注個別データ\""), 1);
    w->employeePicker()->setCurrentIndex(2);
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注データ\" WHERE \"顧客コード\" = 'C1' AND \"社員コード\" = 'E2'"), 1);
}

TEST_F(WindowTest, TypedAmountsTable) {
    open();
    struct Case {
        int col;
        const char* typed;
        const char* shown;
        qint64 saleTotal; // row 1 only: price x quantity
    };
    const Case cases[] = {
        {6, "1.6", "2", 2000},   {6, "2.5", "2", 2000}, {6, "abc", "", 0},     {6, "3", "3", 3000},
        {5, "1,200", "1,200", 3600}, {5, "0", "", 0},   {5, "x", "", 0},       {5, "999", "999", 2997},
    };
    clickCell(1, 6);
    for (const Case& c : cases) {
        if (w->currentCol() != c.col)
            clickCell(1, c.col);
        type(QString::fromUtf8(c.typed));
        EXPECT_EQ(cell(1, c.col), QString::fromUtf8(c.shown)) << c.typed;
        EXPECT_EQ(w->totals().sale, Currency::fromUnits(c.saleTotal)) << c.typed;
    }
    EXPECT_TRUE(rec.texts().isEmpty());
}

TEST_F(WindowTest, HugeProductIsReportedAndTheQuantityKeepsItsValue) {
    open();
    clickCell(1, 5);
    w->grid()->editor()->setText(QStringLiteral("2147483647")); // pasted at once
    clickCell(1, 6);
    w->grid()->editor()->setText(QStringLiteral("2147483647"));
    EXPECT_EQ(rec.texts(), QStringList{QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。")});
    EXPECT_EQ(w->grid()->editor()->text(), QString());
    EXPECT_EQ(w->totals().sale, Currency());
}

TEST_F(WindowTest, PriceColumnsBecomeTheSellingPrice) {
    open();
    clickCell(2, 6);
    type(QStringLiteral("10"));
    clickCell(2, 3); // 仕切値 80
    EXPECT_EQ(w->currentRow(), 2);
    EXPECT_EQ(w->currentCol(), 5);
    EXPECT_EQ(cell(2, 5), QStringLiteral("80"));
    EXPECT_EQ(w->grid()->editor()->text(), QStringLiteral("80"));
    EXPECT_EQ(w->totals().sale, Currency::fromUnits(800));
    clickCell(2, 4); // 原価 50
    EXPECT_EQ(w->totals().sale, Currency::fromUnits(500));
    // Rows without goods and the totals row do not take the editor.
    clickCell(5, 6);
    clickCell(11, 3);
    EXPECT_EQ(w->currentRow(), 2);
    EXPECT_EQ(w->totals().sale, Currency::fromUnits(500));
}

TEST_F(WindowTest, CategoriesScrollAndKeepTheirOwnPosition) {
    {
        db::Database d(s.gDbPath);
        for (int i = 0; i < 15; ++i) {
            const QByteArray code = "P" + QByteArray::number(100 + i);
            orderstest::addGoods(d, 100 + i, {code.constData(), "紙", 10, 8, 5, 8.0f, 1, "紙"});
        }
    }
    open();
    w->categoryBox()->setCurrentIndex(1);
    EXPECT_TRUE(firstRowShows(QStringLiteral(" G4"))) << cell(1, 0).toStdString();
    EXPECT_EQ(w->grid()->scrollBar()->maximum(), 6);
    w->grid()->scrollBar()->setValue(3);
    EXPECT_TRUE(firstRowShows(QStringLiteral(" P102"))) << cell(1, 0).toStdString();
    w->categoryBox()->setCurrentIndex(0);
    EXPECT_TRUE(firstRowShows(QStringLiteral(" G1"))) << cell(1, 0).toStdString();
    w->categoryBox()->setCurrentIndex(1);
    EXPECT_TRUE(firstRowShows(QStringLiteral(" P102"))) << cell(1, 0).toStdString();
    // A text that names no category goes back to the current one; goods of unlisted categories never show.
    w->categoryBox()->setEditText(QStringLiteral("迷"));
    EXPECT_EQ(w->categoryBox()->currentText(), QStringLiteral("紙"));
    w->categoryBox()->setCurrentIndex(2);
    EXPECT_TRUE(firstRowShows(QString())) << cell(1, 0).toStdString();
}

TEST_F(WindowTest, FailedSaveKeepsEntriesAndDatabase) {
    open();
    clickCell(1, 6);
    type(QStringLiteral("2"));
    const QString opened = snapshot(s.gDbPath);
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("CREATE TRIGGER fail BEFORE UPDATE ON \"受注データ\" BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
    }
    pick();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.startsWith(QStringLiteral("受注を保存できませんでした。")));
    EXPECT_EQ(rec.shown()[0].title, QStringLiteral("データベース書き込み中にエラーが発生しました"));
    EXPECT_EQ(snapshot(s.gDbPath), opened);
    EXPECT_EQ(cell(1, 6), QStringLiteral("2"));
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("DROP TRIGGER fail"));
    }
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(count("SELECT \"在庫量\" FROM \"商品マスタ\" WHERE \"商品コード\" = 'G1'"), 8);
}

TEST_F(WindowTest, GoodsOrPendingRowGoneMeanwhile) {
    open();
    clickCell(2, 6);
    type(QStringLiteral("1"));
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("DELETE FROM \"商品マスタ\" WHERE \"商品コード\" = 'G2'"));
    }
    const QString opened = snapshot(s.gDbPath);
    pick();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(rec.texts(), QStringList{QStringLiteral("商品コード「G2」の商品が商品マスタにありません。\n受注は保存されていません。")});
    EXPECT_EQ(snapshot(s.gDbPath), opened);

    rec.clear();
    clickCell(1, 6);
    type(QStringLiteral("1"));
    clickCell(2, 6);
    type(QString());
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("DELETE FROM \"受注データ\" WHERE \"受注No\" = 1"));
    }
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    ASSERT_EQ(rec.texts().size(), 1);
    EXPECT_TRUE(rec.texts()[0].startsWith(QStringLiteral("受注No.1 の受注データが見つかりません。")));
    EXPECT_EQ(w->orderNoLabel()->text(), QStringLiteral("1")); // a new pending row under the free number
    EXPECT_EQ(cell(1, 6), QStringLiteral("1"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注個別データ\" WHERE \"受注No\" = 1"), 1);
}

TEST_F(WindowTest, EmptyMastersCloseTheWindowWithoutAPendingRow) {
    {
        db::Database d(s.gDbPath);
        d.execute(QStringLiteral("DELETE FROM \"社員マスタ\" WHERE \"社員No\" > 0"));
    }
    before = snapshot(s.gDbPath);
    open();
    EXPECT_EQ(rec.texts(), QStringList{QStringLiteral("データが空です。")});
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(s.gChildState[core::kChildGetOrder].Open, core::kFalse);
    EXPECT_EQ(snapshot(s.gDbPath), before);
}

TEST_F(WindowTest, ClearEntriesResetsEveryCategory) {
    open();
    clickCell(1, 6);
    type(QStringLiteral("2"));
    w->categoryBox()->setCurrentIndex(1);
    ASSERT_TRUE(firstRowShows(QStringLiteral(" G4")));
    clickCell(1, 6);
    type(QStringLiteral("5"));
    QTest::keyClicks(w->shippingBox(), QStringLiteral("300"));
    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(w->totals().sale, Currency());
    EXPECT_EQ(w->totals().shipping, Currency());
    EXPECT_EQ(w->totalLabel()->text(), QStringLiteral("0"));
    EXPECT_EQ(cell(1, 6), QString());
    EXPECT_EQ(cell(1, 8), QStringLiteral("100"));
    EXPECT_EQ(w->shippingBox()->text(), QString());
}

TEST_F(WindowTest, FreeGoodsWithShippingStillStoreTheirLinesAndStock) {
    open();
    clickCell(1, 5);
    type(QStringLiteral("0"));
    clickCell(1, 6);
    type(QStringLiteral("2"));
    QTest::keyClicks(w->shippingBox(), QStringLiteral("300"));
    pick();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_TRUE(rec.texts().isEmpty());
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注個別データ\" WHERE \"受注No\" = 1 AND \"個数\" = 2"), 1);
    EXPECT_EQ(count("SELECT \"在庫量\" FROM \"商品マスタ\" WHERE \"商品コード\" = 'G1'"), 8);
    EXPECT_EQ(count("SELECT \"送料\" FROM \"受注データ\" WHERE \"受注No\" = 1"), 3000000);
}

TEST_F(WindowTest, OnlyShippingStoresTheOrderWithoutLines) {
    open();
    QTest::keyClicks(w->shippingBox(), QStringLiteral("700"));
    pick();
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(count("SELECT COUNT(*) FROM \"受注個別データ\""), 1);
    EXPECT_EQ(count("SELECT \"送料\" FROM \"受注データ\" WHERE \"受注No\" = 1"), 7000000);
    EXPECT_EQ(w->orderNoLabel()->text(), QStringLiteral("2"));
}
