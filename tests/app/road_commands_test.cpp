// The main window's openers, locks and broadcasts with the real work windows behind them: which
// commands a master, data or list window locks, the refresh and close broadcasts, cancelled choosers.
#include "support/MainRoad.h"

#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentChooser.h"
#include "orders/StockChooser.h"
#include "printing/PrintCommands.h"
#include "reports/ConditionDialog.h"
#include "reports/InvoiceScopeDialog.h"
#include "viewers/ListWindow.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::waitFor;
using namespace core;

namespace {

bool on(Program& p, const char* item) { return p.window().item(QLatin1String(item))->isEnabled(); }
bool button(Program& p, const char* key) { return p.window().button(QLatin1String(key))->isEnabled(); }
bool isOpen(Program& p, int child) { return isSet(p.state().gChildState[size_t(child)].Open); }

} // namespace

TEST(RoadCommands, CloseCompletesAndLeavesTheClosedState) {
    Program p;
    EXPECT_FALSE(on(p, "mnuFileClose")); // nothing to close yet
    ASSERT_FALSE(p.newDatabase(QStringLiteral("shop.vrd")).isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_EQ(p.state().gAllClosed, kTrue);
    EXPECT_EQ(p.window().statusText(1), QStringLiteral("ＤＢは開いていません"));
    EXPECT_FALSE(on(p, "mnuFileClose"));
    for (const char* item : {"mnuManComm", "mnuOrder", "mnuMyNameChange"})
        EXPECT_FALSE(on(p, item)) << item;
}

TEST(RoadCommands, MasterWindowsLockTheDataCommandsUntilTheLastCloses) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuManComm"));
    p.trigger(QStringLiteral("mnuManCli"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, kChildGoodsM) && isOpen(p, kChildClientM); }));
    EXPECT_EQ(p.state().gOpenMasterCount, 2);
    EXPECT_EQ(p.workCount(), 2);
    for (const char* off : {"mnuManComm", "mnuManCli", "mnuOrder", "mnuReceipt", "mnuCancel", "mnuStockUp",
                            "mnuFilePrint", "mnuFilePrintPreview", "mnuImpComm", "mnuImpCli", "mnuImpEmp", "mnuDsp"})
        EXPECT_FALSE(on(p, off)) << off;
    EXPECT_TRUE(on(p, "mnuManEmp"));
    for (const char* key : {"Get", "Money", "Invoice", "Stock"})
        EXPECT_FALSE(button(p, key)) << key;
    EXPECT_TRUE(button(p, "Close"));
    EXPECT_TRUE(button(p, "Refresh"));

    p.window().mdiArea()->subWindowList().first()->close();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 1; }));
    EXPECT_EQ(p.state().gOpenMasterCount, 1);
    EXPECT_FALSE(on(p, "mnuOrder"));
    EXPECT_FALSE(button(p, "Get"));

    p.trigger(QStringLiteral("mnuFileClose")); // the close-all broadcast takes the last one
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(p.state().gOpenMasterCount, 0);
    EXPECT_FALSE(isOpen(p, kChildClientM));
    EXPECT_EQ(p.state().gChildState[kChildGoodsM].CloseRequest, kFalse);
    EXPECT_TRUE(p.state().gDbPath.isEmpty());
}

TEST(RoadCommands, CloseRightAfterOpeningTakesAWindowStillBeingBuilt) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuManRecD"));
    EXPECT_EQ(p.workCount(), 1);
    EXPECT_FALSE(on(p, "mnuManRecD"));
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(p.state().gOpenMasterCount, 0);
    EXPECT_FALSE(on(p, "mnuManRecD")); // no database
}

TEST(RoadCommands, DataWindowsLockTheMastersAndGiveThemBackWhenTheLastCloses) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuOrder"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, kChildGetOrder); }));
    EXPECT_FALSE(on(p, "mnuOrder"));
    EXPECT_FALSE(button(p, "Get"));
    EXPECT_FALSE(on(p, "mnuMyNameChange"));
    mainroad::onNextModalOf<orders::StockChooser>([](orders::StockChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuStockUp"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, kChildStockUp); })) << joined(p).toStdString();
    EXPECT_EQ(p.state().gOpenDataCount, 2);
    EXPECT_FALSE(on(p, "mnuStockUp"));
    for (const char* m : {"mnuManComm", "mnuManCli", "mnuManEmp", "mnuManRecG", "mnuManRecD"})
        EXPECT_FALSE(on(p, m)) << m;
    EXPECT_TRUE(on(p, "mnuFile"));

    p.window().mdiArea()->subWindowList().first()->close();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 1; }));
    EXPECT_FALSE(on(p, "mnuManComm")); // one data window is still open
    p.window().mdiArea()->subWindowList().first()->close();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_TRUE(on(p, "mnuManComm"));
    EXPECT_TRUE(on(p, "mnuOrder"));
    EXPECT_TRUE(on(p, "mnuMyNameChange"));
    EXPECT_EQ(p.state().gOpenDataCount, 0);
}

