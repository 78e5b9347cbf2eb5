#include "printing/TableSnapshot.h"

namespace printing {

TableSnapshot::TableSnapshot(QStringList columns, std::vector<QVariantList> rows) : rows_(std::move(rows)) {
    for (int i = 0; i < columns.size(); ++i)
        columns_.insert(columns[i], i);
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
