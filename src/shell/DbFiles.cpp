#include "shell/DbFiles.h"

#include "core/ControlFile.h"
#include "core/FileProblems.h"
#include "core/Schema.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "db/SideFiles.h"
#include "db/UseLock.h"
#include "orders/LeftPendingOrders.h"
#include "os/FileModes.h"
#include "ui/MessageService.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <SQLiteCpp/Database.h>
#include <cerrno>
#include <memory>
#include <unistd.h>

namespace shell {

using namespace core;

namespace {

const QString kDbSuffix = QStringLiteral(".vrd");
const QString kCtlSuffix = QStringLiteral(".vrk");

const QString kExists = QStringLiteral("指定したＤＢはすでに存在します。");

// The cause of a failed write on a line of its own, that an earlier file at path was kept (where there is
// one), and what to do.
QString causeLine(const QString& path, const QString& cause) {
    if (cause.isEmpty()) return {};
    return QStringLiteral("\n") + cause +
           (QFileInfo(path).isFile() ? QStringLiteral("前のファイルは書き換えていません。") : QString()) +
           QStringLiteral("別のフォルダを選んでください。");
}

// Puts the finished pair in place of whatever is at dbPath and ctlPath. The old database leaves the name
// first and the new one takes it last: a crash at any moment leaves the old pair, a control file without
// a database (which the opener reports), or the new pair, never a database with another's control file.
bool placePair(db::TempBeside& newDb, const QString& dbPath, db::TempBeside& newCtl, const QString& ctlPath) {
    if (QFileInfo::exists(dbPath) && !QFile::remove(dbPath))
        return false;
    // A journal or log of the old file would be played into the new one.
    for (const char* side : {"-journal", "-wal", "-shm"})
        QFile::remove(dbPath + QLatin1String(side));
    if (!db::renameOver(newCtl.path(), ctlPath))
        return false;
    newCtl.release();
    if (!db::renameOver(newDb.path(), dbPath))
        return false;
    newDb.release();
    db::syncPath(QFileInfo(dbPath).absolutePath());
    return true;
}

} // namespace

QString databasePathFromArgument(const QString& given) {
    QString name = given;
    if (name.size() >= 2 && name.startsWith(QLatin1Char('"')) && name.endsWith(QLatin1Char('"')))
        name = name.mid(1, name.size() - 2);
    // Only the file's own suffix counts, not a ".vrd" inside a folder name.
    const QString file = QFileInfo(name).fileName();
    if (file.size() <= kDbSuffix.size())
        return {};
    if (file.endsWith(kDbSuffix))
        return name;
    if (file.endsWith(kCtlSuffix))
        return name.left(name.size() - kCtlSuffix.size()) + kDbSuffix;
    return {};
}

QString withDatabaseSuffix(const QString& chosen) {
    return chosen.endsWith(kDbSuffix, Qt::CaseInsensitive) ? chosen : chosen + kDbSuffix;
}

QString databaseFileProblem(const QString& path) {
    const QFileInfo fi(path);
    try {
        db::UseLock::refuseBadLockFile(path);                  // every window would be refused on it
        db::Database db(path, db::Database::Access::ReadOnly); // a foreign file is left as it was
        for (const QString& t : {kGoodsTable, kClientTable, kEmployeeTable, kOrderTable, kOrderLineTable}) {
            if (db.hasTable(t))
                continue;
            // Something else under a table's name is named: a view there would run its own query.
            const QString other = db.scalar(QStringLiteral("SELECT type FROM sqlite_master WHERE name = ?"), {t}).toString();
            return QStringLiteral("VarnoxのＤＢではありません。") +
                   (other == QLatin1String("view") ? QStringLiteral("\nVarnoxが作らないビュー「%1」があります。").arg(t)
                                                   : QString());
        }
    } catch (const db::DbError& e) {
        // The engine's open refused what is no regular file (a pipe would have held it for good): named.
        if (e.kind() == db::ErrorKind::Io && !e.path().isEmpty())
            if (const QString kind = specialFileKind(path, true); !kind.isEmpty())
                return QStringLiteral("ＤＢファイル%1が%2のため、開けません。")
                    .arg(fi.isSymLink() ? QStringLiteral("のリンク先") : QString(), kind);
        if (!fi.exists()) return QStringLiteral("ＤＢファイルが見つかりません。");
        return errorText(e, Doing::Opening, path);
    }
    return {};
}

QString foreignSchemaProblem(const QString& path, const std::array<std::int32_t, kFieldLenCount>& fieldLen) {
    try {
        db::Database db(path, db::Database::Access::ReadOnly);
        const QString text = foreignSchemaText(db.handle().getHandle(), fieldLen);
        return text.isEmpty() ? text
                              : QStringLiteral("ＤＢの中身がVarnoxの作ったものと違うため、開けません。\n") + text;
    } catch (const db::DbError&) {
        const QString problem = databaseFileProblem(path); // the reason, as the first look gives it
        return problem.isEmpty() ? QStringLiteral("VarnoxのＤＢではないか、壊れています。") : problem;
    }
}

namespace {

// From now on every connection of ours to the file keeps to the schema it was opened with.
void expectOurSchema(const QString& path, const std::array<std::int32_t, kFieldLenCount>& fieldLen) {
    db::expectSchema(path, companySchemaTest(fieldLen));
}

} // namespace

bool createDatabase(AppState& s, const NewDatabaseSettings& settings, const QString& path) {
    s.gDbCreateFailed = kFalse;
    // Everything is built on a copy; the program's state takes it over only when database and
    // control file both exist.
    AppState next;
    next.categories = s.categories;
    next.gCtlReserved2 = s.gCtlReserved2;
    next.gDbPath = path;
    next.gFieldLen = settings.fieldLen;
    next.rebuildReservedCodes();
    next.gCompanyEdit = settings.company;
    next.gCompany = settings.company;
    next.categories.commitWorking();
    const QDate today = QDate::currentDate();
    next.gDbCreated = db::toOleDate(today);
    next.gCtlReserved1 = 1;

    auto fail = [&](const QString& text) {
        s.gDbCreateFailed = kTrue;
        if (!text.isEmpty())
            ui::messages().error(
                text + QStringLiteral("\n入力した自社情報とカテゴリは、次のＤＢ作成の画面に残っています。"));
        return false;
    };

    const QString ctlPath = controlPathFor(path);
    QByteArray control;
    try {
        control = encodeControl(controlDataOf(next)); // checked before any file is made
    } catch (const ControlFileError&) {
        return fail(QStringLiteral("ＤＢアクセスに失敗しました。"));
    }
    if (ctlPath.isEmpty() || QFileInfo(path).isDir())
        return fail(kExists + QStringLiteral("\n") + path + causeLine(path, writeCauseText(path, 0)));
    // A file another program holds is not replaced; its pair stays as it is. Held alone from here to the
    // end, so no Varnox opens the old file while the new one takes its place.
    std::shared_ptr<db::UseLock> alone;
    try {
        alone = db::UseLock::take(path, db::UseLock::Mode::Exclusive);
    } catch (const db::DbError& e) {
        // Nothing is replaced without a lock file; a new file's own making names why its folder takes none.
        if (e.kind() != db::ErrorKind::LockUnmade)
            return fail( // a lock file that is a link, a folder or the like is named
                kExists + QStringLiteral("\n") + path +
                (e.kind() == db::ErrorKind::Busy ? QString() : QStringLiteral("\n") + causeText(e, path)));
        if (QFileInfo::exists(path))
            return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path + QStringLiteral("\n") +
                        lockUnmadeText(e.path()));
    }
    if (db::probeUse(path) == db::FileUse::InUse)
        return fail(kExists + QStringLiteral("\n") + path);
    db::removeStaleTemps(path);
    db::removeStaleTemps(ctlPath);

