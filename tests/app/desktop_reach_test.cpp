// Every button of the work windows stays within reach whatever size the window is given: tiled side by
// side, stacked, or dragged smaller than its design, the window scrolls its contents instead of cutting
// them off, and the order grid keeps its heads and counts whole. Run headless at
// scale 1 and 2 and, where Xvfb and openbox are at hand, again under a real window manager.
#include "support/MainRoad.h"

#include "masters/MasterWindow.h"
#include "orders/CancelWindow.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentWindow.h"
#include "orders/StockChooser.h"
#include "orders/StockUpdateWindow.h"
#include "viewers/ListWindow.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

std::string rectText(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

// What a person can do to bring a button into view: scroll every scrolling area around it. Then the whole
// button must be uncovered, on the screen, and its caption whole.
std::string unreachable(QPushButton* b) {
    for (QWidget* w = b->parentWidget(); w; w = w->parentWidget())
        if (auto* area = qobject_cast<QScrollArea*>(w))
            area->ensureWidgetVisible(b, 0, 0);
    QCoreApplication::processEvents();
    const QRect global(b->mapToGlobal(QPoint(0, 0)), b->size());
    const QScreen* screen = b->screen();
    if (b->visibleRegion() != QRegion(b->rect()))
        return "cut to " + rectText(b->visibleRegion().boundingRect()) + " of " + rectText(b->rect());
    if (screen && !screen->geometry().contains(global))
        return "off the screen at " + rectText(global);
    if (b->fontMetrics().horizontalAdvance(b->text()) > b->contentsRect().width())
        return "caption cut at width " + std::to_string(b->width());
    return {};
}

// The order, payment, cancellation, stock and a list window, opened from their menus.
struct Opened {
    const char* name;
    QWidget* window;
};

std::vector<Opened> openOrderWork(Program& p) {
    std::vector<Opened> out;
    p.trigger(QStringLiteral("mnuOrder"));
    orders::GetOrderWindow* order = nullptr;
    EXPECT_TRUE(
        waitFor([&] { return (order = p.work<orders::GetOrderWindow>()) && order->hasPendingOrder(); }));
    out.push_back({"受注データ入力", order});
    out.push_back({"入金処理", p.openPayments()});
    out.push_back({"キャンセル処理", p.openCancels()});
    mainroad::onNextModalOf<orders::StockChooser>([](orders::StockChooser& c) { c.cmd[0]->click(); });
    p.trigger(QStringLiteral("mnuStockUp"));
    orders::StockUpdateWindow* stock = nullptr;
    EXPECT_TRUE(waitFor([&] { return (stock = p.work<orders::StockUpdateWindow>()) != nullptr; }));
    out.push_back({"在庫更新", stock});
    p.trigger(QStringLiteral("mnuVEmp"));
    viewers::ListWindow* list = nullptr;
    EXPECT_TRUE(waitFor([&] { return (list = p.work<viewers::ListWindow>()) && list->loaded(); }));
    out.push_back({"社員マスタ一覧", list});
    EXPECT_TRUE(p.waitLaidOut());
    return out;
}

// The three master windows, which open only while no order or list window is open.
std::vector<Opened> openMasters(Program& p) {
    std::vector<Opened> out;
    for (const auto& [name, item] :
         {std::pair{"商品マスタメンテナンス", "mnuManComm"}, std::pair{"顧客マスタメンテナンス", "mnuManCli"},
          std::pair{"社員マスタメンテナンス", "mnuManEmp"}}) {
        const int before = p.workCount();
        EXPECT_TRUE(p.trigger(QString::fromLatin1(item))) << name;
        EXPECT_TRUE(waitFor([&] { return p.workCount() == before + 1; })) << name;
        QWidget* w = frame::workOf(p.window().mdiArea()->subWindowList().value(before));
        out.push_back({name, qobject_cast<masters::MasterWindow*>(w)});
    }
    EXPECT_TRUE(p.waitLaidOut());
    return out;
}

// The scroll bars shown inside a sub-window across one direction: the holder's and the window's own.
int shownBars(QMdiSubWindow* sub, Qt::Orientation o) {
    int n = 0;
    for (const QScrollBar* bar : sub->findChildren<QScrollBar*>())
        n += bar->orientation() == o && bar->isVisible();
    return n;
}

// The heads of the order grid and a three-digit count, as the grid would show them: "" when whole, else
// what is cut. A view shortens a text with "…" when it does not fit between the cell's two margins.
std::string gridCuts(orders::GetOrderWindow* w) {
    QTableWidget* t = w->grid()->table();
    const int margin = t->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, t) + 1;
    std::string cut;
    const auto check = [&](const QFont& font, const QString& s, int column) {
        if (QFontMetrics(font).elidedText(s, Qt::ElideRight, t->columnWidth(column) - 2 * margin) != s)
            cut += s.toStdString() + " in " + std::to_string(t->columnWidth(column)) + " px; ";
    };
    for (int c = 0; c < t->columnCount(); ++c)
        check(t->horizontalHeader()->font(), w->grid()->textAt(0, c), c);
    for (const QString& count : {QStringLiteral("999"), QStringLiteral("-999")})
        check(t->font(), count, 8);
    return cut;
}

