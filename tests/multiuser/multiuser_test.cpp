// Several processes write one company file at once, as an office does: order, payment, cancel, stock and
// master writers of ours, a plain SQLite program opening, reading, writing and closing it in between, and
// copies taken at random moments. Every write reported done must be in the file and in every copy taken
// after it; orders equal their lines; stock is what was sold and counted; numbers are unique.
#include "CrashOps.h"
#include "Journal.h"
#include "Workers.h"
#include "support/TestEnv.h"

#include <QDir>
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

TEST(MultiUser, EveryReportedWriteIsInTheFileAndInEveryLaterCopy) {
    testenv::TempFolder tmp;
    const QString folder = tmp.path();
    crash::makeCompany(sharedDb(folder), QStringLiteral("会社"), QStringLiteral("甲"), 0);

    const Worker workers[] = {{"orders", 40, 1}, {"orders", 40, 2}, {"orders", 40, 3}, {"payments", 80, 4},
                              {"cancels", 80, 5}, {"stock", 40, 6},  {"masters", 50, 7}, {"sqlite", 60, 8},
                              {"copier", 25, 9}};
    std::vector<std::unique_ptr<QProcess>> running;
    for (const Worker& w : workers) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedChannels);
        p->start(QStringLiteral(VARNOX_WORKER),
                 {QString::fromLatin1(w.kind), folder, QString::number(w.rounds), QString::number(w.seed)});
        ASSERT_TRUE(p->waitForStarted()) << w.kind;
        running.push_back(std::move(p));
    }
    for (size_t i = 0; i < running.size(); ++i) {
        ASSERT_TRUE(running[i]->waitForFinished(300000)) << workers[i].kind;
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
    EXPECT_GT(counts['O'], 60);
    EXPECT_GT(counts['P'] + counts['C'], 20);
    EXPECT_GT(counts['S'], 10);
    EXPECT_GT(counts['M'], 5);
    EXPECT_GT(counts['X'], 10);
    EXPECT_GT(counts['K'], 10);

    EXPECT_EQ(checkDatabase(sharedDb(folder), entries, std::numeric_limits<qint64>::max(), true), QString());
    for (const Entry& e : entries) {
        if (e.kind == 'K')
            EXPECT_EQ(checkDatabase(QDir(folder).filePath(QStringLiteral("copies/") + e.key), entries,
                                    e.value.toLongLong(), false),
                      QString())
                << e.key.toStdString();
    }
    // Nobody uses the file now: no journal and no lock file are left beside it.
    const QStringList beside = QDir(folder).entryList({QStringLiteral("shop.vrd*")}, QDir::Files | QDir::Hidden);
    EXPECT_EQ(beside, QStringList{QStringLiteral("shop.vrd")});
}

} // namespace
