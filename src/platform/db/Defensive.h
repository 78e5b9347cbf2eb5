// Settings every connection to a company file gets before it reads anything: the file may come from anyone.
#pragma once

#include <QString>

struct sqlite3;

namespace db {

// The largest string, blob or row a connection takes. The largest text the schema holds is 255 characters
// of at most 4 bytes each (1,020 bytes), the largest row seven such texts and a few numbers (about 7.2 KB),
// the largest CREATE text of the schema about 3 KB. A statement meeting a longer value ends with an error
// of kind TooBig instead of handing megabytes on.
constexpr int kMaxValueBytes = 16 * 1024;

// Defensive mode on (no writing of the schema or of a virtual table's shadow tables by hand), functions in
// the file's own schema untrusted, and the length limit above. False when the engine refused a setting.
bool defendConnection(sqlite3* db);

// Lets the connection wait up to 5 s for a lock another program holds, trying again every millisecond: a
// program saving one change after another frees the file only for moments between them, which the engine's
// own waits, growing to 100 ms, would seldom meet.
void waitForLocks(sqlite3* db);

// Up to this size a file gets the engine's whole check (every index against its table as well); a larger
// one its quick check, which reads every page once.
constexpr long long kWholeCheckBytes = 64LL * 1024 * 1024;

// The engine's check of a file that a journal was played back into, or that VarnoxReplica wrote. Throws
// DbError(Corrupt) when it fails; the detail names the tables affected in Japanese, or is "", and its path is
// path (by default the file as the engine names it).
void refuseDamagedFile(sqlite3* db, long long fileBytes, const QString& path = {});

} // namespace db
