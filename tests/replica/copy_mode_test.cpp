#include "ReplicaFixture.h"
#include "replica/OrderReset.h"
#include "replica/ReplicaPaths.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QProcess>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace replica;

namespace {

// A folder on a disk of its own of the given size (a tmpfs), or "" where this system mounts none.
QString smallDisk(const QString& folder, const char* size) {
    QDir().mkdir(folder);
    const QStringList args{"-t",    "tmpfs", "-o", QStringLiteral("size=") + QLatin1String(size),
                           "tmpfs", folder};
    return QProcess::execute(QStringLiteral("mount"), args) == 0 ? folder : QString();
}
void unmount(const QString& folder) {
    QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
}

// Only root mounts. Another user's run of a test with a small disk goes again as root of a user and mount
// namespace of its own (unshare -rm), where it may mount and the mounts go with the namespace; its verdict
// is this test's. False when the test runs here: as root, or where no such namespace is given a user.
bool ranAsNamespaceRoot() {
    if (::geteuid() == 0 ||
        QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}) != 0)
        return false;
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = QStringLiteral("--gtest_filter=%1.%2")
                               .arg(QLatin1String(test->test_suite_name()), QLatin1String(test->name()));
    EXPECT_EQ(QProcess::execute(
                  QStringLiteral("unshare"),
                  {QStringLiteral("-rm"), QFile::symLinkTarget(QStringLiteral("/proc/self/exe")), filter}),
              0)
        << "run again in a user and mount namespace";
    return true;
}

void sayNoSmallDisk(const char* what) {
    std::printf("skipped %s: no small disk, only root mounts here and no user namespace is given this user\n",
                what);
}

ResetOptions options() {
    ResetOptions o;
    o.today = QDate(2025, 4, 1);
    return o;
}

struct Pair {
    testenv::TempFolder tmp;
    QString src = tmp.path(QStringLiteral("src.vrd"));
    QString srcCtl = tmp.path(QStringLiteral("src.vrk"));
    Pair() { fixture::makeCompanyDb(src, 30); }
};

} // namespace

TEST(ReplicaPaths, ExtensionsAndSameFile) {
    EXPECT_EQ(withDbExtension(QStringLiteral("/d/new")), QStringLiteral("/d/new.vrd"));
    EXPECT_EQ(withDbExtension(QStringLiteral("/d/new.VRD")), QStringLiteral("/d/new.VRD"));
    EXPECT_EQ(withDbExtension(QStringLiteral("/d/new.db")), QStringLiteral("/d/new.db.vrd"));
    EXPECT_EQ(controlPathOf(QStringLiteral("/d/会社.vrd")), QStringLiteral("/d/会社.vrk"));
    EXPECT_EQ(controlPathOf(QStringLiteral("/d.x/db")), QStringLiteral("/d.x/db.vrk"));
    testenv::TempFolder tmp;
    fixture::makeCompanyDb(tmp.path(QStringLiteral("a.vrd")), 0);
    QDir().mkdir(tmp.path(QStringLiteral("sub")));
    EXPECT_TRUE(sameFile(tmp.path(QStringLiteral("a.vrd")), tmp.path(QStringLiteral("sub/../a.vrd"))));
    ASSERT_TRUE(QFile::link(tmp.path(QStringLiteral("a.vrd")), tmp.path(QStringLiteral("l.vrd"))));
    EXPECT_TRUE(sameFile(tmp.path(QStringLiteral("a.vrd")), tmp.path(QStringLiteral("l.vrd"))));
    EXPECT_FALSE(sameFile(tmp.path(QStringLiteral("a.vrd")), tmp.path(QStringLiteral("b.vrd"))));
}

