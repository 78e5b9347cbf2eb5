// Import of the client, goods and employee masters from tab-separated CP932 text files, without widgets:
// refusals go through ui::messages(), progress through a callback.
#pragma once

#include "core/AppState.h"

#include <QString>
#include <functional>

namespace masters {

enum class ImportKind { Clients, Goods, Employees };

struct ImportResult {
    int added = 0;
    int refused = 0;   // lines reported with a refusal box
    int skipped = 0;   // lines passed over without a message (blank lines)
    bool fileError = false;
    // Stored lines with a text cut to its field size, and the first of them (line number, field, size).
    int cut = 0;
    int firstCutLine = 0;
    QString firstCutField;
    int firstCutSize = 0;
};

// Called now and then with the lines done and the lines in the file.
using ImportProgress = std::function<void(int done, int total)>;

// The menu texts of the three commands' file dialog filters and table names.
QString importFilter(ImportKind kind);
QString importTable(ImportKind kind);

// The first line count at which the command shows its progress window (about a tenth of a second).
constexpr int kProgressLines = 10000;

// Counts the lines of a file cheaply (for deciding on a progress window); -1 when it cannot be read.
int countLines(const QString& path);

// Adds every acceptable line of the file at path to the kind's table of the database at s.gDbPath.
// A refused line gives one beep and box and is skipped; a file or database that cannot be opened or read
// gives the file error box. Rows stored before a failure stay. When stored lines had a text cut to its
// field size, one box at the end says how many and names the first.
ImportResult importMasterFile(core::AppState& s, ImportKind kind, const QString& path,
                              const ImportProgress& progress = {});

} // namespace masters
