// The goods master window under any timing: each of its handlers that shows a box (a duplicate code
// stored by 更新, by a move to another row, by 閉じる; a row another program changed) is run
// with each event that can come in while the box is read: the window's close request, its refresh
// request, another program writing the table. Afterwards the file holds no refused value, and the
// window, if still open, shows what the file holds.
#include "support/MainRoad.h"

#include "core/MainFrame.h"
#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "ui/GuardedApplication.h"

#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

using mainroad::Program;
using mainroad::waitFor;

namespace {

// A box read for a moment: what armed arrives while it is open, as under a real modal box (no click gets
// past it: only timers and other programs). What it showed goes to the program's recording service.
class ReadBoxes : public ui::MessageService {
  public:
    // watched: the arrival is for the window's watcher, which is given the time to fall due.
    ReadBoxes(ui::RecordingMessageService& record, std::function<void()> arrive, bool watched)
        : record_(record), arrive_(std::move(arrive)), watched_(watched) {
        ui::setMessageService(this);
    }
    ~ReadBoxes() override { ui::setMessageService(&record_); }
    ui::Answer show(const QString& text, const QString& title, ui::Buttons buttons, ui::Icon icon) override {
        if (arrive_) std::exchange(arrive_, nullptr)();
        if (watched_) QThread::msleep(520);
        QTest::qWait(30);
        return record_.show(text, title, buttons, icon);
    }
    void beep() override { record_.beep(); }

  private:
    ui::RecordingMessageService& record_;
    std::function<void()> arrive_;
    bool watched_;
};

masters::MasterWindow* openGoods(Program& p) {
    p.trigger(QStringLiteral("mnuManComm"));
    masters::MasterWindow* found = nullptr;
    waitFor([&] {
        for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
            if (auto* w = qobject_cast<masters::MasterWindow*>(frame::workOf(sub))) found = w;
        return found && core::isSet(p.state().gChildState[size_t(core::kChildGoodsM)].Open);
    });
    QTest::qWait(50);
    return found;
}

int rowOf(masters::MasterWindow* w, const QString& code) {
    for (int r = 0; r < w->model()->recordCount(); ++r)
        if (w->model()->index(r, 1).data().toString() == code) return r;
    return -1;
}

void typeCell(masters::MasterWindow* w, int row, int col, const QString& text) {
    const QModelIndex at = w->model()->index(row, col);
    w->grid()->setCurrentIndex(at);
    w->grid()->edit(at);
    QLineEdit* editor = nullptr;
    for (QLineEdit* e : w->grid()->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible()) editor = e;
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    mainroad::type(editor, text);
}

// Code, name and stock of every goods, as the file holds them and as the window shows them.
QStringList inFile(const QString& db) {
    QStringList rows =
        mainroad::sqlite(db, QStringLiteral("SELECT 商品コード || '|' || 商品名 || '|' || 在庫量 "
                                            "FROM 商品マスタ"))
            .split(QLatin1Char('\n'));
    rows.sort();
    return rows;
}
QStringList inWindow(masters::MasterWindow* w) {
    QStringList rows;
    const auto& f = w->model()->fields();
    int stock = -1;
    for (size_t c = 0; c < f.size(); ++c)
        if (f[c].name == QStringLiteral("在庫量")) stock = int(c);
    for (int r = 0; r < w->model()->recordCount(); ++r)
        rows << w->model()->index(r, 1).data().toString() + QLatin1Char('|') +
                    w->model()->index(r, 2).data().toString() + QLatin1Char('|') +
                    w->model()->index(r, stock).data().toString().remove(QLatin1Char(','));
    rows.sort();
    return rows;
}

} // namespace

