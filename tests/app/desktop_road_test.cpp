// What a desktop user expects, walked from the menus of the real main window: Enter on a focused button,
// Return in the date picker, dialogs that keep to their own buttons and stay on screen, columns and
// captions shown whole, file choosers that open in a sensible folder, disabled toolbar buttons that look
// it. Run headless and, where Xvfb and openbox are at hand, again under a real window manager.
#include "support/MainRoad.h"

#include "masters/CompanySettingsDialog.h"
#include "orders/CalendarDialog.h"
#include "orders/EntryGrid.h"
#include "orders/GetOrderWindow.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "orders/StockChooser.h"
#include "reports/ConditionDialog.h"
#include "reports/InvoiceOrderChooser.h"
#include "reports/InvoiceScopeDialog.h"
#include "ui/FileDialogFolder.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

// Motif hint bits: the functions field is valid, and the functions a window offers.
constexpr unsigned kMwmFunctionsValid = 0x1, kMwmMinimize = 0x8, kMwmMaximize = 0x10, kMwmClose = 0x20;

bool underWindowManager() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// What the window tells the window manager it offers, as the manager reads it (xprop) under X11, or as
// Qt's window flags say elsewhere: {minimize, maximize, close}.
struct Offered {
    bool minimize, maximize, close;
};
Offered offeredBy(QWidget* w) {
    if (underWindowManager()) {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-id"), QString::number(w->winId()), QStringLiteral("_MOTIF_WM_HINTS")});
        xprop.waitForFinished(5000);
        const QString out = QString::fromLatin1(xprop.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("=\\s*(0x[0-9a-f]+),\\s*(0x[0-9a-f]+)")).match(out);
        if (!m.hasMatch())
            return {true, true, true}; // no hints: the manager offers everything
        const unsigned flags = m.captured(1).toUInt(nullptr, 16);
        const unsigned functions = m.captured(2).toUInt(nullptr, 16);
        if (!(flags & kMwmFunctionsValid))
            return {true, true, true};
        return {bool(functions & kMwmMinimize), bool(functions & kMwmMaximize), bool(functions & kMwmClose)};
    }
    const Qt::WindowFlags f = w->windowFlags();
    // As Qt tells an X11 manager: a window that names no button and is not customized allows them all.
    const Qt::WindowFlags buttons = Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint;
    if (!(f & buttons) && !f.testFlag(Qt::CustomizeWindowHint))
        return {true, true, true};
    return {f.testFlag(Qt::WindowMinimizeButtonHint), f.testFlag(Qt::WindowMaximizeButtonHint),
            f.testFlag(Qt::WindowCloseButtonHint)};
}

// Asks for the window state as the window manager's buttons do; true when the dialog and the main window
// are back on screen in their normal state soon after.
bool comesBack(QWidget* dialog, QWidget* main, Qt::WindowState asked) {
    dialog->setWindowState(asked);
    QTest::qWait(underWindowManager() ? 300 : 20);
    return waitFor(
        [&] {
            return dialog->isVisible() && (dialog->windowState() & ~Qt::WindowActive) == Qt::WindowNoState &&
                   !(main->windowState() & Qt::WindowMinimized);
        },
        10000);
}

struct DialogSeen {
    bool shown = false;
    Offered offered{true, true, true};
    bool backFromMinimize = false, backFromMaximize = false;
};

// Looks at the dialog the next modal brings, then lets leave() close it through its own button.
void inspectNextModal(Program& p, DialogSeen& seen, std::function<bool(QWidget*)> matches,
                      std::function<void(QWidget*)> leave) {
    mainroad::onNextModalWhere(std::move(matches), [&p, &seen, leave = std::move(leave)](QWidget* w) {
        seen.shown = true;
        if (underWindowManager())
            waitFor([&] { return mainroad::framed(*w); });
        seen.offered = offeredBy(w);
        seen.backFromMinimize = comesBack(w, &p.window(), Qt::WindowMinimized);
        seen.backFromMaximize = comesBack(w, &p.window(), Qt::WindowMaximized);
        leave(w);
    });
}

template <class T> std::function<bool(QWidget*)> is() {
    return [](QWidget* w) { return qobject_cast<T*>(w) != nullptr; };
}