TEST(RoadCommands, RefreshReloadsTheOpenWindowsFromTheDatabase) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuOrder"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, kChildGetOrder); }));
    auto* w = p.work<orders::GetOrderWindow>();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(waitFor([&] { return w->grid()->textAt(5, 0).trimmed() == QStringLiteral("G05"); }));
    EXPECT_EQ(w->grid()->textAt(6, 0).trimmed(), QString());
    {
        db::Database d(p.state().gDbPath); // another program adds a goods meanwhile
        d.execute(QStringLiteral("INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)"),
                  {8, QStringLiteral("G06"), QStringLiteral("味噌"), QVariant::fromValue(db::Currency::fromUnits(600)),
                   QVariant::fromValue(db::Currency::fromUnits(450)), QVariant::fromValue(db::Currency::fromUnits(300)),
                   8.0, 10, 2, QStringLiteral("食品")});
    }

    p.messages().queueAnswer(ui::Answer::No);
    p.trigger(QStringLiteral("mnuViewRefresh"));
    EXPECT_EQ(p.state().gChildState[kChildGetOrder].RefreshRequest, kFalse);
    QTest::qWait(200);
    EXPECT_EQ(w->grid()->textAt(6, 0).trimmed(), QString());

    p.trigger(QStringLiteral("mnuViewRefresh")); // Yes
    ASSERT_EQ(p.messages().shown().size(), 2u);
    EXPECT_EQ(p.messages().shown()[1].text, QStringLiteral("使用中のＤＢを最新状態にしてもよろしいですか？"));
    EXPECT_EQ(p.messages().shown()[1].title, QStringLiteral("入力中の情報はクリアされます"));
    EXPECT_TRUE(p.messages().shown()[1].beepBefore);
    w = p.work<orders::GetOrderWindow>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(waitFor([&] { return w->grid()->textAt(6, 0).trimmed() == QStringLiteral("G06"); }));
    for (const ChildStateRec& r : p.state().gChildState) {
        EXPECT_EQ(r.RefreshRequest, kFalse);
        EXPECT_EQ(r.RefreshDone, kFalse);
    }
    EXPECT_EQ(p.state().gEditWaitCanClose, kTrue);
    EXPECT_TRUE(button(p, "Refresh"));
    EXPECT_EQ(p.state().gRefreshDone, kTrue);
}

TEST(RoadCommands, RefreshEndsWhenTheLastWindowIsClosedDuringTheWait) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty()) << joined(p).toStdString();
    p.trigger(QStringLiteral("mnuOrder"));
    ASSERT_TRUE(waitFor([&] { return isOpen(p, kChildGetOrder); }));
    QTimer::singleShot(0, &p.window(), [&p] {
        EXPECT_FALSE(button(p, "Refresh")); // disabled during the wait
        p.window().mdiArea()->subWindowList().first()->close();
    });
    QElapsedTimer t;
    t.start();
    p.trigger(QStringLiteral("mnuViewRefresh"));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_EQ(p.state().gRefreshDone, kTrue);
    EXPECT_TRUE(button(p, "Refresh"));
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
}

TEST(RoadCommands, CancelledChoosersAndDialogsOpenNothing) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    struct Case {
        const char* item;
        std::function<void()> answer; // presses the dialog's cancel
    };
    const std::vector<Case> cases{
        {"mnuVInfA", [] { mainroad::onNextModalOf<reports::ConditionDialog>([](reports::ConditionDialog& d) { d.cmdCan()->click(); }); }},
        {"mnuVInv", [] { mainroad::onNextModalOf<reports::InvoiceScopeDialog>([](reports::InvoiceScopeDialog& d) { d.command1(reports::kScopeCancel)->click(); }); }},
        {"mnuReceipt", [] { mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[2]->click(); }); }},
        {"mnuCancel", [] { mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[2]->click(); }); }},
        {"mnuStockUp", [] { mainroad::onNextModalOf<orders::StockChooser>([](orders::StockChooser& c) { c.cmd[2]->click(); }); }},
        {"mnuPrGetY", [] { mainroad::onNextModalOf<reports::ConditionDialog>([](reports::ConditionDialog& d) { d.cmdCan()->click(); }); }},
        {"mnuPvInfS", [] { mainroad::onNextModalOf<reports::ConditionDialog>([](reports::ConditionDialog& d) { d.cmdCan()->click(); }); }},
    };
    const QString pdfs = printing::PdfFallbackFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        p.messages().clear();
        const QStringList before = QDir(pdfs).entryList(QDir::Files);
        c.answer();
        p.trigger(QLatin1String(c.item));
        EXPECT_EQ(p.workCount(), 0);
        EXPECT_EQ(p.state().gOpenDataCount, 0);
        EXPECT_TRUE(on(p, c.item));
        EXPECT_TRUE(on(p, "mnuManComm"));
        EXPECT_TRUE(p.window().isEnabled());
        EXPECT_EQ(QDir(pdfs).entryList(QDir::Files), before);
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    }
    EXPECT_EQ(p.state().gPaymentListMode, 2);
    EXPECT_EQ(p.state().gStockListMode, 2);

    // The condition answered: the list opens.
    mainroad::onNextModalOf<reports::ConditionDialog>([](reports::ConditionDialog& d) { d.cmdOK()->click(); });
    p.trigger(QStringLiteral("mnuVInfA"));
    EXPECT_EQ(p.workCount(), 1);
    EXPECT_EQ(p.state().gCondReport, 6);
    EXPECT_FALSE(on(p, "mnuVInfA"));
}

