#include "shell/MainWindow.h"

#include "frame/ChildWindow.h"
#include "frame/WindowRegistry.h"
#include "orders/PaymentChooser.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

using namespace shell;
using namespace core;

namespace {

int gReloads = 0;

// A work window that follows the child-window contract and gives back its count on unload.
class TestChild : public frame::ChildWindow {
public:
    TestChild(AppState& s, int child, int form, bool master, QWidget* parent)
        : frame::ChildWindow(s, child, form, master ? WatchForm::Master : WatchForm::Other, parent),
          master_(master) {
        resize(200, 120);
    }

protected:
    bool buildContents() override {
        if (!master_)
            state().gProgressCount = -1; // a list window ends the progress window when built
        return true;
    }
    void reloadData() override { ++gReloads; }
    void onUnload() override {
        if (master_)
            --state().gOpenMasterCount;
        else
            --state().gOpenDataCount;
        if (!master_)
            state().gProgressCount = -1;
    }

private:
    bool master_;
};

void registerChild(const char* name, int child, int form, bool master) {
    frame::registerWindow(QLatin1String(name), [child, form, master](AppState& s, QWidget* parent) {
        return new TestChild(s, child, form, master, parent);
    });
}

// A condition dialog that answers as told.
bool gCondAnswer = false;
class TestCondition : public QDialog {
public:
    TestCondition(AppState& s, QWidget* parent) : QDialog(parent) {
        QTimer::singleShot(0, this, [this, &s] {
            s.gCondAccepted = vbool(gCondAnswer);
            done(0);
        });
    }
};

void waitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

class BroadcastTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registerChild("frmGoodsM", kChildGoodsM, kFormGoodsM, true);
        registerChild("frmClientM", kChildClientM, kFormClientM, true);
        registerChild("frmGetOrder", kChildGetOrder, kFormGetOrder, false);
        registerChild("frmPayment", kChildPayment, kFormPayment, false);
        registerChild("frmVComm", kChildVComm, kFormVComm, false);
        registerChild("frmVInfA", kChildVInfA, kFormVInfA, false);
        // A window that never builds and so never sets its open flag.
        frame::registerWindow(QStringLiteral("frmDetailM"), [](AppState&, QWidget* p) { return new QWidget(p); });
        frame::registerWindow(QStringLiteral("frmCondition"),
                              [](AppState& s, QWidget* p) { return new TestCondition(s, p); });
    }
    void SetUp() override {
        QSettings(QStringLiteral("Varnox"), QStringLiteral("Varnox")).clear();
        ui::setMessageService(&rec);
        InitFieldLimits(s);
        s.gPrinterReady = kTrue;
        MainWindowHooks h;
        h.animateUnload = false;
        h.newDatabaseSettings = [](AppState& st, QWidget*) -> std::optional<NewDatabaseSettings> {
            st.categories.CatInit();
            st.categories.CatSet(1, QStringLiteral("食品"));
            st.categories.gCatCount = 1;
            return NewDatabaseSettings{};
        };
        h.saveDatabasePath = [this](QWidget*) { return tmp.path("shop.vrd"); };
        h.openUrl = [this](const QUrl& u) { urls << u; };
        main = std::make_unique<MainWindow>(s, h);
        main->show();
        gReloads = 0;
    }
    void TearDown() override {
        main->mnuFileClose_Click();
        main.reset();
        ui::setMessageService(nullptr);
    }
    void openDb() {
        main->mnuFileNew_Click();
        ASSERT_FALSE(s.gOpenDbName.isEmpty());
    }
    bool on(const char* item) { return main->item(QLatin1String(item))->isEnabled(); }
    bool button(const char* key) { return main->button(QLatin1String(key))->isEnabled(); }
    int subWindows() { return int(main->mdiArea()->subWindowList().size()); }

    testenv::TempFolder tmp;
    ui::RecordingMessageService rec;
    AppState s;
    std::unique_ptr<MainWindow> main;
    QList<QUrl> urls;
};

} // namespace

