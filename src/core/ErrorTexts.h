// The one table of what a user reads for an error of the database layer, naming the file it concerns: the
// database, its lock file, the engine's journal or log beside it. Every window and VarnoxReplica add only
// what they were doing.
#pragma once

#include "db/DbError.h"

#include <QString>
#include <exception>

namespace core {

// What was being done when the error came: the words after the cause differ.
enum class Doing {
    Reading, // nothing was changed
    Writing, // nothing was stored, and the text says so
    Opening, // ＤＢオープン's look at a file before it is taken
};

// Another program holds the database: the one text of ErrorKind::Busy.
extern const QString kBusyText;
// Running out of memory, as every window says it.
extern const QString kNoMemoryText;

// The text of an error of kind. dbPath is the database's path ("" where the caller does not know it), path
// the file beside it that the error is about (DbError::path()), detail what the error says of itself (the
// damaged table, the foreign object, the refused value).
QString errorText(db::ErrorKind kind, Doing doing, const QString& dbPath, const QString& path = {},
                  const QString& detail = {});
QString errorText(const db::DbError& e, Doing doing, const QString& dbPath);
// The same for anything thrown: a number beyond what the program handles, no memory; "" for an error that
// is none of these nor the database's.
QString errorText(const std::exception& e, Doing doing, const QString& dbPath);

// The database file, or its folder where the journal is made, takes no write: a read-only file or folder.
bool folderTakesNoFile(const QString& dbPath);

// The texts of the files beside the database, also used where no error was thrown.
QString lockFileText(const QString& lockPath);
QString lockUnmadeText(const QString& lockPath, bool saving = true);

} // namespace core