    // The new pair is built whole beside the target, under names of our own, and only then takes the
    // target's names; until then the old pair is untouched. The temporaries go on every failure.
    std::unique_ptr<db::TempBeside> newDb, newCtl;
    try {
        newDb = std::make_unique<db::TempBeside>(path);
        newCtl = std::make_unique<db::TempBeside>(ctlPath);
    } catch (const db::DbError&) {
        return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path +
                    causeLine(path, writeCauseText(path, errno)));
    }
    // Over an existing pair, the new one keeps its mode, group and access list: every user who could write
    // it still can.
    for (const auto& [made, model] : {std::pair{newDb->path(), path}, std::pair{newCtl->path(), ctlPath}}) {
        QStringList notKept;
        const os::Shared got = os::shareAs(made, model, 07777, &notKept);
        if (got == os::Shared::NoGroup && model == path)
            return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path + QStringLiteral("\n") +
                        groupNotGivenText(path));
        if (got == os::Shared::NoRights)
            return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path + QStringLiteral("\n") +
                        rightsNotKeptText(model, notKept));
    }
    // Private before the password or the data is written into them.
    if (!next.gCompany.Password.isEmpty() && !keepPairPrivate(newDb->path(), newCtl->path()))
        return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path);
    AppState build = next;
    build.gDbPath = newDb->path();
    try {
        CreateNewDatabase(build);
    } catch (const db::DbError& e) {
        return fail(QStringLiteral("ＤＢファイルを作成できません。\n") + path +
                    causeLine(path, writeCauseText(path, e)));
    }
    try {
        CreateCompanyTables(build, today);
    } catch (const db::DbError& e) {
        return fail(QStringLiteral("ＤＢのテーブルを作成できません。\n") + e.detail() +
                    causeLine(path, writeCauseText(path, e)));
    }
    if (!db::syncPath(newDb->path()) || !db::writeSynced(newCtl->path(), control))
        return fail(QStringLiteral("ＤＢアクセスに失敗しました。") +
                    causeLine(path, writeCauseText(path, errno)));
    // Checked again at the last moment: the old file may have been opened while the new one was built.
    if (db::probeUse(path) == db::FileUse::InUse)
        return fail(kExists + QStringLiteral("\n") + path);
    if (!placePair(*newDb, path, *newCtl, ctlPath))
        return fail(kExists + QStringLiteral("\n") + path);
    alone.reset();

    expectOurSchema(path, next.gFieldLen);
    s.gDbPath = path;
    s.gOpenDbName = path;
    s.gFieldLen = next.gFieldLen;
    s.gReservedCode = next.gReservedCode;
    s.gCompanyEdit = next.gCompanyEdit;
    s.gCompany = next.gCompany;
    s.categories.commitWorking();
    s.gDbCreated = next.gDbCreated;
    s.gCtlReserved1 = next.gCtlReserved1;
    return true;
}

