// The lists of the main road: each of the fourteen opened from its データ表示 item, built at its design
// size, its text what the list builder gives, saved as tab and flat text; several open through cascade
// and tile; closing one at any moment gives the menus back.
#include "support/MainRoad.h"

#include "shell/CommandStates.h"
#include "text/Cp932.h"
#include "viewers/ListWindow.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::waitFor;

namespace {


QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The list windows in menu order and a text each must show from the shop's data.
struct ListCase {
    const char* window;
    const char* shows;
};
const ListCase kLists[14] = {
    {"frmVComm", "海苔①"},     {"frmVCli", "㈱山田商店"},  {"frmVEmp", "鈴木花子"},   {"frmVRecG", "C02"},
    {"frmVRecD", "G04"},        {"frmVInv", "髙橋食品"},    {"frmVInfA", "C01"},        {"frmVInfM", "G01"},
    {"frmVInfC", "C03"},        {"frmVInfS", "E02"},        {"frmVCncl", "C03"},        {"frmVLack", "G05"},
    {"frmVGetD", "C02"},        {"frmVGetY", "C01"},
};

// Starts the list of menu position i and answers its dialog as a person wanting everything would.
void openList(Program& p, int i) {
    mainroad::answerReportDialog();
    p.trigger(QStringLiteral("mnuV") + QLatin1String(shell::kReportTags[size_t(i)]));
}

viewers::ListWindow* listOf(Program& p, const char* window) {
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        if (auto* w = qobject_cast<viewers::ListWindow*>(frame::workOf(sub)); w && w->member().window == QLatin1String(window))
            return w;
    return nullptr;
}

bool on(Program& p, const char* item) { return p.window().item(QLatin1String(item))->isEnabled(); }

bool menusFree(Program& p) {
    for (const char* m : {"mnuFile", "mnuVIew", "mnuOperate", "mnuWindow", "mnuHelp"})
        if (!p.window().item(QLatin1String(m))->isEnabled())
            return false;
    return p.window().toolBar()->isEnabled() && p.state().gProgressCount < 0;
}

} // namespace

TEST(RoadLists, EachListFromItsMenuBuildsTheBuildersTextAndSavesBothFiles) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    for (int i = 0; i < 14; ++i) {
        const ListCase& c = kLists[i];
        SCOPED_TRACE(c.window);
        p.messages().clear();
        openList(p, i);
        viewers::ListWindow* w = nullptr;
        ASSERT_TRUE(waitFor([&] { return (w = listOf(p, c.window)) && w->loaded(); })) << joined(p).toStdString();
        EXPECT_TRUE(waitFor([&] { return menusFree(p); }));
        QWidget* sub = frame::subWindowOf(w);
        EXPECT_GE(w->width(), 329);
        EXPECT_GE(w->height(), 213);
        EXPECT_TRUE(sub->isVisible());

        const int progress = p.state().gProgressCount;
        const viewers::BuildResult built = viewers::buildList(w->member(), p.state());
        p.state().gProgressCount = progress; // the builder counts for the progress window; the list window ends it
        EXPECT_TRUE(built.found);
        EXPECT_EQ(w->shownText(), built.text);
        EXPECT_TRUE(built.text.contains(QString::fromUtf8(c.shows))) << built.text.toStdString();
        EXPECT_EQ(w->textBox()->toPlainText() + QStringLiteral("\n"),
                  QString(built.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        const QString tab = p.path(QString::fromLatin1(c.window) + QStringLiteral("_tab.txt"));
        const QString flat = p.path(QString::fromLatin1(c.window) + QStringLiteral("_flat.txt"));
        p.nextPath(tab);
        w->findChild<QPushButton*>(QStringLiteral("cmdCSV"))->click();
        p.nextPath(flat);
        w->findChild<QPushButton*>(QStringLiteral("cmdTXT"))->click();
        EXPECT_EQ(bytesOf(tab), text::toCp932(viewers::tabFileText(w->member(), p.state())));
        EXPECT_FALSE(bytesOf(tab).isEmpty());
        EXPECT_EQ(bytesOf(flat), text::toCp932(built.text));
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();

        w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
        EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
        EXPECT_EQ(p.state().gOpenDataCount, 0);
        EXPECT_TRUE(waitFor([&] { return menusFree(p); }, 3000))
            << p.state().gProgressCount << " " << p.window().toolBar()->isEnabled() << on(p, "mnuFile") << on(p, "mnuVIew")
            << on(p, "mnuOperate") << on(p, "mnuWindow") << on(p, "mnuHelp");
    }
}

TEST(RoadLists, CascadeAndTileKeepOpenListsBuiltAtAUsableSize) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    const int open[] = {0, 3, 6, 11}; // goods, orders, order information, stock shortage
    for (int i : open) {
        openList(p, i);
        ASSERT_TRUE(waitFor([&] {
            viewers::ListWindow* w = listOf(p, kLists[i].window);
            return w && w->loaded() && menusFree(p);
        })) << kLists[i].window;
    }
    ASSERT_EQ(p.workCount(), 4);
    for (const char* how : {"mnuWindowCascade", "mnuWindowTileHorizontal", "mnuWindowTileVertical", "mnuWindowCascade"}) {
        SCOPED_TRACE(how);
        p.trigger(QLatin1String(how));
        p.waitLaidOut();
        for (int i : open) {
            viewers::ListWindow* w = listOf(p, kLists[i].window);
            ASSERT_NE(w, nullptr);
            EXPECT_GE(w->width(), 100) << kLists[i].window;
            EXPECT_GE(w->height(), 100) << kLists[i].window;
            EXPECT_TRUE(w->loaded());
            EXPECT_FALSE(w->shownText().isEmpty());
        }
        EXPECT_TRUE(menusFree(p));
    }
    // Close with the lists open takes them all and gives every menu back.
    p.trigger(QStringLiteral("mnuFileClose"));
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(p.state().gOpenDataCount, 0);
    for (const char* m : {"mnuFile", "mnuVIew", "mnuWindow", "mnuHelp", "mnuFileOpen", "mnuFileNew"})
        EXPECT_TRUE(on(p, m)) << m; // 操作 needs a database
    EXPECT_TRUE(p.state().gOpenDbName.isEmpty());
}

TEST(RoadLists, ClosingAListBeforeItIsBuiltGivesTheMenusBack) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << joined(p).toStdString();
    openList(p, 4); // order lines
    viewers::ListWindow* w = listOf(p, "frmVRecD");
    ASSERT_NE(w, nullptr);
    frame::subWindowOf(w)->close(); // its title bar, at once
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_TRUE(waitFor([&] { return menusFree(p); })) << p.state().gProgressCount;
    EXPECT_EQ(p.state().gOpenDataCount, 0);
    // ... and the next list opens and builds.
    openList(p, 0);
    EXPECT_TRUE(waitFor([&] { return (w = listOf(p, "frmVComm")) && w->loaded(); }));
}
