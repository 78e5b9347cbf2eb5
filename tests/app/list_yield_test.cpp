// The list windows under any timing: at the points where they let events run (a list rebuilt by
// リフレッシュ, the export's file chooser), each event that can arrive there is made to arrive: a queued
// click on an export button, the window's close request, its refresh request. Afterwards a saved file
// holds what the window showed, and the window shows what a fresh read gives.
#include "support/MainRoad.h"

#include "reports/ProgressWait.h"
#include "shell/CommandStates.h"
#include "ui/GuardedApplication.h"
#include "viewers/Export.h"
#include "viewers/ListWindow.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Lets time pass without running events: a timer that falls due meanwhile fires at the next yield.
void letFallDue(int ms) {
    QThread::msleep(ulong(ms));
}

// Runs once, when the watched widget is hidden: the moment a list drops its text to build it again.
class OnHide : public QObject {
  public:
    OnHide(QWidget* w, std::function<void()> act) : act_(std::move(act)) { w->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Hide && act_) std::exchange(act_, nullptr)();
        return QObject::eventFilter(o, e);
    }

  private:
    std::function<void()> act_;
};

struct ListPick {
    int menu; // position in the データ表示 menu
    const char* window;
};
const ListPick kLists[] = {{0, "frmVComm"}, {3, "frmVRecG"}, {11, "frmVLack"}};

viewers::ListWindow* listOf(Program& p, const char* window) {
    for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
        if (auto* w = qobject_cast<viewers::ListWindow*>(frame::workOf(sub));
            w && w->member().window == QLatin1String(window))
            return w;
    return nullptr;
}

viewers::ListWindow* openList(Program& p, const ListPick& l) {
    waitFor([&] { return p.window().item(QStringLiteral("mnuDsp"))->isEnabled(); });
    p.trigger(QStringLiteral("mnuV") + QLatin1String(shell::kReportTags[size_t(l.menu)]));
    viewers::ListWindow* w = nullptr;
    waitFor([&] { return (w = listOf(p, l.window)) && w->loaded() && w->isEnabled(); });
    return w;
}

QPushButton* exportButton(viewers::ListWindow* w, bool tab) {
    return w->findChild<QPushButton*>(tab ? QStringLiteral("cmdCSV") : QStringLiteral("cmdTXT"));
}

// The export's file chooser answers path; meanwhile runs as a person reads it.
void answerChooser(const QString& path, std::function<void()> meanwhile = {}) {
    viewers::setSaveFileDialog([path, meanwhile](QWidget*, const viewers::SaveDialogRequest&) {
        if (meanwhile) meanwhile();
        return path;
    });
}

// What the window saves now, through its own button: the file's bytes.
QByteArray savedNow(Program& p, viewers::ListWindow* w, bool tab, const QString& name) {
    const QString path = p.path(name);
    QFile::remove(path);
    answerChooser(path);
    exportButton(w, tab)->click();
    return bytesOf(path);
}

// One kind of event made to arrive inside the export's file chooser, which runs events as a person reads
// it (a modal chooser lets no click through: only the window's timers).
struct ChooserArrival {
    const char* name;
    std::function<void(Program&, int child)> arm;
};
const ChooserArrival kChooserArrivals[] = {
    {"nothing", [](Program&, int) {}},
    {"close request",
     [](Program& p, int child) { p.state().gChildState[size_t(child)].CloseRequest = core::kTrue; }},
    {"refresh request",
     [](Program& p, int child) { p.state().gChildState[size_t(child)].RefreshRequest = core::kTrue; }},
};

// Waits until no request is left and the lists are built again.
void settle(Program& p) {
    waitFor(
        [&] {
            for (const core::ChildStateRec& r : p.state().gChildState)
                if (core::isSet(r.CloseRequest) || core::isSet(r.RefreshRequest)) return false;
            const reports::frmEditWait* f = reports::gEditWaitForm(p.state());
            return !f || !f->isVisible();
        },
        5000);
    QTest::qWait(50);
}

} // namespace

