// The system's error of the last failed write, kept for the messages: the engine itself calls only ENOSPC
// a full disk, and a quota or a file-size limit comes back as a plain I/O error.
#pragma once

#include <QString>

namespace db {

// Puts a thin layer under every database file opened from now on (once; later calls do nothing) that
// keeps the error number of a failed write, truncation or sync; sends every file the engine opens through
// the one door (os::openChecked), so that a database, journal or log that is no regular file is refused on
// the descriptor the engine would use (a pipe there would hold the open for good); and notes a journal or
// log this user may not read and write.
void recordWriteErrors();

// The error number of this thread's last failed write to a database file since the last call, else 0.
int takeLastWriteErrno();

// The journal or log this thread's engine was last refused to open, or could not open for its rights, since
// the last call, else "".
QString takeBadSideFile();
// The database file (or a temporary one of ours) this thread's engine was last refused to open for what it
// is (a pipe, a folder, a link of our own naming…) since the last call, else "".
QString takeBadDatabaseFile();

// How many hot journals this thread's engine has opened to play back so far (it opens a journal for writing
// without creating it only then): a count that moved across a first read means that read played one back.
int journalsPlayedBack();

} // namespace db