// The darkness of a tool button's picture: the sum of (255 - grey) weighted by opacity.
double darkness(QToolButton* b) {
    const QImage img = b->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb back = b->palette().color(QPalette::Window).rgb();
    double sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            sum += std::abs(qGray(img.pixel(x, y)) - qGray(back));
    return sum;
}

} // namespace

// First in the file: the import command offers the file it took last, for the life of the process.
TEST(DesktopRoad, FileChoosersOpenBesideTheDatabaseElseWhereTheLastFileWasElseInDocuments) {
    ui::forgetDialogChoice();
    Program p;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir().mkpath(documents));
    ASSERT_TRUE(QDir().mkpath(p.path(QStringLiteral("db"))));
    ASSERT_TRUE(QDir().mkpath(p.path(QStringLiteral("import"))));

    struct Step {
        const char* what;
        std::function<void()> act;
        QString expected;
    };
    const QString dbFolder = p.path(QStringLiteral("db"));
    const QString importFile = p.path(QStringLiteral("import/emp.txt"));
    mainroad::writeCp932(importFile, Program::shopEmployees());
    const std::vector<Step> steps{
        {"ＤＢオープン at start-up", [&] { p.trigger(QStringLiteral("mnuFileOpen")); }, documents},
        {"ＤＢ作成 at start-up", [&] { p.newDatabase(QStringLiteral("db/shop.vrd")); }, documents},
        {"import with a database open",
         [&] { p.nextPath(importFile), p.trigger(QStringLiteral("mnuImpEmp")); }, dbFolder},
        {"import offers its last file again", [&] { p.trigger(QStringLiteral("mnuImpEmp")); }, importFile},
        {"ＤＢオープン with a database open", [&] { p.trigger(QStringLiteral("mnuFileOpen")); }, dbFolder},
        {"ＤＢオープン after closing it",
         [&] {
             p.trigger(QStringLiteral("mnuFileClose"));
             p.trigger(QStringLiteral("mnuFileOpen"));
         },
         p.path(QStringLiteral("import"))},
    };
    for (const Step& s : steps) {
        s.act();
        EXPECT_EQ(QDir::cleanPath(p.dialogStart()), QDir::cleanPath(s.expected)) << s.what;
    }
}

TEST(DesktopRoad, EveryDialogKeepsToItsOwnButtonsAndStaysOnScreen) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty())
        << p.messages().texts().join(QLatin1Char('\n')).toStdString();
    struct Case {
        const char* name;
        std::function<void(DialogSeen&)> open;
        bool refusesClose;
    };
    const auto cancelScope = [](QWidget* w) {
        qobject_cast<reports::InvoiceScopeDialog*>(w)->command1(3)->click();
    };
    const std::vector<Case> cases{
        {"自社情報変更",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<masters::CompanySettingsDialog>(), [](QWidget* w) {
                 qobject_cast<masters::CompanySettingsDialog*>(w)->cmdCancel->click();
             });
             p.trigger(QStringLiteral("mnuMyNameChange"));
         },
         true},
        {"条件入力",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<reports::ConditionDialog>(), [](QWidget* w) {
                 qobject_cast<reports::ConditionDialog*>(w)->cmdCan()->click();
             });
             p.trigger(QStringLiteral("mnuVInfA"));
         },
         true},
        {"請求書表示準備",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<reports::InvoiceScopeDialog>(), cancelScope);
             p.trigger(QStringLiteral("mnuVInv"));
         },
         true},
        {"請求書出力準備",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<reports::InvoiceScopeDialog>(), cancelScope);
             p.trigger(QStringLiteral("mnuPvInv"));
         },
         true},
        {"請求書表示選択",
         [&](DialogSeen& seen) {
             mainroad::onNextModalOf<reports::InvoiceScopeDialog>(
                 [](reports::InvoiceScopeDialog& d) { d.command1(2)->click(); });
             inspectNextModal(p, seen, is<reports::InvoiceOrderChooser>(), [](QWidget* w) {
                 qobject_cast<reports::InvoiceOrderChooser*>(w)->cmdEnd()->click();
             });
             p.trigger(QStringLiteral("mnuVInv"));
         },
         true},
        {"入金処理の選択",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<orders::PaymentChooser>(),
                              [](QWidget* w) { qobject_cast<orders::PaymentChooser*>(w)->cmd[2]->click(); });
             p.trigger(QStringLiteral("mnuReceipt"));
         },
         true},
        {"在庫更新の選択",
         [&](DialogSeen& seen) {
             inspectNextModal(p, seen, is<orders::StockChooser>(),
                              [](QWidget* w) { qobject_cast<orders::StockChooser*>(w)->cmd[2]->click(); });
             p.trigger(QStringLiteral("mnuStockUp"));
         },
         true},
        {"入金日付入力",
         [&](DialogSeen& seen) {
             mainroad::onNextModalOf<orders::PaymentChooser>(
                 [](orders::PaymentChooser& c) { c.cmd[1]->click(); });
             p.trigger(QStringLiteral("mnuReceipt"));
             orders::PaymentWindow* w = nullptr;
             ASSERT_TRUE(
                 waitFor([&] { return (w = p.work<orders::PaymentWindow>()) && w->grid()->isVisible(); }));
             inspectNextModal(p, seen, is<orders::CalendarDialog>(), [](QWidget* d) {
                 qobject_cast<orders::CalendarDialog*>(d)->cancelButton()->click();
             });
             mainroad::clickOrder(w, 1);
             w->endButton()->click();
             waitFor([&] { return p.work<orders::PaymentWindow>() == nullptr; });
         },
         true},
    };
    for (const Case& c : cases) {
        DialogSeen seen;
        c.open(seen);
        waitFor([&] { return seen.shown && QApplication::activeModalWidget() == nullptr; }, 5000);
        ASSERT_TRUE(seen.shown) << c.name;
        EXPECT_FALSE(seen.offered.minimize) << c.name;
        EXPECT_FALSE(seen.offered.maximize) << c.name;
        EXPECT_EQ(seen.offered.close, !c.refusesClose) << c.name;
        EXPECT_TRUE(seen.backFromMinimize) << c.name;
        EXPECT_TRUE(seen.backFromMaximize) << c.name;
    }
    EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join(QLatin1Char('\n')).toStdString();
}