TEST(RoadCommands, InvoiceButtonStartsTheInvoicePrintAndHelpGoesToTheDesktop) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    bool asked = false;
    mainroad::onNextModalOf<reports::InvoiceScopeDialog>([&](reports::InvoiceScopeDialog& d) {
        asked = d.option1(0) != nullptr; // the print flavour, with the page options
        d.command1(reports::kScopeCancel)->click();
    });
    p.window().tbToolBar_ButtonClick(QStringLiteral("Invoice"));
    EXPECT_TRUE(asked);
    p.window().tbToolBar_ButtonClick(QStringLiteral("new")); // keys are exact
    p.window().tbToolBar_ButtonClick(QString());
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();

    for (int i = 0; i < 2; ++i) {
        p.state().gActiveFormId = kFormVCli;
        p.trigger(QStringLiteral("mnuViewAutoFOcus"));
        EXPECT_EQ(p.state().gActiveFormId, kFormNone);
    }
    EXPECT_EQ(p.state().gAutoFocus, kFalse);
}

TEST(RoadCommands, TipsAndToolbarToggles) {
    Program p;
    p.trigger(QStringLiteral("mnuTip"));
    for (const char* key : {"New", "Open", "Close", "Get", "Money", "Invoice", "Stock", "Refresh"})
        EXPECT_EQ(p.window().button(QLatin1String(key))->toolTip(), QString()) << key;
    p.trigger(QStringLiteral("mnuTip"));
    const std::vector<std::pair<const char*, const char*>> tips = {
        {"New", "ＤＢ作成"}, {"Open", "ＤＢオープン"}, {"Close", "ＤＢを閉じる"}, {"Get", "受注データ入力"},
        {"Money", "入金処理"}, {"Invoice", "請求書印刷"}, {"Stock", "在庫更新"}, {"Refresh", "リフレッシュ"}};
    for (const auto& [key, tip] : tips)
        EXPECT_EQ(p.window().button(QLatin1String(key))->toolTip(), QString::fromUtf8(tip)) << key;

    p.trigger(QStringLiteral("mnuViewToolbar"));
    EXPECT_EQ(p.state().gShowToolbar, kFalse);
    p.trigger(QStringLiteral("mnuViewToolbar"));
    EXPECT_FALSE(button(p, "Close")); // hiding and showing keeps the disabled buttons
    EXPECT_TRUE(button(p, "New"));
}

TEST(RoadCommands, DataWindowsOfANewDatabaseFindNothingAndGiveBackTheirCounts) {
    Program p;
    ASSERT_FALSE(p.newDatabase(QStringLiteral("empty.vrd")).isEmpty()) << joined(p).toStdString();
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
    p.trigger(QStringLiteral("mnuReceipt"));
    mainroad::onNextModalOf<orders::StockChooser>([](orders::StockChooser& c) { c.cmd[0]->click(); });
    p.trigger(QStringLiteral("mnuStockUp"));
    EXPECT_TRUE(waitFor([&] { return p.messages().texts().size() == 2 && p.workCount() == 0; }));
    EXPECT_EQ(p.messages().texts(), (QStringList{QStringLiteral("データが空です。"), QStringLiteral("データが空です。")}));
    EXPECT_EQ(p.state().gPaymentListMode, 1);
    EXPECT_EQ(p.state().gStockListMode, 0);
    EXPECT_TRUE(waitFor([&] { return p.state().gOpenDataCount == 0; }));
    for (const char* item : {"mnuManComm", "mnuReceipt", "mnuStockUp"})
        EXPECT_TRUE(on(p, item)) << item;
    EXPECT_TRUE(button(p, "Money"));
    EXPECT_TRUE(button(p, "Stock"));
}
