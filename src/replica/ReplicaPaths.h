// File names of the copy utility: the database extension, the control file beside it, same-file checks.
#pragma once

#include <QString>

namespace replica {

// The database path the user meant: ".vrd" appended when the name does not already end in it.
QString withDbExtension(const QString& path);

// The control file beside a database: its extension replaced by "vrk" (".vrk" appended when it has none).
QString controlPathOf(const QString& dbPath);

// True when both paths name the same file, also through links or different spellings of the folder.
bool sameFile(const QString& a, const QString& b);

} // namespace replica
