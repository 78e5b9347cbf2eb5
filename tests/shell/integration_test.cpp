// The main window with the real work windows of the other subsystems registered.
#include "shell/MainWindow.h"

#include "masters/Register.h"
#include "orders/PaymentRegister.h"
#include "support/TestEnv.h"
#include "ui/MessageService.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <gtest/gtest.h>

using namespace shell;
using namespace core;

namespace {

void waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Presses the given button of whatever modal chooser shows up next.
void pressChooser(int index) {
    QTimer::singleShot(0, [index] {
        if (QWidget* w = QApplication::activeModalWidget())
            if (auto buttons = w->findChildren<QPushButton*>(); index < buttons.size())
                buttons[index]->click();
    });
}

} // namespace

TEST(ShellIntegration, WorkWindowsOpenLockEachOtherAndCloseWithTheDatabase) {
    QSettings(QStringLiteral("Varnox"), QStringLiteral("Varnox")).clear();
    masters::registerWindows();
    orders::registerPaymentWindows();
    ui::RecordingMessageService rec;
    ui::setMessageService(&rec);
    testenv::TempFolder tmp;
    AppState s;
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
    h.saveDatabasePath = [&](QWidget*) { return tmp.path("shop.vrd"); };
    {
        MainWindow w(s, h);
        w.resize(900, 600);
        w.show();
        w.mnuFileNew_Click();
        ASSERT_FALSE(s.gOpenDbName.isEmpty());

        w.item(QStringLiteral("mnuManComm"))->trigger();
        w.item(QStringLiteral("mnuManCli"))->trigger();
        waitFor([&] { return isSet(s.gChildState[kChildGoodsM].Open) && isSet(s.gChildState[kChildClientM].Open); });
        EXPECT_EQ(s.gOpenMasterCount, 2);
        EXPECT_FALSE(w.item(QStringLiteral("mnuOrder"))->isEnabled());
        for (const char* key : {"Get", "Money", "Invoice", "Stock"})
            EXPECT_FALSE(w.button(QLatin1String(key))->isEnabled()) << key;
        w.arrange(2);
        const QString out = qEnvironmentVariable("VARNOX_GRAB_DIR");
        if (!out.isEmpty())
            w.grab().save(out + "/main_with_masters.png");

        w.mnuFileClose_Click();
        waitFor([&] { return w.mdiArea()->subWindowList().isEmpty(); });
        EXPECT_TRUE(w.mdiArea()->subWindowList().isEmpty());
        EXPECT_EQ(s.gOpenMasterCount, 0);
        EXPECT_FALSE(isSet(s.gChildState[kChildGoodsM].Open));

        // Reopen: the payment and stock windows, past their choosers, find nothing in a new database
        // and close themselves, giving back their counts and menu items.
        w.mnuFileNew_Click();
        rec.clear();
        pressChooser(1);
        w.mnuReceipt_Click();
        pressChooser(0);
        w.mnuStockUp_Click();
        waitFor([&] { return rec.texts().size() == 2 && w.mdiArea()->subWindowList().isEmpty(); });
        EXPECT_EQ(rec.texts(), (QStringList{QStringLiteral("データが空です。"), QStringLiteral("データが空です。")}));
        EXPECT_EQ(s.gPaymentListMode, 1);
        EXPECT_EQ(s.gStockListMode, 0);
        waitFor([&] { return s.gOpenDataCount == 0; });
        EXPECT_EQ(s.gOpenDataCount, 0);
        EXPECT_TRUE(w.item(QStringLiteral("mnuManComm"))->isEnabled());
        EXPECT_TRUE(w.item(QStringLiteral("mnuReceipt"))->isEnabled());
        EXPECT_TRUE(w.button(QStringLiteral("Money"))->isEnabled());
        EXPECT_TRUE(w.button(QStringLiteral("Stock"))->isEnabled());
        w.mnuFileClose_Click();
        EXPECT_TRUE(w.item(QStringLiteral("mnuFileNew"))->isEnabled());
    }
    ui::setMessageService(nullptr);
}