TEST(MasterYields, TheGoodsWindowStaysTrueWhateverArrivesWhileItsBoxIsRead) {
    if (mainroad::sqlite(QString(), QStringLiteral("SELECT 1")) != QStringLiteral("1"))
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty());
    const int caught = ui::GuardedApplication::caught();
    const QString kDuplicate = QStringLiteral("ＤＢメンテナンスエラー");

    struct Action {
        const char* name;
        std::function<void(Program&, masters::MasterWindow*)> run;
    };
    const auto duplicate = [](masters::MasterWindow* w) {
        typeCell(w, rowOf(w, QStringLiteral("G02")), 1, QStringLiteral("G01"));
    };
    const auto button = [](masters::MasterWindow* w, const char* name) {
        w->button(QLatin1String(name))->click();
    };
    const Action actions[] = {
        {"更新 of a duplicate code",
         [&](Program&, masters::MasterWindow* w) {
             duplicate(w);
             button(w, "cmdUpdate");
         }},
        {"a move off a duplicate code",
         [&](Program&, masters::MasterWindow* w) {
             duplicate(w);
             w->grid()->setCurrentIndex(w->model()->index(rowOf(w, QStringLiteral("G04")), 1));
         }},
        {"閉じる after a duplicate code",
         [&](Program&, masters::MasterWindow* w) {
             duplicate(w);
             button(w, "cmdClose");
         }},
        {"更新 of a row changed elsewhere",
         [&](Program& p, masters::MasterWindow* w) {
             typeCell(w, rowOf(w, QStringLiteral("G03")), 2, QStringLiteral("梅干し特選"));
             mainroad::sqlite(
                 p.state().gDbPath,
                 QStringLiteral("UPDATE 商品マスタ SET 商品名 = 商品名 || '改' WHERE 商品コード = 'G03'"));
             button(w, "cmdUpdate");
         }},
    };
    struct Arrival {
        const char* name;
        std::function<void(Program&)> arm;
        bool watched = false;   // a request the window's watcher answers
        bool elsewhere = false; // the window shows it after its リフレッシュ
    };
    const Arrival arrivals[] = {
        {"nothing", [](Program&) {}},
        {"close request",
         [](Program& p) { p.state().gChildState[size_t(core::kChildGoodsM)].CloseRequest = core::kTrue; },
         true},
        {"refresh request",
         [](Program& p) { p.state().gChildState[size_t(core::kChildGoodsM)].RefreshRequest = core::kTrue; },
         true},
        {"another program writing",
         [](Program& p) {
             mainroad::sqlite(
                 p.state().gDbPath,
                 QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 在庫量 + 1 WHERE 商品コード = 'G11'"));
         },
         false, true},
    };
    int cases = 0;
    for (const Action& a : actions)
        for (const Arrival& arrival : arrivals) {
            const std::string where = std::string(a.name) + " / " + arrival.name;
            SCOPED_TRACE(where);
            masters::MasterWindow* w = openGoods(p);
            ASSERT_NE(w, nullptr);
            p.messages().clear();
            {
                ReadBoxes boxes(
                    p.messages(), [&] { arrival.arm(p); }, arrival.watched);
                a.run(p, w);
            }
            core::ChildStateRec& rec = p.state().gChildState[size_t(core::kChildGoodsM)];
            waitFor([&] {
                return p.workCount() == 0 ||
                       (!core::isSet(rec.CloseRequest) && !core::isSet(rec.RefreshRequest));
            });
            rec.RefreshRequest = core::kFalse; // a closed window answers none; the broadcast clears it so
            QTest::qWait(50);
            ++cases;
            EXPECT_FALSE(p.messages().texts().isEmpty()); // the box the action shows
            const QStringList file = inFile(db);
            EXPECT_EQ(file.filter(QStringLiteral("G01|")).size(), 1) << file.join(' ').toStdString();
            EXPECT_EQ(file.filter(QStringLiteral("G02|")).size(), 1) << file.join(' ').toStdString();
            QPointer<masters::MasterWindow> now;
            for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
                if (auto* m = qobject_cast<masters::MasterWindow*>(frame::workOf(sub))) now = m;
            if (now) {
                EXPECT_FALSE(now->locked());
                EXPECT_FALSE(now->model()->hasPending());
                if (arrival.elsewhere) now->button(QStringLiteral("cmdRefresh"))->click();
                EXPECT_EQ(inWindow(now), file);
                now->button(QStringLiteral("cmdClose"))->click();
                waitFor([&] { return p.workCount() == 0; });
            }
            EXPECT_EQ(p.workCount(), 0);
            EXPECT_EQ(p.state().gOpenMasterCount, 0);
        }
    EXPECT_EQ(cases, 16);
    EXPECT_EQ(ui::GuardedApplication::caught(), caught);
}
