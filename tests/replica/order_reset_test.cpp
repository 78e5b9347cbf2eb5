#include "ReplicaFixture.h"
#include "db/Compact.h"
#include "db/OleDate.h"
#include "replica/OrderReset.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace replica;

namespace {

const QDate kToday(2025, 3, 31);

ResetOptions options() {
    ResetOptions o;
    o.today = kToday;
    return o;
}

} // namespace

// A full database ends with exactly the two seed rows, reserved codes sized from its own control file.
TEST(ClearOrderData, LeavesExactlyTheSeedRowsAndKeepsMastersAndControlFile) {
    struct Case {
        const char* name;
        int goodsCode, clientCode, employeeCode;
    };
    for (const Case c : {Case{"default sizes", 10, 10, 10}, Case{"short codes", 4, 6, 3}, Case{"long codes", 14, 12, 20}}) {
        SCOPED_TRACE(c.name);
        testenv::TempFolder tmp;
        const QString path = tmp.path(QStringLiteral("会社.vrd"));
        auto len = core::kDefaultFieldLen;
        len[core::kLenGoodsCode] = c.goodsCode;
        len[core::kLenClientCode] = c.clientCode;
        len[core::kLenEmployeeCode] = c.employeeCode;
        fixture::makeCompanyDb(path, 400, len);
        const QStringList kept = fixture::dumpKept(path);
        const QByteArray ctl = fixture::bytesOf(tmp.path(QStringLiteral("会社.vrk")));
        const qint64 sizeBefore = QFileInfo(path).size();

        const RunResult r = clearOrderData(path, options());
        ASSERT_TRUE(r.ok()) << r.message.toStdString();

        const QString today = QStringLiteral("qlonglong:%1").arg(qint64(db::toOleDate(kToday)));
        const QString x = QStringLiteral("X");
        EXPECT_EQ(fixture::dumpTable(path, core::kOrderTable),
                  QStringList{QStringLiteral("qlonglong:0|QString:%1|QString:%2|qlonglong:0|qlonglong:0|qlonglong:0|"
                                             "qlonglong:0|qlonglong:0|qlonglong:0|%3|qlonglong:0|QString: ")
                                  .arg(x.repeated(c.clientCode), x.repeated(c.employeeCode), today)});
        EXPECT_EQ(fixture::dumpTable(path, core::kOrderLineTable),
                  QStringList{QStringLiteral("qlonglong:0|qlonglong:0|QString:%1|qlonglong:0|qlonglong:0|qlonglong:0|"
                                             "qlonglong:0|qlonglong:0|qlonglong:0|QString: ")
                                  .arg(x.repeated(c.goodsCode))});
        EXPECT_EQ(fixture::dumpKept(path), kept);
        EXPECT_EQ(fixture::bytesOf(tmp.path(QStringLiteral("会社.vrk"))), ctl);
        EXPECT_LT(QFileInfo(path).size(), sizeBefore) << "compacted";
        EXPECT_EQ(fixture::entries(tmp.path()), (QStringList{QStringLiteral("会社.vrd"), QStringLiteral("会社.vrk")}));
    }
}

TEST(ClearOrderData, IsIdempotentAndRepairsTablesLeftWithoutRows) {
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    fixture::makeCompanyDb(path, 10);
    ASSERT_TRUE(clearOrderData(path, options()).ok());
    const QStringList orders = fixture::dumpTable(path, core::kOrderTable);
    const QStringList lines = fixture::dumpTable(path, core::kOrderLineTable);
    ASSERT_TRUE(clearOrderData(path, options()).ok());
    EXPECT_EQ(fixture::dumpTable(path, core::kOrderTable), orders);
    EXPECT_EQ(fixture::dumpTable(path, core::kOrderLineTable), lines);

    {
        db::Database d(path); // an earlier failure left both order tables empty
        d.execute(QStringLiteral("DELETE FROM 受注データ"));
        d.execute(QStringLiteral("DELETE FROM 受注個別データ"));
    }
    ASSERT_TRUE(clearOrderData(path, options()).ok());
    EXPECT_EQ(fixture::dumpTable(path, core::kOrderTable), orders);
    EXPECT_EQ(fixture::dumpTable(path, core::kOrderLineTable), lines);
}