// The copy gets the seed rows and the source's masters and control file; the source is only read,
// also while the main program has it open with rows still in its write-ahead log.
TEST(CopyAndClear, CopiesBothFilesResetsTheCopyAndLeavesTheSourceAlone) {
    if (ranAsNamespaceRoot()) return;
    Pair p;
    db::Database open(p.src);
    open.execute(QStringLiteral("INSERT INTO 社員マスタ VALUES (99, 'E99', '最後の社員')"));
    const QStringList kept = fixture::dumpKept(p.src);
    ASSERT_TRUE(kept.join(QLatin1Char('\n')).contains(QStringLiteral("最後の社員")));
    const QByteArray srcBytes = fixture::bytesOf(p.src);
    const QByteArray ctlBytes = fixture::bytesOf(p.srcCtl);

    const QString typed = p.tmp.path(QStringLiteral("新年度")); // typed without the extension
    const RunResult r = copyAndClear(p.src, typed, options());
    ASSERT_TRUE(r.ok()) << r.message.toStdString();

    const QString target = typed + QStringLiteral(".vrd");
    EXPECT_EQ(fixture::dumpKept(target), kept);
    EXPECT_EQ(fixture::bytesOf(typed + QStringLiteral(".vrk")), ctlBytes);
    EXPECT_EQ(fixture::rowCount(target, core::kOrderTable), 1);
    EXPECT_EQ(fixture::rowCount(target, core::kOrderLineTable), 1);
    EXPECT_EQ(fixture::bytesOf(p.src), srcBytes);
    EXPECT_EQ(fixture::bytesOf(p.srcCtl), ctlBytes);
    EXPECT_EQ(open.scalar(QStringLiteral("SELECT count(*) FROM 受注データ")).toLongLong(), 31);
    for (const QString& f : fixture::entries(p.tmp.path()))
        EXPECT_FALSE(f.startsWith(QLatin1Char('.'))) << f.toStdString();
    EXPECT_TRUE(QFileInfo(target).permissions() & QFile::ReadOther) << "not left private like a temporary file";

    // A header of 16 million pages over a sparse 64 GB file: the copy onto a 1 MB disk writes the pages in
    // use.
    open.close();
    QFile sparse(p.src);
    ASSERT_TRUE(sparse.open(QIODevice::ReadWrite) && sparse.resize(16'000'000LL * 4096) && sparse.seek(28));
    sparse.write(QByteArray::fromHex("00f42400"));
    sparse.close();
    ASSERT_EQ(db::Database(p.src).scalar(QStringLiteral("PRAGMA page_count")).toLongLong(), 16'000'000);
    if (const QString disk = smallDisk(p.tmp.path(QStringLiteral("small")), "1m"); !disk.isEmpty()) {
        const RunResult big = copyAndClear(p.src, disk + QStringLiteral("/t.vrd"), options());
        EXPECT_TRUE(big.ok()) << big.message.toStdString();
        EXPECT_EQ(fixture::rowCount(disk + QStringLiteral("/t.vrd"), core::kOrderTable), 1);
        unmount(disk);
    } else {
        sayNoSmallDisk("the copy onto a 1 MB disk");
    }
}

