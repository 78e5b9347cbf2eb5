// The fourteen lists as a user opens them from 操作 > データ表示 of the real main window: each builds at
// its design size, keeps it through cascade and tile, and gives the menus back however it is closed.
#include "support/MainRoad.h"

#include "reports/ProgressWait.h"
#include "viewers/ListWindow.h"
#include "db/Transaction.h"
#include "viewers/ViewersTestDb.h"

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

using mainroad::Program;

namespace {

const char* const kTags[] = {"Comm", "Cli",  "Emp",  "RecG", "RecD", "Inv",  "InfA",
                             "InfM", "InfC", "InfS", "Cncl", "Lack", "GetD", "GetY"};
const char* const kTopMenus[] = {"mnuFile", "mnuVIew", "mnuOperate", "mnuWindow", "mnuHelp"};

// A shop with something in every list: a paid, an unpaid and a cancelled order, goods short of stock.
void fillShop(const QString& path, int extraGoods = 0) {
    using viewerstest::ole;
    viewerstest::Filler f(path);
    f.goods(1, QStringLiteral("G01"), QStringLiteral("鉛筆"), 1, 5);
    f.goods(2, QStringLiteral("G02"), QStringLiteral("消しゴム"), 50, 5);
    {
        db::Transaction tx(f.db());
        for (int i = 0; i < extraGoods; ++i)
            f.goods(10 + i, QStringLiteral("H%1").arg(i, 4, 10, QLatin1Char('0')), QStringLiteral("ノート"), 9, 1);
        tx.commit();
    }
    f.client(1, QStringLiteral("C01"), QStringLiteral("山田商店"));
    f.employee(1, QStringLiteral("E01"), QStringLiteral("佐藤一郎"));
    f.order(1, QStringLiteral("C01"), QStringLiteral("E01"), ole(2024, 5, 1), ole(2024, 5, 20));
    f.order(2, QStringLiteral("C01"), QStringLiteral("E01"), ole(2024, 5, 2));
    f.order(3, QStringLiteral("C01"), QStringLiteral("E01"), ole(2024, 5, 3), 0, QStringLiteral("X"));
    f.line(1, 1, QStringLiteral("G01"), 2);
    f.line(2, 2, QStringLiteral("G02"), 1);
    f.line(3, 3, QStringLiteral("G01"), 1, QStringLiteral("X"));
}

// Answers the dialog that stands before a list as a person would: every year and code, or all invoices.
void answerDialogBefore(const QString& tag) {
    if (tag == QLatin1String("Inv"))
        mainroad::onNextModal([](QWidget* w) { mainroad::press(w, QStringLiteral("全て")); });
    else if (QStringList{"InfA", "InfM", "InfC", "InfS", "Cncl", "GetD", "GetY"}.contains(tag))
        mainroad::onNextModal([](QWidget* w) { mainroad::press(w, QStringLiteral("ＯＫ")); });
}

viewers::ListWindow* listWindow(Program& p, const QString& tag) {
    const QString window = QStringLiteral("frmV") + tag;
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        if (auto* lw = qobject_cast<viewers::ListWindow*>(frame::workOf(sub)); lw && lw->member().window == window)
            return lw;
    return nullptr;
}

bool progressUp(Program& p) {
    const reports::frmEditWait* f = reports::gEditWaitForm(p.state());
    return f && f->isLoaded();
}

// The menus and toolbar are the user's again: the progress window is gone and nothing is held.
bool menusReleased(Program& p) {
    if (progressUp(p) || !p.window().toolBar()->isEnabled())
        return false;
    for (const char* top : kTopMenus)
        if (!p.window().item(QLatin1String(top))->isEnabled())
            return false;
    return p.window().button(QStringLiteral("New"))->isEnabled();
}

class ListMenu : public testing::Test {
protected:
    void SetUp() override {
        db_ = p.newDatabase(QStringLiteral("shop.vrd"));
        ASSERT_FALSE(db_.isEmpty()) << p.messages().texts().join('|').toStdString();
    }

    // Opens the list from its menu item and waits for its build to end.
    viewers::ListWindow* open(const QString& tag) {
        answerDialogBefore(tag);
        EXPECT_TRUE(p.trigger(QStringLiteral("mnuV") + tag)) << tag.toStdString();
        viewers::ListWindow* lw = nullptr;
        mainroad::waitFor([&] {
            lw = listWindow(p, tag);
            return lw && lw->loaded() && !progressUp(p);
        });
        return lw;
    }

