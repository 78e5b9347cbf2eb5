// The file's use lock between users and processes: another user's umask does not hide a file in use, a
// lock file that is not a plain file is refused without hanging or writing through it, and users who
// only share the file never refuse each other.
#include "CrashOps.h"
#include "Workers.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace multiuser;

// Throwaway accounts for the runs as root: two office users of one group.
constexpr int kGroup = 47100;
constexpr int kUserA = 47101;
constexpr int kUserB = 47102;

bool root() { return ::geteuid() == 0; }

// A shared office folder as the README advises one: setgid, of the users' group, files 0664. As another user
// than root it is just a folder of ours. Without setgid a new file gets its maker's own primary group.
struct Office {
    testenv::TempFolder tmp;
    QString folder = tmp.path(QStringLiteral("office"));
    bool setgid, mounted = false; // on a tmpfs of its own with that many inodes
    QString db;
    int outsider = 0; // a user who is no member of the shared group

    explicit Office(bool setgid = true, const QString& name = QStringLiteral("shop.vrd"), int inodes = 0)
        : setgid(setgid), db(QDir(folder).filePath(name)) {
        qputenv("VARNOX_SHARED_DB", name.toUtf8());
        QDir().mkpath(folder);
        mounted = inodes &&
                  QProcess::execute("mount", {"-t", "tmpfs", "-o", QStringLiteral("nr_inodes=%1").arg(inodes),
                                              "tmpfs", folder}) == 0;
        crash::makeCompany(db, QStringLiteral("会社"), QStringLiteral("甲"), 3);
        crash::makeCompany(QDir(folder).filePath(QStringLiteral("other.vrd")), QStringLiteral("別会社"),
                           QStringLiteral("乙"), 2);
        if (!root())
            return;
        ::chmod(QFile::encodeName(tmp.path()).constData(), 0755);
        for (const QString& f : QDir(folder).entryList(QDir::Files))
            share(QDir(folder).filePath(f), 0664);
        share(folder, setgid ? 02775 : 0775);
    }
    ~Office() {
        qunsetenv("VARNOX_SHARED_DB");
        if (mounted) QProcess::execute("umount", {"-l", folder});
    }
    static void share(const QString& path, mode_t mode) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 0, kGroup), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
    }
    QByteArray bytes() const {
        QFile f(db);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The worker as `user` (as ourselves when not root) with the umask given, and more of the environment.
    QProcess* start(const char* kind, int user, const char* umask = "022", int rounds = 0,
                    const QStringList& more = {}) {
        auto* p = new QProcess;
        QStringList args{QStringLiteral("-c"), QStringLiteral("umask %1 && exec \"$@\"").arg(QLatin1String(umask)),
                         QStringLiteral("sh")};
        if (root())
            args << QStringLiteral("setpriv") << QStringLiteral("--reuid=%1").arg(user)
                 << QStringLiteral("--regid=%1").arg(setgid ? kGroup : user)
                 << (setgid || user == outsider ? QStringLiteral("--clear-groups")
                                                : QStringLiteral("--groups=%1").arg(kGroup));
        args << QStringLiteral(VARNOX_WORKER) << QString::fromLatin1(kind) << folder
             << QString::number(rounds) << QString::number(++seed);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), folder);
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        for (const QString& kv : more)
            env.insert(kv.section(QLatin1Char('='), 0, 0), kv.section(QLatin1Char('='), 1));
        p->setProcessEnvironment(env);
        p->start(QStringLiteral("/bin/sh"), args);
        return p;
    }
    // What it printed; "hung" when it does not end.
    QString run(const char* kind, int user, const QStringList& more = {}, const char* umask = "022") {
        std::unique_ptr<QProcess> p(start(kind, user, umask, 0, more));
        if (!p->waitForFinished(15000)) {
            p->kill();
            p->waitForFinished();
            return QStringLiteral("hung");
        }
        return QString::fromUtf8(p->readAllStandardOutput()).trimmed();
    }
    unsigned seed = 0;
};