TEST_F(BroadcastTest, CloseWithNoChildCompletesAndSetsClosedState) {
    main->mnuFileClose_Click();
    EXPECT_EQ(s.gAllClosed, kTrue);
    EXPECT_EQ(main->statusText(1), QStringLiteral("ＤＢは開いていません"));
    EXPECT_FALSE(on("mnuFileClose"));
}

TEST_F(BroadcastTest, MasterWindowsLockDataCommandsUntilTheLastCloses) {
    openDb();
    main->item("mnuManComm")->trigger();
    main->item("mnuManCli")->trigger();
    EXPECT_EQ(s.gOpenMasterCount, 2);
    EXPECT_EQ(subWindows(), 2);
    for (const char* off : {"mnuManComm", "mnuManCli", "mnuOrder", "mnuReceipt", "mnuCancel", "mnuStockUp", "mnuDsp",
                            "mnuFilePrint", "mnuFilePrintPreview", "mnuImpComm", "mnuImpCli", "mnuImpEmp"})
        EXPECT_FALSE(on(off)) << off;
    EXPECT_TRUE(on("mnuManEmp"));
    for (const char* key : {"Get", "Money", "Invoice", "Stock"})
        EXPECT_FALSE(button(key)) << key;
    EXPECT_TRUE(button("Close"));
    EXPECT_TRUE(button("Refresh"));

    main->mdiArea()->subWindowList().first()->close();
    waitFor([&] { return subWindows() == 1; });
    EXPECT_EQ(s.gOpenMasterCount, 1);
    EXPECT_FALSE(on("mnuOrder"));
    EXPECT_FALSE(button("Get"));

    main->mnuFileClose_Click(); // the close-all broadcast takes the last one
    EXPECT_EQ(s.gChildState[kChildClientM].Open, kFalse);
    EXPECT_EQ(s.gChildState[kChildGoodsM].CloseRequest, kFalse);
    waitFor([&] { return subWindows() == 0; });
    EXPECT_EQ(subWindows(), 0);
    EXPECT_EQ(s.gOpenMasterCount, 0);
    EXPECT_TRUE(s.gDbPath.isEmpty());
}

TEST_F(BroadcastTest, CloseAlsoTakesAWindowThatNeverBuilt) {
    openDb();
    main->item("mnuManRecD")->trigger();
    EXPECT_EQ(subWindows(), 1);
    EXPECT_FALSE(on("mnuManRecD"));
    main->mnuFileClose_Click();
    waitFor([&] { return subWindows() == 0; });
    EXPECT_EQ(subWindows(), 0);
    EXPECT_EQ(s.gOpenMasterCount, 0);
    EXPECT_FALSE(on("mnuManRecD")); // no database
}

TEST_F(BroadcastTest, MasterItemsNeedADatabase) {
    EXPECT_FALSE(on("mnuManComm"));
    main->openMaster(QStringLiteral("mnuManComm")); // a stray call opens nothing without a database
    EXPECT_EQ(subWindows(), 0);
    EXPECT_EQ(s.gOpenMasterCount, 0);
    openDb();
    EXPECT_TRUE(on("mnuManComm"));
}

TEST_F(BroadcastTest, DataAndListWindowsTogether) {
    openDb();
    main->mnuOrder_Click();
    EXPECT_FALSE(on("mnuOrder"));
    EXPECT_FALSE(button("Get"));
    EXPECT_FALSE(on("mnuMyNameChange"));
    main->item("mnuVComm")->trigger();
    EXPECT_EQ(s.gOpenDataCount, 2);
    EXPECT_FALSE(on("mnuVComm"));
    for (const char* m : {"mnuManComm", "mnuManCli", "mnuManEmp", "mnuManRecG", "mnuManRecD"})
        EXPECT_FALSE(on(m)) << m;

    // The progress stand-in frees the top menus once the list has been built.
    waitFor([&] { return on("mnuFile"); });
    EXPECT_TRUE(on("mnuFile"));

    EXPECT_EQ(s.gChildState[kChildGetOrder].Open, kTrue);
    EXPECT_EQ(s.gChildState[kChildVComm].Open, kTrue);
    main->mdiArea()->subWindowList().first()->close();
    waitFor([&] { return subWindows() == 1; });
    EXPECT_FALSE(on("mnuManComm")); // one data window is still open
    main->mdiArea()->subWindowList().first()->close();
    waitFor([&] { return subWindows() == 0; });
    EXPECT_TRUE(on("mnuManComm"));
    EXPECT_TRUE(on("mnuOrder"));
    EXPECT_TRUE(on("mnuMyNameChange"));
    EXPECT_EQ(s.gOpenDataCount, 0);
}

