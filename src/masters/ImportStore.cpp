#include "masters/ImportStore.h"

#include "db/KeyedRows.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace masters {

namespace {

using db::Database;

std::unique_ptr<SQLite::Statement> prepare(Database& db, const QString& sql) {
    try {
        return std::make_unique<SQLite::Statement>(db.handle(), sql.toStdString());
    } catch (const SQLite::Exception& e) {
        db::throwSqlite(e.getExtendedErrorCode(), e.what());
    }
}

} // namespace

// The row the index finds must hold the key (db::KeyLookup): a damaged index could tell of a row under
// another key, and the rows accepted meanwhile were checked against it, so the open batch goes.
bool ImportStore::exists(db::KeyLookup& lookup, const QVariant& v) {
    try {
        return !lookup.rows(v).empty();
    } catch (const db::DbError& e) {
        if (e.kind() == db::ErrorKind::Damaged && db_->inTransaction())
            db_->rollback();
        throw;
    }
}

ImportStore::ImportStore(const QString& dbPath, const QString& table, const QStringList& fields)
    : db_(std::make_unique<Database>(dbPath)) {
    const QString t = Database::quoteIdent(table);
    count_ = db_->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(t)).toLongLong();
    byNumber_ = std::make_unique<db::KeyLookup>(*db_, table, fields[0]);
    byCode_ = std::make_unique<db::KeyLookup>(*db_, table, fields[1]);
    QStringList cols, marks;
    for (const QString& f : fields) {
        cols << Database::quoteIdent(f);
        marks << QStringLiteral("?");
    }
    insert_ = prepare(*db_, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                .arg(t, cols.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
}

ImportStore::~ImportStore() {
    // Statements must go before the connection; an open batch is stored, as every accepted row is.
    byNumber_.reset();
    byCode_.reset();
    insert_.reset();
    try {
        commit();
    } catch (...) {
    }
}

bool ImportStore::numberExists(qint64 no) { return exists(*byNumber_, no); }

bool ImportStore::codeExists(const QString& code) { return exists(*byCode_, code); }

void ImportStore::ensureTransaction() {
    if (!db_->inTransaction())
        db_->begin();
}

void ImportStore::insert(const db::Params& values) {
    ensureTransaction();
    try {
        insert_->reset();
        insert_->clearBindings();
        for (int i = 0; i < values.size(); ++i)
            db::bindValue(*insert_, i + 1, values[i]);
        insert_->exec();
    } catch (const SQLite::Exception& e) {
        insert_->tryReset(); // gives the same error again: only the first is reported
        db::throwSqlite(e.getExtendedErrorCode(), e.what());
    }
    ++count_;
}

void ImportStore::commit() {
    if (!db_ || !db_->inTransaction())
        return;
    try {
        db_->commit();
    } catch (...) {
        db_->rollback();
        throw;
    }
}

} // namespace masters