// 最新の情報に更新 drops each list's text and builds it again, letting events run between. A click on
// TXT出力 queued just then saves what the list shows once rebuilt, or nothing: never the dropped text.
TEST(ListYields, AnExportClickedWhileTheRefreshRebuildsAListSavesWhatTheListShows) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    const int caught = ui::GuardedApplication::caught();
    int cases = 0;
    for (const ListPick& l : kLists)
        for (const bool tab : {true, false}) {
            const std::string where = std::string(l.window) + (tab ? " / Tab" : " / Flat");
            SCOPED_TRACE(where);
            viewers::ListWindow* w = openList(p, l);
            ASSERT_NE(w, nullptr);
            const QString path = p.path(QStringLiteral("during.txt"));
            QFile::remove(path);
            OnHide arrival(w->textBox(), [&] {
                answerChooser(path);
                mainroad::postClick(exportButton(w, tab));
            });
            p.messages().clear();
            settle(p);
            ASSERT_TRUE(p.trigger(QStringLiteral("mnuViewRefresh")));
            settle(p);
            ++cases;
            ASSERT_EQ(listOf(p, l.window), w);
            EXPECT_TRUE(w->loaded());
            EXPECT_TRUE(w->isEnabled());
            EXPECT_FALSE(w->shownText().isEmpty());
            EXPECT_EQ(p.messages().texts().filter(QStringLiteral("エラー")), QStringList());
            const QByteArray during = bytesOf(path);
            const QByteArray after = savedNow(p, w, tab, QStringLiteral("after.txt"));
            EXPECT_FALSE(after.isEmpty());
            if (QFile::exists(path)) {
                EXPECT_TRUE(during == after)
                    << "saved " << during.size() << " bytes, the list shows " << after.size();
            }
            w->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
            waitFor([&] { return p.workCount() == 0; });
        }
    EXPECT_EQ(cases, 6);
    EXPECT_EQ(ui::GuardedApplication::caught(), caught);
}

// Inside the export's file chooser the window's close and refresh requests fall due: the file holds
// what the window showed when the button was clicked, and the window then closes or rebuilds as asked.
TEST(ListYields, AListsCloseAndRefreshRequestsWaitForItsExportChooser) {
    Program p;
    ASSERT_FALSE(p.openShopWithOrders().isEmpty()) << p.messages().texts().join('|').toStdString();
    const int caught = ui::GuardedApplication::caught();
    int cases = 0;
    for (const ListPick& l : {kLists[0], kLists[1]})
        for (const bool tab : {true, false})
            for (const ChooserArrival& a : kChooserArrivals) {
                const std::string where = std::string(l.window) + (tab ? " / Tab / " : " / Flat / ") + a.name;
                SCOPED_TRACE(where);
                viewers::ListWindow* w = openList(p, l);
                ASSERT_NE(w, nullptr);
                const QByteArray expected = savedNow(p, w, tab, QStringLiteral("expected.txt"));
                ASSERT_FALSE(expected.isEmpty()) << p.messages().texts().join('|').toStdString();
                const int child = w->member().childIndex;
                const QString path = p.path(QStringLiteral("chosen.txt"));
                QFile::remove(path);
                answerChooser(path, [&] {
                    a.arm(p, child);
                    letFallDue(520);
                    QTest::qWait(100);
                });
                p.messages().clear();
                exportButton(w, tab)->click();
                settle(p);
                ++cases;
                EXPECT_EQ(p.messages().texts(), QStringList());
                const QByteArray saved = bytesOf(path);
                EXPECT_TRUE(saved == expected)
                    << "saved " << saved.size() << " bytes, the list showed " << expected.size();
                QPointer<viewers::ListWindow> now = listOf(p, l.window);
                if (QLatin1String(a.name) == QLatin1String("close request")) {
                    EXPECT_FALSE(now);
                } else {
                    ASSERT_TRUE(now);
                    EXPECT_TRUE(now->loaded());
                    EXPECT_TRUE(now->isEnabled());
                    now->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
                }
                waitFor([&] { return p.workCount() == 0; });
            }
    EXPECT_EQ(cases, 12);
    EXPECT_EQ(ui::GuardedApplication::caught(), caught);
}
