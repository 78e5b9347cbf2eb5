#include "core/FileProblems.h"

#include "core/ControlFile.h"
#include "db/DbError.h"
#include "db/Defensive.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <grp.h>
#include <new>
#include <stdexcept>
#include <sys/stat.h>
#include <system_error>

namespace core {

const QString kNoMemoryText =
    QStringLiteral("メモリが足りないため、処理を続けられませんでした。"
                   "他のアプリケーションを終了してから、もう一度やり直してください。");

namespace {

// The detail names the object as the refusal at open does.
QString foreignSchemaMessage(const db::DbError& e) {
    return QStringLiteral("ＤＢの中身が、開いた後に他のプログラムによってVarnoxの作ったものと違うものに変えられたため、"
                          "使えません。\n") +
           e.detail();
}

// The table holds what was stored; only its index must be made again from it, which the sqlite3 tool does
// while no one has the file open.
QString damagedMessage(const QString& dbPath) {
    const QString name = dbPath.isEmpty()
                             ? QStringLiteral("ＤＢファイル名")
                             : QLatin1Char('"') + QDir::toNativeSeparators(dbPath) + QLatin1Char('"');
    return QStringLiteral("ＤＢファイルが壊れています（索引が中身と合いません）。変更は保存されていません。\n"
                          "このＤＢを開いているVarnoxをすべて終了してから、sqlite3 ツールで次のように実行すると、"
                          "索引を作り直せます。\n  sqlite3 %1 \"REINDEX;\"\n"
                          "それでも直らない場合は、バックアップから戻して下さい。")
        .arg(name);
}

// A name as the shell takes it, whatever it holds.
QString shellQuoted(const QString& path) {
    QString quoted = path;
    return QLatin1Char('\'') + quoted.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
}

// The pages are damaged: only a copy from before, or what the sqlite3 tool can still read out, helps. The
// tool's .dump writes every row it can read and, having met damage, ends by undoing them all: that last line
// is made a commit. The control file goes beside the new database, or it is refused.
QString corruptMessage(const QString& dbPath, const QString& what) {
    const QString damage = what.isEmpty() ? QString() : QStringLiteral("（%1）").arg(what);
    if (dbPath.isEmpty())
        return QStringLiteral(
                   "ＤＢファイルが壊れています%1。このＤＢは使えません。\nバックアップから戻して下さい。")
            .arg(damage);
    const QFileInfo fi(dbPath);
    const QString fresh =
        fi.absolutePath() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral("_修復.vrd");
    return QStringLiteral(
               "ＤＢファイルが壊れています%1。このＤＢは使えません。\n"
               "バックアップから戻して下さい。バックアップがない場合は、このＤＢを開いているVarnoxをすべて"
               "終了してから、端末で次のように実行すると、sqlite3 ツールで読める中身を新しいファイル「%2」に"
               "取り出せます（読めなかった行は失われます）。\n"
               "  sqlite3 %3 .dump | sed 's/^ROLLBACK; -- due to errors$/COMMIT;/' | sqlite3 %4 && cp %5 %6")
        .arg(damage, QDir::toNativeSeparators(fresh), shellQuoted(dbPath), shellQuoted(fresh),
             shellQuoted(controlPathFor(dbPath)), shellQuoted(controlPathFor(fresh)));
}

bool folderTakesNoFile(const QString& dbPath) {
    const QFileInfo fi(dbPath);
    return !fi.isWritable() || !QFileInfo(fi.absolutePath()).isWritable();
}

} // namespace

QString specialFileKind(unsigned mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return QStringLiteral("フォルダ");
    if (S_ISFIFO(mode)) return QStringLiteral("パイプ");
    if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("デバイス");
    if (S_ISSOCK(mode)) return QStringLiteral("ソケット");
    if (S_ISLNK(mode)) return QStringLiteral("リンク");
    return QStringLiteral("特殊なファイル");
}

QString specialFileKind(const QString& path, bool followLinks) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    if ((followLinks ? ::stat(name.constData(), &st) : ::lstat(name.constData(), &st)) != 0) return {};
    return specialFileKind(st.st_mode);
}

