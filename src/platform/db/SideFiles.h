// Files of our own naming beside a database or control file: the temporaries in which a new file is
// built before it takes the real name, the clean-up of those a killed process left, and the steps that
// put a finished file in place.
#pragma once

#include <QString>

namespace db {

// A new, empty file ".name.XXXXXX" beside the given path (the name cut short where the temporary's own
// journal would not fit the folder), locked (flock) for as long as this object holds it, so that a
// clean-up in another process never removes it while we work. Removed, with the side files the engine may
// have made for it, when the object goes, unless release() was called after it was renamed into place.
// Throws DbError (Io) when the folder takes no new file.
class TempBeside {
public:
    explicit TempBeside(const QString& besidePath);
    ~TempBeside();
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;

    const QString& path() const { return path_; }
    // After a rename replaced the file at path() (a compaction of it), lock the new one instead.
    void relock();
    // The file was renamed away: nothing is left to remove.
    void release();

private:
    QString path_;
    int fd_ = -1;
};

// Removes the temporaries of our naming beside path (".name.XXXXXX", those of a temporary's own
// compaction, and their -journal, -wal and -shm files, and lock files a killed maker left aside) that no
// process holds, and aside lock files we may not open at all; returns how many went.
int removeStaleTemps(const QString& path);

// What another connection does with a database file, found without changing a byte of it.
enum class FileUse {
    Free,         // no other connection: it may be replaced or taken alone
    InUse,        // another connection holds it
    NotADatabase, // not a database file (or no file): nothing uses it as one
};
FileUse probeUse(const QString& path);

// The first of the engine's files beside path (-journal, -wal, -shm) that is there but no regular file of
// its own (a link, a folder, a pipe, a device), or "". Named before the engine would meet it, even one it
// opens only later (a -shm); what the engine does open is checked on its descriptor (recordWriteErrors).
QString badSideFile(const QString& path);
// The write-ahead log beside path when path keeps a rollback journal (its header says so), or "": a file in
// that mode never has a log of its own, and the engine would read another database's pages from it.
QString foreignLog(const QString& path);
// Throws DbError(BadSideFile) naming the first file badSideFile() finds, DbError(ForeignLog) naming a
// foreign log.
void refuseBadSideFiles(const QString& path);

// Flushes a file, or a folder after a rename, to the disk; false when it cannot.
bool syncPath(const QString& path);
// Writes bytes over the whole of an existing file of ours (through the one door) and flushes it to the disk;
// false with errno set when anything fails.
bool writeSynced(const QString& path, const QByteArray& bytes);
// rename(2): replaces `to` in one step; false when it fails.
bool renameOver(const QString& from, const QString& to);
// Removes path and the engine's side files (-journal, -wal, -shm) beside it.
void removeWithSideFiles(const QString& path);

} // namespace db
