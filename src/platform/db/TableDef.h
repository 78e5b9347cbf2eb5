// Table, field and index definitions, in the engine's own terms.
#pragma once

#include <QString>
#include <vector>

namespace db {

enum class FieldType { Long, Currency, Single, Date, Text };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Long;
    int size = 0; // characters, for Text only
    bool required = false;
};

struct IndexDef {
    QString name; // unique per table
    QString field;
    bool primary = false;
    bool unique = false;
    bool required = true;
};

struct TableDef {
    QString name;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;
};

} // namespace db
