// What another process does to the company file without changing its data: its times, mode or links, a
// large write it gave back, a journal a third process played back. The windows that keep the file open save
// at the first try, and the file at the path is what they read. Another process here is a real one (touch,
// chmod, ln, the sqlite3 tool, flock).
#include "support/MainRoad.h"

#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentWindow.h"

#include "db/OleDate.h"

#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using mainroad::Program;
using mainroad::joined;
using mainroad::sqlite;
using mainroad::waitFor;

namespace {


bool sqliteTool() {
    return QProcess::execute(QStringLiteral("sqlite3"), {QStringLiteral("-version")}) == 0;
}

int run(const QString& program, const QStringList& args) {
    return QProcess::execute(program, args);
}

// A large transaction that no longer fits the cache writes its pages into the file before it ends; its
// rollback writes them back. Kept open until the caller says, so it can also be killed there.
const char* const kSpill = "PRAGMA cache_size = 2; BEGIN; CREATE TABLE spill (x); "
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                           "INSERT INTO spill SELECT randomblob(900) FROM n; SELECT 'spilled';\n";

void spillThen(const QString& db, bool kill) {
    QProcess other;
    other.start(QStringLiteral("sqlite3"), {db});
    ASSERT_TRUE(other.waitForStarted());
    other.write(kSpill);
    ASSERT_TRUE(waitFor([&] { return other.waitForReadyRead(50) || other.canReadLine(); }, 20000));
    if (kill) {
        other.kill(); // its journal stays, hot, for the next reader
    } else {
        other.write("ROLLBACK;\n.quit\n");
        other.closeWriteChannel();
    }
    ASSERT_TRUE(other.waitForFinished(20000));
    if (kill) {
        ASSERT_TRUE(QFileInfo::exists(db + QStringLiteral("-journal")));
        sqlite(db, QStringLiteral("SELECT count(*) FROM sqlite_master")); // a third process plays it back
    }
}

struct Look {
    quint32 count = 0;
    qint64 ctimeNs = 0;
};
Look lookOf(const QString& db) {
    Look l;
    QFile f(db);
    if (f.open(QIODevice::ReadOnly) && f.seek(24)) {
        const QByteArray b = f.read(4);
        for (char c : b)
            l.count = l.count << 8 | quint8(c);
    }
    struct stat st {};
    if (::stat(QFile::encodeName(db).constData(), &st) == 0)
        l.ctimeNs = qint64(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return l;
}

struct Trigger {
    const char* what;
    std::function<void(Program&, const QString& db)> act;
};

// The stock another file copied over ours in place holds, once that happened: it must be there after a save.
int gTheirStock = -1;

std::vector<Trigger> triggers() {
    return {
        {"touch", [](Program&, const QString& db) { run(QStringLiteral("touch"), {db}); }},
        {"touch -a",
         [](Program&, const QString& db) {
             run(QStringLiteral("touch"), {QStringLiteral("-a"), db});
         }},
        {"chmod to the same mode",
         [](Program&, const QString& db) {
             struct stat st {};
             ASSERT_EQ(::stat(QFile::encodeName(db).constData(), &st), 0);
             run(QStringLiteral("chmod"), {QString::number(st.st_mode & 07777, 8), db});
         }},
        {"a hard link",
         [](Program& p, const QString& db) {
             QFile::remove(p.path(QStringLiteral("snapshot.vrd")));
             run(QStringLiteral("ln"), {db, p.path(QStringLiteral("snapshot.vrd"))});
         }},
        {"a large write rolled back", [](Program&, const QString& db) { spillThen(db, false); }},
        {"a killed write's journal played back by a third process",
         [](Program&, const QString& db) { spillThen(db, true); }},
        // Not the same data: the save goes into the file now there, read afresh, with no page of the old one.
        {"another file with the same header copied over it in place",
         [](Program& p, const QString& db) {
             const QString other = p.path(QStringLiteral("other.vrd"));
             QFile::remove(other);
             ASSERT_TRUE(QFile::copy(db, other));
             gTheirStock = gTheirStock < 0 ? 900 : gTheirStock + 1;
             sqlite(other, QStringLiteral("UPDATE 商品マスタ SET 在庫量 = %1 WHERE 商品コード = 'G02'")
                               .arg(gTheirStock));
             ASSERT_TRUE(mainroad::copyWithSameHeader(other, db));
         }},
    };
}

masters::MasterWindow* openGoods(Program& p) {
    p.trigger(QStringLiteral("mnuManComm"));
    masters::MasterWindow* w = nullptr;
    waitFor([&] { return (w = p.work<masters::MasterWindow>()) != nullptr; });
    return w;
}

int rowOf(masters::MasterWindow* w, const QString& code) {
    for (int r = 0; r < w->model()->recordCount(); ++r)
        if (w->model()->index(r, 1).data().toString() == code) return r;
    return -1;
}

// One window that keeps the file open: the trigger comes between what the user typed and the save.
struct Window {
    const char* what;
    // Opens the window, types, runs the trigger, saves; the value that must be stored now, and the query
    // that reads it.
    std::function<std::pair<QString, QString>(Program&, const std::function<void()>& trigger, int round)>
        save;
};

std::vector<Window> windows() {
    return {
        {"商品マスタメンテナンス",
         [](Program& p, const std::function<void()>& trigger, int round) -> std::pair<QString, QString> {
             masters::MasterWindow* goods = openGoods(p);
             if (!goods) return {QStringLiteral("opened"), QStringLiteral("SELECT 'not opened'")};
             const int row = rowOf(goods, QStringLiteral("G12"));
             const QString name = QStringLiteral("名前%1").arg(round);
             EXPECT_TRUE(mainroad::pasteIntoCell(goods->grid(), goods->model()->index(row, 2), name));
             trigger();
             goods->button(QStringLiteral("cmdUpdate"))->click();
             EXPECT_EQ(goods->model()->index(row, 2).data().toString(), name);
             goods->button(QStringLiteral("cmdClose"))->click();
             waitFor([&] { return p.workCount() == 0; });
             return {name, QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G12'")};
         }},
        {"入金処理",
         [](Program& p, const std::function<void()>& trigger, int round) -> std::pair<QString, QString> {
             const int order =
                 p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{2, 1}});
             orders::PaymentWindow* pay = p.openPayments();
             if (!pay) return {QStringLiteral("opened"), QStringLiteral("SELECT 'not opened'")};
             trigger();
             const QDate day = QDate(2024, 7, 1).addDays(round);
             mainroad::answerCalendar(day);
             EXPECT_TRUE(mainroad::clickOrder(pay, order));
             pay->endButton()->click();
             waitFor([&] { return p.workCount() == 0; });
             return {QString::number(qint64(db::toOleDate(day))),
                     QStringLiteral("SELECT CAST(入金日 AS INTEGER) FROM 受注データ WHERE 受注No = %1")
                         .arg(order)};
         }},
        {"受注データ入力",
         [](Program& p, const std::function<void()>& trigger, int round) -> std::pair<QString, QString> {
             const int order = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"),
                                            {{1, round}}, {}, trigger);
             return {QString::number(round),
                     QStringLiteral("SELECT sum(個数) FROM 受注個別データ WHERE 受注No = %1 AND 受注No > 0")
                         .arg(order)};
         }},
    };
}

} // namespace