// A picture of the screen for a person to look at, when VARNOX_PICTURE_DIR names a folder.
void picture(Program& p, const QString& name) {
    const QString dir = qEnvironmentVariable("VARNOX_PICTURE_DIR");
    if (dir.isEmpty())
        return;
    QScreen* screen = p.window().screen();
    const QPixmap shot = QGuiApplication::platformName() == QLatin1String("xcb") ? screen->grabWindow(0)
                                                                                   : p.window().grab();
    shot.save(dir + QLatin1Char('/') + name + QStringLiteral("-x%1.png").arg(screen->devicePixelRatio()));
}

// Drags every window's corner until the window is 60% of its design size.
void dragSmall(Program& p) {
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList()) {
        const QSize design = frame::workOf(sub)->sizeHint();
        const QSize frame = sub->size() - sub->contentsRect().size();
        sub->resize(design * 0.6 + frame);
    }
}

// Arranges the open windows every way and checks each one's buttons.
void checkReach(Program& p, const std::vector<Opened>& windows, const QString& group) {
    struct Arrangement {
        const char* name;
        std::function<void()> arrange;
    };
    const std::vector<Arrangement> arrangements{
        {"左右に並べて表示", [&] { p.trigger(QStringLiteral("mnuWindowTileVertical")); }},
        {"上下に並べて表示", [&] { p.trigger(QStringLiteral("mnuWindowTileHorizontal")); }},
        {"60% of the design",
         [&] {
             p.trigger(QStringLiteral("mnuWindowCascade"));
             dragSmall(p);
         }},
    };
    for (const Arrangement& a : arrangements) {
        // The list's progress window holds the menus until it has gone.
        ASSERT_TRUE(waitFor([&] { return p.reachable(QStringLiteral("mnuWindowCascade")); })) << a.name;
        a.arrange();
        ASSERT_TRUE(p.waitLaidOut()) << a.name;
        picture(p, group + QString::fromUtf8(a.name));
        for (const Opened& o : windows) {
            ASSERT_NE(o.window, nullptr) << o.name;
            QMdiSubWindow* sub = frame::subWindowOf(o.window);
            ASSERT_NE(sub, nullptr) << o.name;
            p.window().mdiArea()->setActiveSubWindow(sub); // a person clicks the window to the front first
            QCoreApplication::processEvents();
            EXPECT_TRUE(p.window().mdiArea()->viewport()->rect().contains(sub->geometry()))
                << a.name << " " << o.name << ": " << rectText(sub->geometry());
            const auto buttons = o.window->findChildren<QPushButton*>();
            int checked = 0;
            for (QPushButton* b : buttons) {
                if (!b->isVisibleTo(o.window))
                    continue;
                ++checked;
                EXPECT_EQ(unreachable(b), "") << a.name << " " << o.name << " " << b->text().toStdString()
                                              << " in a window of " << rectText(sub->geometry());
            }
            EXPECT_GE(checked, 1) << o.name;
            if (auto* orderWindow = qobject_cast<orders::GetOrderWindow*>(o.window)) {
                EXPECT_EQ(gridCuts(orderWindow), "") << a.name;
            }
            // A list lower than its design scrolls in its text box alone, not in the holder as well.
            if (auto* list = qobject_cast<viewers::ListWindow*>(o.window)) {
                EXPECT_LE(shownBars(sub, Qt::Vertical), 1)
                    << a.name << " in a window of " << rectText(sub->geometry());
                if (list->parentWidget()->width() >= list->sizeHint().width()) {
                    EXPECT_LE(shownBars(sub, Qt::Horizontal), 1) << a.name;
                }
            }
        }
    }
}

} // namespace

TEST(DesktopReach, EveryButtonOfEveryWorkWindowIsWithinReachTiledOrDraggedSmall) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty())
        << p.messages().texts().join(QLatin1Char('\n')).toStdString();
    const std::vector<Opened> orderWork = openOrderWork(p);
    ASSERT_EQ(p.workCount(), 5);
    auto* order = qobject_cast<orders::GetOrderWindow*>(orderWork[0].window);
    ASSERT_NE(order, nullptr);
    EXPECT_EQ(gridCuts(order), "") << "at the design size";
    checkReach(p, orderWork, QStringLiteral("order-"));

    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        sub->close();
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    const std::vector<Opened> masters = openMasters(p);
    ASSERT_EQ(p.workCount(), 3);
    checkReach(p, masters, QStringLiteral("masters-"));
}
