#include "orders/PaymentChooser.h"
#include "orders/StockChooser.h"

#include "ui/MessageService.h"

#include <QCloseEvent>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

using namespace orders;
using namespace core;

namespace {

class ChooserTest : public ::testing::Test {
protected:
    void SetUp() override { ui::setMessageService(&rec); }
    void TearDown() override { ui::setMessageService(nullptr); }

    // Presses button i of the first chooser that becomes the active modal dialog.
    void pressLater(int i) {
        QTimer::singleShot(0, [i] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* p = qobject_cast<PaymentChooser*>(w); p && p->isVisible())
                    p->cmd[size_t(i)]->click();
                if (auto* st = qobject_cast<StockChooser*>(w); st && st->isVisible())
                    st->cmd[size_t(i)]->click();
            }
        });
    }

    ui::RecordingMessageService rec;
    AppState s;
};

} // namespace

TEST_F(ChooserTest, PaymentChooserStoresTheIndexForItsList) {
    for (int i = 0; i < 3; ++i) {
        s.gPaymentListMode = 9;
        s.gCancelListMode = 9;
        pressLater(i);
        EXPECT_EQ(choosePaymentList(s, nullptr, true), i);
        EXPECT_EQ(s.gPaymentListMode, i);
        EXPECT_EQ(s.gCancelListMode, 9);

        pressLater(i);
        EXPECT_EQ(choosePaymentList(s, nullptr, false), i);
        EXPECT_EQ(s.gCancelListMode, i);
        EXPECT_EQ(s.gPaymentListMode, i);
    }
    EXPECT_EQ(rec.beeps(), 6); // every opening beeps once
}

TEST_F(ChooserTest, CaptionsFollowTheList) {
    s.gPrepForPayment = kFalse;
    PaymentChooser cancel(s);
    EXPECT_EQ(cancel.windowTitle(), QStringLiteral("受注キャンセル処理"));
    EXPECT_EQ(cancel.cmd[0]->text(), QStringLiteral("未入金のものだけ表示"));
    EXPECT_EQ(cancel.cmd[1]->text(), QStringLiteral("全て表示"));
    EXPECT_EQ(cancel.cmd[2]->text(), QStringLiteral("キャンセル"));
    s.gPrepForPayment = kTrue;
    PaymentChooser pay(s);
    EXPECT_EQ(pay.windowTitle(), QStringLiteral("入金処理"));
    StockChooser stock(s);
    EXPECT_EQ(stock.windowTitle(), QStringLiteral("在庫更新"));
    EXPECT_EQ(stock.cmd[0]->text(), QStringLiteral("在庫不足品だけ表示"));
}

TEST_F(ChooserTest, StockChooserAndNoCloseBox) {
    for (int i = 0; i < 3; ++i) {
        pressLater(i);
        EXPECT_EQ(chooseStockList(s, nullptr), i);
    }
    StockChooser d(s);
    d.show();
    d.close(); // the window manager's close is ignored
    EXPECT_TRUE(d.isVisible());
    d.cmd[1]->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(s.gStockListMode, 1);
}
