#include "masters/ImportStore.h"

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

bool exists(SQLite::Statement& st, const QVariant& v) {
    try {
        st.reset();
        db::bindValue(st, 1, v);
        // Reset at once: a statement left on its row keeps the file's read lock and pages in use.
        const bool found = st.executeStep();
        st.reset();
        return found;
    } catch (const SQLite::Exception& e) {
        db::throwSqlite(e.getExtendedErrorCode(), e.what());
    }
}

} // namespace

ImportStore::ImportStore(const QString& dbPath, const QString& table, const QStringList& fields)
    : db_(std::make_unique<Database>(dbPath)) {
    const QString t = Database::quoteIdent(table);
    count_ = db_->scalar(QStringLiteral("SELECT count(*) FROM %1").arg(t)).toLongLong();
    byNumber_ = prepare(*db_, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? LIMIT 1").arg(t, Database::quoteIdent(fields[0])));
    byCode_ = prepare(*db_, QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ? LIMIT 1").arg(t, Database::quoteIdent(fields[1])));
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
    if (byNumber_)
        byNumber_->reset();
    if (byCode_)
        byCode_->reset();
    try {
        db_->commit();
    } catch (...) {
        db_->rollback();
        throw;
    }
}

} // namespace masters
