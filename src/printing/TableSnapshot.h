// Rows of one table held in memory, by field name: what the page loops read when they are handed rows
// rather than the database (tests).
#pragma once

#include "reports/Records.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <vector>

namespace printing {

class TableSnapshot {
public:
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
