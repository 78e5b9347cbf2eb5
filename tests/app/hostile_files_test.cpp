// Company files from anyone, the files beside the database: a control file that is a pipe, a device or a
// folder, or holds more than Varnox ever stores; a database in another text encoding or that is no file; a
// lock file, journal or log put in Varnox's place; a journal whose playback damages a table. Varnox
// (ＤＢオープン, the command line, every window) and VarnoxReplica say what it is, at once, and change
// nothing.
#include "support/MainRoad.h"
#include "support/ReplicaRoad.h"

#include "core/ControlFile.h"
#include "core/FileProblems.h"
#include "db/WriteErrors.h"
#include "masters/CompanySettingsDialog.h"
#include "masters/MasterWindow.h"
#include "orders/CancelWindow.h"
#include "orders/GetOrderWindow.h"
#include "orders/PaymentChooser.h"
#include "orders/PaymentWindow.h"
#include "viewers/ListWindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <gtest/gtest.h>
#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using mainroad::Program;
using mainroad::Way;
using enum mainroad::Way;
using mainroad::giveFile;
using mainroad::kWays;

namespace {

QByteArray digest(const QString& path) {
    if (!QFileInfo(path).isFile())
        return "no file"; // a pipe is not read here either
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256)
                                       : "missing";
}

QString said(Program& p) { return p.messages().texts().join('|'); }

// The line of the damaged-file message that a user copies into a terminal: the cure of that very file.
QString cureOf(const QString& db) {
    return QStringLiteral("  sqlite3 '%1' .dump | sed ").arg(db);
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// The file's own journal as a write killed half way leaves it, but with the page of fromTable's root under
// the number of toTable's: playing it back puts fromTable's rows into toTable.
QByteArray bigEndian(quint32 v) {
    return QByteArray(1, char(v >> 24)) + char(v >> 16) + char(v >> 8) + char(v);
}
quint32 rootOf(const QString& db, const QString& table) {
    const QString sql = QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table);
    return mainroad::sqlite(db, sql).toUInt();
}

bool plantHotJournal(const QString& db, const QString& toTable, const QString& fromTable) {
    QFile f(db); // pages of 4096 bytes, as the engine makes them here
    if (!f.open(QIODevice::ReadOnly) || !f.seek(qint64(rootOf(db, fromTable) - 1) * 4096)) return false;
    const QByteArray page = f.read(4096);
    quint32 sum = 0; // the engine's check of a record: every 200th byte from the end, on a start of 0
    for (int i = 4096 - 200; i > 0; i -= 200)
        sum += quint8(page[i]);
    const QByteArray head = QByteArray::fromHex("d9d505f920a163d70000000100000000") +
                            bigEndian(quint32(f.size() / 4096)) + bigEndian(512) + bigEndian(4096);
    return writeBytes(db + QStringLiteral("-journal"), head + QByteArray(512 - head.size(), '\0') +
                                                           bigEndian(rootOf(db, toTable)) + page +
                                                           bigEndian(sum));
}

// Another database's write-ahead log and its index, as they lie beside it while it is open, copied beside db.
bool plantForeignLog(const QString& db) {
    const QString other = db + QStringLiteral(".other");
    sqlite3* h = nullptr;
    const bool ok = sqlite3_open(QFile::encodeName(other).constData(), &h) == SQLITE_OK &&
                    sqlite3_exec(h, "PRAGMA journal_mode = WAL; CREATE TABLE t(x); INSERT INTO t VALUES (1)", nullptr,
                                 nullptr, nullptr) == SQLITE_OK &&
                    QFile::copy(other + "-wal", db + "-wal") && QFile::copy(other + "-shm", db + "-shm");
    sqlite3_close(h);
    return ok;
}

// Another user of the folder while it lives, as root can be one: nobody, owning the folder and its files but
// those whose names hold `theirs`. Any other runner is such a user already, whose files of mode 000 it
// cannot read either.
struct AsAnotherUser {
    bool switched = false;
    AsAnotherUser(bool on, const QString& folder, const QString& theirs) {
        if (!on || ::geteuid() != 0) return;
        for (const QString& f : QDir(folder).entryList(QDir::Files | QDir::Hidden))
            if (!f.contains(theirs)) (void)::chown(QFile::encodeName(QDir(folder).filePath(f)).constData(), 65534, 0);
        (void)::chown(QFile::encodeName(folder).constData(), 65534, 0);
        switched = ::setresuid(65534, 65534, 0) == 0;
    }
    ~AsAnotherUser() {
        if (switched) (void)::setresuid(0, 0, 0);
    }
};

