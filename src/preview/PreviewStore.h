// What the preview asks the database before it builds: whether the report's query finds a row. The
// seed rows, the payment tests, the cancel mark, the client or employee code and the invoice scope are
// decided here, so an empty result is told as "データが空です。" before any page is drawn.
#pragma once

#include "core/AppState.h"

#include <QString>

namespace db {
class Database;
}

namespace preview {

// Whether the report's query finds any row; found without counting them all.
bool QueryHasRows(db::Database& db, int kind, const core::AppState& state);

} // namespace preview
