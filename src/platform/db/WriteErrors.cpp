#include "db/WriteErrors.h"

#include "os/OpenChecked.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace db {

namespace {

thread_local int lastErrno = 0;
thread_local QString badSide;
thread_local QString badMain;
thread_local int playedBack = 0;

sqlite3_vfs* below = nullptr;
sqlite3_vfs layer;

// Our file: the file of the layer below follows it in the same allocation.
struct File {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<File*>(f)->real;
}

// Kept until read: the engine's own rollback after the failure writes again, and succeeds.
int kept(int rc) {
    if (rc != SQLITE_OK) lastErrno = errno;
    return rc;
}

int xClose(sqlite3_file* f) {
    const int rc = real(f)->pMethods ? real(f)->pMethods->xClose(real(f)) : SQLITE_OK;
    f->pMethods = nullptr;
    return rc;
}
int xRead(sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
    return real(f)->pMethods->xRead(real(f), p, n, at);
}
int xWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
    return kept(real(f)->pMethods->xWrite(real(f), p, n, at));
}
int xTruncate(sqlite3_file* f, sqlite3_int64 size) {
    return kept(real(f)->pMethods->xTruncate(real(f), size));
}
int xSync(sqlite3_file* f, int flags) {
    return kept(real(f)->pMethods->xSync(real(f), flags));
}
int xFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int xLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int xUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int xCheckReservedLock(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int xFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int xSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int xDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int xShmMap(sqlite3_file* f, int i, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), i, size, extend, out);
}
int xShmLock(sqlite3_file* f, int at, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), at, n, flags);
}
void xShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int xShmUnmap(sqlite3_file* f, int del) {
    return real(f)->pMethods->xShmUnmap(real(f), del);
}
int xFetch(sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
    return real(f)->pMethods->xFetch(real(f), at, n, out);
}
int xUnfetch(sqlite3_file* f, sqlite3_int64 at, void* p) {
    return real(f)->pMethods->xUnfetch(real(f), at, p);
}

const sqlite3_io_methods methodsV3 = {3,
                                      xClose,
                                      xRead,
                                      xWrite,
                                      xTruncate,
                                      xSync,
                                      xFileSize,
                                      xLock,
                                      xUnlock,
                                      xCheckReservedLock,
                                      xFileControl,
                                      xSectorSize,
                                      xDeviceCharacteristics,
                                      xShmMap,
                                      xShmLock,
                                      xShmBarrier,
                                      xShmUnmap,
                                      xFetch,
                                      xUnfetch};
// The layer below gives methods of an older version to some files: ours offer no more than it does.
const sqlite3_io_methods methodsV1 = [] {
    sqlite3_io_methods m = methodsV3;
    m.iVersion = 1;
    m.xShmMap = nullptr;
    m.xShmLock = nullptr;
    m.xShmBarrier = nullptr;
    m.xShmUnmap = nullptr;
    m.xFetch = nullptr;
    m.xUnfetch = nullptr;
    return m;
}();

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags) {
    auto* file = reinterpret_cast<File*>(f);
    file->base.pMethods = nullptr;
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_READWRITE) && !(flags & SQLITE_OPEN_CREATE))
        ++playedBack;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = below->xOpen(below, name, file->real, flags, outFlags);
    // A journal or log there that this user may not read and write (another user's, of mode 000): named.
    constexpr int kSide = SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL | SQLITE_OPEN_SUPER_JOURNAL;
    struct stat st {};
    if (rc != SQLITE_OK && name && (flags & kSide) && ::lstat(name, &st) == 0 && S_ISREG(st.st_mode) &&
        ::faccessat(AT_FDCWD, name, R_OK | W_OK, AT_EACCESS) != 0)
        badSide = QFile::decodeName(name);
    if (rc == SQLITE_OK && file->real->pMethods)
        file->base.pMethods = file->real->pMethods->iVersion >= 3 ? &methodsV3 : &methodsV1;
    return rc;
}

// The engine's journals and logs ("-journal", "-wal", "-shm", a super-journal "-mj…"), as against the
// database itself.
bool sideName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    const char* base = slash ? slash + 1 : path;
    const size_t n = std::strlen(base);
    for (const char* tail : {"-journal", "-wal", "-shm"})
        if (const size_t t = std::strlen(tail); n > t && std::strcmp(base + n - t, tail) == 0) return true;
    const char* mj = std::strstr(base, "-mj");
    return mj && std::strlen(mj) == 12;
}

// Every open(2) of the engine, of any file: through the one door, so that a journal made a pipe or a link
// after the engine looked for it is refused on the descriptor, never waited on or followed.
int engineOpen(const char* path, int flags, int mode) {
    const os::Opened o = os::openChecked(path, flags, mode_t(mode), os::linksFor(path));
    if (o.fd >= 0 && o.fd <= 2) {
        // Kept off the standard descriptors (a stray print would land in the file), so the engine never
        // falls back on opening /dev/null, a device the door refuses.
        const int high = ::fcntl(o.fd, F_DUPFD_CLOEXEC, 3);
        ::close(o.fd);
        return high;
    }
    if (o) return o.fd;
    if (o.kind != 0) (sideName(path) ? badSide : badMain) = QFile::decodeName(path);
    errno = o.error;
    return -1;
}

// The engine's randomness (temporary and super-journal names) from the kernel, not from /dev/urandom: a
// device the door refuses, and a link to it at a database's path must not be read as one.
int xRandomness(sqlite3_vfs*, int n, char* out) {
    int got = 0;
    while (got < n) {
        const ssize_t r = ::getrandom(out + got, size_t(n - got), 0);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += int(r);
    }
    return got;
}

// The folder of a file, opened to flush it after a journal was made or removed: the one place a folder is
// opened at all.
int engineOpenFolder(const char* file, int* out) {
    std::string folder(file);
    const size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string(".")
             : slash == 0               ? std::string("/")
                                        : folder.substr(0, slash);
    const os::Opened o = os::openFolder(folder.c_str());
    *out = o.fd;
    return o ? SQLITE_OK : SQLITE_CANTOPEN;
}

} // namespace

void recordWriteErrors() {
    static const bool done = [] {
        below = sqlite3_vfs_find(nullptr);
        if (below == nullptr) return false;
        layer = *below;
        layer.zName = "varnox-write-errors";
        layer.szOsFile = int(sizeof(File)) + below->szOsFile;
        layer.xOpen = xOpen;
        layer.xRandomness = xRandomness;
        // The unix layer opens every file (the folder too) through these calls, never open(2) itself.
        if (!below->xSetSystemCall ||
            below->xSetSystemCall(below, "open", reinterpret_cast<sqlite3_syscall_ptr>(engineOpen)) !=
                SQLITE_OK ||
            below->xSetSystemCall(below, "openDirectory",
                                  reinterpret_cast<sqlite3_syscall_ptr>(engineOpenFolder)) != SQLITE_OK)
            qFatal("the database engine lets no one check what it opens");
        return sqlite3_vfs_register(&layer, 1) == SQLITE_OK;
    }();
    (void)done;
}

QString takeBadSideFile() {
    return std::exchange(badSide, QString());
}

QString takeBadDatabaseFile() {
    return std::exchange(badMain, QString());
}

int journalsPlayedBack() { return playedBack; }

int takeLastWriteErrno() {
    return std::exchange(lastErrno, 0);
}

} // namespace db
