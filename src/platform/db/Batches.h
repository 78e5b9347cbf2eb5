// A large table read in short batches rather than in one long read. The engine keeps every writer out while
// a read is under way, and a save waits only its busy time: each batch is a statement of its own, so the
// read lock is given up between batches and another user's save waits for one batch at most.
#pragma once

#include "db/Database.h"

#include <limits>

namespace db {

inline constexpr int kRowsPerBatch = 2000;

// sql selects the row id of the table it walks as its last column, and ends in "rowid > ? ORDER BY rowid
// LIMIT ?" (with the caller's alias), its own parameters before those two. row(q) is called for every row.
template <class Row> void readInBatches(Database& db, const QString& sql, Params params, Row&& row) {
    const qsizetype after = params.size();
    params << std::numeric_limits<qint64>::min() << kRowsPerBatch;
    for (;;) {
        Query q = db.query(sql, params);
        int n = 0;
        while (q.next()) {
            params[after] = q.toInt64(q.columnCount() - 1);
            row(q);
            ++n;
        }
        if (n < kRowsPerBatch) return;
    }
}

} // namespace db
