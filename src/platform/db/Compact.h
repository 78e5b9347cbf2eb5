// Compacting a database file in place, never risking the only copy.
#pragma once

#include <QString>

namespace db {

// Compacts the file at path: takes it alone (fails with Busy when another connection has it open),
// writes a compacted copy to a unique temporary file beside it, flushes it and renames it over the
// original. On any error the original stays as it was and the temporary file is removed. Throws DbError.
void compactDatabase(const QString& path);

} // namespace db