// Each trigger between the typing and the save in 商品マスタメンテナンス (更新), 入金処理 (a click on an
// order) and 受注データ入力 (契約): each stores at the first try, with nothing said.
TEST(FileLook, AChangeOfTheFileWithoutItsDataNeverRefusesASave) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    int round = 0;
    for (const Trigger& t : triggers()) {
        for (const Window& w : windows()) {
            SCOPED_TRACE(std::string(t.what) + " / " + w.what);
            p.messages().clear();
            const auto [stored, read] = w.save(
                p,
                [&] {
                    const Look before = lookOf(db);
                    t.act(p, db);
                    const Look after = lookOf(db);
                    EXPECT_EQ(after.count, before.count);     // the header as it was
                    EXPECT_NE(after.ctimeNs, before.ctimeNs); // the file's look not
                },
                ++round);
            EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
            EXPECT_EQ(sqlite(db, read), stored);
            if (gTheirStock >= 0) {
                EXPECT_EQ(
                    sqlite(db, QStringLiteral("SELECT 在庫量 FROM 商品マスタ WHERE 商品コード = 'G02'")),
                    QString::number(gTheirStock));
            }
            EXPECT_EQ(sqlite(db, QStringLiteral("PRAGMA integrity_check")), QStringLiteral("ok"));
        }
    }
}

