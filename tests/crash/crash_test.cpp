// Every multi-row write killed with SIGKILL at random moments and just before and after each of its
// renames: the files must pass SQLite's integrity check and the write's own invariants every time.
// VARNOX_CRASH_TRIALS sets the random kills per write (30 here; the long run takes 200).
#include "CrashOps.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

QString driver() { return QCoreApplication::applicationDirPath() + QStringLiteral("/varnox_crash_driver"); }
QString shim() { return QString::fromLatin1(VARNOX_KILL_SHIM); }

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    for (const QString& name : QDir(from).entryList(QDir::Files | QDir::Hidden))
        ASSERT_TRUE(QFile::copy(from + QLatin1Char('/') + name, to + QLatin1Char('/') + name));
}

struct Outcome {
    bool finished = false; // the write ran to its end (not killed)
    int ms = 0;            // how long the write took, when it finished
    QString output;
};

// Runs the write in a child; kills it killAfterMs after it started (-1: never), or at the rename the
// environment names. Only renames in the write's folder count.
Outcome runChild(const QString& op, const QString& folder, int killAfterMs, const QProcessEnvironment& extra = {}) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_PRELOAD"), shim());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("VARNOX_RENAME_DIR"), folder);
    for (const QString& k : extra.keys())
        env.insert(k, extra.value(k));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(driver(), {op, folder});
    Outcome o;
    if (!child.waitForStarted(10000))
        return o;
    QByteArray out;
    while (!out.contains("start\n") && child.state() == QProcess::Running) {
        child.waitForReadyRead(100);
        out += child.readAll();
    }
    // A write that ends before its moment is not waited for: the moments come from one whole run, which
    // a busy disk can make many times longer than the rest.
    if (killAfterMs >= 0 && !(killAfterMs > 0 && child.waitForFinished(killAfterMs)))
        child.kill();
    child.waitForFinished(120000);
    out += child.readAll();
    o.output = QString::fromLocal8Bit(out);
    o.finished = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && out.contains("done ");
    if (o.finished)
        o.ms = out.mid(out.indexOf("done ") + 5).trimmed().toInt();
    return o;
}

int trialsFromEnvironment() {
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("VARNOX_CRASH_TRIALS", &ok);
    return ok && n > 0 ? n : 30;
}

class Crash : public ::testing::TestWithParam<const char*> {};

} // namespace

TEST_P(Crash, KillsLeaveConsistentFiles) {
    const QString op = QString::fromLatin1(GetParam());
    const crash::Operation* operation = crash::findOperation(op);
    ASSERT_NE(operation, nullptr);
    testenv::TempFolder tmp;
    const QString pristine = tmp.path(QStringLiteral("pristine"));
    QDir().mkpath(pristine);
    operation->prepare(pristine);
    int trial = 0;
    auto fresh = [&] {
        const QString folder = tmp.path(QStringLiteral("t%1").arg(++trial));
        copyFolder(pristine, folder);
        return folder;
    };
    int broken = 0;
    auto verify = [&](const QString& folder, const QString& how) {
        // A database the checks cannot even read is as broken as one that fails them.
        auto guarded = [](const std::function<QString()>& f) {
            try {
                return f();
            } catch (const std::exception& e) {
                return QStringLiteral("unreadable: ") + QString::fromUtf8(e.what());
            }
        };
        const QString invariants = guarded([&] { return operation->check(folder); });
        const QString files = guarded([&] { return crash::checkFolder(folder); });
        EXPECT_EQ(invariants, QString()) << how.toStdString();
        EXPECT_EQ(files, QString()) << how.toStdString();
        broken += invariants.isEmpty() && files.isEmpty() ? 0 : 1;
        QDir(folder).removeRecursively();
    };

    // A whole run: it must succeed, leave the invariants, and tells how long the write takes and how many
    // renames it makes.
    const QString whole = fresh();
    QProcessEnvironment countEnv;
    const QString renameLog = tmp.path(QStringLiteral("renames.log"));
    countEnv.insert(QStringLiteral("VARNOX_RENAME_LOG"), renameLog);
    const Outcome full = runChild(op, whole, -1, countEnv);
    ASSERT_TRUE(full.finished) << full.output.toStdString();
    verify(whole, QStringLiteral("uninterrupted"));
    QFile log(renameLog);
    const int renames = log.open(QIODevice::ReadOnly) ? int(log.readAll().count('\n')) : 0;
    // A write that puts its files in place and made no rename would leave the kills below nothing to try.
    if (operation->renames) {
        ASSERT_GT(renames, 0) << "the write put no file in place";
    }

    // Killed at each of the write's renames, and the count exact: one past the last is never reached.
    int killed = 0;
    for (int k = 1; k <= renames + 1; ++k)
        for (const char* when : {"VARNOX_KILL_BEFORE_RENAME", "VARNOX_KILL_AFTER_RENAME"}) {
            QProcessEnvironment env;
            env.insert(QString::fromLatin1(when), QString::number(k));
            const QString folder = fresh();
            const Outcome o = runChild(op, folder, -1, env);
            EXPECT_EQ(o.finished, k > renames) << when << " " << k << " of " << renames << " renames";
            killed += o.finished ? 0 : 1;
            verify(folder, QStringLiteral("%1 %2").arg(QLatin1String(when)).arg(k));
            if (k > renames)
                break; // the one past the end: once is enough
        }

    const int trials = trialsFromEnvironment();
    std::mt19937 rng(20261209u + unsigned(op.size()));
    std::uniform_int_distribution<int> moment(0, qMax(1, full.ms + full.ms / 10));
    for (int i = 0; i < trials; ++i) {
        const int ms = moment(rng);
        const QString folder = fresh();
        const Outcome o = runChild(op, folder, ms);
        killed += o.finished ? 0 : 1;
        verify(folder, QStringLiteral("killed after %1 ms").arg(ms));
    }
    std::printf("[crash] %s: whole run %d ms, %d renames, %d trials (%d at renames), %d killed before the end, "
                "%d with broken files\n",
                GetParam(), full.ms, renames, 2 * renames + 1 + trials, 2 * renames + 1, killed, broken);
}

INSTANTIATE_TEST_SUITE_P(Writes, Crash,
                         ::testing::Values("order_save", "cancel_restore", "payment", "stock_update", "import",
                                           "new_database", "replica_reset", "replica_copy"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });
