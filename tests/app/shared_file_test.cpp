// One company file, several people and programs: what another program does to the file while Varnox has it
// open, through the real windows. Another program here is a real process (the sqlite3 tool, cp).
#include "support/MainRoad.h"

#include "core/ErrorTexts.h"

#include "masters/MasterTableModel.h"
#include "masters/MasterWindow.h"
#include "orders/CalendarDialog.h"
#include "orders/CancelWindow.h"
#include "orders/GetOrderWindow.h"
#include "orders/OrderListModel.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"

#include "db/OleDate.h"

#include <QCalendarWidget>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using mainroad::HeldWrite;
using mainroad::Program;
using mainroad::joined;
using mainroad::sqlite;
using mainroad::waitFor;

namespace {


bool sqliteTool() { return QProcess::execute(QStringLiteral("sqlite3"), {QStringLiteral("-version")}) == 0; }

const orders::OrderListRow& shownOrder(orders::OrderListWindow* w, int no) {
    return w->model()->order(w->model()->indexOf(no));
}

// Files of ours still open that were deleted under us: a log another program removed would show here.
QStringList deletedOpenFiles() {
    QStringList out;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System | QDir::Files))
        if (fd.symLinkTarget().endsWith(QLatin1String(" (deleted)")) && fd.symLinkTarget().contains(QLatin1String(".vrd")))
            out << fd.symLinkTarget();
    return out;
}

masters::MasterWindow* openMaster(Program& p, const char* item, const char* form) {
    p.trigger(QString::fromLatin1(item));
    masters::MasterWindow* found = nullptr;
    waitFor([&] {
        for (QMdiSubWindow* sub : p.window().mdiArea()->subWindowList())
            if (auto* w = qobject_cast<masters::MasterWindow*>(frame::workOf(sub)); w && w->spec().name == QLatin1String(form))
                found = w;
        return found != nullptr;
    });
    return found;
}

void typeCell(masters::MasterWindow* w, int row, int col, const QString& text) {
    const QModelIndex at = w->model()->index(row, col);
    w->grid()->setCurrentIndex(at);
    w->grid()->edit(at);
    QLineEdit* editor = nullptr; // the open one, not one that closed before and waits to be deleted
    for (QLineEdit* e : w->grid()->viewport()->findChildren<QLineEdit*>())
        if (e->isVisible())
            editor = e;
    ASSERT_NE(editor, nullptr);
    editor->selectAll();
    mainroad::type(editor, text);
}

// The shop with its three orders, 入金処理 and キャンセル処理 open on them, and the sqlite3 tool as the
// other program.
class SharedFileListsOpen : public ::testing::Test {
protected:
    void SetUp() override {
        if (!sqliteTool())
            GTEST_SKIP() << "the sqlite3 tool is not installed";
        db = p.openShopWithOrders();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        pay = p.openPayments();
        cancel = p.openCancels();
        ASSERT_TRUE(pay && cancel);
    }

    Program p;
    QString db;
    orders::PaymentWindow* pay = nullptr;
    orders::CancelWindow* cancel = nullptr;
};

} // namespace

// Another program's look at the file, and its write, while the payment and cancel windows hold their
// connections: our later writes reach the file, theirs is kept, and no file of ours is left deleted.
TEST_F(SharedFileListsOpen, AnotherProgramsLookNeverMakesOurLaterWritesVanish) {
    sqlite(db, QStringLiteral("select 1"));
    ASSERT_TRUE(mainroad::clickOrder(cancel, 1));
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT キャンセル FROM 受注データ WHERE 受注No = 1")), QStringLiteral("X"));
    sqlite(db, QStringLiteral("UPDATE 受注データ SET 入金日 = 40000 WHERE 受注No = 3"));
    mainroad::answerCalendar(QDate(2024, 7, 1));
    ASSERT_TRUE(mainroad::clickOrder(pay, 1));
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT CAST(入金日 AS INTEGER) FROM 受注データ WHERE 受注No = 1")),
              QString::number(qint64(db::toOleDate(QDate(2024, 7, 1)))));
    EXPECT_TRUE(deletedOpenFiles().isEmpty()) << deletedOpenFiles().join(' ').toStdString();

    p.trigger(QStringLiteral("mnuFileClose"));
    ASSERT_TRUE(waitFor([&] { return p.workCount() == 0; }));
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT CAST(入金日 AS INTEGER) || キャンセル FROM 受注データ WHERE 受注No = 3")),
              QStringLiteral("40000X"));
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    EXPECT_EQ(QDir(QFileInfo(db).absolutePath()).entryList({QStringLiteral("shop.vrd*")}, QDir::Files),
              QStringList{QStringLiteral("shop.vrd")});
}

