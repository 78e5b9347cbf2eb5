#include "db/DbError.h"

#include "db/WriteErrors.h"

#include <cerrno>
#include <cstring>
#include <sqlite3.h>

namespace db {

DbError::DbError(ErrorKind kind, const QString& detail, const QString& path)
    : std::runtime_error(detail.toStdString()), kind_(kind), path_(path) {}

Fault faultOf(ErrorKind kind) {
    switch (kind) {
    case ErrorKind::DuplicateKey:
    case ErrorKind::Required:
    case ErrorKind::ZeroLength:
    case ErrorKind::TooLong: // also a value bound beyond kMaxValueBytes (see bindVariant)
    case ErrorKind::OutOfRange: return Fault::Value;
    case ErrorKind::Changed:
    case ErrorKind::NoCurrentRecord: return Fault::Row;
    // TooBig is a value the file holds: no value Varnox binds gets that far.
    case ErrorKind::TooBig:
    case ErrorKind::Busy:
    case ErrorKind::NotADatabase:
    case ErrorKind::Io:
    case ErrorKind::Replaced:
    case ErrorKind::ReadOnly:
    case ErrorKind::DiskFull:
    case ErrorKind::NotFound:
    case ErrorKind::ForeignSchema:
    case ErrorKind::BadLock:
    case ErrorKind::BadSideFile:
    case ErrorKind::ForeignLog:
    case ErrorKind::Damaged:
    case ErrorKind::Corrupt:
    case ErrorKind::NoMemory:
    case ErrorKind::LockNotShared:
    case ErrorKind::LockUnmade:
    case ErrorKind::Other: break;
    }
    return Fault::File;
}

ErrorKind writeErrorKind(int systemErrno) {
    switch (systemErrno) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return ErrorKind::DiskFull;
    case EROFS: return ErrorKind::ReadOnly;
    default: return ErrorKind::Io;
    }
}

void throwSqlite(int code, const char* message) {
    const QString msg = QString::fromUtf8(message ? message : "");
    const int writeErrno = takeLastWriteErrno(); // taken by every error, so none is left for a later one
    if (const QString side = takeBadSideFile(); !side.isEmpty())
        throw DbError(ErrorKind::BadSideFile, QStringLiteral("side file none of ours: ") + side, side);
    if (const QString file = takeBadDatabaseFile(); !file.isEmpty())
        throw DbError(ErrorKind::Io, QStringLiteral("not a regular file: ") + file, file);
    const int primary = code & 0xff;
    ErrorKind kind = ErrorKind::Other;
    switch (code) {
    case SQLITE_CONSTRAINT_UNIQUE:
    case SQLITE_CONSTRAINT_PRIMARYKEY: kind = ErrorKind::DuplicateKey; break;
    case SQLITE_CONSTRAINT_NOTNULL: kind = ErrorKind::Required; break;
    case SQLITE_CORRUPT_INDEX: kind = ErrorKind::Damaged; break; // the table is whole; its index is not
    case SQLITE_CONSTRAINT_CHECK:
        // Our CHECK constraints are named by what they guard (see Database::createTable).
        if (msg.contains(QLatin1String("zl_")))
            kind = ErrorKind::ZeroLength;
        else if (msg.contains(QLatin1String("len_")))
            kind = ErrorKind::TooLong;
        else if (msg.contains(QLatin1String("req_")))
            kind = ErrorKind::Required;
        else
            kind = ErrorKind::OutOfRange;
        break;
    default:
        switch (primary) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: kind = ErrorKind::Busy; break;
        case SQLITE_NOTADB:
            kind = ErrorKind::NotADatabase;
            break;
        case SQLITE_CORRUPT:
            kind = ErrorKind::Corrupt;
            break;
        case SQLITE_NOMEM:
            kind = ErrorKind::NoMemory;
            break;
        case SQLITE_IOERR:
            // The engine itself calls only ENOSPC a full disk.
            kind = writeErrorKind(writeErrno);
            break;
        case SQLITE_CANTOPEN:
        case SQLITE_PERM: kind = ErrorKind::Io; break;
        case SQLITE_READONLY: kind = ErrorKind::ReadOnly; break;
        case SQLITE_FULL: kind = ErrorKind::DiskFull; break;
        case SQLITE_TOOBIG: kind = ErrorKind::TooBig; break;
        case SQLITE_CONSTRAINT: kind = ErrorKind::OutOfRange; break;
        default:
            if (msg.startsWith(QLatin1String("no such")))
                kind = ErrorKind::NotFound;
            break;
        }
    }
    // The engine's words are no cause a user reads: a damaged file's detail names what is damaged.
    throw DbError(kind, kind == ErrorKind::Corrupt ? QString() : msg);
}

} // namespace db