TEST(DesktopRoad, ReturnOnAFocusedButtonPressesItAndHeldDownOnlyOnce) {
    Program p;
    ASSERT_FALSE(p.openShop().isEmpty());
    p.trigger(QStringLiteral("mnuOrder"));
    orders::GetOrderWindow* w = nullptr;
    ASSERT_TRUE(
        waitFor([&] { return (w = p.work<orders::GetOrderWindow>()) && w->grid()->table()->isVisible(); }));
    ASSERT_TRUE(p.waitLaidOut());
    w->clientPicker()->setCurrentIndex(w->clientPicker()->findText(QStringLiteral("㈱山田商店")));
    w->employeePicker()->setCurrentIndex(w->employeePicker()->findText(QStringLiteral("佐藤一郎")));
    QTableWidget* t = w->grid()->table();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualItemRect(t->item(0, 6)).center());
    mainroad::type(w->grid()->editor(), QStringLiteral("3"));

    // Tab to 契約 and press Return: the order is stored. The held key's repeat presses nothing more (an
    // empty order would be refused with a message).
    const int no = w->orderNo();
    w->okButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w->okButton(), Qt::Key_Return);
    QTest::qWait(50);
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 受注個別データ WHERE 受注No = ?"), {no}).toInt(),
              1);
    EXPECT_GT(p.scalar(QStringLiteral("SELECT 販売金額 FROM 受注データ WHERE 受注No = ?"), {no}).toLongLong(),
              0);
    w->okButton()->setFocus(Qt::TabFocusReason);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(w->okButton(), &repeat);
    QTest::qWait(50);
    EXPECT_TRUE(p.messages().shown().empty()) << p.messages().texts().join(QLatin1Char('\n')).toStdString();

    // Enter on the keypad ends the window through its focused 終了.
    QPushButton* end = nullptr;
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().remove(QLatin1Char('&')) == QStringLiteral("終了"))
            end = b;
    ASSERT_NE(end, nullptr);
    end->setFocus(Qt::TabFocusReason);
    QTest::keyClick(end, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(waitFor([&] { return p.work<orders::GetOrderWindow>() == nullptr; }));
}