// Something put where a file of ours belongs.
struct Planted {
    const char* what;
    QString named; // what the messages call it
    std::function<bool(Program&, const QString&)> make;
    const char* side = "-lock"; // beside the database
    QString file = QStringLiteral("ロックファイル");
};

const std::vector<Planted>& plants() {
    static const std::vector<Planted> all{
        {"link", QStringLiteral("リンク"),
         [](Program& p, const QString& at) {
             writeBytes(p.path(QStringLiteral("elsewhere")), "x");
             return QFile::link(p.path(QStringLiteral("elsewhere")), at);
         }},
        {"folder", QStringLiteral("フォルダ"), [](Program&, const QString& at) { return QDir().mkdir(at); }},
        {"pipe", QStringLiteral("パイプ"), [](Program&, const QString& at) { return testenv::makePipe(at); }},
        {"journal pipe", QStringLiteral("パイプ"),
         [](Program&, const QString& at) { return testenv::makePipe(at); }, "-journal",
         QStringLiteral("ジャーナルファイル")},
    };
    return all;
}

void unplant(const QString& at) {
    if (!QFile::remove(at))
        QDir().rmdir(at);
}

// Another program that puts something in a journal's place after the engine looked at it, just before the
// engine's open(2) of it, once.
struct RacedJournal {
    using Open = int (*)(const char*, int, int);
    static inline std::string armed;
    static inline std::function<void(const QString&)> swap;
    static inline Open next = nullptr;
    static int open(const char* path, int flags, int mode) {
        if (!armed.empty() && armed == path) {
            armed.clear();
            swap(QString::fromStdString(path));
        }
        return next(path, flags, mode);
    }
    sqlite3_vfs* vfs = (db::recordWriteErrors(), sqlite3_vfs_find("unix"));
    RacedJournal() {
        next = reinterpret_cast<Open>(vfs->xGetSystemCall(vfs, "open"));
        vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(&RacedJournal::open));
    }
    ~RacedJournal() { vfs->xSetSystemCall(vfs, "open", reinterpret_cast<sqlite3_syscall_ptr>(next)); }
};

void closeAllWork(Program& p) {
    for (auto* m : p.window().findChildren<masters::MasterWindow*>())
        m->findChild<QPushButton*>(QStringLiteral("cmdClose"))->click();
    p.window().mdiArea()->closeAllSubWindows();
    mainroad::waitFor([&] { return p.workCount() == 0; }, 5000);
    mainroad::waitFor([&] { return p.reachable(QStringLiteral("mnuFileClose")); }, 5000);
}

// A window of the program, started from its menu; plant() puts the lock file in place when the window
// would meet it (an export: after its list was built).
struct Window {
    QString name;
    bool list; // the lists share one way of reading: each meets one kind of lock file, in turn
    std::function<void(Program&, const std::function<void()>& plant)> run;
};

std::vector<Window> windows(const QString& importFile) {
    std::vector<Window> out;
    for (int i = 0; i < 14; ++i)
        out.push_back({QStringLiteral("list %1").arg(i), true, [i](Program& p, const std::function<void()>& plant) {
                           plant();
                           mainroad::readList(p, i);
                       }});
    out.push_back({QStringLiteral("export"), false, [](Program& p, const std::function<void()>& plant) {
                       mainroad::answerReportDialog();
                       p.trigger(QStringLiteral("mnuVComm"));
                       viewers::ListWindow* w = nullptr;
                       if (!mainroad::waitFor([&] { return (w = p.work<viewers::ListWindow>()) && w->loaded(); }))
                           return;
                       plant();
                       p.nextPath(p.path(QStringLiteral("export.txt")));
                       w->findChild<QPushButton*>(QStringLiteral("cmdCSV"))->click();
                   }});
    out.push_back({QStringLiteral("order"), false, [](Program& p, const std::function<void()>& plant) {
                       plant();
                       p.trigger(QStringLiteral("mnuOrder"));
                       mainroad::waitFor([&] { return !p.messages().shown().empty(); });
                   }});
    out.push_back({QStringLiteral("payment"), false, [](Program& p, const std::function<void()>& plant) {
                       plant();
                       mainroad::onNextModalOf<orders::PaymentChooser>([](orders::PaymentChooser& c) { c.cmd[1]->click(); });
                       p.trigger(QStringLiteral("mnuReceipt"));
                       mainroad::waitFor([&] { return !p.messages().shown().empty(); });
                   }});
    out.push_back({QStringLiteral("master grid"), false, [](Program& p, const std::function<void()>& plant) {
                       plant();
                       p.trigger(QStringLiteral("mnuManComm"));
                       mainroad::waitFor([&] { return !p.messages().shown().empty(); });
                   }});
    out.push_back({QStringLiteral("import"), false, [importFile](Program& p, const std::function<void()>& plant) {
                       plant();
                       p.nextPath(importFile);
                       p.trigger(QStringLiteral("mnuImpEmp"));
                   }});
    return out;
}

} // namespace

