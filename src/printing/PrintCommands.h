// The print commands of the fourteen reports: dialogs, progress window, preparation, page loop on the
// printer and the messages of every outcome, driven from one table of reports.
#pragma once

#include "core/AppState.h"
#include "print/RenderTarget.h"
#include "printing/PageLoops.h"
#include "printing/PrintJob.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace printing {

enum class CommandVariant {
    Table,      // no dialog
    OrderTable, // no dialog; 受注データ一覧 and 受注個別データ一覧
    Condition,  // the condition dialog first
    Invoice,    // the two invoice dialogs first; the main window stays enabled
};

struct PrintReport {
    QString command;     // "mnuPrComm"
    CommandVariant variant;
    QString messageName; // the name in the layout and no-data messages
    QStringList tables;  // read in this order; the first is the one tested for rows
    bool testLines;      // the order lines must hold more than their seed row as well
    PageSpec pages;
};

// The fourteen reports in menu order.
const std::vector<PrintReport>& PrintReports();
const PrintReport* FindPrintReport(const QString& command);

// A document on the printer: the target pages are drawn on, sent by finish() or dropped by abort().
class PrintDevice {
public:
    virtual ~PrintDevice() = default;
    virtual print::RenderTarget& target() = 0;
    virtual bool finish() = 0;
    virtual void abort() = 0;
    // Where a finished document went: the file, or the printer's name.
    virtual QString destination() const { return {}; }
    virtual bool toFile() const { return false; }
};
using DeviceFactory = std::function<std::unique_ptr<PrintDevice>(const QString& documentName)>;

// What the commands use from their surroundings; tests replace the printer and the waits.
struct PrintHooks {
    DeviceFactory device;           // default: the system's default printer, else a PDF file
    std::function<void(double)> wait; // default: ui::Wait
    std::function<void()> yield;    // default: YieldNowAndThen
    bool showProgress = true;       // the progress window
};
PrintHooks& printHooks();
// Lets the message loop run when it has not for a few milliseconds (the yield after a drawn row).
void YieldNowAndThen();

// Where a print goes when the machine has no print queue: "<report name>.pdf" in this folder.
QString PdfFallbackFolder();

// The preparation: the layout check, the test for rows and the readers of the report's tables.
int PrintPrepare(const PrintReport& report, core::AppState& app, PrintJob& job);
// Opens the readers the report's page loop takes its rows from, on the job's open database.
void OpenReaders(const PrintReport& report, PrintJob& job);
// The report of a report kind.
const PrintReport& PrintReportOfKind(int kind);

// Runs the command, as its menu item, the toolbar or the preview (gPrintMode) does.
void RunPrintCommand(const PrintReport& report, core::AppState& app, QWidget* parent);

} // namespace printing
