// The rows a report prints from: one whole table read once, in the order the database keeps it.
#pragma once

#include "reports/Records.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <vector>

namespace db {
class Database;
}

namespace printing {

class TableSnapshot {
public:
    // Reads every row of one of the five business tables (seed row included), in stored order.
    // Throws db::DbError when the table cannot be read; refuses names outside the schema.
    static TableSnapshot read(db::Database& db, const QString& table);
    // A snapshot built in memory (tests and callers that already hold rows).
    TableSnapshot(QStringList columns, std::vector<QVariantList> rows);
    TableSnapshot() = default;

    int size() const { return int(rows_.size()); }
    bool empty() const { return rows_.empty(); }
    // Field of a row by name; Null (invalid) when the value or the column is missing.
    QVariant value(int row, const QString& field) const;
    reports::FieldGetter fields(int row) const;

private:
    QHash<QString, int> columns_;
    std::vector<QVariantList> rows_;
};

} // namespace printing
