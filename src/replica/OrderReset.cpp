#include "replica/OrderReset.h"

#include "core/ControlFile.h"
#include "core/Schema.h"
#include "db/Compact.h"
#include "db/Database.h"
#include "db/Transaction.h"
#include "replica/ReplicaPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <SQLiteCpp/Backup.h>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace replica {

namespace {

constexpr qint64 kMaxControlSize = 16 * 1024 * 1024; // a control file is small; a huge one is not ours
constexpr int kSourceBusyMs = 5000;

struct Failure {
    RunStatus status;
    QString message;
};

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

[[noreturn]] void fail(const QString& message, const QString& detail = {}) {
    throw Failure{RunStatus::NothingChanged,
                  detail.isEmpty() ? message : message + QStringLiteral("\n(") + detail + QLatin1Char(')')};
}

QString inUseText(const QString& path) {
    return QStringLiteral("「%1」は他のプログラムで使用中です。そのプログラムを終了してからやり直してください。")
        .arg(shown(path));
}
QString notDatabaseText(const QString& path) {
    return QStringLiteral("「%1」はVarnoxのDBではないか、壊れています。").arg(shown(path));
}
QString tablesMissingText(const QString& path) {
    return QStringLiteral("「%1」に受注データまたは受注個別データのテーブルがありません。").arg(shown(path));
}
QString readOnlyText(const QString& path) { return QStringLiteral("「%1」は読み取り専用です。").arg(shown(path)); }
QString folderText(const QString& folder) {
    return QStringLiteral("フォルダ「%1」に書き込めません。").arg(shown(folder));
}
const QString kCopyFailed = QStringLiteral("DBを複製できませんでした。ターゲットDBには何も書き込まれていません。");

// Flushes a file (or a folder, after a rename) to the disk.
bool syncPath(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool renameOver(const QString& from, const QString& to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Permissions of a newly made file (the user's umask applied), not the private ones of a temporary file.
QFile::Permissions newFilePermissions() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const mode_t mode = 0666 & ~mask;
    QFile::Permissions p;
    if (mode & S_IRUSR) p |= QFile::ReadOwner | QFile::ReadUser;
    if (mode & S_IWUSR) p |= QFile::WriteOwner | QFile::WriteUser;
    if (mode & S_IRGRP) p |= QFile::ReadGroup;
    if (mode & S_IWGRP) p |= QFile::WriteGroup;
    if (mode & S_IROTH) p |= QFile::ReadOther;
    if (mode & S_IWOTH) p |= QFile::WriteOther;
    return p;
}

// A new, empty file with a unique name beside `path`, kept until the caller removes or renames it.
QString reserveBeside(const QString& path) {
    const QFileInfo fi(path);
    QTemporaryFile reserve(fi.absolutePath() + QStringLiteral("/.") + fi.fileName() + QStringLiteral(".XXXXXX"));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        fail(folderText(fi.absolutePath()));
    const QString name = reserve.fileName();
    reserve.close();
    QFile::setPermissions(name, newFilePermissions());
    return name;
}

struct ControlCopy {
    QByteArray bytes;
    core::ControlData data;
};

ControlCopy readControl(const QString& path) {
    if (!QFileInfo(path).isFile())
        fail(QStringLiteral("コントロールファイル「%1」が見つかりません。").arg(shown(path)));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("コントロールファイル「%1」を読み込めません。").arg(shown(path)));
    ControlCopy c;
    try {
        if (file.size() > kMaxControlSize)
            throw core::ControlFileError("too large");
        c.bytes = file.readAll();
        c.data = core::decodeControl(c.bytes);
    } catch (const core::ControlFileError&) {
        fail(QStringLiteral("コントロールファイル「%1」の中身が壊れています。").arg(shown(path)));
    }
    return c;
}

// Opens the database for the reset and makes sure this is the only connection: leaving WAL mode needs
// every other connection gone, and the exclusive lock taken then keeps new ones out until we close.
std::unique_ptr<db::Database> takeAlone(const QString& path) {
    std::unique_ptr<db::Database> d;
    try {
        d = std::make_unique<db::Database>(path);
        d->handle().setBusyTimeout(0);
        if (!d->hasTable(core::kOrderTable) || !d->hasTable(core::kOrderLineTable))
            fail(tablesMissingText(path));
        const QString mode = d->scalar(QStringLiteral("PRAGMA journal_mode = DELETE")).toString();
        if (mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            fail(inUseText(path));
        d->scalar(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
        d->handle().exec("BEGIN EXCLUSIVE");
        d->handle().exec("COMMIT");
    } catch (const db::DbError& e) {
        if (e.kind() == db::ErrorKind::Busy)
            fail(inUseText(path));
        if (e.kind() == db::ErrorKind::NotADatabase)
            fail(notDatabaseText(path));
        fail(QStringLiteral("「%1」を開けません。").arg(shown(path)), e.detail());
    } catch (const SQLite::Exception& e) {
        const int code = e.getErrorCode();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            fail(inUseText(path));
        fail(QStringLiteral("「%1」を開けません。").arg(shown(path)), QString::fromUtf8(e.what()));
    }
    return d;
}

// Both order tables emptied and their seed rows written, in one transaction: all or nothing.
void writeSeedRows(db::Database& d, const core::ControlData& ctl, const QDate& today) {
    core::AppState s;
    s.gFieldLen = ctl.fieldLen; // the reserved codes of this database, not the program's defaults
    s.rebuildReservedCodes();
    db::Transaction tx(d);
    d.execute(QStringLiteral("DELETE FROM ") + db::Database::quoteIdent(core::kOrderTable));
    d.execute(QStringLiteral("DELETE FROM ") + db::Database::quoteIdent(core::kOrderLineTable));
    core::insertOrderSeed(d, s, today, 0.0); // unpaid is the zero date here, not empty
    core::insertOrderLineSeed(d, s);
    tx.commit();
}

ResetOptions withDefaults(const ResetOptions& given) {
    ResetOptions o = given;
    if (!o.compact)
        o.compact = db::compactDatabase;
    if (!o.folderWritable)
        o.folderWritable = canCreateFileIn;
    return o;
}

// The reset and the compaction. Throws Failure when nothing was changed; returns false with the reason
// in compactError when the orders were reset but the file could not be compacted.
bool resetAndCompact(const QString& path, const core::ControlData& ctl, const ResetOptions& o, QString& compactError) {
    {
        const std::unique_ptr<db::Database> d = takeAlone(path);
        try {
            writeSeedRows(*d, ctl, o.today);
            d->close(); // the compaction needs the file alone, our own connection included
        } catch (const db::DbError& e) {
            fail(QStringLiteral("受注情報をクリアできませんでした。DBは変更されていません。"), e.detail());
        }
    }
    try {
        o.compact(path);
    } catch (const std::exception& e) {
        compactError = QString::fromUtf8(e.what());
        return false;
    }
    return true;
}

// A consistent copy of the whole database, write-ahead log included, through SQLite's backup.
void backupInto(SQLite::Database& source, const QString& sourcePath, const QString& tempDb) {
    try {
        SQLite::Database target(QFile::encodeName(tempDb).toStdString(), SQLite::OPEN_READWRITE, kSourceBusyMs);
        SQLite::Backup backup(target, source);
        backup.executeStep(-1);
    } catch (const SQLite::Exception& e) {
        const int code = e.getErrorCode();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            fail(inUseText(sourcePath));
        fail(kCopyFailed, QString::fromUtf8(e.what()));
    }
    if (!syncPath(tempDb))
        fail(kCopyFailed);
}

void writeSynced(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size() || !f.flush() ||
        ::fsync(f.handle()) != 0)
        fail(kCopyFailed);
}

// An existing target must be replaceable: not read-only and not open in another program. Opening it
// also rolls back or checkpoints what an earlier crash left beside it, so no stale journal or log is
// paired with the new file once it takes the name.
void checkTargetReplaceable(const QString& path) {
    const QFileInfo fi(path);
    if (!fi.exists())
        return;
    if (!fi.isFile() || !fi.isWritable())
        fail(readOnlyText(path));
    if (path.endsWith(QLatin1String(".vrk"), Qt::CaseInsensitive))
        return;
    try {
        SQLite::Database d(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE, 0);
        SQLite::Statement st(d, "PRAGMA journal_mode = DELETE");
        st.executeStep();
        if (QString::fromStdString(st.getColumn(0).getString()).compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            fail(inUseText(path));
    } catch (const SQLite::Exception& e) {
        const int code = e.getErrorCode();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            fail(inUseText(path));
        // Not a database: nothing uses it as one, and the user chose to replace it.
    }
    for (const char* side : {"-wal", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(side)))
            fail(inUseText(path));
}

// Puts both finished copies in place. The old control file keeps a second name until the database is
// in place, so a failed second rename can put the target pair back as it was.
void placeCopies(const QString& tempDb, const QString& target, const QString& tempCtl, const QString& targetCtl) {
    QString backup;
    if (QFileInfo::exists(targetCtl)) {
        backup = reserveBeside(targetCtl);
        QFile::remove(backup);
        if (::link(QFile::encodeName(targetCtl).constData(), QFile::encodeName(backup).constData()) != 0)
            fail(kCopyFailed);
    }
    const auto dropBackup = qScopeGuard([&] {
        if (!backup.isEmpty())
            QFile::remove(backup);
    });
    if (!renameOver(tempCtl, targetCtl))
        fail(kCopyFailed);
    if (!renameOver(tempDb, target)) {
        if (backup.isEmpty() || !renameOver(backup, targetCtl))
            QFile::remove(targetCtl);
        fail(kCopyFailed);
    }
    syncPath(QFileInfo(target).absolutePath());
}

} // namespace

bool canCreateFileIn(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral("/.varnox-probe-XXXXXX"));
    return probe.open();
}

RunResult clearOrderData(const QString& dbPath, const ResetOptions& given) {
    const ResetOptions o = withDefaults(given);
    try {
        const QFileInfo fi(dbPath);
        if (dbPath.isEmpty() || !fi.isFile())
            fail(QStringLiteral("DB「%1」が見つかりません。").arg(shown(dbPath)));
        const ControlCopy ctl = readControl(controlPathOf(dbPath));
        if (!fi.isWritable())
            fail(readOnlyText(dbPath));
        if (!o.folderWritable(fi.absolutePath()))
            fail(folderText(fi.absolutePath()));
        QString compactError;
        if (!resetAndCompact(dbPath, ctl.data, o, compactError))
            return {RunStatus::PartlyDone,
                    QStringLiteral("受注情報はクリアしましたが、DBの最適化に失敗しました。DBは最適化されないまま残っています。\n(") +
                        compactError + QLatin1Char(')')};
        return {};
    } catch (const Failure& f) {
        return {f.status, f.message};
    }
}

RunResult copyAndClear(const QString& source, const QString& givenTarget, const ResetOptions& given) {
    const ResetOptions o = withDefaults(given);
    const QString target = withDbExtension(givenTarget);
    const QString sourceCtl = controlPathOf(source);
    const QString targetCtl = controlPathOf(target);
    std::vector<QString> temps; // removed on every path; the placed ones no longer exist by these names
    const auto removeTemps = qScopeGuard([&] {
        for (const QString& t : temps)
            QFile::remove(t);
    });
    try {
        // Everything is checked before the first file is written.
        if (source.isEmpty() || !QFileInfo(source).isFile())
            fail(QStringLiteral("ソースDB「%1」が見つかりません。").arg(shown(source)));
        if (givenTarget.isEmpty())
            fail(QStringLiteral("ターゲットDBが指定されていません。"));
        if (sameFile(source, target) || sameFile(sourceCtl, targetCtl))
            fail(QStringLiteral("ソースDBとターゲットDBに同じファイルが指定されています。別のファイルを指定してください。"));
        const ControlCopy ctl = readControl(sourceCtl);
        const QString folder = QFileInfo(target).absolutePath();
        if (!QFileInfo(folder).isDir())
            fail(QStringLiteral("フォルダ「%1」が見つかりません。").arg(shown(folder)));
        if (!o.folderWritable(folder))
            fail(folderText(folder));
        checkTargetReplaceable(target);
        checkTargetReplaceable(targetCtl);

        std::unique_ptr<SQLite::Database> src;
        try {
            // Read-write only so that the last connection tidies the write-ahead log files away on closing
            // (a read-only one leaves them beside the source); nothing is ever written through it.
            src = std::make_unique<SQLite::Database>(QFile::encodeName(source).toStdString(), SQLite::OPEN_READWRITE,
                                                     kSourceBusyMs);
            src->exec("PRAGMA query_only = 1");
            SQLite::Statement st(*src, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN (?, ?)");
            st.bind(1, core::kOrderTable.toStdString());
            st.bind(2, core::kOrderLineTable.toStdString());
            st.executeStep();
            if (st.getColumn(0).getInt() != 2)
                fail(tablesMissingText(source));
        } catch (const SQLite::Exception& e) {
            const int code = e.getErrorCode();
            if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
                fail(inUseText(source));
            if (code == SQLITE_NOTADB)
                fail(notDatabaseText(source));
            fail(QStringLiteral("ソースDB「%1」を読み込めません。").arg(shown(source)), QString::fromUtf8(e.what()));
        }

        // Both copies are made and the copy is reset beside the target; the target is replaced last.
        const QString tempDb = reserveBeside(target);
        temps.push_back(tempDb);
        const QString tempCtl = reserveBeside(targetCtl);
        temps.push_back(tempCtl);
        backupInto(*src, source, tempDb);
        src.reset();
        writeSynced(tempCtl, ctl.bytes);

        QString compactError;
        bool compacted = false;
        try {
            compacted = resetAndCompact(tempDb, ctl.data, o, compactError);
        } catch (const Failure& f) {
            fail(kCopyFailed, f.message);
        }
        placeCopies(tempDb, target, tempCtl, targetCtl);
        if (!compacted)
            return {RunStatus::PartlyDone,
                    QStringLiteral("DBを複製して受注情報をクリアしましたが、DBの最適化に失敗しました。複製したDBは最適化されないまま残っています。\n(") +
                        compactError + QLatin1Char(')')};
        return {};
    } catch (const Failure& f) {
        return {f.status, f.message};
    }
}

} // namespace replica
