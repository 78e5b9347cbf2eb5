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

namespace {

bool beside(db::ErrorKind kind) {
    return kind == db::ErrorKind::BadLock || kind == db::ErrorKind::BadSideFile ||
           kind == db::ErrorKind::ForeignLog;
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

QString besideFileText(const std::exception& e) {
    const auto* d = dynamic_cast<const db::DbError*>(&e);
    return d && beside(d->kind()) ? errorText(*d, Doing::Reading, {}) : QString();
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
    case db::ErrorKind::Replaced:
    case db::ErrorKind::LockNotShared:
    case db::ErrorKind::LockUnmade:
    case db::ErrorKind::ForeignSchema:
    case db::ErrorKind::Damaged:
    case db::ErrorKind::Corrupt:
    case db::ErrorKind::TooBig:
    case db::ErrorKind::DiskFull:
    case db::ErrorKind::ReadOnly:
    case db::ErrorKind::BadLock:
    case db::ErrorKind::BadSideFile:
    case db::ErrorKind::ForeignLog:
        return errorText(*d, Doing::Writing, dbPath);
    case db::ErrorKind::Io:
        return folderTakesNoFile(dbPath) ? errorText(*d, Doing::Writing, dbPath) : QString();
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
    if (!d) {
        const QString named = errorText(e, Doing::Reading, {});
        return named.isEmpty() ? otherwise : named;
    }
    if (beside(d->kind()))
        return otherwise.isEmpty() ? errorText(*d, Doing::Reading, {})
                                   : otherwise + QLatin1Char('\n') + errorText(*d, Doing::Reading, {});
    switch (d->kind()) {
    case db::ErrorKind::TooBig:
    case db::ErrorKind::NotADatabase:
    case db::ErrorKind::Replaced:
    case db::ErrorKind::ForeignSchema:
    case db::ErrorKind::Damaged:
    case db::ErrorKind::Corrupt:
    case db::ErrorKind::NoMemory:
        return errorText(*d, Doing::Reading, {});
    default:
        return db::faultOf(d->kind()) == db::Fault::Value ? errorText(*d, Doing::Reading, {}) : otherwise;
    }
}

QString causeText(const std::exception& e, const QString& dbPath) {
    const QString named = errorText(e, Doing::Writing, dbPath);
    return named.isEmpty() ? QString::fromUtf8(e.what()) : named;
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
