// The page loops of the fourteen reports over a render target: table reports (one row per line), order
// lists with a condition title, orders with their lines, and invoices. They print from the snapshots of
// a prepared job and never touch the database.
#pragma once

#include "print/RenderTarget.h"
#include "printing/PrintJob.h"
#include "reports/ReportState.h"

#include <QString>
#include <functional>

namespace printing {

using Renderer = void (*)(reports::ReportState&, print::RenderTarget&, const QString&, bool);
using Fill = void (*)(reports::ReportState&, const reports::FieldGetter&);

enum class PageFamily { Table, OrderList, OrderLines, OrderDetail, Invoice };

// What differs between the reports of one family.
struct PageSpec {
    int kind = 0;
    PageFamily family = PageFamily::Table;
    // Table reports: the key field, and the reserved code it is compared with (index into gReservedCode;
    // -1 for a number key whose seed row is 0).
    QString keyField;
    int reservedIndex = -1;
    // Copies the row into the report's record buffer; answers through printTest whether it prints.
    Fill fill = nullptr;
    bool (*printTest)(const reports::ReportState&) = nullptr;
    // Order lists: the order filter on the raw row (payment tests), the code field and its title label.
    bool (*orderFilter)(const Rows& order) = nullptr;
    // A constant condition on the table read (named o) that every row the filters and the print test
    // pass meets: the rows read leave the others out.
    const char* rowWhere = nullptr;
    QString codeField;
    QString codeLabel;
    // Order details: the line buffer.
    Fill fillLine = nullptr;
    bool cancelledOnly = false;
    Renderer header = nullptr;
    Renderer data = nullptr;
    Renderer header2 = nullptr;
    Renderer data2 = nullptr;
};

// What a page loop needs from its surroundings.
struct PageContext {
    reports::ReportState& rs;
    print::RenderTarget& target;
    std::function<void()> yield; // once per printed row
};

// Runs the report's page loop on the prepared job, at a scale that fits a full page on the target.
// Answers kReady, or throws (printer failure, database error) for the caller's error path. Counts into
// gProgressCount and job.recordCount (rows printed) / job.pageNumber; closes the job's database.
int RunPages(const PageSpec& spec, PrintJob& job, PageContext& ctx);

// The condition title of the order reports: " 2009年度 4月分　", " 2009年度分　" or "全年度分　", with the
// code label and code appended when a code is given.
QString ConditionTitle(int year, int month, const QString& codeLabel, const QString& code);
// Whether an OLE order date falls in the year and month (0 = any).
bool DatePasses(const QVariant& orderDate, int year, int month);
// Whether the current order row has a payment date. One whose date was cleared in the order grid holds
// Null: unpaid, as it shows in every list and in the payment window.
bool OrderIsPaid(const Rows& order);

// A failure of the printer while pages are drawn.
struct PrinterFailure {};

} // namespace printing