// Another program saving one after another beside 入金処理 and キャンセル処理 on a large client table, each
// save waiting at most 300 ms (ten times a short read, for a loaded machine): the lists read only the names
// they show, in short reads, and refuse no save.
TEST_F(SharedFileListsOpen, ListsOnALargeClientTableKeepNoSaveWaiting) {
    sqlite(db,
           QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
                          "INSERT INTO 顧客マスタ SELECT 100 + i, printf('K%07d', i), printf('顧客%d', i), "
                          "'100-0001', '東京都', '03-0000-0000', NULL, NULL FROM n"));
    ASSERT_EQ(sqlite(db, QStringLiteral("SELECT count(*) FROM 顧客マスタ")), QStringLiteral("200004"));
    QProcess writer;
    writer.start(QStringLiteral("sqlite3"), {QStringLiteral("-cmd"), QStringLiteral(".timeout 300"), db});
    const QPointer<orders::PaymentWindow> kept(pay);
    for (int refresh = 0; refresh < 6; ++refresh) {
        for (int i = 0; i < 300; ++i)
            writer.write("UPDATE 商品マスタ SET 在庫量 = 在庫量 + 1 WHERE 商品コード = 'G12';\n");
        p.trigger(QStringLiteral("mnuViewRefresh"));
    }
    writer.closeWriteChannel();
    writer.waitForFinished();
    EXPECT_EQ(writer.readAllStandardError(), QByteArray());
    ASSERT_TRUE(kept) << "closed: " << joined(p).toStdString();
    EXPECT_EQ(pay->model()->orderCount(), 3);
}

// While another program holds the file in a write, a payment or a cancel click waits the busy time, then
// says so: the grid and the file are as they were.
TEST_F(SharedFileListsOpen, AWriteThatMeetsAnotherProgramsLockSaysSoAndChangesNothing) {
    const QString before = sqlite(db, QStringLiteral("SELECT group_concat(受注No || ':' || 入金日 || キャンセル) FROM 受注データ"));
    struct Case {
        const char* what;
        orders::OrderListWindow* window;
    } cases[] = {{"payment", pay}, {"cancel", cancel}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p.messages().clear();
        const orders::OrderListRow shown = shownOrder(c.window, 1);
        HeldWrite other(db);
        if (c.window == pay)
            mainroad::answerCalendar(QDate(2024, 7, 1));
        ASSERT_TRUE(mainroad::clickOrder(c.window, 1));
        other.release();
        EXPECT_TRUE(joined(p).contains(QStringLiteral("他の人が使用している"))) << joined(p).toStdString();
        EXPECT_EQ(shownOrder(c.window, 1).paidDate, shown.paidDate);
        EXPECT_EQ(shownOrder(c.window, 1).cancelMark, shown.cancelMark);
        EXPECT_EQ(sqlite(db, QStringLiteral("SELECT group_concat(受注No || ':' || 入金日 || キャンセル) FROM 受注データ")),
                  before);
    }
}

// A plain copy of the database file alone, taken while windows keep it open, holds every saved order.
TEST(SharedFile, ACopyOfTheFileAloneHoldsEverySavedOrderWhileWindowsStayOpen) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}), 1);
    ASSERT_TRUE(p.openPayments()); // keeps its connection
    for (int i = 1; i < 3; ++i)
        ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, i + 1}}), i + 1);
    const QString copy = p.path(QStringLiteral("backup.vrd"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {db, copy}), 0);
    db::Database d(copy, db::Database::Access::ReadOnly);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No > 0 AND 販売金額 > 0")).toInt(), 3);
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT sum(個数) FROM 受注個別データ WHERE 受注No > 0")).toInt(), 6);
}

