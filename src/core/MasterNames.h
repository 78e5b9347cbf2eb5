// Code -> name look-ups of a master, read once, for lists that show names beside order codes.
#pragma once

#include "db/Database.h"
#include "db/Batches.h"

#include <QHash>
#include <QString>

namespace core {

// The row's first two columns as code and name, unless the code is there already: the first row with a
// code wins, as a search from the top finds it.
inline void addCodeName(QHash<QString, QString>& names, const db::Query& q) {
    if (const QString code = q.toText(0); !names.contains(code))
        names.insert(code, q.toText(1));
}

inline QHash<QString, QString> codeNamesOf(db::Query& q) {
    QHash<QString, QString> names;
    while (q.next())
        addCodeName(names, q);
    return names;
}

// The same in short reads: sql selects code, name and the row id, and ends as db::readInBatches asks.
inline QHash<QString, QString> loadCodeNames(db::Database& db, const QString& sql) {
    QHash<QString, QString> names;
    db::readInBatches(db, sql, {}, [&](const db::Query& q) { addCodeName(names, q); });
    return names;
}

// The name, or the prefix and the code when the master has no such row.
inline QString nameOrCode(const QHash<QString, QString>& names, const QString& code,
                          const QString& prefix = QStringLiteral("Code=")) {
    const auto it = names.constFind(code);
    return it != names.constEnd() ? *it : prefix + code;
}

} // namespace core