TEST_F(BroadcastTest, RefreshReloadsOpenChildrenAndClearsFlags) {
    openDb();
    main->mnuOrder_Click();
    waitFor([&] { return s.gChildState[kChildGetOrder].Open == kTrue; });

    rec.queueAnswer(ui::Answer::No);
    main->mnuViewRefresh_Click();
    EXPECT_EQ(gReloads, 0);
    EXPECT_EQ(s.gChildState[kChildGetOrder].RefreshRequest, kFalse);

    main->mnuViewRefresh_Click(); // Yes
    EXPECT_EQ(gReloads, 1);
    ASSERT_EQ(rec.shown().size(), 2u);
    EXPECT_EQ(rec.shown()[1].text, QStringLiteral("使用中のＤＢを最新状態にしてもよろしいですか？"));
    EXPECT_EQ(rec.shown()[1].title, QStringLiteral("入力中の情報はクリアされます"));
    EXPECT_TRUE(rec.shown()[1].beepBefore);
    EXPECT_EQ(rec.shown()[1].icon, ui::Icon::None);
    for (const ChildStateRec& r : s.gChildState) {
        EXPECT_EQ(r.RefreshRequest, kFalse);
        EXPECT_EQ(r.RefreshDone, kFalse);
    }
    EXPECT_EQ(s.gEditWaitCanClose, kTrue);
    EXPECT_TRUE(button("Refresh"));
}

TEST_F(BroadcastTest, RefreshEndsWhenTheLastChildIsClosedDuringTheWait) {
    openDb();
    main->mnuOrder_Click();
    waitFor([&] { return s.gChildState[kChildGetOrder].Open == kTrue; });
    // The user closes the window before its watcher answers.
    QTimer::singleShot(50, main.get(), [this] {
        EXPECT_FALSE(button("Refresh")); // disabled during the wait
        main->mdiArea()->subWindowList().first()->close();
    });
    QElapsedTimer t;
    t.start();
    main->mnuViewRefresh_Click();
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_EQ(s.gRefreshDone, kTrue);
    EXPECT_TRUE(button("Refresh"));
}

TEST_F(BroadcastTest, RefreshWithNoChildCompletes) {
    openDb();
    main->mnuViewRefresh_Click();
    EXPECT_EQ(s.gRefreshDone, kTrue);
}

TEST_F(BroadcastTest, StandInsChangeNothing) {
    openDb();
    struct Case {
        const char* what;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"stock update window", [&] { main->mnuStockUp_Click(); }},
        {"cancellation window", [&] { main->mnuCancel_Click(); }},
        {"employee master", [&] { main->openMaster(QStringLiteral("mnuManEmp")); }},
        {"list window", [&] { main->item("mnuVLack")->trigger(); }},
        {"invoice button", [&] { main->tbToolBar_ButtonClick(QStringLiteral("Invoice")); }},
        {"import", [&] { main->item("mnuImpCli")->trigger(); }},
        {"preview", [&] { main->item("mnuPvComm")->trigger(); }},
    };
    for (const Case& c : cases) {
        rec.clear();
        c.run();
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        EXPECT_EQ(rec.shown()[0].text, MainWindow::notAvailableText()) << c.what;
        EXPECT_EQ(s.gOpenDataCount, 0) << c.what;
        EXPECT_EQ(s.gOpenMasterCount, 0) << c.what;
        EXPECT_EQ(subWindows(), 0) << c.what;
        EXPECT_TRUE(on("mnuManComm")) << c.what;
        EXPECT_TRUE(on("mnuFile")) << c.what;
    }
}

