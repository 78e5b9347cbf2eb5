// Field access on the tab-separated lines of the master import files.
#pragma once

#include <QString>

namespace masters {

// Field n (from 1) of a tab-separated line. A field that is empty because a tab, CR or LF follows at
// once comes back as that single character; a missing field as "". For n = 1 a line of blanks only
// (half- or full-width) comes back as a single LF.
QString GetTabField(int n, const QString& line);

// False when s holds an apostrophe.
bool HasNoQuote(const QString& s);

} // namespace masters