    Program p;
    QString db_;
};

TEST_F(ListMenu, EveryListBuildsAtItsDesignSizeAndKeepsItThroughCascadeAndTile) {
    fillShop(db_);
    QList<viewers::ListWindow*> lists;
    for (const char* t : kTags) {
        const QString tag = QLatin1String(t);
        viewers::ListWindow* lw = open(tag);
        ASSERT_NE(lw, nullptr) << t << ": " << p.messages().texts().join('|').toStdString();
        EXPECT_TRUE(lw->loaded()) << t;
        EXPECT_FALSE(lw->shownText().isEmpty()) << t;
        EXPECT_TRUE(lw->textBox()->isVisible()) << t;
        EXPECT_EQ(lw->size(), lw->sizeHint()) << t;
        EXPECT_GE(lw->width(), 300) << t;
        EXPECT_GE(lw->height(), 200) << t;
        EXPECT_TRUE(menusReleased(p)) << t;
        EXPECT_FALSE(p.window().item(QStringLiteral("mnuV") + tag)->isEnabled()) << t;
        lists << lw;
    }
    EXPECT_EQ(p.state().gOpenDataCount, 14);
    EXPECT_TRUE(p.messages().texts().isEmpty()) << p.messages().texts().join('|').toStdString();

    const struct {
        const char* item;
        bool designSize;
    } arrangements[] = {{"mnuWindowCascade", true},
                        {"mnuWindowTileHorizontal", false},
                        {"mnuWindowTileVertical", false},
                        {"mnuWindowCascade", true}};
    for (const auto& a : arrangements) {
        ASSERT_TRUE(p.trigger(QLatin1String(a.item)));
        p.waitLaidOut();
        for (viewers::ListWindow* lw : lists) {
            const std::string what = a.item + std::string(" ") + lw->member().window.toStdString();
            EXPECT_TRUE(lw->loaded()) << what;
            EXPECT_GT(lw->width(), 0) << what;
            EXPECT_GT(lw->height(), 0) << what;
            if (a.designSize) {
                EXPECT_EQ(lw->size(), lw->sizeHint()) << what;
            }
        }
    }
    EXPECT_TRUE(menusReleased(p));
    ASSERT_TRUE(p.trigger(QStringLiteral("mnuFileClose")));
    EXPECT_TRUE(p.window().mdiArea()->subWindowList().isEmpty());
    EXPECT_EQ(p.state().gOpenDataCount, 0);
}

TEST_F(ListMenu, AnEmptyListSaysSoClosesItselfAndReleasesTheMenus) {
    for (const char* t : {"Comm", "RecG", "Lack"}) {
        p.messages().clear();
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuV") + QLatin1String(t)));
        EXPECT_TRUE(mainroad::waitFor([&] {
            return p.messages().texts().contains(QStringLiteral("データが空です。")) && !listWindow(p, QLatin1String(t));
        })) << t << ": " << p.messages().texts().join('|').toStdString();
        EXPECT_TRUE(mainroad::waitFor([&] { return menusReleased(p); })) << t;
        EXPECT_TRUE(p.window().item(QStringLiteral("mnuV") + QLatin1String(t))->isEnabled()) << t;
        EXPECT_EQ(p.state().gOpenDataCount, 0) << t;
    }
}

TEST_F(ListMenu, ClosingAListAtAnyMomentGivesTheMenusBack) {
    fillShop(db_, 20000);
    // When the person closes the list's window: before its build starts, halfway through, once built.
    const struct {
        const char* moment;
        std::function<bool(Program&)> now;
    } moments[] = {
        {"before the build", [](Program&) { return true; }},
        {"during the build", [](Program& pr) { return pr.state().gProgressCount >= 20; }},
        {"after the build", [](Program& pr) {
             viewers::ListWindow* lw = listWindow(pr, QStringLiteral("Comm"));
             return lw && lw->loaded();
         }},
    };
    for (const auto& m : moments) {
        bool closed = false;
        auto* poll = new QTimer;
        poll->setInterval(0);
        QObject::connect(poll, &QTimer::timeout, [&] {
            viewers::ListWindow* lw = listWindow(p, QStringLiteral("Comm"));
            if (closed || !lw || !m.now(p))
                return;
            closed = true;
            frame::subWindowOf(lw)->close();
        });
        poll->start();
        ASSERT_TRUE(p.trigger(QStringLiteral("mnuVComm")));
        EXPECT_TRUE(mainroad::waitFor([&] { return closed && !listWindow(p, QStringLiteral("Comm")); })) << m.moment;
        delete poll;
        EXPECT_TRUE(mainroad::waitFor([&] { return menusReleased(p); })) << m.moment;
        EXPECT_TRUE(p.window().item(QStringLiteral("mnuVComm"))->isEnabled()) << m.moment;
        EXPECT_TRUE(p.window().item(QStringLiteral("mnuManComm"))->isEnabled()) << m.moment;
        EXPECT_EQ(p.state().gOpenDataCount, 0) << m.moment;
    }
}

} // namespace

// Programs one after another in one process, each left right after a list was built (its progress window
// still up): the next one's lists have a progress window of their own, and nothing of the last is left.
TEST(ListMenuPrograms, AProgramLeftJustAfterAListLeavesNothingToTheNext) {
    const auto progressWindows = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            n += qobject_cast<reports::frmEditWait*>(w) != nullptr ? 1 : 0;
        return n;
    };
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        auto p = std::make_unique<Program>();
        const QString db = p->newDatabase(QStringLiteral("shop.vrd"));
        ASSERT_FALSE(db.isEmpty()) << p->messages().texts().join('|').toStdString();
        fillShop(db);
        ASSERT_TRUE(p->trigger(QStringLiteral("mnuVComm")));
        ASSERT_TRUE(mainroad::waitFor([&] {
            viewers::ListWindow* lw = listWindow(*p, QStringLiteral("Comm"));
            return lw && lw->loaded();
        }));
        EXPECT_EQ(progressWindows(), 1);
        p.reset();
        EXPECT_EQ(progressWindows(), 0);
    }
}
