// The SQL of the master imports: one connection, statements prepared once, rows written in one transaction.
#pragma once

#include "db/Database.h"
#include "db/KeyedRows.h"

#include <QStringList>
#include <memory>

namespace SQLite {
class Statement;
}

namespace masters {

class ImportStore {
public:
    // Opens the database and prepares the look-ups and the insert for the table's fields (names in field
    // order; the first is the record number, the second the code). Throws db::DbError.
    ImportStore(const QString& dbPath, const QString& table, const QStringList& fields);
    ~ImportStore();

    qint64 rowCount() const { return count_; }
    // Exact matches through the unique indexes of the number and code columns. Throws db::DbError (Damaged,
    // the open batch rolled back, when the index leads to a row under another key).
    bool numberExists(qint64 no);
    bool codeExists(const QString& code);
    // Adds one row; a refused row throws db::DbError and leaves nothing behind (a statement is atomic).
    void insert(const db::Params& values);

    // Rows are written in one transaction, each commit a sync of the disk (the engine writes what does not
    // fit its cache into the file meanwhile); commit() ends it (before a message box waits on the user,
    // and at the end). Throws db::DbError when the rows cannot be stored.
    void commit();

private:
    void ensureTransaction();
    bool exists(db::KeyLookup& lookup, const QVariant& v);

    std::unique_ptr<db::Database> db_;
    std::unique_ptr<db::KeyLookup> byNumber_;
    std::unique_ptr<db::KeyLookup> byCode_;
    std::unique_ptr<SQLite::Statement> insert_;
    qint64 count_ = 0;
};

} // namespace masters