TEST(DesktopRoad, ReturnInTheDatePickerStoresTheDayAndTheColumnShowsItWhole) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty());
    mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[0]->click(); });
    p.trigger(QStringLiteral("mnuReceipt"));
    orders::PaymentWindow* w = nullptr;
    ASSERT_TRUE(waitFor([&] { return (w = p.work<orders::PaymentWindow>()) && w->grid()->isVisible(); }));
    const QDate day(2025, 3, 17);
    mainroad::onNextModalOf<orders::CalendarDialog>([day](orders::CalendarDialog& d) {
        d.calendar()->setSelectedDate(day);
        auto* days = d.calendar()->findChild<QTableView*>();
        days->setFocus();
        QTest::keyClick(days, Qt::Key_Return);
        if (d.isVisible()) // Return did nothing: the person gives up
            d.cancelButton()->click();
    });
    ASSERT_TRUE(mainroad::clickOrder(w, 1));
    EXPECT_TRUE(waitFor([] { return QApplication::activeModalWidget() == nullptr; }));
    EXPECT_DOUBLE_EQ(p.scalar(QStringLiteral("SELECT 入金日 FROM 受注データ WHERE 受注No = 1")).toDouble(),
                     double(QDate(1899, 12, 30).daysTo(day)));

    // Every filled cell of the list fits its column with the cell's margins, the new date included.
    QTableView* g = w->grid();
    const QFontMetricsF fm(g->font());
    const int margins = 2 * (g->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, g) + 1);
    for (int c = 0; c < orders::OrderListModel::ColumnCount; ++c)
        for (int r = 0; r < w->model()->orderCount(); ++r) {
            const QString text = g->model()->index(r, c).data().toString();
            EXPECT_GE(g->columnWidth(c), fm.horizontalAdvance(text) + margins)
                << "column " << c << " row " << r << ": " << text.toStdString();
        }
    w->endButton()->click();
}

TEST(DesktopRoad, TheInvoiceScopeDialogIsWideEnoughForItsCaption) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty());
    for (const char* item : {"mnuVInv", "mnuPvInv"}) {
        QString caption;
        int width = 0;
        bool buttonsSpan = true;
        mainroad::onNextModalOf<reports::InvoiceScopeDialog>([&](reports::InvoiceScopeDialog& d) {
            caption = d.windowTitle();
            width = d.width();
            // The scope buttons of the list's dialog fill it; beside the page options they keep their column.
            if (!d.option1(0))
                for (int i = 0; i < 4; ++i)
                    buttonsSpan = buttonsSpan && d.command1(i)->width() == d.width();
            d.command1(3)->click();
        });
        p.trigger(QLatin1String(item));
        ASSERT_TRUE(waitFor([&] { return !caption.isEmpty(); })) << item;
        // The caption in the title bar's font, with room for the window icon and three title-bar buttons.
        const QFontMetrics title(QApplication::font("QMdiSubWindowTitleBar"));
        EXPECT_GE(width, title.horizontalAdvance(caption) + 90) << item;
        EXPECT_TRUE(buttonsSpan) << item;
    }
}

TEST(DesktopRoad, DisabledToolbarButtonsArePlainlyGreyer) {
    Program p;
    QToolBar* bar = p.window().toolBar();
    const QStringList keys{QStringLiteral("Close"),   QStringLiteral("Get"),   QStringLiteral("Money"),
                           QStringLiteral("Invoice"), QStringLiteral("Stock"), QStringLiteral("Refresh")};
    auto button = [&](const QString& key) {
        for (QAction* a : bar->actions())
            if (a->objectName() == QStringLiteral("tb") + key)
                return qobject_cast<QToolButton*>(bar->widgetForAction(a));
        return static_cast<QToolButton*>(nullptr);
    };
    QHash<QString, double> disabled;
    for (const QString& k : keys) {
        ASSERT_NE(button(k), nullptr) << k.toStdString();
        ASSERT_FALSE(button(k)->isEnabled()) << k.toStdString();
        disabled[k] = darkness(button(k));
    }
    ASSERT_FALSE(p.openShop().isEmpty());
    for (const QString& k : keys) {
        ASSERT_TRUE(button(k)->isEnabled()) << k.toStdString();
        // Half the contrast of the enabled picture at most: greyed, not merely a shade lighter.
        EXPECT_LT(disabled[k] * 2, darkness(button(k))) << k.toStdString();
    }
}
