// A test process leaves nothing in the temporary folder, however it ends, and neither do the processes it
// starts: each keeps its files under a folder of its own, inside its parent's.
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

const char* kEndEnv = "VARNOX_FOLDERS_CHILD";

bool goneWithin(const QString& path, int ms) {
    QElapsedTimer t;
    t.start();
    while (QFileInfo::exists(path) && t.elapsed() < ms)
        QThread::msleep(20);
    return !QFileInfo::exists(path);
}

} // namespace

// Run by the test below in a child process: fills its temporary folder, a folder without write permission
// included, says where it is, and ends as the environment says.
TEST(TestFolders, Child) {
    const QByteArray end = qgetenv(kEndEnv);
    if (end.isEmpty())
        GTEST_SKIP() << "only run as the child of EveryEndingLeavesNothing";
    testenv::TempFolder kept;
    QFile(kept.path(QStringLiteral("a.vrd"))).open(QIODevice::WriteOnly);
    const QString locked = kept.path(QStringLiteral("locked"));
    QDir().mkpath(locked + QStringLiteral("/inner"));
    QFile(locked + QStringLiteral("/inner/b.txt")).open(QIODevice::WriteOnly);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    std::printf("root %s\n", qPrintable(QFileInfo(QDir::tempPath()).path()));
    std::fflush(stdout);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    if (end == "fail")
        ADD_FAILURE() << "failing on purpose";
    else if (end == "crash")
        std::raise(SIGSEGV);
    else if (end == "killed")
        QThread::sleep(60);
}

TEST(TestFolders, EveryEndingLeavesNothing) {
    for (const char* end : {"pass", "fail", "crash", "killed"}) {
        SCOPED_TRACE(end);
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kEndEnv), QString::fromLatin1(end));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=TestFolders.Child")});
        QByteArray out;
        const auto said = [&out] {
            return out.contains("root ") && out.indexOf('\n', out.indexOf("root ")) > 0;
        };
        while (!said() && child.waitForReadyRead(10000))
            out += child.readAllStandardOutput();
        ASSERT_TRUE(said()) << out.toStdString();
        const int at = out.indexOf("root ");
        const QString root = QString::fromLocal8Bit(out.mid(at + 5, out.indexOf('\n', at) - at - 5));
        // Under our own temporary folder, so that what a killed child leaves goes with ours.
        EXPECT_TRUE(root.startsWith(QDir::tempPath() + QLatin1Char('/'))) << root.toStdString();
        EXPECT_TRUE(QFileInfo::exists(root));
        if (qstrcmp(end, "killed") == 0)
            child.kill();
        child.waitForFinished(20000);
        EXPECT_TRUE(goneWithin(root, 5000)) << root.toStdString();
    }
}