// A window opened while another program has the file alone and puts a compacted copy in its place (as
// VarnoxReplica does): it waits for it, then reads the file now at the path and saves at once.
TEST(FileLook, AWindowOpenedWhileTheFileIsReplacedReadsAndSavesTheNewOne) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    const QString next = p.path(QStringLiteral(".compacted.vrd"));
    QProcess alone;
    alone.start(
        QStringLiteral("flock"),
        {QStringLiteral("-x"), db + QStringLiteral("-lock"), QStringLiteral("sh"), QStringLiteral("-c"),
         QStringLiteral(
             "echo held; sleep 0.4; sqlite3 \"$1\" \"VACUUM INTO '$2'\" && "
             "sqlite3 \"$2\" \"UPDATE 商品マスタ SET 商品名 = '詰めた後' WHERE 商品コード = 'G11'\" && "
             "mv \"$2\" \"$1\""),
         QStringLiteral("sh"), db, next});
    ASSERT_TRUE(alone.waitForReadyRead(10000));
    masters::MasterWindow* goods = openGoods(p); // waits for the lock
    ASSERT_TRUE(alone.waitForFinished(10000));
    ASSERT_EQ(alone.exitCode(), 0) << alone.readAllStandardError().toStdString();
    ASSERT_NE(goods, nullptr);
    const int row = rowOf(goods, QStringLiteral("G11"));
    ASSERT_GE(row, 0);
    EXPECT_EQ(goods->model()->index(row, 2).data().toString(), QStringLiteral("詰めた後"));
    ASSERT_TRUE(
        mainroad::pasteIntoCell(goods->grid(), goods->model()->index(row, 2), QStringLiteral("その後")));
    p.messages().clear();
    goods->button(QStringLiteral("cmdUpdate"))->click();
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT 商品名 FROM 商品マスタ WHERE 商品コード = 'G11'")),
              QStringLiteral("その後"));
}

// Another file with the same header copied over the file in place while 商品マスタメンテナンス shows it:
// リフレッシュ shows what the file holds now, not the rows cached from the one that was there before.
TEST(FileLook, AWindowReadsTheFileCopiedInPlaceNotWhatItCachedBefore) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    masters::MasterWindow* goods = openGoods(p);
    ASSERT_NE(goods, nullptr);
    const int row = rowOf(goods, QStringLiteral("G02"));
    ASSERT_GE(row, 0);
    const QString shown = goods->model()->index(row, 2).data().toString();
    const QString other = p.path(QStringLiteral("other.vrd"));
    ASSERT_TRUE(QFile::copy(db, other));
    sqlite(other, QStringLiteral("UPDATE 商品マスタ SET 商品名 = 'コピーの名前' WHERE 商品コード = 'G02'"));
    ASSERT_TRUE(mainroad::copyWithSameHeader(other, db));
    p.messages().clear();
    p.trigger(QStringLiteral("mnuViewRefresh"));
    const int again = rowOf(goods, QStringLiteral("G02"));
    ASSERT_GE(again, 0);
    EXPECT_NE(shown, QStringLiteral("コピーの名前"));
    EXPECT_EQ(goods->model()->index(again, 2).data().toString(), QStringLiteral("コピーの名前"));
    EXPECT_EQ(p.messages().shown().size(), 1u) << joined(p).toStdString(); // the question only
    goods->button(QStringLiteral("cmdClose"))->click();
    EXPECT_TRUE(waitFor([&] { return p.workCount() == 0; }));
}
