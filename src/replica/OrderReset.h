// Resetting the order data of a database: both order tables emptied, their seed rows written, the file
// compacted; in place, or in a copy made together with the control file. No widgets here.
#pragma once

#include <QDate>
#include <QString>
#include <functional>

namespace replica {

enum class RunStatus {
    Done,           // every step succeeded
    NothingChanged, // a check or a step failed before anything was changed
    PartlyDone,     // the orders were reset but a later step failed; the message says which
};

struct RunResult {
    RunStatus status = RunStatus::Done;
    QString message; // for the user when the run did not fully succeed
    bool ok() const { return status == RunStatus::Done; }
};

// True when a file can be created in the folder (tried for real, then removed).
bool canCreateFileIn(const QString& folder);

struct ResetOptions {
    QDate today = QDate::currentDate(); // date of the seed order
    std::function<void(const QString& dbPath)> compact;     // default: db::compactDatabase
    std::function<bool(const QString& folder)> folderWritable; // default: canCreateFileIn
};

// Clears the orders of the database at dbPath in place. Checks first (files exist and are writable, the
// control file decodes, both order tables exist, no other program has the file open), then empties both
// order tables and writes their seed rows in one transaction, closes the file and compacts it.
RunResult clearOrderData(const QString& dbPath, const ResetOptions& options = {});

// Copies the database and its control file from source to target (".vrd" appended when missing) and
// clears the copy before it is put in place; the source files are only read. An existing target is
// replaced only when the new copy is complete.
RunResult copyAndClear(const QString& source, const QString& target, const ResetOptions& options = {});

} // namespace replica
