#include "PaymentTestDb.h"

#include "orders/EntryGrid.h"
#include "orders/OrderMessages.h"
#include "orders/StockUpdateWindow.h"
#include "ui/MessageService.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using orders::StockUpdateWindow;
using paytest::TestDb;

namespace {

class StockWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui::setMessageService(&rec);
        setCategories({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
        t.state.gOpenDataCount = 1;
    }
    void TearDown() override {
        delete window.data();
        ui::setMessageService(nullptr);
    }
    void setCategories(const QStringList& names) {
        core::Categories& c = t.state.categories;
        c.gCatCount = 0;
        c.CatInit();
        for (const QString& n : names)
            c.CatSet(++c.gCatCount, n);
        c.commitWorking();
    }
    // Category A: G01..G12 with stock 1..12 (reorder point 5); B: three goods; C: none.
    void addStandardGoods() {
        for (int i = 1; i <= 12; ++i)
            t.addGoods(i, QStringLiteral("G%1").arg(i, 2, 10, QLatin1Char('0')), i, 5, QStringLiteral("A"));
        t.addGoods(21, QStringLiteral("B1"), 0, 5, QStringLiteral("B"));
        t.addGoods(22, QStringLiteral("B2"), 50, 5, QStringLiteral("B"));
        t.addGoods(23, QStringLiteral("B3"), -2, 5, QStringLiteral("B"));
    }
    StockUpdateWindow* open(int mode) {
        t.state.gStockListMode = mode;
        auto* w = new StockUpdateWindow(t.state);
        w->setAttribute(Qt::WA_DeleteOnClose);
        window = w;
        w->show();
        QTest::qWait(20);
        return w;
    }
    void type(StockUpdateWindow* w, const QString& text) { w->grid()->editor()->setText(text); }
    void key(StockUpdateWindow* w, Qt::Key k) { QTest::keyClick(w->grid()->editor(), k); }
    void chooseCategory(StockUpdateWindow* w, const QString& name) {
        w->categoryBox()->setCurrentText(name);
        waitRepaint(w);
    }
    void waitRepaint(StockUpdateWindow* w) { // the scroll timer waits one extra tick
        EXPECT_TRUE(QTest::qWaitFor([w] { return !w->repaintPending(); }, 5000));
    }
    QString cell(StockUpdateWindow* w, int r, int c) { return w->grid()->textAt(r, c); }

    TestDb t;
    ui::RecordingMessageService rec;
    QPointer<StockUpdateWindow> window;
};

} // namespace

TEST_F(StockWindow, ListsPerModeStartingOnTheFirstCategoryWithGoods) {
    struct Case {
        int mode;
        int goodsInA;
        int goodsInB;
    };
    for (const Case& c : {Case{0, 5, 2}, Case{1, 12, 3}}) {
        addStandardGoods();
        StockUpdateWindow* w = open(c.mode);
        ASSERT_TRUE(rec.shown().empty()) << rec.texts().join(',').toStdString();
        ASSERT_EQ(w->categories().size(), 3u);
        EXPECT_EQ(int(w->categories()[0].lines.size()), c.goodsInA) << c.mode;
        EXPECT_EQ(int(w->categories()[1].lines.size()), c.goodsInB) << c.mode;
        EXPECT_EQ(w->currentCategory(), 0);
        EXPECT_EQ(w->categoryBox()->currentText(), QStringLiteral("A"));
        EXPECT_EQ(t.state.gChildState[core::kChildStockUp].Open, core::kTrue);
        EXPECT_EQ(cell(w, 0, 6), QStringLiteral("在庫数"));
        EXPECT_EQ(cell(w, 1, 0), QStringLiteral(" G01"));
        EXPECT_EQ(cell(w, 1, 1), QStringLiteral(" 商品G01"));
        EXPECT_EQ(cell(w, 1, 2), QStringLiteral("1,000"));
        EXPECT_EQ(cell(w, 1, 5), QStringLiteral("10.00"));
        EXPECT_EQ(cell(w, 1, 6), QStringLiteral("1"));
        EXPECT_EQ(w->currentRow(), 1);
        EXPECT_EQ(w->currentColumn(), 6);
        EXPECT_TRUE(w->grid()->editor()->isVisible());
        delete w;
        t.db->execute(QStringLiteral("DELETE FROM 商品マスタ WHERE 商品No <> 0"));
    }
}

