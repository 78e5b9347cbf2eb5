// What report builds share besides the program state: the token tables, the font scale and the record
// buffer of every report kind.
#pragma once

#include "core/AppState.h"
#include "reports/Records.h"
#include "reports/TokenTables.h"

#include <QDate>
#include <functional>

namespace reports {

// Today's date on the system clock. Each invoice header asks for it, so the local date is worked out
// again only at midnight or after a second (the clock may have been set), not at every call.
QDate systemDate();

struct ReportState {
    explicit ReportState(core::AppState& app) : app(app) {}

    core::AppState& app; // gCompany (invoice footer and per-line tax), gFrmtText, gFrmtCount

    FrmtTables frmt; // gFrmtKind, gFrmtStr, gFrmtNum
    // Factor applied to every FONTSIZE item: 1.0 when printing, the page scale in the preview.
    double gPrintScale = 1.0;
    // The date an invoice is dated with.
    std::function<QDate()> today = systemDate;

    // Working room of the renderers, kept between calls so a line costs no allocation.
    QString pendingBuffer;

    GoodsRec gRecComm;
    ClientRec gRecCli;
    EmployeeRec gRecEmp;
    OrderRec gRecRecG;
    OrderLineRec gRecRecD;
    InvoiceHeadRec gRecInvHead;
    InvoiceLineRec gRecInvLine;
    OrderRec gRecInfA;
    OrderLineRec gRecInfALine;
    OrderLineRec gRecInfM;
    OrderRec gRecInfC;
    OrderRec gRecInfS;
    OrderRec gRecCncl;
    OrderLineRec gRecCnclLine;
    GoodsRec gRecLack;
    OrderRec gRecGetD;
    OrderRec gRecGetY;
};

// The program's one report state, bound to the given program state (made anew if the program state
// changes, as between tests).
ReportState& reportState(core::AppState& app);

// Loads the report's layout text and token count into its column of the token tables.
void FrmtLoadTokens(ReportState& rs, const QString& text, int count, int column);
// The same for a report kind, from the layout store.
void FrmtLoadTokens(ReportState& rs, int kind);

} // namespace reports
