#include "db/UseLock.h"

#include "db/DbError.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QRecursiveMutex>
#include <cerrno>
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

bool sameFile(int fd, const QString& path) {
    struct stat a {}, b {};
    return ::fstat(fd, &a) == 0 && ::stat(native(path).constData(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

enum class Got { Held, Refused, NoLock };

// Locks the lock file, made when missing. The lock file goes away when its last user leaves, so a lock
// taken on a file that was removed meanwhile is taken again on the new one.
Got lockFile(const QString& lockPath, UseLock::Mode mode, int& fdOut) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        int fd = ::open(native(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) // another user's lock file, or a read-only folder with one in it: a lock needs no write
            fd = ::open(native(lockPath).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return Got::NoLock; // a read-only folder without one: nothing can be held there
        if (::flock(fd, (mode == UseLock::Mode::Shared ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            return err == EWOULDBLOCK ? Got::Refused : Got::NoLock;
        }
        if (sameFile(fd, lockPath)) {
            fdOut = fd;
            return Got::Held;
        }
        ::close(fd);
    }
    return Got::NoLock;
}

} // namespace

UseLock::UseLock(QString key, QString lockPath, int fd, Mode mode)
    : key_(std::move(key)), lockPath_(std::move(lockPath)), fd_(fd), mode_(mode) {}

UseLock::~UseLock() {
    QMutexLocker hold(&gMutex);
    auto& r = registry();
    if (auto it = r.find(key_); it != r.end() && it->expired())
        r.erase(it);
    if (fd_ < 0)
        return;
    // The last user anywhere removes the lock file, so none is left beside a database nobody has open.
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0 && sameFile(fd_, lockPath_))
        ::unlink(native(lockPath_).constData());
    ::close(fd_);
}

std::shared_ptr<UseLock> UseLock::take(const QString& dbPath, Mode mode) {
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
    if (lockFile(lockPath, mode, fd) == Got::Refused)
        throw DbError(ErrorKind::Busy, QStringLiteral("the database is in use by another program: ") + dbPath);
    std::shared_ptr<UseLock> lock(new UseLock(key, lockPath, fd, mode));
    r.insert(key, lock);
    return lock;
}

std::shared_ptr<UseLock> UseLock::heldHere(const QString& dbPath) {
    QMutexLocker hold(&gMutex);
    return registry().value(keyFor(dbPath)).lock();
}

bool UseLock::heldElsewhere(const QString& dbPath) {
    const QString lockPath = lockPathOf(keyFor(dbPath));
    const int fd = ::open(native(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false; // nobody made one
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
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