TEST_F(StockWindow, EmptyAndNoGoodsInAListedCategory) {
    struct Case {
        int mode;
        int stock; // of the one goods
        QString category;
        QString message;
    };
    const Case cases[] = {
        {0, 6, QStringLiteral("A"), orders::kEmptyMessage},                  // nothing short
        {1, 6, QStringLiteral("Z"), orders::kEmptyMessage},                  // all goods, none listed: empty
        {0, 1, QStringLiteral("Z"), QStringLiteral("在庫不足はありません。")}, // short goods, none listed
    };
    for (const Case& c : cases) {
        t.db->execute(QStringLiteral("DELETE FROM 商品マスタ WHERE 商品No <> 0"));
        t.addGoods(1, QStringLiteral("G1"), c.stock, 5, c.category);
        rec.clear();
        open(c.mode);
        ASSERT_EQ(rec.shown().size(), 1u);
        EXPECT_EQ(rec.shown()[0].text, c.message) << c.mode << " " << c.category.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        EXPECT_EQ(t.state.gChildState[core::kChildStockUp].Open, core::kFalse);
    }
}

TEST_F(StockWindow, TypedCountsAndTheOverflowMessage) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    type(w, QStringLiteral("5-"));
    EXPECT_EQ(w->categories()[0].lines[0].goods.stock, -5);
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("-5"));
    type(w, QStringLiteral("abc"));
    EXPECT_EQ(w->grid()->editor()->text(), QStringLiteral("-5"));
    EXPECT_EQ(w->categories()[0].lines[0].goods.stock, -5);
    type(w, QStringLiteral("3000000000"));
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, QStringLiteral("本システムでは対象外の巨大な数値になってしまいました。"));
    // The count the cell had when the editor came to it, not 0 nor the last value typed.
    EXPECT_EQ(w->categories()[0].lines[0].goods.stock, 1);
    EXPECT_EQ(w->grid()->editor()->text(), QStringLiteral("1"));
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("1"));
}

TEST_F(StockWindow, KeysKeepTheEditorOnTheCountColumnAndOffEmptyRows) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    chooseCategory(w, QStringLiteral("B"));
    ASSERT_EQ(w->currentCategory(), 1);
    key(w, Qt::Key_Left);
    EXPECT_EQ(w->currentColumn(), 6);
    key(w, Qt::Key_Down);
    key(w, Qt::Key_Return);
    EXPECT_EQ(w->currentRow(), 3);
    EXPECT_EQ(w->grid()->editor()->text(), QStringLiteral("-2"));
    key(w, Qt::Key_Down); // row 4 holds no goods
    EXPECT_EQ(w->currentRow(), 4);
    type(w, QStringLiteral("9"));
    EXPECT_EQ(w->grid()->editor()->text(), QString());
    EXPECT_EQ(w->categories()[1].lines[2].goods.stock, -2);
    EXPECT_EQ(cell(w, 4, 6), QString());
}

TEST_F(StockWindow, ScrollingAndCategoriesKeepTheirTopOffset) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    for (int i = 0; i < 9; ++i)
        key(w, Qt::Key_Down);
    EXPECT_EQ(w->currentRow(), 10);
    key(w, Qt::Key_Down); // steps the scroll bar instead
    waitRepaint(w);
    EXPECT_EQ(w->categories()[0].top, 1);
    EXPECT_EQ(cell(w, 10, 0), QStringLiteral(" G11"));
    type(w, QStringLiteral("111"));
    EXPECT_EQ(w->categories()[0].lines[10].goods.stock, 111);
    chooseCategory(w, QStringLiteral("B"));
    EXPECT_EQ(cell(w, 1, 0), QStringLiteral(" B1"));
    chooseCategory(w, QStringLiteral("A"));
    EXPECT_EQ(w->categories()[0].top, 1);
    EXPECT_EQ(cell(w, 1, 0), QStringLiteral(" G02"));
    // A text that names no category is replaced by the current one.
    w->categoryBox()->setEditText(QStringLiteral("nonsense"));
    EXPECT_EQ(w->categoryBox()->currentText(), QStringLiteral("A"));
}