// User A, with a umask that keeps others out of everything A makes, has the file open in a window; B's
// VarnoxReplica clear, copy onto it and ＤＢ作成 over it are all refused, and the file stays as it was.
// And the other way round.
TEST(SharedUse, AnotherUsersUmaskDoesNotHideAFileInUse) {
    if (!root())
        GTEST_SKIP() << "needs root to act as two users";
    for (const auto& [holder, actor] : {std::pair{kUserA, kUserB}, std::pair{kUserB, kUserA}}) {
        for (const char* action : {"clear", "copyonto", "new"}) {
            SCOPED_TRACE(std::string(action) + (holder == kUserA ? " by B" : " by A"));
            Office office;
            const QByteArray before = office.bytes();
            std::unique_ptr<QProcess> window(office.start("hold", holder, "077"));
            ASSERT_TRUE(window->waitForReadyRead(15000));
            struct stat st {};
            ASSERT_EQ(::stat(QFile::encodeName(office.db + QStringLiteral("-lock")).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, 0664u);
            EXPECT_EQ(st.st_gid, gid_t(kGroup));

            const QString out = office.run(action, actor);
            const QString told = QString::fromUtf8(action == std::string("new") ? "すでに存在します" : "使用中");
            EXPECT_TRUE(out.startsWith(QStringLiteral("refused:")) && out.contains(told)) << out.toStdString();
            EXPECT_TRUE(office.bytes() == before);
            window->closeWriteChannel();
            ASSERT_TRUE(window->waitForFinished(15000));
        }
    }
}

// A lock file planted as a link into another folder, a folder, a FIFO or a file nobody else may open: a
// window opening the file, VarnoxReplica's clear and ＤＢ作成 over it are refused at once, a link's target is
// never made, and the lock file is named for what it is.
TEST(SharedUse, APlantedLockFileIsRefusedWithoutHangingOrWritingThroughIt) {
    // Planted by root for another user (as ourselves: with modes that keep us out).
    const struct {
        const char* name;
        mode_t type, mode;
    } plants[] = {{"link", S_IFLNK, 0777},
                  {"folder", S_IFDIR, 0755},
                  {"fifo", S_IFIFO, mode_t(root() ? 0644 : 0444)},
                  {"private file", S_IFREG, mode_t(root() ? 0600 : 0)}};
    for (const auto& plant : plants) {
        for (const char* action : {"open", "clear", "new"}) {
            SCOPED_TRACE(std::string(plant.name) + " / " + action);
            Office office;
            const QString lock = office.db + QStringLiteral("-lock");
            const QByteArray lockName = QFile::encodeName(lock);
            const QString away = office.tmp.path(QStringLiteral("away")); // a folder the user may write
            QDir().mkpath(away);
            ::chmod(QFile::encodeName(away).constData(), 0777);
            const QString target = QDir(away).filePath(QStringLiteral("made-through-the-link"));
            if (plant.type == S_IFLNK)
                ASSERT_EQ(::symlink(QFile::encodeName(target).constData(), lockName.constData()), 0);
            else if (plant.type == S_IFDIR)
                ASSERT_TRUE(QDir().mkdir(lock));
            else
                ASSERT_EQ(::mknod(lockName.constData(), plant.type | 0600, 0), 0);
            if (plant.type != S_IFLNK)
                ::chmod(lockName.constData(), plant.mode);
            const QByteArray before = office.bytes();

            const QString out = office.run(action, kUserB);
            EXPECT_TRUE(out.startsWith(QStringLiteral("refused:"))) << out.toStdString();
            EXPECT_TRUE(out.contains(lock)) << out.toStdString();
            // The user reads what it is, in Japanese, rather than that another program has the file.
            EXPECT_TRUE(QLatin1String(action) == QLatin1String("open") ||
                        out.contains(QStringLiteral("ＤＢのロックファイル「%1」").arg(lock)))
                << out.toStdString();
            EXPECT_FALSE(QFileInfo::exists(target));
            EXPECT_TRUE(office.bytes() == before);
            struct stat st {};
            EXPECT_EQ(::lstat(lockName.constData(), &st), 0);
            EXPECT_EQ(st.st_mode & S_IFMT, plant.type);
        }
    }
}

// The maker of the lock file killed before it could give it its mode, or on a mount that keeps no mode: no
// lock file is left that only the maker may open, and another user opens the file at once. Where the mode
// cannot be given, the user opening the file is told so, naming the lock file; ＤＢオープン says what to do.
TEST(SharedUse, NoLockFileIsLeftThatOnlyItsMakerCanOpen) {
    if (!root())
        GTEST_SKIP() << "needs root to act as two users";
    const struct {
        const char* how;
        const char* kind;
        const char* told; // nullptr: killed, nothing said
    } cases[] = {
        // clang-format off
        {"kill", "open", nullptr},       {"kill", "opendb", nullptr},
        {"refuse", "open", ""},          {"refuse", "opendb", "他の利用者も使える権限を付けられません"},
        {"ignore", "open", ""},          {"ignore", "opendb", "管理者に相談してください"},
        {"kill-nolinks", "open", nullptr}, {"kill-nolinks", "opendb", nullptr},
    }; // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.how) + " / " + c.kind);
        Office office;
        const QString lock = office.db + QStringLiteral("-lock");
        // The stand-in beside the office, where the other user may load it whoever may read the build.
        const QString shim = office.tmp.path(QStringLiteral("lock_mode_shim.so"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VARNOX_LOCK_SHIM), shim));
        ASSERT_EQ(::chmod(QFile::encodeName(shim).constData(), 0755), 0);
        const QString out = office.run(c.kind, kUserA,
                                       {QStringLiteral("LD_PRELOAD=") + shim,
                                        QStringLiteral("VARNOX_LOCK_MODE=") + QString::fromLatin1(c.how)},
                                       "077");
        if (c.told) {
            EXPECT_TRUE(out.startsWith(QStringLiteral("refused:")) && out.contains(lock) &&
                        out.contains(QString::fromUtf8(c.told)))
                << out.toStdString();
        } else {
            EXPECT_EQ(out, QString()); // killed before it printed a word
        }
        // Made in place where there are no links: left, with a mode everyone may open.
        EXPECT_EQ(QFileInfo::exists(lock), std::string(c.how) == "kill-nolinks");
        EXPECT_EQ(office.run("open", kUserB), QStringLiteral("done"));
        // What a killed maker left aside goes at the next ＤＢオープン, another user's too.
        EXPECT_EQ(office.run("opendb", kUserB), QStringLiteral("done"));
        EXPECT_EQ(QDir(office.folder).entryList({QStringLiteral(".*-lock.*")}, QDir::Files | QDir::Hidden),
                  QStringList());
    }
}

