// The SQL texts that create a table with its fields, rules and indexes: what a new database holds, and what
// the schema of a file opened later is compared with.
#pragma once

#include "db/TableDef.h"

#include <QStringList>

namespace db {

// A name in double quotes, inner quotes doubled.
QString quotedName(const QString& name);

// CREATE TABLE first, then one CREATE INDEX per index, in the definition's order.
QStringList createStatements(const TableDef& def);

} // namespace db
