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

// The first control character (below U+0020, or DEL) of a text a master would keep; -1 when there is
// none. A NUL would hide the rest of the stored text, the others show as nothing, and a tab or a line
// end would split the exported line.
qsizetype FindControl(QStringView s);

} // namespace masters
