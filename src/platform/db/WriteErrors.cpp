#include "db/WriteErrors.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace db {

namespace {

thread_local int lastErrno = 0;
thread_local QString badSide;
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
    constexpr int kSide = SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_WAL | SQLITE_OPEN_SUPER_JOURNAL;
    struct stat st {};
    if (name && (flags & kSide) && ::lstat(name, &st) == 0 && !S_ISREG(st.st_mode)) {
        badSide = QFile::decodeName(name);
        return SQLITE_CANTOPEN;
    }
    if ((flags & SQLITE_OPEN_MAIN_JOURNAL) && (flags & SQLITE_OPEN_READWRITE) && !(flags & SQLITE_OPEN_CREATE))
        ++playedBack;
    file->real = reinterpret_cast<sqlite3_file*>(file + 1);
    const int rc = below->xOpen(below, name, file->real, flags, outFlags);
    // A journal or log there that this user may not read and write (another user's, of mode 000): named.
    if (rc != SQLITE_OK && name && (flags & kSide) && ::lstat(name, &st) == 0 && S_ISREG(st.st_mode) &&
        ::faccessat(AT_FDCWD, name, R_OK | W_OK, AT_EACCESS) != 0)
        badSide = QFile::decodeName(name);
    if (rc == SQLITE_OK && file->real->pMethods)
        file->base.pMethods = file->real->pMethods->iVersion >= 3 ? &methodsV3 : &methodsV1;
    return rc;
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
        return sqlite3_vfs_register(&layer, 1) == SQLITE_OK;
    }();
    (void)done;
}

QString takeBadSideFile() {
    return std::exchange(badSide, QString());
}

int journalsPlayedBack() { return playedBack; }

int takeLastWriteErrno() {
    return std::exchange(lastErrno, 0);
}

} // namespace db