// A lock file that is a link, a folder or a pipe, or a journal that is a pipe, is named in every window,
// after the window's own first line, and nothing is written; ＤＢオープン and the command line refuse the
// file at once.
TEST(HostileFiles, APlantedLockFileIsNamedInEveryWindowAndRefusedAtOpen) {
    Program p;
    const QString db = p.openShopWithOrders();
    ASSERT_FALSE(db.isEmpty()) << said(p).toStdString();
    const QString dbPath = QFileInfo(db).canonicalFilePath();
    const QString importFile = p.path(QStringLiteral("more.txt"));
    mainroad::writeCp932(importFile, {QStringLiteral("9\tE09\t山本次郎")});
    const QString rowsBefore = mainroad::sqlite(db, QStringLiteral("SELECT * FROM 社員マスタ; SELECT * FROM 受注データ"));
    for (size_t k = 0; k < plants().size(); ++k) {
        const Planted& plant = plants()[k];
        const QString lock = dbPath + QLatin1String(plant.side);
        int listNo = 0;
        for (const Window& w : windows(importFile)) {
            if (w.list && listNo++ % plants().size() != k)
                continue;
            SCOPED_TRACE(std::string(plant.what) + " " + w.name.toStdString());
            p.messages().clear();
            std::unique_ptr<testenv::PipeWatch> watch;
            w.run(p, [&] {
                ASSERT_TRUE(plant.make(p, lock));
                watch = std::make_unique<testenv::PipeWatch>(lock);
            });
            mainroad::waitFor([&] { return !p.messages().shown().empty(); }, 3000);
            const QString all = said(p);
            const QString sentence = QStringLiteral("ＤＢの%1「%2」が%3").arg(plant.file, lock, plant.named);
            EXPECT_TRUE(all.contains(sentence)) << all.toStdString();
            for (const QString& text : p.messages().texts())
                EXPECT_FALSE(text.startsWith(QStringLiteral("ＤＢの") + plant.file))
                    << "no first line of its own";
            EXPECT_FALSE(watch && watch->fired());
            watch.reset();
            unplant(lock);
            closeAllWork(p);
        }
        EXPECT_EQ(mainroad::sqlite(db, QStringLiteral("SELECT * FROM 社員マスタ; SELECT * FROM 受注データ")), rowsBefore);

        p.trigger(QStringLiteral("mnuFileClose"));
        for (Way way : {Menu, CommandLine}) {
            SCOPED_TRACE(std::string(plant.what) + " open " + std::to_string(way));
            ASSERT_TRUE(plant.make(p, lock));
            giveFile(p, way, db, {});
            EXPECT_TRUE(p.state().gDbPath.isEmpty());
            ASSERT_EQ(p.messages().shown().size(), 1u) << said(p).toStdString();
            EXPECT_TRUE(
                said(p).contains(QStringLiteral("ＤＢの%1「%2」が%3").arg(plant.file, lock, plant.named)))
                << said(p).toStdString();
            unplant(lock);
        }
        giveFile(p, Menu, db, {});
        ASSERT_EQ(p.state().gDbPath, db) << said(p).toStdString();
    }
}