QString badLockText(const std::exception& e) {
    const auto* d = dynamic_cast<const db::DbError*>(&e);
    if (!d || d->kind() != db::ErrorKind::BadLock) return {};
    const QString lockPath = d->path();
    const QString kind = specialFileKind(lockPath, false);
    const QString shown = QDir::toNativeSeparators(lockPath);
    // The engine's journal and logs are checked as the lock file is: the engine would open them.
    const QString file = lockPath.endsWith(QLatin1String("-lock")) ? QStringLiteral("ロックファイル")
                         : lockPath.endsWith(QLatin1String("-journal")) ? QStringLiteral("ジャーナルファイル")
                                                                        : QStringLiteral("ログファイル");
    // Another program or person put it there: Varnox makes a plain file, and never follows a link there.
    if (kind.isEmpty())
        return QStringLiteral("ＤＢの%1「%2」を開けないため、ＤＢを使えません。").arg(file, shown);
    return QStringLiteral("ＤＢの%1「%2」が%3のため、ＤＢを使えません。"
                          "Varnoxの作る%1は普通のファイルです。")
        .arg(file, shown, kind);
}

QString lockFileText(const QString& lockPath) {
    return QStringLiteral("ロックファイル「%1」に、他の利用者も使える権限を付けられません。"
                          "このままでは他の利用者がＤＢを使えなくなるため、ＤＢを開けません。\n"
                          "権限を付けられるフォルダにＤＢを置くか、管理者に相談してください。")
        .arg(QDir::toNativeSeparators(lockPath));
}

QString lockUnmadeText(const QString& lockPath, bool saving) {
    const QString folder = QFileInfo(lockPath).absolutePath();
    return QStringLiteral(
               "ロックファイル「%1」を作れないため（%2）、ＤＢに書き込めません。%3\n"
               "ロックファイルは、他の利用者のVarnoxReplicaが使用中のＤＢを変えないためのものです。")
        .arg(QDir::toNativeSeparators(lockPath),
             QFileInfo(folder).isWritable()
                 ? QStringLiteral("ディスクがいっぱいか、作れるファイルの数の上限です")
                 : QStringLiteral("フォルダが読み取り専用です"),
             saving ? QStringLiteral("変更は保存されていません。")
                    : QStringLiteral("ＤＢを読むことだけできます。"));
}

QString groupNotGivenText(const QString& path) {
    struct stat st {};
    const QByteArray name = QFile::encodeName(path);
    const struct group* g = ::stat(name.constData(), &st) == 0 ? ::getgrgid(st.st_gid) : nullptr;
    const QString group = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
    return QStringLiteral("「%1」のグループ「%2」を新しいファイルに付けられません"
                          "（このユーザーはそのグループに属していません）。"
                          "他の利用者が書き込めなくなるため、ファイルは置き換えていません。")
        .arg(QDir::toNativeSeparators(path), group);
}

QString rightsNotKeptText(const QString& path, const QStringList& notKept) {
    QStringList named;
    for (const QString& n : notKept)
        named << (n == QLatin1String("system.posix_acl_access") ? QStringLiteral("ACL")
                  : n == QLatin1String("*")                     ? QStringLiteral("拡張属性")
                                                                : n);
    return QStringLiteral("「%1」のアクセス権（%2）を新しいファイルに付けられません。"
                          "他の利用者が使えなくなるため、ファイルは置き換えていません。")
        .arg(QDir::toNativeSeparators(path), named.join(QStringLiteral("、")));
}

QString fileProblemText(const std::exception& e, const QString& dbPath) {
    const auto* d = dynamic_cast<const db::DbError*>(&e);
    if (!d)
        return {};
    switch (d->kind()) {
    case db::ErrorKind::Replaced: return kReopenText;
    case db::ErrorKind::LockNotShared: return lockFileText(d->path());
    case db::ErrorKind::LockUnmade: return lockUnmadeText(d->path());
    case db::ErrorKind::ForeignSchema: return foreignSchemaMessage(*d) + QStringLiteral("\n変更は保存されていません。");
    case db::ErrorKind::Damaged:
        return damagedMessage(dbPath.isEmpty() ? d->path() : dbPath);
    case db::ErrorKind::Corrupt:
        return corruptMessage(dbPath.isEmpty() ? d->path() : dbPath, d->detail());
    case db::ErrorKind::TooBig: return dbFailureText(e, {}) + QStringLiteral("\n変更は保存されていません。");
    case db::ErrorKind::DiskFull:
        return QStringLiteral("ディスクがいっぱいのため、ＤＢに書き込めません。変更は保存されていません。");
    case db::ErrorKind::ReadOnly:
    case db::ErrorKind::Io:
        // The journal is made beside the file: a read-only folder refuses every write, as a read-only file does.
        if (d->kind() == db::ErrorKind::ReadOnly || folderTakesNoFile(dbPath))
            return QStringLiteral("ＤＢファイル「%1」またはそのフォルダが読み取り専用のため、書き込めません。"
                                  "変更は保存されていません。")
                .arg(QDir::toNativeSeparators(dbPath));
        return {};
    default: return {};
    }
}