// A grid's 更新 writes only what the user changed, and only on the row the user saw: another user's change
// to another field of the row meanwhile is no conflict, and both are kept at the first try. The master grids
// and the order data grid alike.
TEST(SharedFile, GridsNeverUndoAnotherUsersChange) {
    if (!sqliteTool())
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    struct Case {
        const char* item;
        const char* form;
        const char* table;
        int keyColumn;
        const char* key;
        QString code;
        int typedColumn;
        const char* typedField;
        QString typed;
        const char* theirsField;
        QString theirs; // the other user's write
    } cases[] = {
        {"mnuManComm", "frmGoodsM", "商品マスタ", 1, "商品コード", QStringLiteral("G12"), 2, "商品名", QStringLiteral("新しい名前"),
         "在庫量", QStringLiteral("UPDATE 商品マスタ SET 在庫量 = 在庫量 - 5 WHERE 商品コード = 'G12'")},
        {"mnuManCli", "frmClientM", "顧客マスタ", 1, "顧客コード", QStringLiteral("C02"), 2, "顧客名", QStringLiteral("新しい名前"),
         "TEL", QStringLiteral("UPDATE 顧客マスタ SET TEL = '06-0000-0000' WHERE 顧客コード = 'C02'")},
        {"mnuManRecG", "frmOrderM", "受注データ", 0, "受注No", QStringLiteral("1"), 8, "送料", QStringLiteral("500"),
         "入金日", QStringLiteral("UPDATE 受注データ SET 入金日 = 45500 WHERE 受注No = 1")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        p.messages().clear();
        masters::MasterWindow* w = openMaster(p, c.item, c.form);
        ASSERT_NE(w, nullptr);
        int row = -1;
        for (int r = 0; r < w->model()->recordCount(); ++r)
            if (w->model()->index(r, c.keyColumn).data().toString() == c.code)
                row = r;
        ASSERT_GE(row, 0);
        const auto read = [&](const char* field) {
            return sqlite(db, QStringLiteral("SELECT CAST(%1 AS TEXT) FROM %2 WHERE %3 = '%4'")
                                  .arg(QString::fromUtf8(field), QString::fromUtf8(c.table), QString::fromUtf8(c.key), c.code));
        };
        const QString before = read(c.typedField);
        sqlite(db, c.theirs);
        const QString theirs = read(c.theirsField);
        typeCell(w, row, c.typedColumn, c.typed);
        w->button(QStringLiteral("cmdUpdate"))->click();
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        EXPECT_NE(read(c.typedField), before);
        EXPECT_EQ(read(c.theirsField), theirs);
        EXPECT_EQ(w->model()->index(row, c.keyColumn).data().toString(), c.code);
    }
}

// A backup copied over the file while the order window is open: the next 契約 is refused and tells the user
// to open the database again; the restored file is left byte for byte.
TEST(SharedFile, ABackupPutOverAnOpenFileIsNeverMixedWithIt) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    const QString backup = p.path(QStringLiteral("backup.vrd"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {db, backup}), 0);
    ASSERT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}}), 1);

    p.trigger(QStringLiteral("mnuOrder"));
    orders::GetOrderWindow* w = nullptr;
    ASSERT_TRUE(waitFor([&] { return (w = p.work<orders::GetOrderWindow>()) != nullptr; }));
    ASSERT_EQ(QProcess::execute(QStringLiteral("cp"), {backup, db}), 0); // in place: the same file, new content
    QFile f(backup);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray restored = f.readAll();
    p.messages().clear();
    const int orderNo = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{2, 3}});
    EXPECT_EQ(orderNo, 0);
    EXPECT_TRUE(joined(p).contains(QStringLiteral("開き直して"))) << joined(p).toStdString();
    QFile now(db);
    ASSERT_TRUE(now.open(QIODevice::ReadOnly));
    EXPECT_TRUE(now.readAll() == restored);
}

// The order is stored but no next number can be made: the message says the order was stored first.
TEST(SharedFile, ASavedOrderIsToldOfWhenTheNextNumberCannotBeMade) {
    if (!sqliteTool())
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    // Another program stores an order under the last number there is: no new order row can follow. (A
    // trigger of its own would now refuse the save itself.)
    const int no = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}}, {}, [&] {
        sqlite(db, QStringLiteral("INSERT INTO 受注データ SELECT 2147483647, 顧客コード, 社員コード, 定価金額, 仕切値, "
                                  "原価, 販売金額, 消費税額, 送料, 受注日付, 入金日, キャンセル FROM 受注データ "
                                  "WHERE 受注No = 0"));
    });
    EXPECT_EQ(no, 0); // the window could not go on
    EXPECT_TRUE(joined(p).contains(QStringLiteral("受注No.1 を保存しました"))) << joined(p).toStdString();
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT count(*) FROM 受注個別データ WHERE 受注No = 1")), QStringLiteral("1"));
}

