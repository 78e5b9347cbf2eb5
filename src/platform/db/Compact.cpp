#include "db/Compact.h"

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Defensive.h"
#include "db/SideFiles.h"
#include "db/UseLock.h"
#include "db/WriteErrors.h"
#include "os/FileModes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace db {

void compactDatabase(const QString& givenPath) {
    recordWriteErrors();
    const QFileInfo given(givenPath);
    // Work on the file itself, so a link to the database stays a link. Anything but a regular file there is
    // refused by the engine's open.
    const QString path = given.canonicalFilePath();
    if (path.isEmpty()) throw DbError(ErrorKind::Io, QStringLiteral("file not found: ") + givenPath);
    const QFileInfo info(path);

    // A unique name beside the database, so the rename stays on one file system. The reserved file is
    // kept (VACUUM INTO accepts an empty file), so no other program can take the name in between; a
    // killed run leaves it for the next clean-up.
    // No Varnox opens the file until the compacted one is in place (Busy when one has it open).
    const auto alone = UseLock::take(path, UseLock::Mode::Exclusive);
    if (alone->connections() > 0)
        throw DbError(ErrorKind::Busy, QStringLiteral("the database is open: ") + path);
    TempBeside temp(path);
    try {
        // The compacted file takes the original's mode and group, not those its maker's umask and primary
        // group give a new file: every user who could write the file still can.
        QStringList notKept;
        const os::Shared got = os::shareAs(temp.path(), path, 07777, &notKept);
        if (got == os::Shared::NoGroup)
            throw DbError(ErrorKind::Other,
                          QStringLiteral("cannot give the compacted file the group of ") + path);
        if (got == os::Shared::NoRights)
            throw DbError(ErrorKind::Other, QStringLiteral("cannot give the compacted file the rights (") +
                                                notKept.join(QLatin1Char(' ')) + QStringLiteral(") of ") +
                                                path);
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE, 0);
        if (!defendConnection(db.getHandle()))
            throw DbError(ErrorKind::Other, QStringLiteral("the engine refused the defensive settings"));
        try {
            // Leaving WAL mode needs the file alone: another open connection makes this fail (busy).
            db.exec("PRAGMA journal_mode = DELETE");
            syncEveryCommit(db);
            db.exec("PRAGMA locking_mode = EXCLUSIVE");
            db.exec("BEGIN EXCLUSIVE");
            db.exec("COMMIT"); // the exclusive lock stays until the connection closes
            removeStaleTemps(path); // ours alone now: what a killed run left goes
            SQLite::Statement vacuum(db, "VACUUM INTO ?");
            vacuum.bind(1, QFile::encodeName(temp.path()).toStdString());
            vacuum.exec();
        } catch (const SQLite::Exception& e) {
            throwSqlite(e.getExtendedErrorCode(), e.what());
        }
        if (!syncPath(temp.path()))
            throw DbError(ErrorKind::Io, QStringLiteral("cannot flush ") + temp.path());
        if (!renameOver(temp.path(), path))
            throw DbError(ErrorKind::Io, QStringLiteral("cannot replace ") + path);
        temp.release();
        syncPath(info.absolutePath());
    } catch (const SQLite::Exception& e) {
        throwSqlite(e.getExtendedErrorCode(), e.what());
    }
}

} // namespace db