TEST_F(BroadcastTest, CancelledDialogsChangeNothing) {
    openDb();
    gCondAnswer = false;
    main->item("mnuVInfA")->trigger();
    EXPECT_EQ(s.gCondReport, 6);
    EXPECT_EQ(s.gCondForPrint, kFalse);
    EXPECT_EQ(subWindows(), 0);
    EXPECT_EQ(s.gOpenDataCount, 0);
    EXPECT_TRUE(on("mnuVInfA"));

    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* c = qobject_cast<orders::PaymentChooser*>(w); c && c->isVisible())
                c->cmd[2]->click();
    });
    main->mnuReceipt_Click();
    EXPECT_EQ(s.gPaymentListMode, 2);
    EXPECT_EQ(subWindows(), 0);
    EXPECT_TRUE(on("mnuReceipt"));
    EXPECT_TRUE(button("Money"));

    gCondAnswer = true;
    main->item("mnuVInfA")->trigger();
    EXPECT_EQ(subWindows(), 1);
    EXPECT_FALSE(on("mnuVInfA"));
}

TEST_F(BroadcastTest, ToolbarDispatchHelpAndAutoFocus) {
    main->tbToolBar_ButtonClick(QStringLiteral("new")); // keys are exact
    main->tbToolBar_ButtonClick(QString());
    EXPECT_TRUE(rec.shown().empty());
    main->tbToolBar_ButtonClick(QStringLiteral("New"));
    EXPECT_EQ(s.gDbPath, tmp.path("shop.vrd"));

    int printed = 0;
    frame::registerCommand(QStringLiteral("mnuPrInv"), [&](AppState&, QWidget*) { ++printed; });
    main->tbToolBar_ButtonClick(QStringLiteral("Invoice"));
    EXPECT_EQ(printed, 1);
    frame::registerCommand(QStringLiteral("mnuPrInv"), {});

    main->mnuHelpContents_Click();
    main->mnuWhatsnew_Click();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_TRUE(urls[0].toLocalFile().endsWith(QStringLiteral("/VARNOX.HLP")));
    EXPECT_EQ(urls[1].scheme(), QStringLiteral("https"));

    for (int i = 0; i < 2; ++i) {
        s.gActiveFormId = kFormVCli;
        main->item("mnuViewAutoFOcus")->trigger();
        EXPECT_EQ(s.gActiveFormId, kFormNone);
    }
    EXPECT_EQ(s.gAutoFocus, kFalse);
}

TEST_F(BroadcastTest, TipsAndToolbarToggles) {
    main->item("mnuTip")->trigger();
    for (const char* key : {"New", "Open", "Close", "Get", "Money", "Invoice", "Stock", "Refresh"})
        EXPECT_EQ(main->button(QLatin1String(key))->toolTip(), QString()) << key;
    main->item("mnuTip")->trigger();
    const std::vector<std::pair<const char*, const char*>> tips = {
        {"New", "ＤＢ作成"}, {"Open", "ＤＢオープン"}, {"Close", "ＤＢを閉じる"}, {"Get", "受注データ入力"},
        {"Money", "入金処理"}, {"Invoice", "請求書印刷"}, {"Stock", "在庫更新"}, {"Refresh", "リフレッシュ"}};
    for (const auto& [key, tip] : tips)
        EXPECT_EQ(main->button(QLatin1String(key))->toolTip(), QString::fromUtf8(tip)) << key;

    main->item("mnuViewToolbar")->trigger();
    EXPECT_EQ(s.gShowToolbar, kFalse);
    main->item("mnuViewToolbar")->trigger();
    EXPECT_FALSE(button("Close")); // hiding and showing keeps the disabled buttons
    EXPECT_TRUE(button("New"));
}