// Without setgid a new file gets its maker's own group: VarnoxReplica's clear and copy and ＤＢ作成 over the
// file keep its group and mode, another user saves after; an outsider to the group is refused, the file as it
// was.
TEST(SharedUse, AFilePutInPlaceKeepsItsGroupAndMode) {
    if (!root()) GTEST_SKIP() << "needs root to act as two users";
    for (const auto& [action, member] :
         {std::pair{"clear", true}, {"copyonto", true}, {"new", true}, {"clear", false}, {"new", false}}) {
        SCOPED_TRACE(std::string(action) + (member ? "" : " by an outsider"));
        Office office(false);
        const mode_t mode = member ? 0664 : 0666; // an outsider may write, but not give the group
        office.outsider = member ? 0 : kUserA;
        for (const QString& f : QDir(office.folder).entryList(QDir::Files))
            Office::share(QDir(office.folder).filePath(f), mode);
        Office::share(office.folder, member ? 0775 : 0777);
        const QByteArray before = office.bytes();
        const QString out = office.run(action, kUserA); // an outsider is told the file and its group
        EXPECT_EQ(out.contains(office.db + QStringLiteral("」のグループ「47100」")), !member)
            << out.toStdString();
        EXPECT_EQ(office.bytes() == before, !member);
        for (const QString& f : {office.db, office.db.left(office.db.size() - 3) + QStringLiteral("vrk")}) {
            struct stat st {};
            EXPECT_TRUE(::stat(QFile::encodeName(f).constData(), &st) == 0 && st.st_gid == gid_t(kGroup) &&
                        (st.st_mode & 0777) == mode);
        }
        EXPECT_EQ(office.run("save", kUserB), QStringLiteral("done"));
    }
}

// The owner of a group's file is no member of the group (a folder of theirs, no setgid): the lock file they
// make cannot get the group, and the members still open the file while they hold it.
TEST(SharedUse, ALockFileWithoutTheGroupShutsNoMemberOut) {
    if (!root()) GTEST_SKIP() << "needs root to act as two users";
    for (const mode_t mode : {0660, 0640}) {
        SCOPED_TRACE(mode);
        Office office(false);
        office.outsider = kUserA;
        for (const QString& f : {office.folder, office.db})
            ASSERT_EQ(::chown(QFile::encodeName(f).constData(), kUserA, kGroup), 0);
        ::chmod(QFile::encodeName(office.folder).constData(), 0770);
        ::chmod(QFile::encodeName(office.db).constData(), mode);
        std::unique_ptr<QProcess> window(office.start("hold", kUserA));
        ASSERT_TRUE(window->waitForReadyRead(15000));
        EXPECT_EQ(office.run("open", kUserB), QStringLiteral("done"));
        window->closeWriteChannel();
        ASSERT_TRUE(window->waitForFinished(15000));
    }
}

