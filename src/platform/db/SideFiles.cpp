#include "db/SideFiles.h"

#include "db/DbError.h"
#include "db/Defensive.h"
#include "db/UseLock.h"
#include "db/WriteErrors.h"
#include "os/FileModes.h"
#include "os/OpenChecked.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace db {

namespace {

const char* const kSides[] = {"-journal", "-wal", "-shm"};

QByteArray native(const QString& path) {
    return QFile::encodeName(path);
}

// The name a temporary is made under takes the file's name, cut short (at a whole character) where the
// temporary's own journal would not fit the folder's 255 bytes: the engine writes one beside it.
QString tempStem(const QString& fileName) {
    constexpr qsizetype kRoom = 255 - 1 - 7 - 8; // ".", ".XXXXXX", "-journal"
    QString stem = fileName;
    while (native(stem).size() > kRoom)
        stem.chop(stem.size() > 1 && stem.back().isLowSurrogate() ? 2 : 1);
    return stem;
}

// A file of our naming, locked: -1 when another holds it, or when it is no regular file of its own (a pipe
// or a link put under such a name is passed over, never waited on or followed).
int lockedFd(const QString& path) {
    const os::Opened o = os::openChecked(path, O_RDONLY);
    if (!o) return -1;
    if (::flock(o.fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(o.fd);
        return -1;
    }
    return o.fd;
}

bool emptyFile(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_size == 0;
}

} // namespace

TempBeside::TempBeside(const QString& besidePath) {
    const QFileInfo fi(besidePath);
    QTemporaryFile reserve(fi.absolutePath() + QStringLiteral("/.") + tempStem(fi.fileName()) +
                           QStringLiteral(".XXXXXX"));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        throw DbError(ErrorKind::Io, QStringLiteral("cannot create a temporary file beside ") + besidePath);
    path_ = reserve.fileName();
    reserve.close();
    fd_ = lockedFd(path_);
    // The mode of a newly made file (the user's umask applied), not the private one of a temporary file.
    os::setFileMode(fd_, os::newFileMode());
}

TempBeside::~TempBeside() {
    if (!path_.isEmpty())
        removeWithSideFiles(path_);
    if (fd_ >= 0)
        ::close(fd_);
}

void TempBeside::relock() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = lockedFd(path_);
}

