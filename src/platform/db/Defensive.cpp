#include "db/Defensive.h"

#include <sqlite3.h>

namespace db {

bool defendConnection(sqlite3* db) {
    int on = 0;
    bool ok = sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, &on) == SQLITE_OK && on == 1;
    ok = sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &on) == SQLITE_OK && on == 0 && ok;
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, kMaxValueBytes);
    return ok && sqlite3_limit(db, SQLITE_LIMIT_LENGTH, -1) == kMaxValueBytes;
}

} // namespace db
