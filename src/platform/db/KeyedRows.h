// Rows found by a key are checked against the rows themselves. A damaged index (a disk fault, a bad copy,
// another program) can lead a key to another row; the engine reads an indexed field from the index, so
// only the row itself tells. A write there would change the wrong record and report success. Each check
// throws DbError(ErrorKind::Damaged); the transaction around the write rolls back.
#pragma once

#include "db/Database.h"

#include <optional>
#include <vector>

namespace db {

// The ids of the rows whose field holds key, found through the field's index, each read back from its row.
std::vector<qint64> rowsWithKey(Database& db, const QString& table, const QString& field, const QVariant& key);

// The one row that holds a unique key, or none.
std::optional<qint64> rowWithKey(Database& db, const QString& table, const QString& field, const QVariant& key);

// Throws unless the value the row holds in a unique field leads through the field's index to this row (a
// row that is gone, or holds Null there, passes: the write that follows finds no row).
void checkRowKey(Database& db, const QString& table, const QString& field, qint64 rowid);

// For a caller that keeps its look-up prepared: the query of rowsWithKey (parameter 1 is the key; columns:
// the row id, and whether the row holds the key), and the check of its second column.
QString keyLookupSql(const QString& table, const QString& field);
void requireHeld(bool held, const QString& table, const QString& field);

} // namespace db