bool tellFileProblem(const std::exception& e, const QString& dbPath) {
    const QString text = fileProblemText(e, dbPath);
    if (text.isEmpty())
        return false;
    ui::messages().error(text);
    return true;
}

QString dbFailureText(const std::exception& e, const QString& otherwise) {
    const auto* d = dynamic_cast<const db::DbError*>(&e);
    if (dynamic_cast<const std::overflow_error*>(&e) || dynamic_cast<const std::range_error*>(&e) ||
        dynamic_cast<const std::out_of_range*>(&e))
        return QStringLiteral("ＤＢに、Varnoxで扱える範囲を超える数値があります。");
    if (dynamic_cast<const std::bad_alloc*>(&e) || (d && d->kind() == db::ErrorKind::NoMemory))
        return kNoMemoryText;
    if (!d)
        return otherwise;
    if (db::faultOf(d->kind()) == db::Fault::Value)
        return QStringLiteral("ＤＢの項目の規則に合わない値のため、書き込めませんでした。変更は保存されていません。\n(%1)")
            .arg(d->detail());
    switch (d->kind()) {
    case db::ErrorKind::TooBig:
        return QStringLiteral("ＤＢに、Varnoxで扱える大きさ（%1バイト）を超える値があります。").arg(db::kMaxValueBytes);
    case db::ErrorKind::NotADatabase: return QStringLiteral("ＤＢファイルが壊れています。");
    case db::ErrorKind::Replaced:
        return QStringLiteral("読んでいる間に、ＤＢファイルが他のプログラムによって書き換えられました。"
                              "もう一度表示してください。");
    case db::ErrorKind::ForeignSchema: return foreignSchemaMessage(*d);
    case db::ErrorKind::BadLock:
        return otherwise.isEmpty() ? badLockText(e) : otherwise + QLatin1Char('\n') + badLockText(e);
    case db::ErrorKind::Damaged:
        return damagedMessage(d->path());
    case db::ErrorKind::Corrupt:
        return corruptMessage(d->path(), d->detail());
    default: return otherwise;
    }
}

QString causeText(const std::exception& e, const QString& dbPath) {
    if (const QString text = fileProblemText(e, dbPath); !text.isEmpty()) return text;
    if (const QString text = badLockText(e); !text.isEmpty()) return text;
    // The engine's own words are no cause a user can read.
    if (const QString text = dbFailureText(e, QString()); !text.isEmpty()) return text;
    if (const auto* d = dynamic_cast<const db::DbError*>(&e)) {
        if (d->kind() == db::ErrorKind::Busy)
            return QStringLiteral(
                "ＤＢを他のプログラムが使用中です。しばらくしてから、もう一度やり直してください。");
        return QStringLiteral("ＤＢファイルを読み書きできませんでした。");
    }
    return QString::fromUtf8(e.what());
}

namespace {

QString writeCause(const QString& path, db::ErrorKind kind) {
    const QFileInfo fi(path);
    if (fi.isDir())
        return QStringLiteral("同じ名前のフォルダがあります。");
    if (!QFileInfo(fi.absolutePath()).isDir())
        return QStringLiteral("保存先のフォルダが見つかりません。");
    switch (kind) {
    case db::ErrorKind::DiskFull: return QStringLiteral("ディスクがいっぱいです。");
    case db::ErrorKind::ReadOnly: return QStringLiteral("保存先が読み取り専用です。");
    default: return {};
    }
}

} // namespace

QString writeCauseText(const QString& path, int systemErrno) {
    // A file or folder we may not write is read-only to the user, as a read-only file system is.
    const bool denied = systemErrno == EACCES || systemErrno == EPERM;
    return writeCause(path, denied ? db::ErrorKind::ReadOnly : db::writeErrorKind(systemErrno));
}

QString writeCauseText(const QString& path, const std::exception& e) {
    if (const auto* s = dynamic_cast<const std::system_error*>(&e))
        return writeCauseText(path, s->code().category() == std::generic_category() ? s->code().value() : 0);
    if (const auto* d = dynamic_cast<const db::DbError*>(&e))
        return writeCause(path, d->kind());
    return writeCause(path, db::ErrorKind::Other);
}

} // namespace core