namespace {
QString employeeList(Program& p) { return mainroad::readList(p, 2); }
} // namespace

// A list reads through a connection kept from the list before it. Whatever another program did to the file
// in between, the next list shows the file now at the path, or says it cannot read it; between lists the file
// is free for another program's sole use, and no descriptor of ours stays on a file that is gone.
TEST(SharedFile, EachListReadsTheFileAsItIsNowWhateverAnotherProgramDidSinceTheLast) {
    if (!sqliteTool())
        GTEST_SKIP() << "the sqlite3 tool is not installed";
    const QString rename = QStringLiteral("UPDATE 社員マスタ SET 氏名 = '山本次郎' WHERE 社員コード = 'E02'");
    struct Case {
        const char* what;
        std::function<void(Program&, const QString& db)> act;
        const char* shows; // nullptr: the list says it cannot read the file
    } cases[] = {
        {"nothing", [](Program&, const QString&) {}, "鈴木花子"},
        {"writes", [&](Program&, const QString& db) { sqlite(db, rename); }, "山本次郎"},
        {"changes its schema and compacts it",
         [&](Program&, const QString& db) {
             sqlite(db, QStringLiteral("CREATE TABLE メモ (x); ") + rename + QStringLiteral("; DROP TABLE メモ; VACUUM;"));
         },
         "山本次郎"},
        {"copies a backup over it in place",
         [&](Program& p, const QString& db) {
             const QString backup = p.path(QStringLiteral("backup.vrd"));
             QProcess::execute(QStringLiteral("cp"), {db, backup});
             sqlite(db, rename);
             QProcess::execute(QStringLiteral("cp"), {backup, db});
         },
         "鈴木花子"},
        {"copies another file with the same header over it in place",
         [&](Program& p, const QString& db) {
             const QString other = p.path(QStringLiteral("other.vrd"));
             QProcess::execute(QStringLiteral("cp"), {db, other});
             sqlite(other, rename);
             ASSERT_TRUE(mainroad::copyWithSameHeader(other, db));
         },
         "山本次郎"},
        {"renames another file over it",
         [&](Program& p, const QString& db) {
             const QString other = p.path(QStringLiteral("other.vrd"));
             QProcess::execute(QStringLiteral("cp"), {db, other});
             sqlite(other, rename);
             QProcess::execute(QStringLiteral("mv"), {other, db});
         },
         "山本次郎"},
        {"deletes it", [](Program&, const QString& db) { QFile::remove(db); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        const QString db = p.openShop();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        ASSERT_TRUE(employeeList(p).contains(QStringLiteral("鈴木花子"))) << joined(p).toStdString();
        // Idle between lists: another program may have the file to itself.
        EXPECT_EQ(sqlite(db, QStringLiteral("BEGIN EXCLUSIVE; ROLLBACK; SELECT 'alone';")), QStringLiteral("alone"));
        EXPECT_EQ(QProcess::execute(QStringLiteral("flock"), {QStringLiteral("-n"), QStringLiteral("-x"),
                                                              db + QStringLiteral("-lock"), QStringLiteral("true")}),
                  0);
        QFile::remove(db + QStringLiteral("-lock"));
        c.act(p, db);
        p.messages().clear();
        const QString shown = employeeList(p);
        if (c.shows) {
            EXPECT_TRUE(shown.contains(QString::fromUtf8(c.shows))) << shown.toStdString() << joined(p).toStdString();
            EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        } else {
            EXPECT_TRUE(shown.isEmpty());
            EXPECT_TRUE(joined(p).contains(QStringLiteral("他の人が使用している"))) << joined(p).toStdString();
        }
        EXPECT_TRUE(deletedOpenFiles().isEmpty()) << deletedOpenFiles().join(' ').toStdString();
        p.trigger(QStringLiteral("mnuFileClose"));
        EXPECT_TRUE(deletedOpenFiles().isEmpty()) << deletedOpenFiles().join(' ').toStdString();
    }
}

// While VarnoxReplica or New over the file holds it alone, a list says it cannot read it; once that is done,
// the next list reads the file it left.
TEST(SharedFile, AListWhileAnotherProgramHoldsTheFileAloneSaysSoAndTheNextReadsIt) {
    Program p;
    const QString db = p.openShop();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    ASSERT_TRUE(employeeList(p).contains(QStringLiteral("鈴木花子")));
    QProcess alone;
    alone.start(QStringLiteral("flock"), {QStringLiteral("-x"), db + QStringLiteral("-lock"), QStringLiteral("-c"),
                                          QStringLiteral("echo held; read x")});
    ASSERT_TRUE(alone.waitForReadyRead(10000));
    p.messages().clear();
    EXPECT_TRUE(employeeList(p).isEmpty());
    EXPECT_TRUE(joined(p).contains(QStringLiteral("他の人が使用している"))) << joined(p).toStdString();
    alone.closeWriteChannel();
    ASSERT_TRUE(alone.waitForFinished(10000));
    p.messages().clear();
    EXPECT_TRUE(employeeList(p).contains(QStringLiteral("鈴木花子"))) << joined(p).toStdString();
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
}

// Another program holds the file past the wait while an order is keyed in: 契約 and the close are refused,
// saying in Japanese the file is busy. The pending row left behind, like a window's live one, is in no list,
// and the next order window removes it and works as soon as the other program lets go.
TEST(SharedFile, APendingOrderLeftWhileAnotherProgramHoldsTheFileIsNeverAnOrder) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    const int lists[] = {3, 5, 6,
                         8, 9, 13}; // 受注データ一覧, 請求書, 受注情報, 顧客別, 社員別, 未入金受注一覧
    for (const bool read : {true, false}) {
        SCOPED_TRACE(read ? "a read held" : "a write held");
        Program p;
        const QString db = p.openShopWithOrders();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        QStringList before;
        for (int i : lists)
            before << mainroad::readList(p, i);
        std::unique_ptr<HeldWrite> other;
        EXPECT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}, {},
                               [&] { other = std::make_unique<HeldWrite>(db, read); }),
                  0);
        EXPECT_TRUE(joined(p).contains(QStringLiteral("受注No.4 の仮の受注データを削除できませんでした")))
            << joined(p).toStdString();
        EXPECT_TRUE(joined(p).contains(core::kBusyText)) << joined(p).toStdString();
        EXPECT_FALSE(joined(p).contains(QStringLiteral("locked"))) << joined(p).toStdString();
        for (size_t i = 0; i < std::size(lists); ++i)
            EXPECT_EQ(mainroad::readList(p, lists[i]), before[qsizetype(i)])
                << "left behind, list " << lists[i];
        other.reset();
        p.messages().clear();
        waitFor([&] { return p.reachable(QStringLiteral("mnuOrder")); }, 3000);
        p.trigger(QStringLiteral("mnuOrder"));
        orders::GetOrderWindow* w = nullptr;
        ASSERT_TRUE(waitFor([&] { return (w = p.work<orders::GetOrderWindow>()) && w->orderNo() > 0; }, 3000))
            << joined(p).toStdString();
        EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
        EXPECT_EQ(w->orderNo(), 4); // the numbers go on as they did
        EXPECT_EQ(sqlite(db, QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No > 3")),
                  QStringLiteral("1"));
        for (size_t i = 0; i < std::size(lists); ++i)
            EXPECT_EQ(mainroad::readList(p, lists[i]), before[qsizetype(i)])
                << "a window's own, list " << lists[i];
        // One a killed program left goes at the next ＤＢオープン.
        w->endButton()->click();
        const QString kill = QStringLiteral(
            "INSERT INTO 受注データ SELECT %1, 顧客コード, 社員コード, 0, 0, 0, 0, 0, 0, 受注日付, 0, ' ' "
            "FROM 受注データ WHERE 受注No = 0");
        sqlite(db, kill.arg(7));
        waitFor([&] { return p.reachable(QStringLiteral("mnuFileOpen")); }, 3000);
        mainroad::giveFile(p, mainroad::Menu, db);
        EXPECT_EQ(sqlite(db, QStringLiteral("SELECT group_concat(受注No) FROM 受注データ")),
                  QStringLiteral("0,1,2,3"));
        // Without the seed client (顧客マスタメンテナンス may delete it) a pending row is still one.
        sqlite(db,
               QStringLiteral("DELETE FROM 顧客マスタ WHERE rowid = (SELECT min(rowid) FROM 顧客マスタ); ") +
                   kill.arg(8));
        for (size_t i = 0; i < std::size(lists); ++i)
            EXPECT_EQ(mainroad::readList(p, lists[i]), before[qsizetype(i)])
                << "no seed client, list " << lists[i];
    }
}

