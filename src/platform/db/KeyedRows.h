// Rows found by a key are checked against the rows themselves. A damaged index (a disk fault, a bad copy,
// another program) can lead a key to another row; the engine reads an indexed field from the index, so
// only the row itself tells. A write there would change the wrong record and report success; an index that
// lacks a row's entry hides the row from the write. Each check
// throws DbError(ErrorKind::Damaged); the transaction around the write rolls back.
#pragma once

#include "db/Database.h"

#include <memory>
#include <optional>
#include <vector>

namespace SQLite {
class Statement;
}

namespace db {

// The rows of one table by one field, found through the field's index and each read back by its row id.
// Prepared once for many keys; it must go before the connection does.
class KeyLookup {
  public:
    KeyLookup(Database& db, const QString& table, const QString& field);
    ~KeyLookup();
    KeyLookup(const KeyLookup&) = delete;
    KeyLookup& operator=(const KeyLookup&) = delete;

    // The ids of the rows whose field holds key.
    std::vector<qint64> rows(const QVariant& key);
    // The one row that holds a unique key, or none.
    std::optional<qint64> row(const QVariant& key);

  private:
    QString table_, field_;
    std::unique_ptr<SQLite::Statement> st_;
};

// One look-up, as above.
std::vector<qint64> rowsWithKey(Database& db, const QString& table, const QString& field,
                                const QVariant& key);
std::optional<qint64> rowWithKey(Database& db, const QString& table, const QString& field,
                                 const QVariant& key);

// Throws unless the value the row holds in a unique field leads through the field's index to this row (a
// row that is gone, or holds Null there, passes: the write that follows finds no row).
void checkRowKey(Database& db, const QString& table, const QString& field, qint64 rowid);

} // namespace db