TEST_F(StockWindow, SaveWritesOnlyChangedCountsAndKeepsAnOrderSavedMeanwhile) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    type(w, QStringLiteral("100")); // G01
    key(w, Qt::Key_Down);
    type(w, QStringLiteral("200")); // G02
    // Meanwhile the order entry window saved an order of G02 and G03.
    t.db->execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 在庫量 - 1 WHERE 商品コード IN ('G02', 'G03')"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(t.stockOf(QStringLiteral("G01")), 100);
    EXPECT_EQ(t.stockOf(QStringLiteral("G02")), 1); // changed by both: not overwritten, the user is told
    EXPECT_EQ(t.stockOf(QStringLiteral("G03")), 2); // changed by the order only: kept
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.contains(QStringLiteral("G02"))) << rec.shown()[0].text.toStdString();
    // The window shows the stored counts again.
    EXPECT_EQ(cell(w, 2, 6), QStringLiteral("1"));
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("100"));
    EXPECT_EQ(w->categories()[0].lines[1].loaded, 1);
}

TEST_F(StockWindow, UnchangedSaveWritesNothingAndCancelDropsTypedCounts) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    t.db->execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 77 WHERE 商品コード = 'G05'"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    EXPECT_EQ(t.stockOf(QStringLiteral("G05")), 77);
    EXPECT_TRUE(rec.shown().empty());
    type(w, QStringLiteral("9"));
    QTest::mouseClick(w->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(t.stockOf(QStringLiteral("G01")), 1);
    EXPECT_EQ(w->categories()[0].lines[0].goods.stock, 1);
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("1"));
}

TEST_F(StockWindow, VanishedGoodsIsSkippedWithANotice) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    type(w, QStringLiteral("40"));
    key(w, Qt::Key_Down);
    type(w, QStringLiteral("41"));
    t.db->execute(QStringLiteral("DELETE FROM 商品マスタ WHERE 商品コード = 'G01'"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_TRUE(rec.shown()[0].text.contains(QStringLiteral("G01")));
    EXPECT_EQ(t.stockOf(QStringLiteral("G02")), 41);
    EXPECT_EQ(cell(w, 1, 0), QStringLiteral(" G02"));
}

TEST_F(StockWindow, FailedSaveKeepsTheTypedCounts) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    type(w, QStringLiteral("40"));
    t.db->execute(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON 商品マスタ BEGIN SELECT RAISE(ABORT, 'x'); END"));
    QTest::mouseClick(w->okButton(), Qt::LeftButton);
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].title, orders::kWriteErrorTitle);
    EXPECT_EQ(t.stockOf(QStringLiteral("G01")), 1);
    EXPECT_EQ(w->categories()[0].lines[0].goods.stock, 40);
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("40"));
}

TEST_F(StockWindow, ClickOnAPriceColumnMovesTheEditorToTheCount) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    QTableWidget* table = w->grid()->table();
    const QRect rect = table->visualItemRect(table->item(4 - 1, 2));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, rect.center());
    EXPECT_EQ(w->currentRow(), 4);
    EXPECT_EQ(w->currentColumn(), 6);
    EXPECT_EQ(w->grid()->editor()->text(), QStringLiteral("4"));
    EXPECT_EQ(w->categories()[0].lines[3].goods.stock, 4); // nothing copied
}

TEST_F(StockWindow, RefreshReloadsAndEndUnloads) {
    addStandardGoods();
    StockUpdateWindow* w = open(1);
    type(w, QStringLiteral("9"));
    t.db->execute(QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 33 WHERE 商品コード = 'G01'"));
    t.state.gChildState[core::kChildStockUp].RefreshRequest = core::kTrue;
    EXPECT_TRUE(QTest::qWaitFor([&] { return core::isSet(t.state.gChildState[core::kChildStockUp].RefreshDone); }, 2000));
    EXPECT_EQ(cell(w, 1, 6), QStringLiteral("33"));
    QTest::mouseClick(w->endButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
    EXPECT_EQ(t.state.gOpenDataCount, 0);
    EXPECT_EQ(t.stockOf(QStringLiteral("G01")), 33);
}