namespace {
// The event loop's longest pause over the time given, as a person at the screen feels it.
qint64 longestStallMs(int ms) {
    QElapsedTimer since, run;
    qint64 longest = 0;
    for (since.start(), run.start(); run.elapsed() < ms; QTest::qWait(10))
        longest = std::max(longest, since.restart());
    return std::max(longest, since.elapsed()); // a pause past the end too
}
} // namespace

// A pending row waits for its removal while another program holds the file, with windows open: the look
// every few seconds never holds the window (a second is the hang guard; it takes milliseconds), and the row
// goes once the file is free.
TEST(SharedFile, ALeftPendingRowNeverHoldsTheWindowsWhileAnotherProgramHoldsTheFile) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    const struct {
        const char* what;
        bool windows; // 入金処理 and キャンセル処理 open beside 受注データ入力 (they hold the use lock)
        const char* holder; // on the file $0, saying "held" once it holds it
    } cases[] = {
        {"the sqlite3 tool in BEGIN EXCLUSIVE", true,
         "{ echo \"BEGIN EXCLUSIVE; SELECT 'held';\"; cat; } | sqlite3 \"$0\""},
        {"a holder of the use lock alone", false, "flock -x \"$0-lock\" -c 'echo held; read x'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Program p;
        const QString db = p.openShopWithOrders();
        ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
        ASSERT_TRUE(!c.windows || (p.openPayments() && p.openCancels()));
        std::unique_ptr<HeldWrite> write;
        EXPECT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}, {},
                               [&] { write = std::make_unique<HeldWrite>(db); }),
                  0);
        ASSERT_TRUE(joined(p).contains(QStringLiteral("受注No.4 の仮の受注データを削除できませんでした")));
        write.reset();
        QProcess other;
        other.start(QStringLiteral("sh"), {QStringLiteral("-c"), QString::fromUtf8(c.holder), db});
        ASSERT_TRUE(other.waitForReadyRead(10000));
        EXPECT_LT(longestStallMs(4500), 1000);
        other.closeWriteChannel();
        ASSERT_TRUE(other.waitForFinished(10000));
        EXPECT_TRUE(waitFor([&] {
            return sqlite(db, QStringLiteral("SELECT count(*) FROM 受注データ WHERE 受注No > 3")) == "0";
        })) << "the row left stays";
    }
}

