// Several processes write one company file at once, as an office does: order, payment, cancel, stock and
// master writers of ours, a plain SQLite program opening, reading, writing and closing it in between, and
// copies taken at random moments. Every write reported done must be in the file and in every copy taken
// after it; orders equal their lines; stock is what was sold and counted; numbers are unique.
#include "CrashOps.h"
#include "Journal.h"
#include "Workers.h"
#include "core/AppState.h"
#include "db/SideFiles.h"
#include "replica/OrderReset.h"
#include "shell/DbFiles.h"
#include "ui/MessageService.h"
#include "support/SharedFolder.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

using namespace multiuser;

struct Worker {
    const char* kind;
    int rounds;
    unsigned seed;
};

int fromEnv(const char* name, int otherwise) {
    const int v = qEnvironmentVariableIntValue(name);
    return v > 0 ? v : otherwise;
}

// Every worker at once on the company file in folder, then the checks of the file and of every copy.
void runOffice(const QString& folder, int scale) {
    crash::makeCompany(sharedDb(folder), QStringLiteral("会社"), QStringLiteral("甲"), 0);
    const unsigned seed = unsigned(fromEnv("VARNOX_MULTIUSER_SEED", 1)) * 100;
    const Worker workers[] = {{"orders", 40, 1}, {"orders", 40, 2}, {"orders", 40, 3}, {"payments", 80, 4},
                              {"cancels", 80, 5}, {"stock", 40, 6},  {"masters", 50, 7}, {"sqlite", 60, 8},
                              {"copier", 25, 9}};
    std::vector<std::unique_ptr<QProcess>> running;
    for (const Worker& w : workers) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QStringLiteral(VARNOX_WORKER), {QString::fromLatin1(w.kind), folder, QString::number(w.rounds * scale),
                                                 QString::number(seed + w.seed)});
        ASSERT_TRUE(p->waitForStarted()) << w.kind;
        running.push_back(std::move(p));
    }
    for (size_t i = 0; i < running.size(); ++i) {
        ASSERT_TRUE(running[i]->waitForFinished(600000)) << workers[i].kind;
        EXPECT_EQ(running[i]->exitStatus(), QProcess::NormalExit) << workers[i].kind;
        EXPECT_EQ(running[i]->exitCode(), 0) << workers[i].kind;
    }

    const std::vector<Entry> entries = readJournals(folder);
    QMap<char, int> counts;
    for (const Entry& e : entries)
        ++counts[e.kind];
    std::printf("writes reported: %d orders saved, %d refused, %d payments, %d cancel marks, %d stock counts, "
                "%d goods names, %d by the plain SQLite program; %d copies\n",
                counts['O'], counts['F'], counts['P'], counts['C'], counts['S'], counts['M'], counts['X'], counts['K']);
    EXPECT_GT(counts['O'], 60 * scale);
    EXPECT_GT(counts['P'] + counts['C'], 20 * scale);
    EXPECT_GT(counts['S'], 10 * scale);
    EXPECT_GT(counts['M'], 5 * scale);
    EXPECT_GT(counts['X'], 10 * scale);
    EXPECT_GT(counts['K'], 10 * scale);

    EXPECT_EQ(checkDatabase(sharedDb(folder), entries, std::numeric_limits<qint64>::max(), true), QString());
    for (const Entry& e : entries) {
        if (e.kind != 'K')
            continue;
        EXPECT_EQ(checkDatabase(QDir(folder).filePath(QStringLiteral("copies/") + e.key), entries, e.value.toLongLong(),
                                false),
                  QString())
            << e.key.toStdString();
    }
    // Nobody uses the file now: no journal and no lock file are left beside it.
    const QStringList beside = QDir(folder).entryList({QStringLiteral("shop.vrd*")}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(beside, QStringList{QStringLiteral("shop.vrd")});
}

TEST(MultiUser, EveryReportedWriteIsInTheFileAndInEveryLaterCopy) {
    testenv::TempFolder tmp;
    runOffice(tmp.path(), fromEnv("VARNOX_MULTIUSER_SCALE", 1));
}

// The same office on a shared folder of another file system type (FUSE), as a network folder is.
TEST(MultiUser, OnASharedFolderToo) {
    testenv::TempFolder tmp;
    QDir().mkpath(tmp.path(QStringLiteral("real")));
    QDir().mkpath(tmp.path(QStringLiteral("share")));
    testenv::SharedFolder share(tmp.path(QStringLiteral("real")), tmp.path(QStringLiteral("share")));
    if (!share.ok())
        GTEST_SKIP() << "bindfs or FUSE is not available here";
    runOffice(tmp.path(QStringLiteral("share")), fromEnv("VARNOX_MULTIUSER_SCALE", 1));
}

// A Varnox in another process with the file open and idle holds no lock on the file itself, yet ＤＢ作成 over
// it and VarnoxReplica both see it in use and leave it as it is; once it closes, both may go on.
TEST(MultiUser, AFileOpenAndIdleInAnotherVarnoxIsInUse) {
    testenv::TempFolder tmp;
    ui::RecordingMessageService rec;
    ui::setMessageService(&rec);
    const QString db = sharedDb(tmp.path());
    crash::makeCompany(db, QStringLiteral("会社"), QStringLiteral("甲"), 3);
    QProcess other;
    other.start(QStringLiteral(VARNOX_WORKER), {QStringLiteral("hold"), tmp.path(), QStringLiteral("0"), QStringLiteral("1")});
    ASSERT_TRUE(other.waitForReadyRead(30000));
    QFile f(db);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    EXPECT_EQ(db::probeUse(db), db::FileUse::InUse);
    const replica::RunResult reset = replica::clearOrderData(db, {});
    EXPECT_FALSE(reset.ok());
    EXPECT_TRUE(reset.message.contains(QStringLiteral("使用中"))) << reset.message.toStdString();
    EXPECT_FALSE(multiuser::newDatabaseOver(db));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll() == before);
    f.close();

    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(30000));
    EXPECT_EQ(db::probeUse(db), db::FileUse::Free);
    EXPECT_TRUE(replica::clearOrderData(db, {}).ok());
    EXPECT_TRUE(multiuser::newDatabaseOver(db));
    ui::setMessageService(nullptr);
}

} // namespace
