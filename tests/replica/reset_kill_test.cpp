#include "ReplicaFixture.h"
#include "replica/OrderReset.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>
#include <random>

using namespace replica;

namespace {
const char* kChildEnv = "VARNOX_RESET_CHILD";
}

// Run by the test below in a child process: the reset of the file named in the environment.
TEST(ResetKill, Child) {
    const QString path = qEnvironmentVariable(kChildEnv);
    if (path.isEmpty())
        GTEST_SKIP() << "only run as the child of KilledAtRandomPointsNeverLosesTheMasters";
    QElapsedTimer t;
    t.start();
    fprintf(stdout, "start\n");
    fflush(stdout);
    const RunResult r = clearOrderData(path);
    fprintf(stdout, "done %lld %d\n", static_cast<long long>(t.elapsed()), r.ok() ? 1 : 0);
    fflush(stdout);
}

// A kill at any moment leaves the masters and either all the orders or exactly the seed rows.
TEST(ResetKill, KilledAtRandomPointsNeverLosesTheMasters) {
    testenv::TempFolder tmp;
    const QString pristine = tmp.path(QStringLiteral("pristine.vrd"));
    fixture::makeCompanyDb(pristine, 5000);
    const QStringList kept = fixture::dumpKept(pristine);
    const qint64 orders = fixture::rowCount(pristine, core::kOrderTable);
    const qint64 lines = fixture::rowCount(pristine, core::kOrderLineTable);

    // Starts the child on a fresh copy, kills it killAfterMs after its reset began (-1: let it finish).
    auto run = [&](int round, int killAfterMs, QByteArray& out) {
        const QString folder = tmp.path(QStringLiteral("r%1").arg(round));
        QDir().mkpath(folder);
        const QString path = folder + QStringLiteral("/a.vrd");
        EXPECT_TRUE(QFile::copy(pristine, path));
        EXPECT_TRUE(QFile::copy(tmp.path(QStringLiteral("pristine.vrk")), folder + QStringLiteral("/a.vrk")));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildEnv), path);
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ResetKill.Child")});
        EXPECT_TRUE(child.waitForStarted());
        while (!child.readAllStandardOutput().contains("start") && child.state() == QProcess::Running)
            child.waitForReadyRead(1000);
        if (killAfterMs >= 0) {
            QThread::msleep(static_cast<unsigned long>(killAfterMs));
            child.kill();
        }
        child.waitForFinished(60000);
        out = child.readAllStandardOutput();
        return path;
    };

    QByteArray out;
    run(0, -1, out);
    const int fullMs = out.mid(out.indexOf("done ") + 5).split(' ').value(0).toInt();
    ASSERT_TRUE(out.contains("done")) << out.toStdString();

    std::mt19937 rng(20240401);
    std::uniform_int_distribution<int> delay(0, qMax(1, fullMs));
    for (int round = 1; round <= 12; ++round) {
        const int ms = delay(rng);
        SCOPED_TRACE(ms);
        const QString path = run(round, ms, out);
        EXPECT_EQ(fixture::dumpKept(path), kept);
        const qint64 o = fixture::rowCount(path, core::kOrderTable);
        const qint64 l = fixture::rowCount(path, core::kOrderLineTable);
        EXPECT_TRUE((o == orders && l == lines) || (o == 1 && l == 1)) << o << " orders, " << l << " lines";
        db::Database d(path);
        EXPECT_EQ(d.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
    }
}
