#include "db/KeyedRows.h"

#include <SQLiteCpp/SQLiteCpp.h>

namespace db {

namespace {

[[noreturn]] void damaged(const QString& table, const QString& field) {
    throw DbError(
        ErrorKind::Damaged,
        QStringLiteral("the index of %1.%2 leads to a row that does not hold its key").arg(table, field));
}

// An index that lacks entries finds no row for a key a row holds, and one with entries too many finds rows
// twice: the index's count of entries is compared with the table's rows, counted by row id with no index.
void checkIndexCount(Database& db, const QString& table, const QString& field) {
    const QString check = QStringLiteral("index count ") + table + QLatin1Char('.') + field;
    if (db.passedSinceChange(check)) return;
    const QString index =
        db.scalar(QStringLiteral("SELECT il.name FROM pragma_index_list(?1) AS il "
                                 "WHERE (SELECT count(*) FROM pragma_index_info(il.name)) = 1 "
                                 "AND (SELECT name FROM pragma_index_info(il.name)) = ?2"),
                  {table, field})
            .toString();
    if (index.isEmpty()) return;
    const QString t = Database::quoteIdent(table);
    const QString f = Database::quoteIdent(field);
    const qint64 entries =
        db.scalar(QStringLiteral("SELECT count(*) FROM (SELECT %3 FROM %1 INDEXED BY %2 ORDER BY %3)")
                      .arg(t, Database::quoteIdent(index), f))
            .toLongLong();
    if (entries != db.scalar(QStringLiteral("SELECT count(*) FROM %1 NOT INDEXED").arg(t)).toLongLong())
        throw DbError(ErrorKind::Damaged,
                      QStringLiteral("the index of %1.%2 does not hold every row").arg(table, field));
    db.passed(check);
}

} // namespace

// The second column reads the row again by its id, with no index allowed: the key as the row holds it.
KeyLookup::KeyLookup(Database& db, const QString& table, const QString& field)
    : table_(table), field_(field) {
    const QString t = Database::quoteIdent(table);
    const QString f = Database::quoteIdent(field);
    const QString sql =
        QStringLiteral(
            "SELECT rowid, (SELECT %2 FROM %1 AS kept NOT INDEXED WHERE kept.rowid = %1.rowid) = ?1 "
            "FROM %1 WHERE %2 = ?1")
            .arg(t, f);
    checkIndexCount(db, table, field);
    try {
        st_ = std::make_unique<SQLite::Statement>(db.handle(), sql.toStdString());
    } catch (const SQLite::Exception& e) {
        throwSqlite(e.getExtendedErrorCode(), e.what());
    }
}

KeyLookup::~KeyLookup() = default;

std::vector<qint64> KeyLookup::rows(const QVariant& key) {
    std::vector<qint64> out;
    try {
        st_->reset();
        bindValue(*st_, 1, key);
        while (st_->executeStep()) {
            if (st_->getColumn(1).getInt64() != 1) {
                st_->reset();
                damaged(table_, field_);
            }
            out.push_back(st_->getColumn(0).getInt64());
        }
    } catch (const SQLite::Exception& e) {
        st_->tryReset();
        throwSqlite(e.getExtendedErrorCode(), e.what());
    }
    return out;
}

std::optional<qint64> KeyLookup::row(const QVariant& key) {
    const std::vector<qint64> found = rows(key);
    if (found.size() > 1) damaged(table_, field_); // a unique index holds each key once
    return found.empty() ? std::nullopt : std::optional<qint64>(found.front());
}

std::vector<qint64> rowsWithKey(Database& db, const QString& table, const QString& field,
                                const QVariant& key) {
    return KeyLookup(db, table, field).rows(key);
}

std::optional<qint64> rowWithKey(Database& db, const QString& table, const QString& field,
                                 const QVariant& key) {
    return KeyLookup(db, table, field).row(key);
}

void checkRowKey(Database& db, const QString& table, const QString& field, qint64 rowid) {
    const QString t = Database::quoteIdent(table);
    const QString f = Database::quoteIdent(field);
    Query q = db.query(
        QStringLiteral(
            "SELECT rowid FROM %1 WHERE %2 = (SELECT %2 FROM %1 AS kept NOT INDEXED WHERE kept.rowid = ?)")
            .arg(t, f),
        {rowid});
    bool found = false;
    while (q.next()) {
        if (q.toInt64(0) != rowid) damaged(table, field);
        found = true;
    }
    if (found) return;
    const QVariant keyed = db.scalar(
        QStringLiteral("SELECT %2 IS NOT NULL FROM %1 NOT INDEXED WHERE rowid = ?").arg(t, f), {rowid});
    if (keyed.isValid() && keyed.toLongLong() != 0)
        damaged(table, field); // the row is missing from its index
}

} // namespace db
