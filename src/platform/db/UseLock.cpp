#include "db/UseLock.h"

#include "db/DbError.h"
#include "os/FileModes.h"
#include "os/OpenChecked.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRecursiveMutex>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace db {

namespace {

QRecursiveMutex gMutex; // a lock given up inside take() may end the last use
QHash<QString, std::weak_ptr<UseLock>>& registry() {
    static QHash<QString, std::weak_ptr<UseLock>> r;
    return r;
}

QString keyFor(const QString& dbPath) {
    const QFileInfo fi(dbPath);
    const QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? fi.absoluteFilePath() : canonical;
}

QString lockPathOf(const QString& key) { return key + QStringLiteral("-lock"); }

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// The path still names the file behind fd (a leaving user may have removed it meanwhile).
bool sameFile(int fd, const QString& path) {
    struct stat a {}, b {};
    return ::fstat(fd, &a) == 0 && ::lstat(native(path).constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// How long a take waits for a lock held the other way before it says "in use". A user leaving holds its
// lock exclusively for a moment to remove the file, and a lock file just placed is its maker's until it
// takes the lock it wants: a shared take waits those out; an exclusive one only has to outlast the moment.
constexpr int kSharedWaitMs = 1500;
constexpr int kExclusiveWaitMs = 200;
constexpr int kRetryMs = 2;

enum class Got { Held, Refused, NotAFile, Unopenable, NoLock, Unmade, NotShared };

// The lock file at the path, a regular file of its own (never a link followed nor a pipe waited on); no
// descriptor, with errno and what lies there, when it cannot be opened. A lock needs no write: one we may
// only read is opened so.
os::Opened openExisting(const QByteArray& path) {
    os::Opened o = os::openChecked(path.constData(), O_RDWR);
    if (!o && (o.error == EACCES || o.error == EPERM || o.error == EROFS))
        o = os::openChecked(path.constData(), O_RDONLY);
    return o;
}

// The lock file is everyone's who may write the database, whoever made it and whatever their umask: the
// database's own permission bits, group and access list, as the engine gives its journal. It holds no data.
// False when the file system does not keep that mode (one that maps owners): others could not open it. Where
// the group or the list cannot be given (its maker is no member), everyone may read it, or the members could
// not open it while its maker works: a lock needs no write, and the folder keeps out whoever may not reach
// the database.
mode_t modeFor(const QString& dbPath);
bool shareAsTheDatabase(int fd, const QString& dbPath) {
    if (!QFileInfo::exists(dbPath)) return os::setFileMode(fd, 0666); // a database about to be made
    const os::Shared got = os::shareAs(fd, dbPath, 0666);
    return got == os::Shared::Same ||
           (got != os::Shared::NoMode && os::setFileMode(fd, modeFor(dbPath) | 0444));
}

mode_t modeFor(const QString& dbPath) {
    struct stat db {};
    return ::stat(native(dbPath).constData(), &db) == 0 ? db.st_mode & 0666 : 0666;
}

bool noLinksHere(int err) {
    return err == EPERM || err == ENOSYS || err == EOPNOTSUPP || err == EXDEV || err == EMLINK;
}

enum class Made { Placed, Exists, CannotMake, NotShared };

// Makes the lock file aside under a short name of its own (a database name the engine takes leaves no room
// for more), gives it its mode, and only then links it into place: whatever stops us on the way, no lock
// file only its maker may open is left at the path. One a killed maker left aside goes with the folder's
// other leftovers (removeStaleTemps).
Made makeLockFile(const QString& lockPath, const QString& dbPath, int& fd) {
    QByteArray aside =
        native(QFileInfo(lockPath).absolutePath() + QLatin1Char('/') + kLockAside + QStringLiteral("XXXXXX"));
    const QByteArray placed = native(lockPath);
    fd = ::mkostemp(aside.data(), O_CLOEXEC);
    if (fd < 0) return Made::CannotMake;
    // Held while it is aside, so a clean-up elsewhere leaves it; the lock then comes with it into place.
    ::flock(fd, LOCK_EX | LOCK_NB);
    Made made = Made::Placed;
    if (!shareAsTheDatabase(fd, dbPath)) {
        made = Made::NotShared;
    } else if (::link(aside.constData(), placed.constData()) != 0) {
        const int err = errno;
        // ENOENT: a clean-up elsewhere took it before it was held; made again.
        made = err == EEXIST || err == ENOENT ? Made::Exists : Made::CannotMake;
        if (noLinksHere(err)) {
            // A file system without links: moved into place with its mode, never over another's lock.
            if (::renameat2(AT_FDCWD, aside.constData(), AT_FDCWD, placed.constData(), RENAME_NOREPLACE) == 0)
                return Made::Placed;
            if (errno == EEXIST || errno == ENOENT) made = Made::Exists;
            if (errno == EINVAL || errno == ENOSYS || noLinksHere(errno)) {
                // Nor a rename that keeps what is there: made in place, appearing with its mode at once (the
                // umask would keep others out until the chmod). For that instant a file another thread
                // makes misses the umask too.
                ::unlink(aside.constData());
                ::close(fd);
                const mode_t mask = ::umask(0);
                fd = os::openChecked(placed.constData(), O_RDWR | O_CREAT | O_EXCL, modeFor(dbPath)).fd;
                ::umask(mask);
                if (fd < 0) return errno == EEXIST ? Made::Exists : Made::CannotMake;
                if (shareAsTheDatabase(fd, dbPath)) return Made::Placed;
                ::unlink(placed.constData());
                ::close(fd);
                fd = -1;
                return Made::NotShared;
            }
        }
    }
    ::unlink(aside.constData());
    if (made != Made::Placed) {
        ::close(fd);
        fd = -1;
    }
    return made;
}

// Opens the lock file, making it when missing. No descriptor when it cannot be opened; how tells why when
// none was there and none could be made, or none could be made that others may open.
os::Opened openLockFile(const QString& lockPath, const QString& dbPath, Made& how) {
    const QByteArray path = native(lockPath);
    for (;;) {
        const os::Opened o = openExisting(path);
        if (o || o.error != ENOENT) return o;
        int made = -1;
        how = makeLockFile(lockPath, dbPath, made);
        if (how == Made::Placed)
            ::close(made); // opened again under its own name, not the one it had aside
        else if (how != Made::Exists)
            return {}; // else another made it meanwhile: theirs is opened
    }
}

// Something else than a plain file lies at the lock file's path (a link, a folder, a pipe...), found by the
// one checked open, as lockFile() finds it.
bool notAFileAt(const QString& lockPath) {
    const os::Opened o = openExisting(native(lockPath));
    if (o) ::close(o.fd);
    return o.kind != 0;
}

bool noLocksHere(int err) { return err == ENOLCK || err == EOPNOTSUPP || err == ENOSYS || err == EINVAL; }

// Locks the lock file, made when missing. One that is there but cannot be opened or locked is someone's
// in use; anything but a regular file is no lock file at all. The lock file goes away when its last user
// leaves, so a lock taken on a file that was removed meanwhile is taken again on the new one.
Got lockFile(const QString& lockPath, const QString& dbPath, UseLock::Mode mode, bool wait, int& fdOut) {
    const bool shared = mode == UseLock::Mode::Shared;
    QDeadlineTimer deadline(!wait ? 0 : shared ? kSharedWaitMs : kExclusiveWaitMs);
    bool denied = false; // still refused to us at the end of the wait: no lock of anyone we can share
    for (;;) {
        Made how = Made::Exists;
        const os::Opened o = openLockFile(lockPath, dbPath, how);
        const int fd = o.fd;
        denied = fd < 0 && (o.error == EACCES || o.error == EPERM);
        if (fd < 0) {
            if (how == Made::CannotMake)
                return Got::Unmade; // a read-only folder, no room: nothing can be held there
            if (how == Made::NotShared)
                return Got::NotShared;
            if (o.kind != 0) return Got::NotAFile;
        } else if (::flock(fd, (shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            if (noLocksHere(err))
                return Got::NoLock;
        } else if (sameFile(fd, lockPath)) {
            fdOut = fd;
            return Got::Held;
        } else {
            ::close(fd);
            continue; // its last user removed it meanwhile: the next one is the lock now
        }
        if (deadline.hasExpired()) return denied ? Got::Unopenable : Got::Refused;
        QThread::msleep(kRetryMs);
    }
}

} // namespace

UseLock::UseLock(QString key, QString lockPath, int fd, Mode mode, bool unmade)
    : key_(std::move(key)), lockPath_(std::move(lockPath)), fd_(fd), mode_(mode), unmade_(unmade) {}

UseLock::~UseLock() {
    QMutexLocker hold(&gMutex);
    auto& r = registry();
    if (auto it = r.find(key_); it != r.end() && it->expired())
        r.erase(it);
    if (fd_ < 0)
        return;
    // The last user anywhere removes the lock file, so none is left beside a database nobody has open. The
    // exclusive lock is tried, never waited for: while it is held a sharer coming in waits a moment and
    // finds the file gone, and one already in keeps it.
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && sameFile(fd_, lockPath_))
        ::unlink(native(lockPath_).constData());
    ::close(fd_);
}

std::shared_ptr<UseLock> UseLock::take(const QString& dbPath, Mode mode) {
    return take(dbPath, mode, true);
}

std::shared_ptr<UseLock> UseLock::tryTake(const QString& dbPath, Mode mode) {
    return take(dbPath, mode, false);
}

std::shared_ptr<UseLock> UseLock::take(const QString& dbPath, Mode mode, bool wait) {
    const QString key = keyFor(dbPath);
    QMutexLocker hold(&gMutex);
    auto& r = registry();
    if (auto held = r.value(key).lock()) {
        if (mode == Mode::Exclusive && held->mode_ != Mode::Exclusive)
            throw DbError(ErrorKind::Busy, QStringLiteral("the database is open in this program: ") + dbPath);
        return held;
    }
    const QString lockPath = lockPathOf(key);
    int fd = -1;
    switch (lockFile(lockPath, dbPath, mode, wait, fd)) {
    case Got::Refused:
        throw DbError(ErrorKind::Busy, QStringLiteral("the database is in use by another program: ") + dbPath);
    case Got::NotAFile:
    case Got::Unopenable:
        throw DbError(ErrorKind::BadLock, QStringLiteral("lock file none of ours: ") + lockPath, lockPath);
    case Got::NotShared:
        throw DbError(ErrorKind::LockNotShared, QStringLiteral("lock unshareable: ") + lockPath, lockPath);
    case Got::Unmade:
        if (mode == Mode::Exclusive)
            throw DbError(ErrorKind::LockUnmade, QStringLiteral("lock file cannot be made: ") + lockPath,
                          lockPath);
        // Not kept for others: each later take tries to make it again.
        return std::shared_ptr<UseLock>(new UseLock(key, lockPath, -1, mode, true));
    case Got::Held:
    case Got::NoLock: break;
    }
    std::shared_ptr<UseLock> lock(new UseLock(key, lockPath, fd, mode));
    r.insert(key, lock);
    return lock;
}

std::shared_ptr<UseLock> UseLock::heldHere(const QString& dbPath) {
    QMutexLocker hold(&gMutex);
    return registry().value(keyFor(dbPath)).lock();
}

void UseLock::refuseBadLockFile(const QString& dbPath) {
    const QString lockPath = lockPathOf(keyFor(dbPath));
    if (notAFileAt(lockPath))
        throw DbError(ErrorKind::BadLock, QStringLiteral("lock file none of ours: ") + lockPath, lockPath);
}

bool UseLock::heldElsewhere(const QString& dbPath) {
    const os::Opened o = openExisting(native(lockPathOf(keyFor(dbPath))));
    if (!o)
        return o.error != ENOENT; // one we cannot open is someone's, or no lock file at all: not free either
    bool held = false;
    if (::flock(o.fd, LOCK_EX | LOCK_NB) != 0) held = !noLocksHere(errno);
    ::close(o.fd);
    return held;
}

bool onSharedFileSystem(const QString& path) {
    struct statfs fs {};
    const QFileInfo fi(path);
    const QString probe = fi.exists() ? fi.absoluteFilePath() : fi.absolutePath();
    if (::statfs(native(probe).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x65735546UL: // FUSE (sshfs, bindfs, …)
    case V9FS_MAGIC:
    case CODA_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case 0x00C36400UL: // Ceph
    case 0x47504653UL: // GPFS
    case 0x013111A8UL: // IBRIX
    case 0x6B414653UL: // AFS (kAFS)
        return true;
    default: return false;
    }
}

} // namespace db
