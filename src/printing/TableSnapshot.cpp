#include "printing/TableSnapshot.h"

#include "db/Database.h"

namespace printing {

namespace {

// The only tables a report reads; the statement text is one of these constants, never built from data.
const QHash<QString, QString>& readStatements() {
    static const QHash<QString, QString> statements = [] {
        QHash<QString, QString> s;
        for (const char* name : {"商品マスタ", "顧客マスタ", "社員マスタ", "受注データ", "受注個別データ"}) {
            const QString table = QString::fromUtf8(name);
            s.insert(table, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(db::Database::quoteIdent(table)));
        }
        return s;
    }();
    return statements;
}

} // namespace

TableSnapshot::TableSnapshot(QStringList columns, std::vector<QVariantList> rows) : rows_(std::move(rows)) {
    for (int i = 0; i < columns.size(); ++i)
        columns_.insert(columns[i], i);
}

TableSnapshot TableSnapshot::read(db::Database& db, const QString& table) {
    const auto it = readStatements().find(table);
    if (it == readStatements().end())
        throw db::DbError(db::ErrorKind::NotFound, QStringLiteral("no report table ") + table);
    db::Query q = db.query(*it);
    QStringList columns;
    for (int i = 0; i < q.columnCount(); ++i)
        columns << q.columnName(i);
    std::vector<QVariantList> rows;
    while (q.next()) {
        QVariantList row;
        row.reserve(columns.size());
        for (int i = 0; i < columns.size(); ++i)
            row << q.value(i);
        rows.push_back(std::move(row));
    }
    return TableSnapshot(columns, std::move(rows));
}

QVariant TableSnapshot::value(int row, const QString& field) const {
    const int c = columns_.value(field, -1);
    if (c < 0 || row < 0 || row >= size())
        return {};
    return rows_[size_t(row)][c];
}

reports::FieldGetter TableSnapshot::fields(int row) const {
    return [this, row](const QString& field) { return value(row, field); };
}

} // namespace printing