// 契約 refused while another program held the file, which lets go; another user's ＤＢオープン and new order
// window leave the first window its row and number, and its next 契約 stores the order under it.
TEST(SharedFile, ARefusedOrderKeepsItsNumberWhenAnotherUserOpensTheFile) {
    if (!sqliteTool()) GTEST_SKIP() << "the sqlite3 tool is not installed";
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << joined(p).toStdString();
    QString other;
    const int no = p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 2}}, {}, [&] {
        orders::GetOrderWindow* w = p.work<orders::GetOrderWindow>();
        {
            HeldWrite held(db);
            QTest::mouseClick(w->okButton(), Qt::LeftButton);
        }
        ASSERT_TRUE(joined(p).contains(QStringLiteral("受注を保存できませんでした")))
            << joined(p).toStdString();
        p.messages().clear();
        QProcess user; // ＤＢオープン, then a new order window's number
        user.start(QStringLiteral(VARNOX_WORKER), {"order", QFileInfo(db).absolutePath(), "0", "1"});
        user.waitForFinished(30000);
        other = QString::fromUtf8(user.readAllStandardOutput()).trimmed();
    });
    EXPECT_EQ(no, 4) << joined(p).toStdString();
    EXPECT_TRUE(p.messages().shown().empty()) << joined(p).toStdString();
    EXPECT_EQ(other, QStringLiteral("5 done"));
    EXPECT_EQ(sqlite(db, QStringLiteral("SELECT count(*) FROM 受注個別データ WHERE 受注No = 4")),
              QStringLiteral("1"));
}
