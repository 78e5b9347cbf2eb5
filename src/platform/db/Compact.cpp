#include "db/Compact.h"

#include "db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <SQLiteCpp/SQLiteCpp.h>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace db {

namespace {

void syncFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        throw DbError(ErrorKind::Io, QStringLiteral("cannot open ") + path);
    const int rc = ::fsync(fd);
    ::close(fd);
    if (rc != 0)
        throw DbError(ErrorKind::Io, QStringLiteral("cannot flush ") + path);
}

} // namespace

void compactDatabase(const QString& givenPath) {
    const QFileInfo given(givenPath);
    if (!given.exists() || !given.isFile())
        throw DbError(ErrorKind::Io, QStringLiteral("file not found: ") + givenPath);
    // Work on the file itself, so a link to the database stays a link.
    const QString path = given.canonicalFilePath();
    const QFileInfo info(path);

    // A unique name beside the database, so the rename stays on one file system. The reserved file is
    // kept (VACUUM INTO accepts an empty file), so no other program can take the name in between.
    QString temp;
    {
        QTemporaryFile reserve(info.absolutePath() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".XXXXXX"));
        reserve.setAutoRemove(false);
        if (!reserve.open())
            throw DbError(ErrorKind::Io, QStringLiteral("cannot create a temporary file beside ") + path);
        temp = reserve.fileName();
    }

    try {
        // The compacted file takes the original's permissions, not the private ones of a temporary file.
        QFile::setPermissions(temp, QFile::permissions(path));
        SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE, 0);
        try {
            // Leaving WAL mode needs the file alone: another open connection makes this fail (busy).
            db.exec("PRAGMA journal_mode = DELETE");
            db.exec("PRAGMA locking_mode = EXCLUSIVE");
            db.exec("BEGIN EXCLUSIVE");
            db.exec("COMMIT"); // the exclusive lock stays until the connection closes
            SQLite::Statement vacuum(db, "VACUUM INTO ?");
            vacuum.bind(1, QFile::encodeName(temp).toStdString());
            vacuum.exec();
        } catch (const SQLite::Exception& e) {
            throwSqlite(e.getExtendedErrorCode(), e.what());
        }
        syncFile(temp);
        if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0)
            throw DbError(ErrorKind::Io, QStringLiteral("cannot replace ") + path);
        syncFile(info.absolutePath());
    } catch (const SQLite::Exception& e) {
        QFile::remove(temp);
        throwSqlite(e.getExtendedErrorCode(), e.what());
    } catch (...) {
        QFile::remove(temp);
        throw;
    }
}

} // namespace db