// Every refusal comes before any change: no success, orders, masters and control file as they were.
TEST(ClearOrderData, RefusesBeforeChangingAnything) {
    struct Case {
        const char* name;
        std::function<void(const QString& db, const QString& ctl, ResetOptions& o)> arrange;
        const char* expected; // part of the message
    };
    const std::vector<Case> cases{
        {"control file missing", [](auto&, auto& ctl, auto&) { QFile::remove(ctl); }, "が見つかりません"},
        {"control file damaged",
         [](auto&, auto& ctl, auto&) {
             QFile f(ctl);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("\x05\x00garbage", 9);
         },
         "壊れています"},
        {"read-only folder",
         [](auto& db, auto&, auto& o) {
             const QString folder = QFileInfo(db).absolutePath();
             o.folderWritable = [folder](const QString& f) { return f != folder && canCreateFileIn(f); };
         },
         "書き込めません"},
        {"order-line table missing",
         [](auto& db, auto&, auto&) { db::Database(db).execute(QStringLiteral("DROP TABLE 受注個別データ")); },
         "テーブルがありません"},
        {"seed code longer than the table's field",
         [](auto& db, auto& ctl, auto&) {
             core::ControlData d = core::decodeControl(fixture::bytesOf(ctl));
             d.fieldLen[core::kLenClientCode] = 30; // the table is not the one these sizes make
             QFile f(ctl);
             ASSERT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(core::encodeControl(d));
             Q_UNUSED(db);
         },
         "テーブル「顧客マスタ」の定義がVarnoxの作るものと違います"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testenv::TempFolder tmp;
        const QString path = tmp.path(QStringLiteral("a.vrd"));
        const QString ctl = tmp.path(QStringLiteral("a.vrk"));
        fixture::makeCompanyDb(path, 20);
        ResetOptions o = options();
        c.arrange(path, ctl, o);
        const QStringList files = fixture::entries(tmp.path());
        const QByteArray ctlBytes = fixture::bytesOf(ctl);
        const QStringList orders = fixture::dumpTable(path, core::kOrderTable);

        const RunResult r = clearOrderData(path, o);
        EXPECT_EQ(r.status, RunStatus::NothingChanged);
        EXPECT_TRUE(r.message.contains(QString::fromUtf8(c.expected))) << r.message.toStdString();
        EXPECT_EQ(fixture::entries(tmp.path()), files);
        EXPECT_EQ(fixture::bytesOf(ctl), ctlBytes);
        if (c.name != std::string("order-line table missing")) {
            EXPECT_EQ(fixture::dumpTable(path, core::kOrderTable), orders);
        }
    }
}

TEST(ClearOrderData, FailsLoudlyWhileAnotherConnectionHasTheFile) {
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    fixture::makeCompanyDb(path, 20);
    const QStringList orders = fixture::dumpTable(path, core::kOrderTable);
    {
        db::Database other(path); // the main program with a grid window open
        other.scalar(QStringLiteral("SELECT count(*) FROM 受注データ"));
        const RunResult r = clearOrderData(path, options());
        EXPECT_EQ(r.status, RunStatus::NothingChanged);
        EXPECT_TRUE(r.message.contains(QStringLiteral("使用中"))) << r.message.toStdString();
        EXPECT_EQ(other.scalar(QStringLiteral("SELECT count(*) FROM 受注データ")).toLongLong(), 21);
    }
    EXPECT_EQ(fixture::dumpTable(path, core::kOrderTable), orders);
    EXPECT_EQ(fixture::entries(tmp.path()), (QStringList{QStringLiteral("a.vrd"), QStringLiteral("a.vrk")}));
}

TEST(ClearOrderData, ReadOnlyDatabaseFileIsRefused) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind root";
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    fixture::makeCompanyDb(path, 5);
    QFile::setPermissions(path, QFile::ReadOwner);
    const RunResult r = clearOrderData(path, options());
    EXPECT_EQ(r.status, RunStatus::NothingChanged);
    EXPECT_TRUE(r.message.contains(QStringLiteral("読み取り専用")));
}

// The orders were reset but the file could not be compacted: said so, not reported as done.
TEST(ClearOrderData, CompactionFailureIsReportedAndKeepsTheResetDatabase) {
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    fixture::makeCompanyDb(path, 20);
    const QStringList kept = fixture::dumpKept(path);
    ResetOptions o = options();
    // Another program takes the file between the reset and the compaction.
    o.compact = [](const QString& p) {
        db::Database other(p);
        db::compactDatabase(p);
    };
    const RunResult r = clearOrderData(path, o);
    EXPECT_EQ(r.status, RunStatus::PartlyDone);
    EXPECT_TRUE(r.message.contains(QStringLiteral("最適化に失敗"))) << r.message.toStdString();
    EXPECT_EQ(fixture::rowCount(path, core::kOrderTable), 1);
    EXPECT_EQ(fixture::rowCount(path, core::kOrderLineTable), 1);
    EXPECT_EQ(fixture::dumpKept(path), kept);
    EXPECT_EQ(fixture::entries(tmp.path()), (QStringList{QStringLiteral("a.vrd"), QStringLiteral("a.vrk")}));
}

TEST(ClearOrderData, MissingOrForeignFileIsRefused) {
    testenv::TempFolder tmp;
    const QString path = tmp.path(QStringLiteral("a.vrd"));
    EXPECT_EQ(clearOrderData(path, options()).status, RunStatus::NothingChanged);
    fixture::makeCompanyDb(tmp.path(QStringLiteral("b.vrd")), 1);
    QFile::copy(tmp.path(QStringLiteral("b.vrk")), tmp.path(QStringLiteral("a.vrk")));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'z'));
    f.close();
    const RunResult r = clearOrderData(path, options());
    EXPECT_EQ(r.status, RunStatus::NothingChanged);
    EXPECT_TRUE(r.message.contains(QStringLiteral("VarnoxのDBではない"))) << r.message.toStdString();
    EXPECT_EQ(fixture::bytesOf(path), QByteArray(4096, 'z'));
}
