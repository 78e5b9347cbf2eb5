#include "db/KeyedRows.h"

namespace db {

namespace {

[[noreturn]] void damaged(const QString& table, const QString& field) {
    throw DbError(ErrorKind::Damaged,
                  QStringLiteral("the index of %1.%2 leads to a row that does not hold its key").arg(table, field));
}

} // namespace

// The row is read again by its id, with no index allowed: the key as the row holds it.
QString keyLookupSql(const QString& table, const QString& field) {
    const QString t = Database::quoteIdent(table);
    const QString f = Database::quoteIdent(field);
    return QStringLiteral("SELECT rowid, (SELECT %2 FROM %1 AS kept NOT INDEXED WHERE kept.rowid = %1.rowid) = ?1 "
                          "FROM %1 WHERE %2 = ?1")
        .arg(t, f);
}

void requireHeld(bool held, const QString& table, const QString& field) {
    if (!held)
        damaged(table, field);
}

std::vector<qint64> rowsWithKey(Database& db, const QString& table, const QString& field, const QVariant& key) {
    std::vector<qint64> rows;
    Query q = db.query(keyLookupSql(table, field), {key});
    while (q.next()) {
        requireHeld(q.toInt64(1) == 1, table, field);
        rows.push_back(q.toInt64(0));
    }
    return rows;
}

std::optional<qint64> rowWithKey(Database& db, const QString& table, const QString& field, const QVariant& key) {
    const std::vector<qint64> rows = rowsWithKey(db, table, field, key);
    if (rows.size() > 1)
        damaged(table, field); // a unique index holds each key once
    return rows.empty() ? std::nullopt : std::optional<qint64>(rows.front());
}

void checkRowKey(Database& db, const QString& table, const QString& field, qint64 rowid) {
    const QString t = Database::quoteIdent(table);
    const QString f = Database::quoteIdent(field);
    Query q = db.query(
        QStringLiteral("SELECT rowid FROM %1 WHERE %2 = (SELECT %2 FROM %1 AS kept NOT INDEXED WHERE kept.rowid = ?)")
            .arg(t, f),
        {rowid});
    bool found = false;
    while (q.next()) {
        if (q.toInt64(0) != rowid)
            damaged(table, field);
        found = true;
    }
    if (found)
        return;
    const QVariant keyed =
        db.scalar(QStringLiteral("SELECT %2 IS NOT NULL FROM %1 NOT INDEXED WHERE rowid = ?").arg(t, f), {rowid});
    if (keyed.isValid() && keyed.toLongLong() != 0)
        damaged(table, field); // the row is missing from its index
}

} // namespace db
