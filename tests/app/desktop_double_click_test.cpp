// A double click on a chooser's button, walked from the menus of the real main window: the first click
// closes the chooser and opens the list; the second lands, as under a window manager, as a double click on
// the list row now under the pointer. It must act as the one click did and no more: no order cancelled,
// no date picker. Run headless and, where Xvfb and openbox are at hand, again under a real window manager.
#include "support/MainRoad.h"

#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

// One mouse event as the window system hands it to the widget, with its time.
void send(QWidget* to, QEvent::Type type, QPoint at, quint64 time) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, at, to->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    e.setTimestamp(time);
    QApplication::sendEvent(to, &e);
}

QString marks(Program& p) {
    return p.scalar(QStringLiteral("SELECT group_concat(受注No || ':' || ifnull(キャンセル, '') || ':' || "
                                   "ifnull(入金日, 0), ',') FROM 受注データ"))
        .toString();
}

} // namespace

TEST(DesktopDoubleClick, ADoubleClickOnAChooserButtonOpensTheListAndTouchesNoRow) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty())
        << p.messages().texts().join(QLatin1Char('\n')).toStdString();
    const QString before = marks(p);
    struct Case {
        const char* name;
        const char* item;
        int button; // 0 未入金のものだけ表示, 1 全て表示
        bool payment;
    };
    const std::vector<Case> cases{
        {"キャンセル処理 全て表示", "mnuCancel", 1, false},
        {"キャンセル処理 未入金のものだけ表示", "mnuCancel", 0, false},
        {"入金処理 全て表示", "mnuReceipt", 1, true},
        {"入金処理 未入金のものだけ表示", "mnuReceipt", 0, true},
    };
    quint64 time = 100000;
    for (const Case& c : cases) {
        quint64 released = 0;
        mainroad::onNextModalOf<orders::PaymentChooser>([&](orders::PaymentChooser& d) {
            QPushButton* b = d.cmd[size_t(c.button)];
            const QPoint middle = b->rect().center();
            send(b, QEvent::MouseButtonPress, middle, time += 1000);
            send(b, QEvent::MouseButtonRelease, middle, released = time + 60);
        });
        ASSERT_TRUE(p.trigger(QLatin1String(c.item))) << c.name;
        orders::OrderListWindow* w = nullptr;
        ASSERT_TRUE(waitFor([&] {
            w = c.payment ? static_cast<orders::OrderListWindow*>(p.work<orders::PaymentWindow>())
                          : p.work<orders::CancelWindow>();
            return w && w->grid()->isVisible() && w->model()->orderCount() > 0;
        })) << c.name;

        // The second press of the double click, on the first order's row: the window system makes it a
        // double click, and the release follows.
        bool pickerCame = false;
        mainroad::onNextModal(
            [&](QWidget* d) {
                pickerCame = true;
                if (auto* picker = qobject_cast<orders::CalendarDialog*>(d))
                    picker->cancelButton()->click();
            },
            300);
        QTableView* g = w->grid();
        const QPoint row = g->visualRect(g->model()->index(0, 1)).center();
        send(g->viewport(), QEvent::MouseButtonDblClick, row, released + 150);
        send(g->viewport(), QEvent::MouseButtonRelease, row, released + 210);
        waitFor([&] { return pickerCame; }, 400);

        EXPECT_FALSE(pickerCame) << c.name;
        EXPECT_EQ(marks(p), before) << c.name;
        w->endButton()->click();
        ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; })) << c.name;
        time = released + 5000;
    }
    // A click on a row a moment later is a click of its own and acts as one.
    orders::CancelWindow* w = p.openCancels();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(mainroad::clickOrder(w, 1));
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 1")).toString(),
              QStringLiteral("X"));
    w->endButton()->click();
}
