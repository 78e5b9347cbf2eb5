#include "replica/OrderReset.h"

#include "core/ControlFile.h"
#include "core/FileProblems.h"
#include "core/Schema.h"
#include "db/Compact.h"
#include "db/Database.h"
#include "db/Defensive.h"
#include "db/SideFiles.h"
#include "db/Transaction.h"
#include "db/UseLock.h"
#include "db/WriteErrors.h"
#include "os/FileModes.h"
#include "os/OpenChecked.h"
#include "replica/ReplicaPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace replica {

namespace {

using db::renameOver;
using db::syncPath;
using db::TempBeside;

struct Failure {
    RunStatus status;
    QString message;
};

QString shown(const QString& path) { return QDir::toNativeSeparators(path); }

// What went wrong, as a person can act on it (a full disk, a read-only folder), never in the engine's words.
QString detailOf(const QString& path, const std::exception& e) {
    const QString cause = core::writeCauseText(path, e);
    return cause.isEmpty() ? core::causeText(e, path) : cause;
}

[[noreturn]] void fail(const QString& message, const QString& detail = {}) {
    throw Failure{RunStatus::NothingChanged,
                  detail.isEmpty() ? message : message + QStringLiteral("\n(") + detail + QLatin1Char(')')};
}

QString inUseText(const QString& path) {
    return QStringLiteral("「%1」は他のプログラムで使用中です。そのプログラムを終了してからやり直してください。")
        .arg(shown(path));
}
// Without its lock file nobody can tell this run from a window: it is not made.
QString unlockedText(const QString& path) {
    return QStringLiteral("「%1」のロックファイルを作れないため、処理できません。DBは変更されていません。")
        .arg(shown(path));
}
// The lock of path could not be taken alone: in use by another program, or its lock file is what is wrong
// (named, and nothing is said of a use there is none of).
[[noreturn]] void failLock(const QString& path, const db::DbError& e) {
    if (e.kind() == db::ErrorKind::Busy) fail(inUseText(path));
    if (e.kind() == db::ErrorKind::LockUnmade)
        fail(unlockedText(path), core::errorText(e, core::Doing::Writing, path));
    fail(core::errorText(e, core::Doing::Writing, path));
}
QString notDatabaseText(const QString& path) {
    return QStringLiteral("「%1」はVarnoxのDBではないか、壊れています。").arg(shown(path));
}
QString tablesMissingText(const QString& path) {
    return QStringLiteral("「%1」に受注データまたは受注個別データのテーブルがありません。").arg(shown(path));
}
// The file's schema is not the one Varnox makes: its own triggers or views would run with the reset.
QString foreignText(const QString& path, const QString& why) {
    return QStringLiteral("「%1」の中身がVarnoxの作ったDBと違うため、処理できません。\n%2").arg(shown(path), why);
}
void refuseForeignSchema(sqlite3* db, const QString& path, const core::ControlData& ctl) {
    if (const QString why = core::foreignSchemaText(db, ctl.fieldLen); !why.isEmpty())
        fail(foreignText(path, why));
}
QString readOnlyText(const QString& path) { return QStringLiteral("「%1」は読み取り専用です。").arg(shown(path)); }
QString folderText(const QString& folder) {
    return QStringLiteral("フォルダ「%1」に書き込めません。").arg(shown(folder));
}
const QString kCopyFailed = QStringLiteral("DBを複製できませんでした。ターゲットDBには何も書き込まれていません。");

std::unique_ptr<TempBeside> reserveBeside(const QString& path) {
    try {
        return std::make_unique<TempBeside>(path);
    } catch (const db::DbError&) {
        fail(folderText(QFileInfo(path).absolutePath()));
    }
}

// A file put in place of path keeps its group and rights, or colleagues could no longer use it: refused
// before anything is changed where this user cannot give them.
void refuseLosingGroup(const QString& path) {
    const std::unique_ptr<TempBeside> probe = reserveBeside(path);
    QStringList notKept;
    const os::Shared got = os::shareAs(probe->path(), path, 07777, &notKept);
    if (got == os::Shared::NoGroup) fail(core::groupNotGivenText(path));
    if (got == os::Shared::NoRights) fail(core::rightsNotKeptText(path, notKept));
}

struct ControlCopy {
    QByteArray bytes;
    core::ControlData data;
};

// What Varnox reads at open, read as Varnox reads it: a copy of a control file it would refuse is no copy.
ControlCopy readControl(const QString& path) {
    if (!QFileInfo::exists(path))
        fail(QStringLiteral("コントロールファイル「%1」が見つかりません。").arg(shown(path)));
    ControlCopy c;
    try {
        c.bytes = core::readControlBytes(path);
    } catch (const core::ControlFileError& e) {
        fail(QStringLiteral("コントロールファイル「%1」を読み込めません。").arg(shown(path)), e.shown());
    }
    try {
        c.data = core::decodeControl(c.bytes);
    } catch (const core::ControlFileError& e) {
        fail(QStringLiteral("コントロールファイル「%1」の中身が壊れています。").arg(shown(path)), e.shown());
    }
    return c;
}

// A journal or log beside the file that the engine would open but is no file of its own (a pipe would hold
// the open for good) is named, before anything opens the database.
void refuseBadSideFiles(const QString& path) {
    try {
        db::refuseBadSideFiles(path);
    } catch (const db::DbError& e) {
        fail(core::errorText(e, core::Doing::Reading, path));
    }
}

// The error of a database that could not be read, named by its cause: damage (with the cure), a journal or
// log in the way, another program's lock, out of memory; what the caller says otherwise.
[[noreturn]] void failRead(const QString& path, const db::DbError& e, const QString& otherwise) {
    switch (e.kind()) {
    case db::ErrorKind::Busy:
        fail(inUseText(path));
    case db::ErrorKind::NotADatabase:
        fail(notDatabaseText(path));
    case db::ErrorKind::Corrupt:
    case db::ErrorKind::Damaged:
    case db::ErrorKind::BadLock:
    case db::ErrorKind::BadSideFile:
    case db::ErrorKind::ForeignLog:
    case db::ErrorKind::NoMemory:
        fail(core::errorText(e, core::Doing::Reading, path));
    default:
        fail(otherwise);
    }
}
[[noreturn]] void failRead(const QString& path, const SQLite::Exception& e, const QString& otherwise) {
    try {
        db::throwSqlite(e.getExtendedErrorCode(), e.what());
    } catch (const db::DbError& d) {
        failRead(path, d, otherwise);
    }
}

// What VarnoxReplica wrote is checked by the engine before it is reported done.
void checkWritten(const QString& path, const QString& failed) {
    try {
        db::Database d(path, db::Database::Access::ReadOnly);
        db::refuseDamagedFile(d.handle().getHandle(), QFileInfo(path).size(), path);
    } catch (const db::DbError& e) {
        const QString named = core::fileProblemText(e, path);
        fail(failed + QLatin1Char('\n') + (named.isEmpty() ? notDatabaseText(path) : named));
    }
}

// A database that is there but no regular file is named for what it is, as the one checked open finds it.
void refuseUnlessFile(const QString& path, const QString& notFound) {
    if (path.isEmpty()) fail(notFound);
    const os::Opened o = os::openChecked(path, O_RDONLY, 0, os::Links::Follow);
    if (o) ::close(o.fd);
    if (o.kind != 0)
        fail(QStringLiteral("「%1」は%2のため、DBとして使えません。").arg(shown(path), core::specialFileKind(o.kind)));
    if (o.error == ENOENT || o.error == ENOTDIR) fail(notFound);
}

// Opens the database for the reset and makes sure this is the only connection: leaving WAL mode needs
// every other connection gone, and the exclusive lock taken then keeps new ones out until we close. A user's
// file is checked by the engine first (checked: a copy just made of one that was): the orders of a damaged
// file are not cleared.
std::unique_ptr<db::Database> takeAlone(const QString& path, const core::ControlData& ctl, bool checked) {
    std::unique_ptr<db::Database> d;
    try {
        {
            db::Database look(path, db::Database::Access::ReadOnly); // a foreign file is left as it was
            if (!look.hasTable(core::kOrderTable) || !look.hasTable(core::kOrderLineTable))
                fail(tablesMissingText(path));
            refuseForeignSchema(look.handle().getHandle(), path, ctl);
            if (!checked) db::refuseDamagedFile(look.handle().getHandle(), QFileInfo(path).size(), path);
        }
        d = std::make_unique<db::Database>(path);
        d->handle().setBusyTimeout(0);
        const QString mode = d->scalar(QStringLiteral("PRAGMA journal_mode = DELETE")).toString();
        if (mode.compare(QLatin1String("delete"), Qt::CaseInsensitive) != 0)
            fail(inUseText(path));
        d->scalar(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"));
        d->handle().exec("BEGIN EXCLUSIVE");
        d->handle().exec("COMMIT");
    } catch (const db::DbError& e) {
        failRead(path, e, QStringLiteral("「%1」を開けません。").arg(shown(path)));
    } catch (const SQLite::Exception& e) {
        failRead(path, e, QStringLiteral("「%1」を開けません。").arg(shown(path)));
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
bool resetAndCompact(const QString& path, const core::ControlData& ctl, const ResetOptions& o,
                     QString& compactError, bool checked) {
    // Held from the reset to the end of the compaction: no Varnox opens the file in between.
    std::shared_ptr<db::UseLock> alone;
    try {
        alone = db::UseLock::take(path, db::UseLock::Mode::Exclusive);
    } catch (const db::DbError& e) {
        failLock(path, e);
    }
    {
        const std::unique_ptr<db::Database> d = takeAlone(path, ctl, checked);
        db::removeStaleTemps(path); // ours alone now: what a killed run left goes
        db::removeStaleTemps(controlPathOf(path));
        try {
            writeSeedRows(*d, ctl, o.today);
            d->close(); // the compaction needs the file alone, our own connection included
        } catch (const db::DbError& e) {
            fail(QStringLiteral("受注情報をクリアできませんでした。DBは変更されていません。"), detailOf(path, e));
        }
    }
    try {
        o.compact(path);
    } catch (const std::exception& e) {
        compactError = detailOf(path, e);
        return false;
    }
    return true;
}

// What the copy writes: the pages in use, never more than the source takes on its disk (a header or a sparse
// file may claim gigabytes of empty pages). Refused before the first byte when the target's disk has less.
void refuseUnlessRoom(SQLite::Database& source, const QString& sourcePath, const QString& folder) {
    const qint64 pageSize = source.execAndGet("PRAGMA page_size").getInt64();
    const qint64 inUse = qMax<qint64>(0, source.execAndGet("PRAGMA page_count").getInt64() -
                                             source.execAndGet("PRAGMA freelist_count").getInt64());
    qint64 real = 0;
    for (const QString& p : {sourcePath, sourcePath + QStringLiteral("-wal")})
        if (struct stat st{}; ::stat(QFile::encodeName(p).constData(), &st) == 0)
            real += qint64(st.st_blocks) * 512;
    const qint64 need = qMin(inUse * pageSize, real);
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return; // unknown: a full disk is still said when it comes
    const qint64 room = qint64(fs.f_bavail) * qint64(fs.f_frsize);
    const auto mb = [](qint64 bytes) { return QString::number((bytes + (1 << 20) - 1) >> 20); };
    if (need > room)
        fail(QStringLiteral(
                 "フォルダ「%1」のディスクの空きが足りないため、複製できません。"
                 "ターゲットDBには何も書き込まれていません。\n（複製に約%2MB必要です。空きは%3MBです。）")
                 .arg(shown(folder), mb(need), mb(room)));
}

// A consistent copy of the database's content, write-ahead log included, with no empty page.
void copyInto(SQLite::Database& source, const QString& sourcePath, const QString& tempDb) {
    try {
        source.exec("PRAGMA query_only = 0"); // the copy writes the other file only
        SQLite::Statement vacuum(source, "VACUUM INTO ?");
        vacuum.bind(1, QFile::encodeName(tempDb).toStdString());
        vacuum.exec();
    } catch (const SQLite::Exception& e) {
        const int code = e.getErrorCode();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            fail(inUseText(sourcePath));
        if (code == SQLITE_CORRUPT || code == SQLITE_NOMEM)
            failRead(sourcePath, e, kCopyFailed); // a page of the source the copy met is damaged
        const QString cause = core::writeCauseText(tempDb, db::takeLastWriteErrno());
        fail(kCopyFailed,
             cause.isEmpty() ? core::causeText(db::DbError(db::ErrorKind::Io, {}), tempDb) : cause);
    }
    if (!syncPath(tempDb))
        fail(kCopyFailed, core::writeCauseText(tempDb, errno));
}

void writeSynced(const QString& path, const QByteArray& bytes) {
    if (!db::writeSynced(path, bytes)) fail(kCopyFailed, core::writeCauseText(path, errno));
}

// An existing target must be replaceable: not read-only and not open in another program. It is opened for
// writing through the one door, which changes no byte, so a copy that fails later leaves the target as it was.
void checkTargetReplaceable(const QString& path) {
    const os::Opened o = os::openChecked(path, O_WRONLY, 0, os::Links::Follow);
    if (o) ::close(o.fd);
    if (o.error == ENOENT) return;
    if (o.kind == S_IFDIR) fail(QStringLiteral("「%1」と同じ名前のフォルダがあります。").arg(shown(path)));
    if (o.kind != 0)
        fail(QStringLiteral("「%1」は%2のため、置き換えられません。").arg(shown(path), core::specialFileKind(o.kind)));
    if (o.error == EACCES || o.error == EPERM || o.error == EROFS) fail(readOnlyText(path));
    if (path.endsWith(QLatin1String(".vrk"), Qt::CaseInsensitive))
        return;
    // Not a database: nothing uses it as one, and the user chose to replace it.
    if (db::probeUse(path) == db::FileUse::InUse)
        fail(inUseText(path));
}

// Puts both finished copies in place. The old database leaves the name first and the new one takes it
// last, so at every moment the target is the old pair, a control file without a database (which the
// opener reports), or the new pair: never a database with another one's control file. The old files keep
// second names until the end, so a failed step can put the target back as it was.
void placeCopies(TempBeside& tempDb, const QString& target, TempBeside& tempCtl, const QString& targetCtl) {
    const std::unique_ptr<TempBeside> oldDbName = reserveBeside(target);
    const std::unique_ptr<TempBeside> oldCtlName = reserveBeside(targetCtl);
    TempBeside& oldDb = *oldDbName;
    TempBeside& oldCtl = *oldCtlName;
    const bool hadDb = QFileInfo::exists(target);
    const bool hadCtl = QFileInfo::exists(targetCtl);
    if (hadCtl) {
        QFile::remove(oldCtl.path());
        if (::link(QFile::encodeName(targetCtl).constData(), QFile::encodeName(oldCtl.path()).constData()) != 0)
            fail(kCopyFailed);
        oldCtl.relock();
    }
    if (hadDb) {
        if (!renameOver(target, oldDb.path()))
            fail(kCopyFailed);
        oldDb.relock();
        // A journal or log left there belongs to the old file and must not meet the new one.
        for (const char* side : {"-journal", "-wal", "-shm"})
            QFile::remove(target + QLatin1String(side));
    }
    const auto putBack = [&] {
        if (hadDb && renameOver(oldDb.path(), target))
            oldDb.release();
    };
    if (!renameOver(tempCtl.path(), targetCtl)) {
        putBack();
        fail(kCopyFailed);
    }
    tempCtl.release();
    if (!renameOver(tempDb.path(), target)) {
        if (!hadCtl || !renameOver(oldCtl.path(), targetCtl))
            QFile::remove(targetCtl);
        else
            oldCtl.release();
        putBack();
        fail(kCopyFailed);
    }
    tempDb.release();
    syncPath(QFileInfo(target).absolutePath());
}

} // namespace

bool canCreateFileIn(const QString& folder) {
    const QString probe = folder + QStringLiteral("/varnox-probe");
    db::removeStaleTemps(probe);
    try {
        TempBeside t(probe);
        return true;
    } catch (const db::DbError&) {
        return false;
    }
}

RunResult clearOrderData(const QString& dbPath, const ResetOptions& given) {
    db::recordWriteErrors();
    const ResetOptions o = withDefaults(given);
    try {
        const QFileInfo fi(dbPath);
        refuseUnlessFile(dbPath, QStringLiteral("DB「%1」が見つかりません。").arg(shown(dbPath)));
        refuseBadSideFiles(dbPath);
        const ControlCopy ctl = readControl(controlPathOf(dbPath));
        if (!fi.isWritable())
            fail(readOnlyText(dbPath));
        if (!o.folderWritable(fi.absolutePath()))
            fail(folderText(fi.absolutePath()));
        refuseLosingGroup(dbPath);
        QString compactError;
        const bool compacted = resetAndCompact(dbPath, ctl.data, o, compactError, false);
        try {
            checkWritten(dbPath,
                         QStringLiteral("受注情報はクリアしましたが、DBの検査で問題が見つかりました。"));
        } catch (const Failure& f) {
            return {RunStatus::PartlyDone, f.message};
        }
        if (!compacted)
            return {RunStatus::PartlyDone,
                    QStringLiteral("受注情報はクリアしましたが、DBの最適化に失敗しました。DBは最適化されないまま残っています。\n(") +
                        compactError + QLatin1Char(')')};
        return {};
    } catch (const Failure& f) {
        return {f.status, f.message};
    }
}

RunResult copyAndClear(const QString& source, const QString& givenTarget, const ResetOptions& given) {
    db::recordWriteErrors();
    const ResetOptions o = withDefaults(given);
    const QString target = withDbExtension(givenTarget);
    const QString sourceCtl = controlPathOf(source);
    const QString targetCtl = controlPathOf(target);
    try {
        // Everything is checked before the first file is written.
        refuseUnlessFile(source, QStringLiteral("ソースDB「%1」が見つかりません。").arg(shown(source)));
        refuseBadSideFiles(source);
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
        // Held to the end, so no Varnox opens the old target while the copy takes its place.
        std::shared_ptr<db::UseLock> targetAlone;
        if (QFileInfo(target).isFile()) {
            try {
                targetAlone = db::UseLock::take(target, db::UseLock::Mode::Exclusive);
            } catch (const db::DbError& e) {
                failLock(target, e);
            }
        }
        checkTargetReplaceable(target);
        checkTargetReplaceable(targetCtl);
        refuseBadSideFiles(target);
        db::removeStaleTemps(target); // what a killed run left beside the target
        db::removeStaleTemps(targetCtl);

        std::unique_ptr<SQLite::Database> src;
        try {
            // Read-write only so that the last connection tidies the write-ahead log files away on closing
            // (a read-only one leaves them beside the source); nothing is ever written through it.
            src = std::make_unique<SQLite::Database>(QFile::encodeName(source).toStdString(), SQLite::OPEN_READWRITE);
            db::waitForLocks(src->getHandle());
            db::defendConnection(src->getHandle());
            src->exec("PRAGMA query_only = 1");
            SQLite::Statement st(*src, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN (?, ?)");
            st.bind(1, core::kOrderTable.toStdString());
            st.bind(2, core::kOrderLineTable.toStdString());
            st.executeStep();
            if (st.getColumn(0).getInt() != 2)
                fail(tablesMissingText(source));
            // Damage, whether a journal this connection played back brought it or not, is named before the
            // copy is made: it would carry the damage on, or drop what it could not read.
            db::refuseDamagedFile(src->getHandle(), QFileInfo(source).size(), source);
            refuseForeignSchema(src->getHandle(), source, ctl.data);
            refuseUnlessRoom(*src, source, folder);
        } catch (const db::DbError& e) {
            failRead(source, e, notDatabaseText(source));
        } catch (const SQLite::Exception& e) {
            failRead(source, e, QStringLiteral("ソースDB「%1」を読み込めません。").arg(shown(source)));
        }

        // Both copies are made and the copy is reset beside the target; the target is replaced last.
        // Removed on every path but the one that puts them in place.
        const std::unique_ptr<TempBeside> tempDb = reserveBeside(target);
        const std::unique_ptr<TempBeside> tempCtl = reserveBeside(targetCtl);
        // Put over an existing pair, the copies keep its mode and group.
        for (const auto& [temp, model] :
             {std::pair{tempDb->path(), target}, std::pair{tempCtl->path(), targetCtl}}) {
            QStringList notKept;
            const os::Shared got = os::shareAs(temp, model, 07777, &notKept);
            if (got == os::Shared::NoGroup && model == target)
                fail(kCopyFailed, core::groupNotGivenText(target));
            if (got == os::Shared::NoRights) fail(kCopyFailed, core::rightsNotKeptText(model, notKept));
        }
        // A copy of a pair with a password is as private as the original ought to be, from its first byte.
        if (!ctl.data.company.Password.isEmpty() && !core::keepPairPrivate(tempDb->path(), tempCtl->path()))
            fail(folderText(folder));
        copyInto(*src, source, tempDb->path());
        src.reset();
        writeSynced(tempCtl->path(), ctl.bytes);

        QString compactError;
        bool compacted = false;
        try {
            compacted = resetAndCompact(tempDb->path(), ctl.data, o, compactError, true);
        } catch (const Failure& f) {
            fail(kCopyFailed, f.message);
        }
        tempDb->relock(); // the compaction put a new file under that name
        checkWritten(tempDb->path(), kCopyFailed);
        placeCopies(*tempDb, target, *tempCtl, targetCtl);
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