// A control file that is a pipe, a device or a folder, or that holds more than the dialogs store, is
// refused at once by every way in, naming it; at the limit the file opens and copies.
TEST(HostileFiles, AControlFileThatIsNoFileOrHoldsTooMuchIsRefusedAtOnceByName) {
    Program p;
    const QString base = p.newDatabase(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << said(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    QFile ctl(core::controlPathFor(base));
    ASSERT_TRUE(ctl.open(QIODevice::ReadOnly));
    const core::ControlData data = core::decodeControl(ctl.readAll());
    const auto withData = [&](const std::function<void(core::ControlData&)>& change) {
        return [=](const QString& at) {
            core::ControlData d = data;
            change(d);
            return writeBytes(at, core::encodeControl(d));
        };
    };
    const auto categories = [](int n) {
        return [n](core::ControlData& d) {
            d.categories.clear();
            for (int i = 0; i < n; ++i)
                d.categories << QString::number(i);
        };
    };
    const struct {
        const char* what;
        std::function<bool(const QString&)> make;
        QString named; // "" for a file that opens
    } cases[] = {
        {"pipe", [](const QString& at) { return testenv::makePipe(at); }, QStringLiteral("コントロールファイルがパイプ")},
        {"zero", [](const QString& at) { return QFile::link(QStringLiteral("/dev/zero"), at); },
         QStringLiteral("リンク先がデバイス")},
        {"folder", [](const QString& at) { return QDir().mkdir(at); }, QStringLiteral("コントロールファイルがフォルダ")},
        {"categories past", withData(categories(core::kMaxCategories + 1)), QStringLiteral("カテゴリの数（32768）")},
        {"name past", withData([](core::ControlData& d) { d.company.CompanyName = QString(core::kMaxCompanyTextLength + 1, 'a'); }),
         QStringLiteral("社名が長すぎます")},
        {"10 MB name", withData([](core::ControlData& d) { d.company.CompanyName = QString(10'000'000, 'a'); }),
         QStringLiteral("大きすぎます")},
        {"categories at", withData(categories(core::kMaxCategories)), QString()},
        {"name at", withData([](core::ControlData& d) { d.company.CompanyName = QString(core::kMaxCompanyTextLength, 'a'); }),
         QString()},
    };
    int n = 0;
    for (const auto& c : cases) {
        for (Way way : kWays) {
            SCOPED_TRACE(std::string(c.what) + " way " + std::to_string(way));
            const QString file = p.path(QStringLiteral("c%1.vrd").arg(++n));
            const QString target = p.path(QStringLiteral("t%1.vrd").arg(n));
            ASSERT_TRUE(QFile::copy(base, file));
            ASSERT_TRUE(c.make(core::controlPathFor(file)));
            const QByteArray before = digest(file);
            QElapsedTimer t;
            t.start();
            {
                testenv::PipeWatch watch(core::controlPathFor(file));
                giveFile(p, way, file, target);
                EXPECT_FALSE(watch.fired()) << "waited on the pipe";
            }
            EXPECT_LT(t.elapsed(), 5000);
            if (c.named.isEmpty()) {
                // VarnoxReplica says it is done.
                EXPECT_TRUE(said(p).isEmpty() || said(p).startsWith(QStringLiteral("DBを初期化"))) << said(p).toStdString();
                EXPECT_TRUE(way >= ReplicaCopy || p.state().gDbPath == file);
                EXPECT_EQ(way == ReplicaCopy, QFileInfo::exists(target));
                p.trigger(QStringLiteral("mnuFileClose"));
                continue;
            }
            ASSERT_EQ(p.messages().shown().size(), 1u) << said(p).toStdString();
            EXPECT_TRUE(said(p).contains(c.named)) << said(p).toStdString();
            EXPECT_TRUE(said(p).contains(core::controlPathFor(file))) << said(p).toStdString();
            EXPECT_TRUE(p.state().gDbPath.isEmpty());
            EXPECT_FALSE(QFileInfo::exists(target));
            EXPECT_EQ(digest(file), before);
        }
    }
    // A .vrk linked to one outside: 自社情報変更 writes a file of its own in its place, the outside one as it
    // was.
    const QString outside = p.path(QStringLiteral("outside/other.vrk")),
                  linked = p.path(QStringLiteral("linked.vrd"));
    QDir().mkdir(QFileInfo(outside).path());
    ASSERT_TRUE(QFile::copy(base, linked) && QFile::copy(core::controlPathFor(base), outside));
    ASSERT_TRUE(QFile::link(outside, core::controlPathFor(linked)));
    const QByteArray outsideBefore = digest(outside);
    giveFile(p, Menu, linked);
    ASSERT_EQ(p.state().gDbPath, linked) << said(p).toStdString();
    mainroad::onNextModalOf<masters::CompanySettingsDialog>([](masters::CompanySettingsDialog& d) {
        d.txtMyName->setText(QStringLiteral("リンク商事"));
        d.cmdOK->click();
    });
    p.trigger(QStringLiteral("mnuMyNameChange"));
    EXPECT_TRUE(said(p).isEmpty()) << said(p).toStdString();
    EXPECT_EQ(digest(outside), outsideBefore);
    EXPECT_EQ(core::decodeControl(core::readControlBytes(core::controlPathFor(linked))).company.CompanyName,
              QStringLiteral("リンク商事"));
}

// Leftovers of our naming that are no files (a pipe under a temporary's name, a lock file left aside that is
// a link to a pipe) are passed over by every way in, never waited on: the file opens, is copied or cleared.
TEST(HostileFiles, LeftoversThatAreNoFilesAreNeverWaitedOn) {
    Program p;
    const QString base = p.openShopWithOrders(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << said(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    const QString pipe = p.path(QStringLiteral("pipe"));
    ASSERT_TRUE(testenv::makePipe(pipe));
    const struct {
        const char* name;
        bool link; // to the pipe
    } leftovers[] = {{".%1.vrd.AbC123", false},
                     {".%1.vrd-lock.AbC123", false},
                     {".%1.vrk.AbC123", false},
                     {".varnox-lock.AbC123", true},
                     {".varnox-probe.AbC123", false}};
    int n = 0;
    for (const auto& l : leftovers)
        for (Way way : kWays) {
            SCOPED_TRACE(std::string(l.name) + " way " + std::to_string(way));
            const QString stem = QStringLiteral("l%1").arg(++n);
            const QString file = p.path(stem + ".vrd"), target = p.path(QStringLiteral("t%1.vrd").arg(n));
            ASSERT_TRUE(QFile::copy(base, file) &&
                        QFile::copy(core::controlPathFor(base), core::controlPathFor(file)));
            const QString left = p.path(QString::fromLatin1(l.name).replace(QLatin1String("%1"), stem));
            ASSERT_TRUE(l.link ? QFile::link(pipe, left) : testenv::makePipe(left));
            {
                testenv::PipeWatch watch(l.link ? pipe : left);
                giveFile(p, way, file, target);
                EXPECT_FALSE(watch.fired()) << "waited on the pipe";
            }
            EXPECT_TRUE(said(p).isEmpty() || said(p).startsWith(QStringLiteral("DBを初期化")))
                << said(p).toStdString();
            EXPECT_EQ(way == ReplicaCopy, QFileInfo::exists(target));
            p.trigger(QStringLiteral("mnuFileClose"));
            QFile::remove(left);
        }
}

// The same schema in a UTF-16 file reads back converted but finds and stores otherwise: refused, with the
// encoding named, by Varnox and VarnoxReplica; a database that is a pipe, a folder or a device is named
// for what it is and never waited on.
TEST(HostileFiles, ADatabaseInUtf16OrThatIsNoFileIsRefusedNamingWhatItIs) {
    Program p;
    const QString base = p.openShopWithOrders(QStringLiteral("base.vrd"));
    ASSERT_FALSE(base.isEmpty()) << said(p).toStdString();
    p.trigger(QStringLiteral("mnuFileClose"));
    const QString dump = mainroad::sqlite(base, QStringLiteral(".dump"));
    const QString version = mainroad::sqlite(base, QStringLiteral("PRAGMA user_version"));
    const auto withSide = [&](const char* side, int plant) { // a link, a folder, a pipe, as for the lock file
        return [=, &p](const QString& at) {
            return QFile::copy(base, at) && plants()[plant].make(p, at + side);
        };
    };
    RacedJournal race;
    // A hot journal (or a log of a file in that mode), one of those when the engine opens it.
    const auto racedSide = [&](const char* side, int plant) {
        return [=, &p](const QString& at) {
            RacedJournal::swap = [=, &p](const QString& j) {
                QFile::remove(j);
                plants()[plant].make(p, j);
            };
            const bool made = QFile::copy(base, at) &&
                              (side == std::string("-journal")
                                   ? plantHotJournal(at, QStringLiteral("顧客マスタ"), QStringLiteral("商品マスタ"))
                                   : mainroad::sqlite(at, QStringLiteral("PRAGMA journal_mode = WAL")) == "wal");
            RacedJournal::armed = QFile::encodeName(QFileInfo(at).canonicalFilePath() + side).toStdString();
            return made;
        };
    };
    const struct {
        const char* what;
        std::function<bool(const QString&)> make;
        QString named;
        const char* side = ""; // the file a pipe may be in
        bool playedBack = false;
        bool byAnother = false; // given by another user than the journal's
    } cases[] = {
        {"utf-16",
         [&](const QString& at) {
             mainroad::sqlite(at, QStringLiteral("PRAGMA encoding = 'UTF-16le'; PRAGMA user_version = %1; ").arg(version) + dump);
             return mainroad::sqlite(at, QStringLiteral("PRAGMA encoding")) == QLatin1String("UTF-16le") &&
                    mainroad::sqlite(at, QStringLiteral("SELECT count(*) FROM 受注データ")) == QLatin1String("4");
         },
         QStringLiteral("UTF-16le")},
        {"pipe", [](const QString& at) { return testenv::makePipe(at); }, QStringLiteral("パイプ")},
        {"folder", [](const QString& at) { return QDir().mkdir(at); }, QStringLiteral("フォルダ")},
        {"device", [](const QString& at) { return QFile::link(QStringLiteral("/dev/null"), at); },
         QStringLiteral("デバイス")},
        {"journal pipe", withSide("-journal", 2), QStringLiteral("ジャーナルファイル「"), "-journal"},
        {"journal folder", withSide("-journal", 1), QStringLiteral("-journal」がフォルダ")},
        {"journal link", withSide("-journal", 0), QStringLiteral("-journal」がリンク")},
        {"wal pipe", withSide("-wal", 2), QStringLiteral("ログファイル「"), "-wal"},
        {"shm pipe", withSide("-shm", 2), QStringLiteral("-shm」がパイプ"), "-shm"},
        {"journal raced to a pipe", racedSide("-journal", 2), QStringLiteral("-journal」がパイプ"), "-journal"},
        {"journal raced to a folder", racedSide("-journal", 1), QStringLiteral("-journal」がフォルダ")},
        {"log raced to a link", racedSide("-wal", 0), QStringLiteral("-wal」がリンク")},
        {"shared memory raced to a link", racedSide("-shm", 0), QStringLiteral("-shm」がリンク")},
        {"damaging journal",
         [&](const QString& at) {
             return QFile::copy(base, at) &&
                    plantHotJournal(at, QStringLiteral("顧客マスタ"), QStringLiteral("商品マスタ"));
         },
         QStringLiteral("ＤＢファイルが壊れています（テーブル「顧客マスタ」）。"), "", true},
        {"another database's log", [&](const QString& at) { return QFile::copy(base, at) && plantForeignLog(at); },
         QStringLiteral("-wal」があります。このＤＢはログファイルを使わないため")},
        {"another user's journal of mode 000",
         [&](const QString& at) {
             return QFile::copy(base, at) && plantHotJournal(at, QStringLiteral("顧客マスタ"), QStringLiteral("商品マスタ")) &&
                    ::chmod(QFile::encodeName(at + "-journal").constData(), 0) == 0;
         },
         QStringLiteral("-journal」を開けないため、ＤＢを使えません。このファイルの持ち主は「"), "", false, true},
    };
    int n = 0;
    for (const auto& c : cases) {
        for (Way way : kWays) {
            SCOPED_TRACE(std::string(c.what) + " way " + std::to_string(way));
            const QString file = p.path(QStringLiteral("d%1.vrd").arg(++n));
            const QString target = p.path(QStringLiteral("t%1.vrd").arg(n));
            ASSERT_TRUE(c.make(file));
            ASSERT_TRUE(QFile::copy(core::controlPathFor(base), core::controlPathFor(file)));
            const QByteArray before = digest(file);
            {
                testenv::PipeWatch watch(file + QLatin1String(c.side));
                const AsAnotherUser other(c.byAnother, QFileInfo(file).absolutePath(), QStringLiteral("-journal"));
                giveFile(p, way, file, target);
                EXPECT_FALSE(watch.fired()) << "waited on the pipe";
            }
            EXPECT_TRUE(RacedJournal::armed.empty()) << "the engine never opened the raced file";
            ASSERT_EQ(p.messages().shown().size(), 1u) << said(p).toStdString();
            EXPECT_TRUE(said(p).contains(c.named)) << said(p).toStdString();
            EXPECT_EQ(c.byAnother, said(p).contains(QStringLiteral("権限は「---------」")));
            EXPECT_TRUE(p.state().gDbPath.isEmpty());
            EXPECT_FALSE(QFileInfo::exists(target));
            if (c.playedBack) // the cure is named; a second look finds the same
                EXPECT_TRUE(said(p).contains(cureOf(file)) && !said(p).contains(QStringLiteral("malformed")))
                    << said(p).toStdString();
            else
                EXPECT_EQ(digest(file), before);
        }
    }
    // A copy onto a pipe or a device is refused naming it, and neither is touched.
    for (const auto& c : {cases[1], cases[3]}) {
        SCOPED_TRACE(std::string(c.what) + " as the target");
        const QString target = p.path(QStringLiteral("t%1.vrd").arg(++n));
        ASSERT_TRUE(c.make(target));
        testenv::PipeWatch watch(target);
        giveFile(p, ReplicaCopy, base, target);
        EXPECT_FALSE(watch.fired());
        ASSERT_EQ(p.messages().shown().size(), 1u) << said(p).toStdString();
        EXPECT_TRUE(said(p).contains(QStringLiteral("「%1」は%2").arg(target, c.named)))
            << said(p).toStdString();
        EXPECT_FALSE(QFileInfo(target).isFile());
    }
    // A copy onto another user's file whose lock file that user's program left, of rights that keep us out:
    // the lock file's rights are named, not a use by another program.
    if (::geteuid() == 0) {
        const QString target = p.path(QStringLiteral("t%1.vrd").arg(++n));
        ASSERT_TRUE(QFile::copy(base, target) && writeBytes(target + "-lock", {}));
        ::chmod(QFile::encodeName(target + "-lock").constData(), 0600);
        const QByteArray before = digest(target);
        {
            const AsAnotherUser other(true, QFileInfo(target).absolutePath(), QFileInfo(target).fileName());
            giveFile(p, ReplicaCopy, base, target);
        }
        EXPECT_TRUE(said(p).startsWith(QStringLiteral("ＤＢのロックファイル「%1-lock」を開けないため").arg(target)) &&
                    said(p).contains(QStringLiteral("権限は「rw-------」")))
            << said(p).toStdString();
        EXPECT_EQ(digest(target), before);
    }
    // A table whose tree loops back to its root: 受注データ入力 and VarnoxReplica name damage and cure.
    const QString broken = p.path(QStringLiteral("broken.vrd"));
    ASSERT_TRUE(QFile::copy(base, broken) &&
                QFile::copy(core::controlPathFor(base), core::controlPathFor(broken)));
    const quint32 root = rootOf(broken, QStringLiteral("顧客マスタ"));
    const QString orders = mainroad::sqlite(broken, QStringLiteral("SELECT count(*) FROM 受注データ"));
    QFile loop(broken);
    ASSERT_TRUE(loop.open(QIODevice::ReadWrite) && loop.seek(qint64(root - 1) * 4096) &&
                loop.write(QByteArray::fromHex("0500000000100000") + bigEndian(root)) == 12);
    loop.close();
    giveFile(p, Menu, broken);
    p.trigger(QStringLiteral("mnuOrder"));
    mainroad::waitFor([&] { return !p.messages().shown().empty(); });
    for (Way way : {Menu, ReplicaCopy, ReplicaClear}) {
        if (way != Menu) {
            closeAllWork(p);
            p.trigger(QStringLiteral("mnuFileClose"));
            giveFile(p, way, broken, p.path(QStringLiteral("t%1.vrd").arg(++n)));
        }
        EXPECT_TRUE(said(p).contains(cureOf(broken)) && !said(p).contains(QStringLiteral("malformed")))
            << way << said(p).toStdString();
        // VarnoxReplica's clear checks before it clears: the orders are still there.
        EXPECT_EQ(mainroad::sqlite(broken, QStringLiteral("SELECT count(*) FROM 受注データ")), orders);
    }
    // The cure as the message gives it, run by the shell with the sqlite3 tool: Varnox opens what it made.
    const QString cure = said(p).split(QLatin1Char('\n')).filter(cureOf(broken)).value(0).trimmed();
    closeAllWork(p);
    p.trigger(QStringLiteral("mnuFileClose"));
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), cure});
    ASSERT_TRUE(shell.waitForFinished(60000)) << cure.toStdString();
    EXPECT_EQ(shell.exitCode(), 0) << cure.toStdString() << shell.readAllStandardError().toStdString();
    const QString cured = p.path(QStringLiteral("broken_修復.vrd"));
    giveFile(p, Menu, cured);
    EXPECT_EQ(p.state().gDbPath, cured) << said(p).toStdString();
    EXPECT_EQ(p.scalar(QStringLiteral("SELECT count(*) FROM 受注データ")).toString(), orders);
    p.trigger(QStringLiteral("mnuFileClose"));

    // A journal that turns into a pipe as 受注データ入力's save plays it back: the window names it.
    giveFile(p, Menu, base);
    const QString journal = QFileInfo(base).canonicalFilePath() + QStringLiteral("-journal");
    RacedJournal::swap = [](const QString& j) {
        QFile::remove(j);
        testenv::makePipe(j);
    };
    const auto raceTheSave = [&] {
        plantHotJournal(base, QStringLiteral("顧客マスタ"), QStringLiteral("商品マスタ"));
        RacedJournal::armed = QFile::encodeName(journal).toStdString();
    };
    {
        testenv::PipeWatch watch(journal);
        EXPECT_EQ(p.enterOrder(QStringLiteral("㈱山田商店"), QStringLiteral("佐藤一郎"), {{1, 1}}, {}, raceTheSave), 0);
        EXPECT_FALSE(watch.fired());
    }
    EXPECT_TRUE(said(p).contains(journal + QStringLiteral("」がパイプ"))) << said(p).toStdString();
    QFile::remove(journal);
    closeAllWork(p);

    // A journal left while 入金処理 is open: the payment plays it back and is refused, naming the damage.
    giveFile(p, Menu, base);
    orders::PaymentWindow* pay = p.openPayments();
    ASSERT_TRUE(pay && plantHotJournal(base, QStringLiteral("顧客マスタ"), QStringLiteral("商品マスタ")));
    mainroad::answerCalendar(QDate(2024, 7, 1));
    mainroad::clickOrder(pay, 1);
    EXPECT_TRUE(said(p).contains(QStringLiteral("（テーブル「顧客マスタ」）"))) << said(p).toStdString();
    closeAllWork(p);

    // A journal that puts the goods into 受注データ, left while 入金処理 or キャンセル処理 is open:
    // リフレッシュ plays it back and names the damage, showing no goods as orders; 受注データ入力 then stores
    // nothing.
    const struct {
        const char* what;
        std::function<orders::OrderListWindow*()> open;
    } lists[] = {{"payments", [&] { return p.openPayments(); }},
                 {"cancels", [&] { return p.openCancels(); }}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.what);
        const QString file = p.path(QStringLiteral("r%1.vrd").arg(++n));
        ASSERT_TRUE(QFile::copy(base, file) &&
                    QFile::copy(core::controlPathFor(base), core::controlPathFor(file)));
        giveFile(p, Menu, file);
        orders::OrderListWindow* list = l.open();
        ASSERT_TRUE(list &&
                    plantHotJournal(file, QStringLiteral("受注データ"), QStringLiteral("商品マスタ")));
        p.messages().clear();
        p.trigger(QStringLiteral("mnuViewRefresh"));
        mainroad::waitFor([&] { return !p.messages().shown().empty(); });
        EXPECT_TRUE(said(p).contains(cureOf(file))) << said(p).toStdString();
        for (int r = 0; r < list->model()->rowCount(); ++r)
            for (int c = 0; c < list->model()->columnCount(); ++c)
                EXPECT_FALSE(list->model()->index(r, c).data().toString().contains(QStringLiteral("G0")));
        const QByteArray before = digest(file);
        p.messages().clear();
        p.trigger(QStringLiteral("mnuOrder"));
        mainroad::waitFor([&] { return !p.messages().shown().empty(); });
        EXPECT_TRUE(said(p).contains(cureOf(file))) << said(p).toStdString();
        EXPECT_EQ(digest(file), before);
        closeAllWork(p);
    }

    // The engine out of memory in a list read (of the goods, whole): said so, not blamed on other programs.
    p.messages().clear();
    sqlite3_hard_heap_limit64(sqlite3_memory_used() + 1);
    mainroad::readList(p, 0);
    sqlite3_hard_heap_limit64(0);
    EXPECT_TRUE(said(p).startsWith(core::kNoMemoryText)) << said(p).toStdString();

    // A journal beside the target that is no file is named, and nothing is put there.
    const QString target = p.path(QStringLiteral("t%1.vrd").arg(++n));
    ASSERT_TRUE(testenv::makePipe(target + QStringLiteral("-journal")));
    giveFile(p, ReplicaCopy, base, target);
    EXPECT_TRUE(said(p).contains(target + QStringLiteral("-journal」がパイプ"))) << said(p).toStdString();
    EXPECT_FALSE(QFileInfo::exists(target));
}
