// Whether a file's schema is exactly the one our own CREATE statements make: the same tables with the same
// columns and rules, the same indexes, and nothing else (no trigger, view, virtual table, generated column,
// extra index). A file from anyone may carry its own code in its schema, which would run on our writes.
#pragma once

#include "db/TableDef.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace db {

// One row of sqlite_master.
struct SchemaObject {
    QString type; // "table", "index", "view", "trigger"
    QString name;
    QString table;
    QString sql; // "" when the engine made the object itself
};

struct SchemaDifference {
    enum class Kind {
        None,     // the schema is ours
        Foreign,  // an object we never make
        Changed,  // one of ours, defined otherwise
        Missing,  // one of ours is not there
        Encoding, // the file's texts are not UTF-8; the name is the encoding
    };
    Kind kind = Kind::None;
    QString type;
    QString name;
    explicit operator bool() const { return kind != Kind::None; }
};

// The SQL text as the engine reads it: whitespace and comments dropped, bare words in upper case, quoted
// names, strings and numbers as written. Two texts with the same tokens make the same object.
QStringList sqlTokens(const QString& sql);

// What the definitions' statements make, built in a database in memory: the rows of sqlite_master and
// each table's columns as the engine sees them.
struct ExpectedSchema {
    explicit ExpectedSchema(const std::vector<TableDef>& defs); // throws DbError
    // The one built for these definitions, kept for the next check (the database in memory is most of its
    // cost). Throws DbError when it cannot be built.
    static std::shared_ptr<const ExpectedSchema> of(const std::vector<TableDef>& defs);
    std::vector<SchemaObject> objects;
    std::vector<std::pair<QString, std::vector<QStringList>>> columns; // by table, in definition order
};

// The file's schema against the definitions': its text encoding (UTF-8 only), sqlite_master compared by
// tokens (the first object of the file's, in its order, that is not the same, else the first expected one it
// lacks), then each table's columns as the engine sees them (hidden and generated ones included). Throws
// DbError when it cannot be read.
SchemaDifference schemaDifference(sqlite3* db, const ExpectedSchema& expected);

// Why a connection's file is not of the schema it must have, as the user reads it; "" when it is. Throws
// DbError when the schema cannot be read.
using SchemaTest = std::function<QString(sqlite3*)>;

// Whoever opened the file at path as a database of its own says what its schema must be. Another program
// may add its own objects while we have the file open: every read-write connection to the path opened from
// now on runs the test as it opens, and again before a write or the next use of a kept connection when the
// file's schema changed since (throwing ErrorKind::ForeignSchema with the test's text). An empty test
// expects nothing.
void expectSchema(const QString& path, SchemaTest test);
SchemaTest expectedSchema(const QString& path);

} // namespace db
