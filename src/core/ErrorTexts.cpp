#include "core/ErrorTexts.h"

#include "core/ControlFile.h"
#include "core/FileProblems.h"
#include "db/Defensive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <new>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>

namespace core {

const QString kBusyText =
    QStringLiteral("ＤＢを他のプログラムが使用中です。しばらくしてから、もう一度やり直してください。");

const QString kNoMemoryText =
    QStringLiteral("メモリが足りないため、処理を続けられませんでした。"
                   "他のアプリケーションを終了してから、もう一度やり直してください。");

namespace {

const QString kNotSaved = QStringLiteral("変更は保存されていません。");
const QString kUnreadable = QStringLiteral("ＤＢファイルを読み書きできませんでした。");
const QString kCannotOpen = QStringLiteral("ＤＢファイルを開けません。");
const QString kNotOurs = QStringLiteral("VarnoxのＤＢではないか、壊れています。");

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// The detail names the object as the refusal at open does.
QString foreignSchemaMessage(const QString& detail) {
    return QStringLiteral(
               "ＤＢの中身が、開いた後に他のプログラムによってVarnoxの作ったものと違うものに変えられたため、"
               "使えません。\n") +
           detail;
}

// The table holds what was stored; only its index must be made again from it, which the sqlite3 tool does
// while no one has the file open.
QString damagedMessage(const QString& dbPath) {
    const QString name = dbPath.isEmpty()
                             ? QStringLiteral("ＤＢファイル名")
                             : QLatin1Char('"') + QDir::toNativeSeparators(dbPath) + QLatin1Char('"');
    return QStringLiteral(
               "ＤＢファイルが壊れています（索引が中身と合いません）。変更は保存されていません。\n"
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

QString readOnlyText(const QString& dbPath) {
    return QStringLiteral("ＤＢファイル「%1」またはそのフォルダが読み取り専用のため、書き込めません。")
               .arg(shown(dbPath)) +
           kNotSaved;
}

// The owner of a file and its rights as ls shows them ("rw-r-----"); "" when it is not there.
QString ownerAndRights(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return {};
    const struct passwd* pw = ::getpwuid(st.st_uid);
    QString rights;
    for (int shift = 6; shift >= 0; shift -= 3)
        for (const auto& [bit, letter] : {std::pair{4, 'r'}, {2, 'w'}, {1, 'x'}})
            rights += (st.st_mode >> shift) & bit ? QLatin1Char(letter) : QLatin1Char('-');
    return QStringLiteral("このファイルの持ち主は「%1」で、権限は「%2」です。")
        .arg(pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(st.st_uid), rights);
}

// The lock file, or a journal or log of the engine, that Varnox may not use: Varnox makes plain files
// there and never follows a link, so another program or person put it there, or gave it its rights.
QString besideText(const QString& path, bool lock) {
    const QString kind = specialFileKind(path, false);
    const QString file = lock                                       ? QStringLiteral("ロックファイル")
                         : path.endsWith(QLatin1String("-journal")) ? QStringLiteral("ジャーナルファイル")
                                                                    : QStringLiteral("ログファイル");
    if (!kind.isEmpty())
        return QStringLiteral("ＤＢの%1「%2」が%3のため、ＤＢを使えません。"
                              "Varnoxの作る%1は普通のファイルです。")
            .arg(file, shown(path), kind);
    // Another user's, of rights that keep this one out (a journal of a write that stopped half way, a lock
    // file left by a program killed): only its owner or an administrator can let it be used.
    return QStringLiteral("ＤＢの%1「%2」を開けないため、ＤＢを使えません。").arg(file, shown(path)) +
           ownerAndRights(path) +
           QStringLiteral(
               "このＤＢを使う利用者が読み書きできる権限を、持ち主か管理者に付けてもらってください。");
}

QString foreignLogText(const QString& dbPath, const QString& wal) {
    const QString db = dbPath.isEmpty() ? wal.chopped(4) : dbPath;
    const QString shm = db + QStringLiteral("-shm");
    return QStringLiteral(
               "ＤＢファイル「%1」の横に、他のＤＢのログファイル「%2」があります。"
               "このＤＢはログファイルを使わないため、これを読むと他のＤＢの中身が混ざります。"
               "ＤＢファイルは壊れていません。\n"
               "このＤＢを開いているVarnoxをすべて終了してから、「%2」%3を別のフォルダに移してください。")
        .arg(shown(db), shown(wal),
             QFileInfo::exists(shm) ? QStringLiteral("と「%1」").arg(shown(shm)) : QString());
}

} // namespace

bool folderTakesNoFile(const QString& dbPath) {
    const QFileInfo fi(dbPath);
    return !fi.isWritable() || !QFileInfo(fi.absolutePath()).isWritable();
}

QString lockFileText(const QString& lockPath) {
    return QStringLiteral("ロックファイル「%1」に、他の利用者も使える権限を付けられません。"
                          "このままでは他の利用者がＤＢを使えなくなるため、ＤＢを開けません。\n"
                          "権限を付けられるフォルダにＤＢを置くか、管理者に相談してください。")
        .arg(shown(lockPath));
}

QString lockUnmadeText(const QString& lockPath, bool saving) {
    const QString folder = QFileInfo(lockPath).absolutePath();
    return QStringLiteral(
               "ロックファイル「%1」を作れないため（%2）、ＤＢに書き込めません。%3\n"
               "ロックファイルは、他の利用者のVarnoxReplicaが使用中のＤＢを変えないためのものです。")
        .arg(shown(lockPath),
             QFileInfo(folder).isWritable()
                 ? QStringLiteral("ディスクがいっぱいか、作れるファイルの数の上限です")
                 : QStringLiteral("フォルダが読み取り専用です"),
             saving ? kNotSaved : QStringLiteral("ＤＢを読むことだけできます。"));
}

QString errorText(db::ErrorKind kind, Doing doing, const QString& dbPath, const QString& path,
                  const QString& detail) {
    using K = db::ErrorKind;
    const bool writing = doing == Doing::Writing;
    const QString saved = writing ? QStringLiteral("\n") + kNotSaved : QString();
    // The files beside the database, and the kinds every step names alike.
    switch (kind) {
    case K::Busy:
        return kBusyText;
    case K::BadLock:
        return besideText(path, true);
    case K::BadSideFile:
        return besideText(path, false);
    case K::ForeignLog:
        return foreignLogText(dbPath, path);
    case K::LockNotShared:
        return lockFileText(path);
    case K::LockUnmade:
        return lockUnmadeText(path, writing);
    case K::NoMemory:
        return kNoMemoryText;
    case K::Damaged:
        return damagedMessage(dbPath.isEmpty() ? path : dbPath);
    case K::Corrupt:
        return corruptMessage(dbPath.isEmpty() ? path : dbPath, detail);
    default:
        break;
    }
    // A first look at a file not yet known to be ours: what it is not, or that it cannot be opened.
    if (doing == Doing::Opening)
        return kind == K::Io || kind == K::ReadOnly || kind == K::DiskFull ? kCannotOpen : kNotOurs;
    if (db::faultOf(kind) == db::Fault::Value)
        return QStringLiteral("ＤＢの項目の規則に合わない値のため、書き込めませんでした。") + kNotSaved +
               QStringLiteral("\n(%1)").arg(detail);
    switch (kind) {
    case K::TooBig:
        return QStringLiteral("ＤＢに、Varnoxで扱える大きさ（%1バイト）を超える値があります。")
                   .arg(db::kMaxValueBytes) +
               saved;
    case K::ForeignSchema:
        return foreignSchemaMessage(detail) + saved;
    case K::NotADatabase:
        return QStringLiteral("ＤＢファイルが壊れています。");
    case K::Replaced:
        return writing
                   ? kReopenText
                   : QStringLiteral("読んでいる間に、ＤＢファイルが他のプログラムによって書き換えられました。"
                                    "もう一度表示してください。");
    case K::DiskFull:
        return QStringLiteral("ディスクがいっぱいのため、ＤＢに書き込めません。") + kNotSaved;
    case K::ReadOnly:
        return readOnlyText(dbPath);
    // The journal is made beside the file: a read-only folder refuses every write, as a read-only file does.
    case K::Io:
        return writing && !dbPath.isEmpty() && folderTakesNoFile(dbPath) ? readOnlyText(dbPath) : kUnreadable;
    default:
        return kUnreadable;
    }
}

QString errorText(const db::DbError& e, Doing doing, const QString& dbPath) {
    return errorText(e.kind(), doing, dbPath, e.path(), e.detail());
}

QString errorText(const std::exception& e, Doing doing, const QString& dbPath) {
    if (dynamic_cast<const std::overflow_error*>(&e) || dynamic_cast<const std::range_error*>(&e) ||
        dynamic_cast<const std::out_of_range*>(&e))
        return QStringLiteral("ＤＢに、Varnoxで扱える範囲を超える数値があります。");
    if (dynamic_cast<const std::bad_alloc*>(&e)) return kNoMemoryText;
    if (const auto* d = dynamic_cast<const db::DbError*>(&e)) return errorText(*d, doing, dbPath);
    return {};
}

} // namespace core
