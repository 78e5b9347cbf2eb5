#include "db/TableSql.h"

namespace db {

namespace {

QString typeName(const FieldDef& f) {
    switch (f.type) {
    case FieldType::Long:
        return QStringLiteral("LONG");
    case FieldType::Currency:
        return QStringLiteral("CURRENCY");
    case FieldType::Single:
        return QStringLiteral("SINGLE");
    case FieldType::Date:
        return QStringLiteral("DATE");
    case FieldType::Text:
        return QStringLiteral("TEXT(%1)").arg(f.size);
    }
    return {};
}

// The engine's rules as named CHECK constraints, so a refusal tells which rule it was.
QString columnSql(const FieldDef& f) {
    const QString col = quotedName(f.name);
    auto check = [&](const char* prefix, const QString& expr) {
        return QStringLiteral(" CONSTRAINT %1 CHECK (%2)")
            .arg(quotedName(QLatin1String(prefix) + f.name), expr);
    };
    QString sql = col + QLatin1Char(' ') + typeName(f);
    if (f.required) sql += QStringLiteral(" NOT NULL");
    switch (f.type) {
    case FieldType::Long:
        sql += check("rng_", QStringLiteral("%1 IS NULL OR (typeof(%1) = 'integer' AND %1 BETWEEN "
                                            "-2147483648 AND 2147483647)")
                                 .arg(col));
        break;
    case FieldType::Currency:
        sql += check("rng_", QStringLiteral("%1 IS NULL OR typeof(%1) = 'integer'").arg(col));
        break;
    case FieldType::Single:
    case FieldType::Date:
        sql += check("rng_", QStringLiteral("%1 IS NULL OR typeof(%1) IN ('integer', 'real')").arg(col));
        break;
    case FieldType::Text:
        sql += check("zl_", QStringLiteral("%1 IS NULL OR %1 <> ''").arg(col));
        sql += check("len_", QStringLiteral("%1 IS NULL OR length(%1) <= %2").arg(col).arg(f.size));
        break;
    }
    return sql;
}

} // namespace

QString quotedName(const QString& name) {
    QString q = name;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QStringList createStatements(const TableDef& def) {
    QStringList cols;
    for (const auto& f : def.fields)
        cols << columnSql(f);
    QStringList out{
        QStringLiteral("CREATE TABLE %1 (%2)").arg(quotedName(def.name), cols.join(QStringLiteral(", ")))};
    for (const auto& ix : def.indexes) {
        // Index names are per database in SQLite, per table in the schema: prefix the table.
        out << QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                   .arg(ix.unique || ix.primary ? QStringLiteral("UNIQUE ") : QString(),
                        quotedName(def.name + QLatin1Char('.') + ix.name), quotedName(def.name),
                        quotedName(ix.field));
    }
    return out;
}

} // namespace db