// A colleague outside the group, given the folder and the company file by an access list of their own (no
// default list on the folder): VarnoxReplica's clear and copy and ＤＢ作成 keep it, and they save after.
TEST(SharedUse, AFilePutInPlaceKeepsItsAccessList) {
    if (!root()) GTEST_SKIP() << "needs root to act as three users";
    constexpr int kUserC = 47103;
    for (const char* action : {"clear", "copyonto", "new"}) {
        SCOPED_TRACE(action);
        Office office(false);
        office.outsider = kUserC;
        const QString grant = QStringLiteral("u:%1:rw").arg(kUserC);
        if (QProcess::execute("setfacl", {"-m", grant + "x", office.folder}) != 0 ||
            QProcess::execute("setfacl", {"-m", grant, office.db}) != 0)
            GTEST_SKIP() << "setfacl is missing, or this file system takes no access lists";
        ASSERT_EQ(office.run(action, kUserA), QStringLiteral("done"));
        QProcess acl;
        acl.start("getfacl", {"-c", office.db});
        ASSERT_TRUE(acl.waitForFinished());
        EXPECT_TRUE(acl.readAllStandardOutput().contains("user:47103:rw-"));
        EXPECT_EQ(office.run("save", kUserC), QStringLiteral("done"));
    }
}

// A window that cannot make its lock file (no inode left, a read-only folder) saves nothing, naming it, and
// no clear runs under it; a name of 244 bytes (the longest the engine's journal allows) gets one like any
// other.
TEST(SharedUse, NoWriteAndNoClearWithoutTheUseLock) {
    if (!root()) GTEST_SKIP() << "needs root to act as two users";
    const struct {
        QString file;
        int inodes;
        mode_t folder;
        const char* clearTold;
    } cases[] = {{QString(80, QChar(0x8CA9)) + QStringLiteral(".vrd"), 0, 02775, "使用中"},
                 {QStringLiteral("shop.vrd"), 0, 0555, "書き込めません"},
                 {QStringLiteral("shop.vrd"), 24, 02775, "書き込めません"}};
    for (const auto& c : cases) {
        Office office(true, c.file, c.inodes);
        if (office.mounted) // every inode taken
            QProcess::execute(
                "sh", {"-c", "i=0; while touch \"$0/$i\" 2>/dev/null; do i=$((i+1)); done", office.folder});
        Office::share(office.folder, c.folder);
        const QByteArray before = office.bytes();
        std::unique_ptr<QProcess> window(office.start("hold", kUserA));
        ASSERT_TRUE(window->waitForReadyRead(15000));
        const QString out = office.run("clear", kUserB);
        EXPECT_TRUE(out.startsWith("refused:") && out.contains(QString::fromUtf8(c.clearTold)))
            << out.toStdString();
        EXPECT_TRUE(office.bytes() == before);
        const QString saved = office.run("save", kUserA); // refused naming its lock file where none was made
        EXPECT_TRUE(c.inodes || c.folder == 0555 ? saved.contains(office.db + "-lock") : saved == "done");
        window->closeWriteChannel();
        ASSERT_TRUE(window->waitForFinished(15000));
    }
}

// While ＤＢ作成 or VarnoxReplica puts another pair in place, holding the lock alone, ＤＢオープン says the
// file is in use, whether the database is there or half way: never that it is gone or foreign.
TEST(SharedUse, OpeningAFileBeingReplacedSaysItIsInUse) {
    for (const bool halfWay : {true, false}) {
        Office office;
        std::unique_ptr<QProcess> replacer(office.start("alone", kUserA));
        ASSERT_TRUE(replacer->waitForReadyRead(15000));
        if (halfWay) QFile::remove(office.db);
        EXPECT_TRUE(office.run("opendb", kUserB)
                        .contains(QStringLiteral("refused: ＤＢを他のプログラムが使用中です。")));
        replacer->closeWriteChannel();
        ASSERT_TRUE(replacer->waitForFinished(15000));
    }
}

// Two lists on one file, each giving up its use lock and taking it again over and over as it does between
// reads: neither is ever told the file is in use, and no lock file is left when both have gone.
TEST(SharedUse, UsersWhoOnlyShareTheFileNeverRefuseEachOther) {
    Office office;
    const int rounds = 1500 * qMax(1, qEnvironmentVariableIntValue("VARNOX_MULTIUSER_SCALE"));
    std::unique_ptr<QProcess> a(office.start("share", kUserA, "022", rounds));
    std::unique_ptr<QProcess> b(office.start("share", kUserB, "022", rounds));
    for (QProcess* p : {a.get(), b.get()}) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(QString::fromUtf8(p->readAllStandardOutput()).trimmed(), QStringLiteral("refused 0"));
    }
    EXPECT_FALSE(QFileInfo::exists(office.db + QStringLiteral("-lock")));
}

} // namespace