void TempBeside::release() {
    path_.clear();
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

int removeStaleTemps(const QString& path) {
    const QFileInfo fi(path);
    const QDir dir = fi.absoluteDir();
    // ".name.XXXXXX", "..name.XXXXXX.YYYYYY" (a temporary's own compaction), each with the side files.
    static const QString kTail = QStringLiteral("((?:\\.[A-Za-z0-9]{6})+)(-journal|-wal|-shm|-lock)?");
    const QString stem = tempStem(fi.fileName());
    const QRegularExpression re(QStringLiteral("^(\\.+)") + QRegularExpression::escape(stem) + kTail +
                                QLatin1Char('$'));
    // The lock file of the file or of one of those, still aside (".name-lock.XXXXXX"): its maker was killed
    // before it put it in place. Never a lock itself.
    const QRegularExpression aside(QStringLiteral("^(\\.+)") + QRegularExpression::escape(fi.fileName()) +
                                   QStringLiteral("((?:\\.[A-Za-z0-9]{6})*)-lock\\.[A-Za-z0-9]{6}$"));
    int removed = 0;
    // A lock file made aside under the folder's common name, which no maker holds any more.
    static const QRegularExpression common(QLatin1Char('^') + QRegularExpression::escape(kLockAside) +
                                           QStringLiteral("[A-Za-z0-9]{6}$"));
    for (const QString& name : dir.entryList({kLockAside + QLatin1Char('*')}, QDir::Files | QDir::Hidden)) {
        const QString full = dir.filePath(name);
        const bool ours = common.match(name).hasMatch();
        const int fd = ours ? lockedFd(full) : -1;
        // One its maker's umask keeps us out of cannot say whether its maker lives; it goes all the same: it
        // holds nothing, and a maker that finds it gone makes another.
        const bool closed = fd < 0 && ours && (errno == EACCES || errno == EPERM);
        const QFileInfo file(full);
        const bool empty = fd >= 0 ? emptyFile(fd) : closed && !file.isSymLink() && file.isFile() && file.size() == 0;
        if (empty && QFile::remove(full)) ++removed;
        if (fd >= 0) ::close(fd);
    }
    const QStringList names = dir.entryList({QStringLiteral(".") + stem + QStringLiteral(".*"),
                                             QStringLiteral("..") + stem + QStringLiteral(".*"),
                                             QStringLiteral(".") + fi.fileName() + QStringLiteral("-lock.*")},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (const QRegularExpressionMatch a = aside.match(name);
            a.hasMatch() && a.captured(1).size() == a.captured(2).count(QLatin1Char('.')) + 1) {
            const int fd = lockedFd(dir.filePath(name)); // its maker holds it while it works
            if (fd >= 0 && QFile::remove(dir.filePath(name)))
                ++removed;
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        const QRegularExpressionMatch m = re.match(name);
        if (!m.hasMatch() || m.captured(1).size() != m.captured(2).count(QLatin1Char('.')))
            continue;
        const QString full = dir.filePath(name);
        const QString base = m.captured(3).isEmpty() ? full : full.left(full.size() - m.captured(3).size());
        if (base != full && QFileInfo::exists(base))
            continue; // goes with its base, below or in the base's own turn
        const int fd = lockedFd(full);
        if (fd < 0 && errno != ENOENT) continue; // someone works on it, or it is none of our files
        if (QFile::remove(full))
            ++removed;
        if (base == full)
            for (const char* side : kSides)
                if (QFile::remove(full + QLatin1String(side)))
                    ++removed;
        if (fd >= 0)
            ::close(fd);
    }
    return removed;
}

FileUse probeUse(const QString& path) {
    if (!QFileInfo(path).isFile())
        return FileUse::NotADatabase;
    // Varnox anywhere holds the use lock while a window has the file open (its connections hold no lock
    // on the file itself between writes). Our own lock is looked up, not probed: opening and closing the
    // lock file here could drop it where the file system keeps such locks per process.
    if (const auto here = UseLock::heldHere(path)) {
        if (here->mode() == UseLock::Mode::Shared)
            return FileUse::InUse;
    } else if (UseLock::heldElsewhere(path)) {
        return FileUse::InUse;
    }
    try {
        // The exclusive lock fails at once while another connection holds the file; taking it writes
        // nothing, and giving it up leaves the file as it was.
        SQLite::Database d(native(path).toStdString(), SQLite::OPEN_READWRITE, 0);
        defendConnection(d.getHandle());
        d.exec("PRAGMA locking_mode = EXCLUSIVE");
        d.exec("BEGIN EXCLUSIVE");
        d.exec("ROLLBACK");
    } catch (const SQLite::Exception& e) {
        if (!takeBadSideFile().isEmpty())
            return FileUse::InUse; // a journal in the way: not to be replaced as if free
        const int code = e.getErrorCode();
        if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
            return FileUse::InUse;
        if (code == SQLITE_NOTADB)
            return FileUse::NotADatabase;
        return FileUse::InUse; // cannot tell: treat it as held, so it is not replaced
    }
    for (const char* side : {"-wal", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(side)))
            return FileUse::InUse; // someone else's connection keeps its log or journal there
    return FileUse::Free;
}

QString badSideFile(const QString& path) {
    for (const char* side : kSides) {
        const QString at = path + QLatin1String(side);
        struct stat st {};
        if (::lstat(native(at).constData(), &st) == 0 && !S_ISREG(st.st_mode)) return at;
    }
    return {};
}

QString foreignLog(const QString& path) {
    const QString wal = path + QLatin1String("-wal");
    struct stat st {};
    if (::lstat(native(wal).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    // The database's header says which journal it keeps: read through the one door, as the engine reads it.
    const os::Opened o = os::openChecked(path, O_RDONLY, 0, os::linksFor(native(path).constData()));
    if (!o) return {};
    unsigned char header[20]{};
    const bool rollback = ::pread(o.fd, header, sizeof header, 0) == ssize_t(sizeof header) && header[18] == 1;
    ::close(o.fd);
    return rollback ? wal : QString();
}

void refuseBadSideFiles(const QString& path) {
    if (const QString bad = badSideFile(path); !bad.isEmpty())
        throw DbError(ErrorKind::BadSideFile, QStringLiteral("side file none of ours: ") + bad, bad);
    if (const QString wal = foreignLog(path); !wal.isEmpty())
        throw DbError(ErrorKind::ForeignLog, QStringLiteral("another database's log: ") + wal, wal);
}

bool syncPath(const QString& path) {
    os::Opened o = os::openChecked(path, O_RDONLY, 0, os::linksFor(QFile::encodeName(path).constData()));
    // A folder (or a link to one: the company's folder may be reached through one) opens only as a folder.
    if (!o && (o.kind == S_IFDIR || o.kind == S_IFLNK)) o = os::openFolder(path);
    if (!o) return false;
    const bool ok = ::fsync(o.fd) == 0;
    ::close(o.fd);
    return ok;
}

bool writeSynced(const QString& path, const QByteArray& bytes) {
    const os::Opened o = os::openChecked(path, O_WRONLY | O_TRUNC);
    if (!o) return false;
    QFile f;
    if (!f.open(o.fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const int err = errno;
        ::close(o.fd);
        errno = err;
        return false;
    }
    const bool ok = f.write(bytes) == bytes.size() && f.flush() && ::fsync(f.handle()) == 0;
    const int err = errno; // kept for the message: closing succeeds
    f.close();
    errno = err;
    return ok;
}

bool renameOver(const QString& from, const QString& to) {
    return std::rename(native(from).constData(), native(to).constData()) == 0;
}

void removeWithSideFiles(const QString& path) {
    QFile::remove(path);
    for (const char* side : kSides)
        QFile::remove(path + QLatin1String(side));
}

} // namespace db
