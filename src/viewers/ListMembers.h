// The fourteen list windows as entries of one table: each names its report, its window values and the
// two steps of its own (what is shown above the records, and the walk over its records).
#pragma once

#include "core/AppState.h"
#include "viewers/ListRun.h"

#include <QString>
#include <functional>
#include <vector>

namespace viewers {

struct ListMember {
    QString window;     // "frmVComm"
    int kind;           // ReportKind: token column, condition entry, record buffer
    QString caption;
    int formId;         // gActiveFormId value
    int childIndex;     // gChildState record
    QString exportWord; // in the proposed export file names
    bool doubledStop;   // frmVCli ends its two long messages with a doubled full stop
    void (*prologue)(ListRun&); // build only: title line and header into the shown text
    void (*walk)(ListRun&);     // the query, filter and records; build and tab export alike
};

const std::vector<ListMember>& listMembers();
const ListMember* listMember(const QString& window); // nullptr when unknown

struct BuildResult {
    QString text; // title, header and the listed records, lines ended by CR LF
    bool found = false;
    int count = 0;
};

// One build of the member's list; yield runs after every listed record. Throws on a database failure.
BuildResult buildList(const ListMember& m, core::AppState& app, const std::function<void()>& yield = {});

// The tab-separated file text of the member's list, read afresh. Throws on a database failure.
QString tabFileText(const ListMember& m, core::AppState& app);

// The tab file of the member's list written to path as CP932. Throws on a database, encoding or file
// failure; an existing file is then left as it was.
void writeTabFile(const ListMember& m, core::AppState& app, const QString& path);

} // namespace viewers
