// Who uses a database file, across processes and hosts: each process that has it open holds a lock on
// "<database>-lock" beside it, shared while it works on the file, exclusive while it replaces or resets it.
// The lock never touches the database file itself: closing a second descriptor of that file in our process
// would drop the engine's own locks on it, and another program would take the file for unused.
#pragma once

#include <QString>
#include <memory>

namespace db {

// The name a lock file is made under before it takes its place beside the database, "XXXXXX" after it.
inline const QString kLockAside = QStringLiteral(".varnox-lock.");

class UseLock {
public:
    enum class Mode { Shared, Exclusive };

    // Takes the lock for this process, or shares the one it already holds (an exclusive holder may open
    // connections of its own). A shared take waits a moment for an exclusive holder to go. Throws DbError
    // Busy when another process holds it the other way, or when exclusive use is asked while a connection
    // of ours is open; BadLock naming the lock file when it is a link, a folder or anything else but a
    // regular file, or one that stays there and cannot be opened; LockNotShared naming it when none is there
    // and the one made cannot be given the database's mode (a mount that maps owners): others could not
    // open it. Where no lock file can be made (a read-only folder, no room), an exclusive take throws
    // LockUnmade naming it, a shared one holds nothing and is unmade(): its connection reads but never
    // writes. Where the file system has no locks, nothing is held and nothing is refused.
    static std::shared_ptr<UseLock> take(const QString& dbPath, Mode mode);
    // As take(), without waiting a moment for a holder the other way: Busy at once.
    static std::shared_ptr<UseLock> tryTake(const QString& dbPath, Mode mode);
    // Throws BadLock as take() would, without taking or making anything: for a look before opening.
    static void refuseBadLockFile(const QString& dbPath);

    // What this process holds on the file, if anything.
    static std::shared_ptr<UseLock> heldHere(const QString& dbPath);
    // True when another process holds the lock (either way), or a lock file is there that cannot be opened,
    // locked or trusted; false when there is none, it is free, or the file system has no locks.
    static bool heldElsewhere(const QString& dbPath);

    ~UseLock();
    UseLock(const UseLock&) = delete;
    UseLock& operator=(const UseLock&) = delete;

    Mode mode() const { return mode_; }
    // No lock file could be made: another user's VarnoxReplica would not know of this use.
    bool unmade() const { return unmade_; }
    const QString& lockPath() const { return lockPath_; }

    // Reads under way through our connections to this file: a write of ours cannot commit past one of
    // them, since a reader of this thread cannot finish while the writer waits for it.
    int activeReads() const { return reads_; }
    // Connections of ours open on the file (a compaction replaces it only when there are none).
    int connections() const { return connections_; }
    void connectionOpened() { ++connections_; }
    void connectionClosed() { --connections_; }
    void readStarted() { ++reads_; }
    void readEnded() { --reads_; }

private:
    static std::shared_ptr<UseLock> take(const QString& dbPath, Mode mode, bool wait);
    UseLock(QString key, QString lockPath, int fd, Mode mode, bool unmade = false);

    QString key_;
    QString lockPath_;
    int fd_;
    Mode mode_;
    bool unmade_;
    int reads_ = 0;
    int connections_ = 0;
};

// The kind of file system a path lies on, as far as the engine cares: on a network or user-space file
// system another host may share the file, so nothing may rely on shared memory between connections.
bool onSharedFileSystem(const QString& path);

} // namespace db
