// The typed errors of the database layer; windows map them to their own messages.
#pragma once

#include <QString>
#include <stdexcept>

namespace db {

enum class ErrorKind {
    DuplicateKey, // a unique index refused the value
    Required,     // Null in a required field
    ZeroLength,   // "" in a text field
    TooLong,      // text longer than the field size
    OutOfRange,   // a number outside the field's type (e.g. Long beyond 32 bits)
    Busy,         // another connection holds the lock too long
    NotADatabase, // the file is not a database of ours
    Io,           // cannot open, read or write the file
    NoCurrentRecord,
    Changed,       // the row was changed by another user since it was read
    Replaced,      // the file at the path is no longer the one this connection read
    ReadOnly,      // the file (or a read-only share) takes no write
    DiskFull,      // no room left for the write
    NotFound,      // no such table or field
    TooBig,        // the file holds a value longer than any the schema holds (kMaxValueBytes)
    ForeignSchema, // the file's schema is no longer the one it was opened with; the detail names why
    BadLock,       // the lock file is none of ours (a link, a folder, a pipe, one nobody can open); path() names it
    BadSideFile,   // the engine's journal or log beside it is no file of its own (a link, a folder, a pipe) or one
                   // this user may not read and write; path() names it
    ForeignLog,    // a write-ahead log beside a file that keeps a rollback journal: another database's, which the
                   // engine would read into this one; path() names it
    Damaged,       // an index leads a key to a row that does not hold it: the indexes must be rebuilt
    Corrupt,       // the file's pages are damaged (the engine's check failed); the detail names what, or is ""
    NoMemory,      // the engine or the program ran out of memory
    LockNotShared, // the use lock file cannot be given a mode others may open; path() names it
    LockUnmade,    // the use lock file cannot be made (a read-only folder, no room); path() names it
    Other,
};

// Whose fault a refusal is: the one judgement the grids, the import and the messages use.
enum class Fault {
    Value, // the value breaks a rule of its field and is refused again: drop the edit, refuse the line
    Row,   // the row was changed or deleted since it was read: the edit no longer applies, drop it
    File,  // the file or the engine refused, nothing typed was wrong: keep the edit, stop an import
};
Fault faultOf(ErrorKind kind);

class DbError : public std::runtime_error {
public:
    DbError(ErrorKind kind, const QString& detail, const QString& path = {});
    ErrorKind kind() const { return kind_; }
    QString detail() const { return QString::fromStdString(what()); }
    // The file the error is about where that is not the database (the lock file of BadLock and
    // LockNotShared, the journal or log of BadSideFile and ForeignLog), or the damaged database where it is
    // known (Corrupt, Damaged: for the cure's command); "" otherwise.
    const QString& path() const { return path_; }

private:
    ErrorKind kind_;
    QString path_;
};

// Turns an SQLite result code and message into the matching error.
[[noreturn]] void throwSqlite(int extendedCode, const char* message);

// What a failed write's system error number means to the user: a full disk (no room, a quota, a file-size
// limit), a read-only file system, else a plain I/O error.
ErrorKind writeErrorKind(int systemErrno);

} // namespace db