bool openDatabase(AppState& s, const QString& path, const PasswordPrompt& prompt) {
    // What a killed New or copy left beside the pair goes first (nothing another process holds).
    db::removeStaleTemps(path);
    if (const QString ctl = controlPathFor(path); !ctl.isEmpty())
        db::removeStaleTemps(ctl);
    // ＤＢ作成 or VarnoxReplica putting another pair in place holds the lock alone: a file missing or half
    // placed meanwhile is in use, not gone or foreign.
    const auto beingReplaced = [&] {
        try {
            db::UseLock::refuseBadLockFile(path);
        } catch (const db::DbError&) {
            return false; // the lock file itself is what is wrong: named as it is
        }
        return db::UseLock::heldElsewhere(path);
    };
    // The database itself is checked first, so a missing or foreign file changes nothing.
    if (const QString problem = databaseFileProblem(path); !problem.isEmpty()) {
        ui::messages().error((beingReplaced() ? kBusyText : problem) + QStringLiteral("\n") + path,
                             QStringLiteral("ＤＢアクセスに失敗しました"));
        return false;
    }
    // A lock file only we could open would shut every other user out: said now, before any window holds it.
    // Held to the end, so the control file and the schema are read of one pair, not of one being replaced.
    std::shared_ptr<db::UseLock> use;
    QString unmadeLock; // none could be made: said once the file is open, every save refused naming it
    try {
        use = db::UseLock::take(path, db::UseLock::Mode::Shared);
        if (use->unmade()) unmadeLock = use->lockPath();
    } catch (const db::DbError& e) {
        if (e.kind() == db::ErrorKind::LockNotShared || e.kind() == db::ErrorKind::Busy) {
            ui::messages().error(errorText(e, Doing::Opening, path) + QStringLiteral("\n") + path,
                                 QStringLiteral("ＤＢアクセスに失敗しました"));
            return false;
        }
        // anything else is said by the window that opens the file
    }
    if (!ReadCtlFile(s, path))
        return false;
    // Only the schema ＤＢ作成 makes for the file's own sizes: a trigger or a view of the file would run
    // with our writes, a generated column fill the disk.
    if (const QString foreign = foreignSchemaProblem(path, s.gFieldLen); !foreign.isEmpty()) {
        ui::messages().error(foreign + QStringLiteral("\n") + path, QStringLiteral("ＤＢアクセスに失敗しました"));
        return false;
    }
    if (!s.gCompanyEdit.Password.isEmpty()) {
        for (;;) {
            QString typed;
            if (!prompt || !prompt(typed))
                return false;
            if (typed == s.gCompanyEdit.Password)
                break;
            ui::messages().beep();
        }
    }
    expectOurSchema(path, s.gFieldLen);
    if (!unmadeLock.isEmpty())
        ui::messages().show(lockUnmadeText(unmadeLock, false) + QStringLiteral("\n") + path,
                            QStringLiteral("ＤＢオープン"), ui::Buttons::Ok, ui::Icon::Exclamation);
    use.reset(); // the removal of abandoned pending rows takes the file alone for a moment
    orders::removeAbandonedPendingOrders(path);
    s.gCompany = s.gCompanyEdit;
    s.gOpenDbName = path;
    s.gDbPath = path;
    return true;
}

} // namespace shell