TEST(CopyAndClear, ReplacesAnExistingTarget) {
    Pair p;
    const QString target = p.tmp.path(QStringLiteral("old.vrd"));
    fixture::makeCompanyDb(target, 3);
    // Left by a killed copy or compaction: they go with this run.
    for (const char* stale : {".old.vrd.Ab12Cd", ".old.vrd.Ab12Cd-journal", ".old.vrk.Xy34Zw", "..old.vrd.Ab12Cd.q1w2e3"}) {
        QFile f(p.tmp.path(QLatin1String(stale)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("partial");
    }
    const QStringList before = fixture::entries(p.tmp.path());
    ASSERT_TRUE(copyAndClear(p.src, target, options()).ok());
    QStringList expected;
    for (const QString& e : before)
        if (!e.startsWith(QLatin1Char('.')))
            expected << e;
    EXPECT_EQ(fixture::entries(p.tmp.path()), expected);
    EXPECT_EQ(fixture::dumpKept(target), fixture::dumpKept(p.src));
    EXPECT_EQ(fixture::bytesOf(p.tmp.path(QStringLiteral("old.vrk"))), fixture::bytesOf(p.srcCtl));
}

// Refusals and failures: no success, the source untouched, an existing target pair as it was, no leftovers.
TEST(CopyAndClear, FailuresLeaveEveryFileAsItWas) {
    if (ranAsNamespaceRoot()) return;
    struct Case {
        const char* name;
        std::function<QString(Pair&, ResetOptions&)> arrange; // returns the target as typed
        const char* expected;
    };
    const std::vector<Case> cases{
        {"same file", [](Pair& p, auto&) { return p.src; }, "同じファイル"},
        {"same file by another spelling, typed without extension",
         [](Pair& p, auto&) {
             QDir().mkdir(p.tmp.path(QStringLiteral("sub")));
             return p.tmp.path(QStringLiteral("sub/../src"));
         },
         "同じファイル"},
        {"source control file missing",
         [](Pair& p, auto&) {
             QFile::remove(p.srcCtl);
             return p.tmp.path(QStringLiteral("t.vrd"));
         },
         "が見つかりません"},
        {"target folder missing", [](Pair& p, auto&) { return p.tmp.path(QStringLiteral("nowhere/t.vrd")); },
         "が見つかりません"},
        {"target folder read-only",
         [](Pair& p, ResetOptions& o) {
             const QString folder = QFileInfo(p.tmp.path(QStringLiteral("t.vrd"))).absolutePath();
             o.folderWritable = [folder](const QString& f) { return f != folder; };
             return p.tmp.path(QStringLiteral("t.vrd"));
         },
         "書き込めません"},
        {"existing target in use",
         [](Pair& p, auto&) {
             fixture::makeCompanyDb(p.tmp.path(QStringLiteral("t.vrd")), 2);
             return p.tmp.path(QStringLiteral("t.vrd"));
         },
         "使用中"},
        {"reset of the copy fails",
         [](Pair& p, auto&) {
             fixture::makeCompanyDb(p.tmp.path(QStringLiteral("t.vrd")), 2);
             core::ControlData d = core::decodeControl(fixture::bytesOf(p.srcCtl));
             d.fieldLen[core::kLenGoodsCode] = 40; // the source's tables are not the ones these sizes make
             QFile f(p.srcCtl);
             EXPECT_TRUE(f.open(QIODevice::WriteOnly));
             f.write(core::encodeControl(d));
             return p.tmp.path(QStringLiteral("t.vrd"));
         },
         "テーブル「商品マスタ」の定義がVarnoxの作るものと違います"},
        {"target disk too small",
         [](Pair& p, auto&) {
             QFile::remove(p.src);
             fixture::makeCompanyDb(p.src, 3000); // a few hundred kilobytes of pages in use
             return smallDisk(p.tmp.path(QStringLiteral("small")), "64k").isEmpty()
                        ? QString()
                        : p.tmp.path(QStringLiteral("small/t.vrd"));
         },
         "ディスクの空きが足りない"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pair p;
        ResetOptions o = options();
        const QString typed = c.arrange(p, o);
        if (typed.isEmpty()) {
            sayNoSmallDisk(c.name);
            continue;
        }
        const QString target = withDbExtension(typed);
        const QStringList files = fixture::entries(p.tmp.path());
        std::unique_ptr<db::Database> holder;
        if (QString::fromUtf8(c.name).contains(QStringLiteral("in use")))
            holder = std::make_unique<db::Database>(target);
        const QByteArray srcBytes = fixture::bytesOf(p.src);
        const QByteArray targetBytes = fixture::bytesOf(target);
        const QByteArray targetCtl = fixture::bytesOf(controlPathOf(target));

        const RunResult r = copyAndClear(p.src, typed, o);
        EXPECT_EQ(r.status, RunStatus::NothingChanged);
        EXPECT_TRUE(r.message.contains(QString::fromUtf8(c.expected))) << r.message.toStdString();
        holder.reset();
        EXPECT_EQ(fixture::entries(p.tmp.path()), files);
        EXPECT_EQ(fixture::bytesOf(p.src), srcBytes);
        if (QFileInfo(p.tmp.path(QStringLiteral("small"))).isDir())
            unmount(p.tmp.path(QStringLiteral("small")));
        if (!sameFile(target, p.src)) {
            EXPECT_EQ(fixture::bytesOf(controlPathOf(target)), targetCtl);
            if (targetBytes.isEmpty()) {
                EXPECT_FALSE(QFileInfo::exists(target));
            } else {
                EXPECT_EQ(fixture::bytesOf(target), targetBytes); // not even the header's journal mode
                EXPECT_EQ(fixture::rowCount(target, core::kOrderTable), 3);
            }
        }
    }
}

TEST(CopyAndClear, CompactionFailureStillPlacesTheResetCopyButIsNotSuccess) {
    Pair p;
    ResetOptions o = options();
    o.compact = [](const QString&) { throw db::DbError(db::ErrorKind::Io, QStringLiteral("disk full")); };
    const QString target = p.tmp.path(QStringLiteral("t.vrd"));
    const RunResult r = copyAndClear(p.src, target, o);
    EXPECT_EQ(r.status, RunStatus::PartlyDone);
    EXPECT_TRUE(r.message.contains(QStringLiteral("最適化に失敗"))) << r.message.toStdString();
    EXPECT_EQ(fixture::rowCount(target, core::kOrderTable), 1);
    EXPECT_EQ(fixture::dumpKept(target), fixture::dumpKept(p.src));
    EXPECT_EQ(fixture::entries(p.tmp.path()),
              (QStringList{QStringLiteral("src.vrd"), QStringLiteral("src.vrk"), QStringLiteral("t.vrd"),
                           QStringLiteral("t.vrk")}));
}
