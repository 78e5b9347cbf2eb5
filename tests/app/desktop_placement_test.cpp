// Where the main window and its dialogs come up when the placement saved by an earlier run no longer
// fits: a second screen that is gone, a smaller screen, a position far off. Run headless and, where Xvfb
// and openbox are at hand, again under a real window manager.
#include "support/MainRoad.h"

#include "orders/GetOrderWindow.h"
#include "shell/AboutWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

QString twips(int pixels, double dpi) {
    return QString::number(std::lround(pixels * 1440.0 / dpi));
}

QHash<QString, QString> savedPlacement(const QRect& r, double dpi) {
    return {{QStringLiteral("MainLeft"), twips(r.x(), dpi)},
            {QStringLiteral("MainTop"), twips(r.y(), dpi)},
            {QStringLiteral("MainWidth"), twips(r.width(), dpi)},
            {QStringLiteral("MainHeight"), twips(r.height(), dpi)}};
}

std::string text(const QRect& r) {
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
}

} // namespace

TEST(DesktopPlacement, TheMainWindowAndItsDialogsOpenWholeOnTheScreenWhateverPlacementWasSaved) {
    QScreen* screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect room = screen->availableGeometry();
    const double dpi = screen->logicalDotsPerInchX();
    const QSize fits(room.width() * 3 / 4, room.height() * 3 / 4);
    struct Case {
        const char* what;
        QRect saved;
        bool keptAsSaved;
    };
    const std::vector<Case> cases{
        {"where it was left", QRect(room.topLeft() + QPoint(40, 30), fits), true},
        {"on a screen to the right that is gone", QRect(QPoint(room.right() + 400, room.top() + 50), fits),
         false},
        {"on a screen to the left that is gone", QRect(QPoint(room.left() - 3000, room.top() + 50), fits),
         false},
        {"below the screen", QRect(QPoint(room.left() + 20, room.bottom() + 200), fits), false},
        {"far above and left", QRect(room.topLeft() - QPoint(20000, 20000), fits), false},
        {"half off the right edge", QRect(QPoint(room.right() - fits.width() / 2, room.top() + 20), fits),
         false},
        {"larger than the screen", QRect(room.topLeft(), room.size() * 2), false},
        {"larger and off screen", QRect(QPoint(room.right() + 100, room.bottom() + 100), room.size() * 3 / 2),
         false},
    };
    for (const Case& c : cases) {
        Program p(savedPlacement(c.saved, dpi));
        shell::MainWindow& w = p.window();
        ASSERT_TRUE(waitFor([&] { return w.isVisible(); })) << c.what;
        // What the person sees, title bar and borders included, comes onto the screen once framed.
        waitFor([&] { return mainroad::framed(w); });
        EXPECT_TRUE(waitFor([&] { return room.contains(w.frameGeometry()); }))
            << c.what << ": " << text(w.frameGeometry()) << " on " << text(room);
        if (c.keptAsSaved) {
            EXPECT_EQ(w.geometry(), c.saved) << c.what << ": " << text(w.geometry());
        }

        const size_t before = p.messages().shown().size();
        QRect dialog;
        mainroad::onNextModalOf<shell::AboutWindow>([&](shell::AboutWindow& d) {
            if (QGuiApplication::platformName() == QLatin1String("xcb"))
                waitFor([&] { return mainroad::framed(d) && room.contains(d.frameGeometry()); });
            dialog = d.frameGeometry();
            d.cmdOK->click();
        });
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuHelpAbout"))) << c.what;
        ASSERT_TRUE(dialog.isValid()) << c.what;
        EXPECT_TRUE(room.contains(dialog)) << c.what << ": dialog at " << text(dialog);
        EXPECT_EQ(p.messages().shown().size(), before) << c.what;
    }
}

// 受注データ入力, the largest work window, can be reached whole: on a first start the main window opens large
// enough for it, in a smaller one the work area scrolls to it, and reopened in a larger one it shows its
// buttons.
TEST(DesktopPlacement, TheOrderWindowAndItsButtonsCanAlwaysBeReached) {
    const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    struct Case {
        const char* what;
        QHash<QString, QString> saved;
        QSize resizedTo; // the main window's size before the order window opens again
        bool wholeInSight;
    };
    const QSize small(552, 430);
    const std::vector<Case> cases{
        {"first start", {}, {}, true},
        {"a small saved placement", savedPlacement(QRect(room.topLeft(), small), dpi), {}, false},
        {"reopened after the window was made larger", savedPlacement(QRect(room.topLeft(), small), dpi),
         room.size() * 9 / 10, true},
    };
    for (const Case& c : cases) {
        Program p(c.saved);
        ASSERT_FALSE(p.openShop().isEmpty()) << c.what;
        auto open = [&] {
            p.trigger(QStringLiteral("mnuOrder"));
            orders::GetOrderWindow* w = nullptr;
            waitFor([&] { return (w = p.work<orders::GetOrderWindow>()) && w->endButton()->isVisible(); });
            p.waitLaidOut(); // its layout follows the first resize
            return w;
        };
        QPointer<orders::GetOrderWindow> w = open();
        ASSERT_TRUE(w) << c.what << p.messages().texts().join('|').toStdString();
        if (c.resizedTo.isValid()) {
            w->endButton()->click();
            ASSERT_TRUE(waitFor([&] { return p.work<orders::GetOrderWindow>() == nullptr; })) << c.what;
            p.window().resize(c.resizedTo);
            ASSERT_TRUE(waitFor([&] { return p.window().size() == c.resizedTo; })) << c.what;
            ASSERT_TRUE(w = open()) << c.what;
        }
        EXPECT_TRUE(waitFor([&] { return room.contains(p.window().frameGeometry()); })) << c.what;
        QWidget* area = p.window().mdiArea()->viewport();
        auto inSight = [&] {
            for (QPushButton* b : {w->okButton(), w->cancelButton(), w->endButton()})
                if (!area->rect().contains(QRect(b->mapTo(area, QPoint()), b->size())))
                    return false;
            return true;
        };
        EXPECT_EQ(inSight(), c.wholeInSight) << c.what << ": work area " << text(area->rect());
        // Whatever the size, the area scrolls to the buttons.
        p.window().mdiArea()->horizontalScrollBar()->setValue(p.window().mdiArea()->horizontalScrollBar()->maximum());
        p.window().mdiArea()->verticalScrollBar()->setValue(0);
        QApplication::processEvents();
        EXPECT_TRUE(inSight()) << c.what << ": scrolled";
    }
}
