// The rows a report prints from, read forward once so that memory stays flat however long the report:
// a table in the order the database keeps it, or the orders each with its own lines. The in-memory
// forms take snapshots (tests, and callers that already hold rows).
#pragma once

#include "printing/TableSnapshot.h"
#include "reports/Records.h"

#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>
#include <vector>

namespace db {
class Database;
class Query;
} // namespace db

namespace printing {

// A forward pass over the rows of one table.
class Rows {
public:
    virtual ~Rows() = default;
    // Moves to the next row (the first on the first call); false after the last.
    virtual bool next() = 0;
    // A field of the current row; Null (invalid) when it is Null or there is no such field.
    virtual QVariant value(const QString& field) const = 0;
    reports::FieldGetter fields() const {
        return [this](const QString& field) { return value(field); };
    }
};

// A forward pass over the orders, each with its lines in table order.
class OrdersWithLines : public Rows {
public:
    virtual int lineCount() const = 0;
    virtual QVariant line(int i, const QString& field) const = 0;
    reports::FieldGetter lineFields(int i) const {
        return [this, i](const QString& field) { return line(i, field); };
    }
};

// Over a snapshot held elsewhere.
std::unique_ptr<Rows> rowsOf(const TableSnapshot& table);
std::unique_ptr<OrdersWithLines> ordersWithLinesOf(const TableSnapshot& orders, const TableSnapshot& lines);

// From the database, which must stay open while they are read. Throw db::DbError. where, when given, is
// a constant condition on the table (named o) that leaves out rows the report would pass over anyway.
std::unique_ptr<Rows> readRows(db::Database& db, const QString& table, const char* where = nullptr);
std::unique_ptr<OrdersWithLines> readOrdersWithLines(db::Database& db, const char* where = nullptr);
// Code -> name of the first row with each code, in table order (the invoice's client and goods names).
QHash<QString, QString> namesOf(const TableSnapshot& table, const QString& codeField, const QString& nameField);
// Rows of a table, its seed row counted.
qint64 countRows(db::Database& db, const QString& table);

} // namespace printing
