#include "printing/PrintCommands.h"

#include "core/FileProblems.h"
#include "core/MasterNames.h"

#include "core/MainFrame.h"
#include "core/Numbers.h"
#include "db/Database.h"
#include "frame/WindowRegistry.h"
#include "printing/PrinterDevice.h"
#include "reports/ProgressWait.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "ui/MessageService.h"
#include "ui/WindowHelpers.h"

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>
#include <stdexcept>

namespace printing {

using namespace reports;

namespace {

const QString kEmptyText = QStringLiteral("データが空です。");
const QString kNotSentTitle = QStringLiteral("印刷に失敗しました");
const QString kDbErrorTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");
const QString kDbErrorText = QStringLiteral(
    "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、"
    "またはVarnox以外のプログラムで他の人が使用している場合やプリンタが正しく設定されていない場合に起こることがあります。");

void busyPointer() {
    if (QApplication::overrideCursor())
        QApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void defaultPointer() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void setMainEnabled(core::AppState& app, bool enabled) {
    if (app.gMainForm && app.gMainForm->window())
        app.gMainForm->window()->setEnabled(enabled);
}

// What every failure after the database work began does: the progress window may close, the user is told.
void failurePath(core::AppState& app, const QString& text, const QString& title) {
    app.gProgressCount = -1;
    printHooks().wait(1);
    defaultPointer();
    ui::messages().error(text, title);
}

// A document that did not get out whole: the user is told where it did not go, in a box and on the
// status bar, and that an earlier file is as it was.
void notSent(core::AppState& app, const PrintDevice& device, const QString& name) {
    const QString where = QDir::toNativeSeparators(device.destination());
    const QString status = device.toFile()
                               ? name + QStringLiteral("を ") + where + QStringLiteral(" に保存できませんでした。")
                               : name + QStringLiteral("をプリンタ ") + where + QStringLiteral(" に送れませんでした。");
    const QString cause =
        device.toFile()
            ? QStringLiteral("このエラーはディスクの空きが足りない場合や、フォルダに書き込めない場合に起こることがあります。\n"
                             "前に保存したファイルは書き換えていません。")
            : QStringLiteral("このエラーはプリンタが正しく設定されていない場合や、プリンタにつながらない場合に起こることがあります。");
    if (app.gMainForm)
        app.gMainForm->showStatusMessage(status);
    failurePath(app, status + QStringLiteral("\n") + cause, kNotSentTitle);
}

QString s(const char* utf8) { return QString::fromUtf8(utf8); }

// What the order filters pass, as conditions on the stored values: a paid order's date reads as a
// number other than 0, a cancelled order's mark is "X". Anything else may read as unpaid.
const char* const kPaidWhere = "o.入金日 <> 0";
const char* const kUnpaidWhere = "NOT (typeof(o.入金日) IN ('integer', 'real') AND o.入金日 <> 0)";
const char* const kCancelledWhere = "o.キャンセル = 'X'";
// Goods whose stock is over the reorder point, both stored as whole numbers the records hold, are never
// short; any other row is left to the report's own test.
const char* const kShortWhere = "NOT (typeof(o.在庫量) = 'integer' AND typeof(o.在庫発注点) = 'integer' AND "
                                "o.在庫量 BETWEEN -2147483648 AND 2147483647 AND "
                                "o.在庫発注点 BETWEEN -2147483648 AND 2147483647 AND o.在庫量 > o.在庫発注点)";

PageSpec tableSpec(int kind, const char* keyField, int reservedIndex, Fill fill, Renderer header, Renderer data,
                   bool (*printTest)(const ReportState&) = nullptr) {
    PageSpec p;
    p.kind = kind;
    p.family = PageFamily::Table;
    p.keyField = s(keyField);
    p.reservedIndex = reservedIndex;
    p.fill = fill;
    p.printTest = printTest;
    p.header = header;
    p.data = data;
    return p;
}

PageSpec orderSpec(int kind, PageFamily family, Fill fill, Renderer header, Renderer data,
                   bool (*filter)(const Rows&) = nullptr, const char* codeField = "",
                   const char* codeLabel = "") {
    PageSpec p;
    p.kind = kind;
    p.family = family;
    p.fill = fill;
    p.header = header;
    p.data = data;
    p.orderFilter = filter;
    p.codeField = s(codeField);
    p.codeLabel = s(codeLabel);
    return p;
}

PageSpec detailSpec(int kind, bool cancelledOnly, Fill fill, Fill fillLine, Renderer header, Renderer header2,
                    Renderer data, Renderer data2) {
    PageSpec p = orderSpec(kind, PageFamily::OrderDetail, fill, header, data);
    p.cancelledOnly = cancelledOnly;
    if (cancelledOnly) p.rowWhere = kCancelledWhere;
    p.fillLine = fillLine;
    p.header2 = header2;
    p.data2 = data2;
    return p;
}

bool isUnpaid(const Rows& t) { return !OrderIsPaid(t); }

// Invoice scopes the dialogs leave.
constexpr std::int32_t kScopeChoose = 2;
constexpr std::int32_t kScopeCancel = 3;

constexpr int kGoodsCode = 0;
constexpr int kClientCode = 2;
constexpr int kEmployeeCode = 9;

std::vector<PrintReport> buildReports() {
    const QStringList goods{s("商品マスタ")};
    const QStringList orders{s("受注データ")};
    const QStringList ordersLines{s("受注データ"), s("受注個別データ")};
    using V = CommandVariant;
    using F = PageFamily;
    std::vector<PrintReport> r;
    r.push_back({s("mnuPrComm"), V::Table, s("商品マスタ"), goods, false,
                 tableSpec(kComm, "商品コード", kGoodsCode,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecComm = goodsRecFrom(g); },
                           RenderHeaderComm, RenderDataComm)});
    r.push_back({s("mnuPrCli"), V::Table, s("顧客マスタ"), {s("顧客マスタ")}, false,
                 tableSpec(kCli, "顧客コード", kClientCode,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecCli = clientRecFrom(g); },
                           RenderHeaderCli, RenderDataCli)});
    r.push_back({s("mnuPrEmp"), V::Table, s("社員マスタ"), {s("社員マスタ")}, false,
                 tableSpec(kEmp, "社員コード", kEmployeeCode,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecEmp = employeeRecFrom(g); },
                           RenderHeaderEmp, RenderDataEmp)});
    r.push_back({s("mnuPrRecG"), V::OrderTable, s("受注データ"), orders, false,
                 tableSpec(kRecG, "受注No", -1,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecRecG = orderRecFrom(g); },
                           RenderHeaderRecG, RenderDataRecG)});
    r.push_back({s("mnuPrRecD"), V::OrderTable, s("受注個別データ"), {s("受注個別データ")}, false,
                 tableSpec(kRecD, "個別No", -1,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecRecD = orderLineRecFrom(g); },
                           RenderHeaderRecD, RenderDataRecD)});
    {
        PageSpec inv;
        inv.kind = kInv;
        inv.family = F::Invoice;
        r.push_back({s("mnuPrInv"), V::Invoice, s("請求書"),
                     {s("受注データ"), s("顧客マスタ"), s("商品マスタ"), s("受注個別データ")}, false, inv});
    }
    r.push_back({s("mnuPrInfA"), V::Condition, s("受注情報"), ordersLines, false,
                 detailSpec(kInfA, false, [](ReportState& rs, const FieldGetter& g) { rs.gRecInfA = orderRecFrom(g); },
                            [](ReportState& rs, const FieldGetter& g) { rs.gRecInfALine = orderLineRecFrom(g); },
                            RenderHeaderInfA, RenderHeader2InfA, RenderDataInfA, RenderData2InfA)});
    r.push_back({s("mnuPrInfM"), V::Condition, s("商品別受注情報"), ordersLines, true,
                 orderSpec(kInfM, F::OrderLines,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecInfM = orderLineRecFrom(g); },
                           RenderHeaderInfM, RenderDataInfM, nullptr, "商品コード", "商品コード=")});
    r.push_back({s("mnuPrInfC"), V::Condition, s("顧客別受注情報"), orders, false,
                 orderSpec(kInfC, F::OrderList,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecInfC = orderRecFrom(g); },
                           RenderHeaderInfC, RenderDataInfC, nullptr, "顧客コード", "顧客コード=")});
    r.push_back({s("mnuPrInfS"), V::Condition, s("社員別受注情報"), orders, false,
                 orderSpec(kInfS, F::OrderList,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecInfS = orderRecFrom(g); },
                           RenderHeaderInfS, RenderDataInfS, nullptr, "社員コード", "社員コード=")});
    r.push_back({s("mnuPrCncl"), V::Condition, s("受注キャンセル情報"), ordersLines, false,
                 detailSpec(kCncl, true, [](ReportState& rs, const FieldGetter& g) { rs.gRecCncl = orderRecFrom(g); },
                            [](ReportState& rs, const FieldGetter& g) { rs.gRecCnclLine = orderLineRecFrom(g); },
                            RenderHeaderCncl, RenderHeader2Cncl, RenderDataCncl, RenderData2Cncl)});
    r.push_back({s("mnuPrLack"), V::Table, s("在庫不足商品一覧"), goods, false,
                 tableSpec(
                     kLack, "商品コード", kGoodsCode,
                     [](ReportState& rs, const FieldGetter& g) { rs.gRecLack = goodsRecFrom(g); }, RenderHeaderLack,
                     RenderDataLack, [](const ReportState& rs) { return rs.gRecLack.在庫量 <= rs.gRecLack.在庫発注点; })});
    r.back().pages.rowWhere = kShortWhere;
    r.push_back({s("mnuPrGetD"), V::Condition, s("入金済み受注一覧"), orders, false,
                 orderSpec(kGetD, F::OrderList,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecGetD = orderRecFrom(g); },
                           RenderHeaderGetD, RenderDataGetD, OrderIsPaid)});
    r.back().pages.rowWhere = kPaidWhere;
    r.push_back({s("mnuPrGetY"), V::Condition, s("未入金受注一覧"), orders, false,
                 orderSpec(kGetY, F::OrderList,
                           [](ReportState& rs, const FieldGetter& g) { rs.gRecGetY = orderRecFrom(g); },
                           RenderHeaderGetY, RenderDataGetY, isUnpaid)});
    r.back().pages.rowWhere = kUnpaidWhere;
    return r;
}

// Shows a dialog that the report dialogs registered by name, modally; false when there is none.
bool runDialog(core::AppState& app, QWidget* parent, const char* name) {
    const frame::WindowFactory make = frame::windowFactory(QString::fromLatin1(name));
    QPointer<QWidget> w = make ? make(app, parent) : nullptr;
    auto* dialog = qobject_cast<QDialog*>(w.data());
    if (!dialog) {
        delete w;
        ui::messages().error(QStringLiteral("条件の入力画面を開けません。"));
        return false;
    }
    dialog->exec();
    if (w)
        w->deleteLater();
    return true;
}

// The dialogs of the command; false when the user cancelled them (nothing else happens then).
bool runDialogs(const PrintReport& report, core::AppState& app, QWidget* parent) {
    if (report.variant == CommandVariant::Condition) {
        if (app.gPrintMode == core::kFalse) {
            app.gCondReport = LoadOrderFromKind(report.pages.kind);
            app.gCondForPrint = core::kTrue;
            app.gCondAccepted = core::kFalse;
            if (!runDialog(app, parent, "frmCondition"))
                return false;
        } else {
            app.gCondAccepted = core::kTrue;
        }
        return app.gCondAccepted != core::kFalse;
    }
    if (report.variant == CommandVariant::Invoice && app.gPrintMode == core::kFalse) {
        app.gInvPrintFlavour = core::kTrue;
        app.gInvPrintScope = kScopeCancel; // a dialog closed any other way cancels
        if (!runDialog(app, parent, "frmInvPrepP") || app.gInvPrintScope == kScopeCancel)
            return false;
        if (app.gInvPrintScope == kScopeChoose) {
            app.gInvPrintOrderNo = -1;
            if (!runDialog(app, parent, "frmInvPrep2") || app.gInvPrintOrderNo < 1)
                return false;
        }
    }
    return true;
}

} // namespace

const std::vector<PrintReport>& PrintReports() {
    static const std::vector<PrintReport> reports = buildReports();
    return reports;
}

const PrintReport* FindPrintReport(const QString& command) {
    for (const PrintReport& r : PrintReports())
        if (r.command == command)
            return &r;
    return nullptr;
}

const PrintReport& PrintReportOfKind(int kind) {
    for (const PrintReport& r : PrintReports())
        if (r.pages.kind == kind)
            return r;
    throw std::out_of_range("no report kind");
}

void YieldNowAndThen() {
    // The message loop turns every few milliseconds, not after every row: the progress window and the
    // repainting stay current, and a report of a million rows is not held up by a million turns.
    static QElapsedTimer since;
    if (!since.isValid() || since.elapsed() >= 10) {
        ui::DoEvents();
        since.start();
    }
}

PrintHooks& printHooks() {
    static PrintHooks hooks{OpenPrinterDevice, [](double seconds) { ui::Wait(seconds); }, [] { YieldNowAndThen(); },
                            true};
    return hooks;
}

void OpenReaders(const PrintReport& report, PrintJob& job) {
    db::Database& database = **job.database;
    switch (report.pages.family) {
    case PageFamily::Table:
    case PageFamily::OrderList:
        job.rows = readRows(database, report.tables.front(), report.pages.rowWhere);
        break;
    case PageFamily::Invoice:
        job.clientNames = core::loadCodeNames(
            database,
            QStringLiteral(
                "SELECT 顧客コード, 顧客名, rowid FROM 顧客マスタ WHERE rowid > ? ORDER BY rowid LIMIT ?"));
        job.goodsNames = core::loadCodeNames(
            database,
            QStringLiteral(
                "SELECT 商品コード, 商品名, rowid FROM 商品マスタ WHERE rowid > ? ORDER BY rowid LIMIT ?"));
        [[fallthrough]];
    default:
        job.ordersAndLines = readOrdersWithLines(database, report.pages.rowWhere);
        break;
    }
}

int PrintPrepare(const PrintReport& report, core::AppState& app, PrintJob& job) {
    const int kind = report.pages.kind;
    if (CheckLayout(app.gFrmtText[size_t(kind)], job) == kLayoutError)
        return job.status;
    job.status = kNothingPrinted;
    const bool tableReport = report.pages.family == PageFamily::Table;
    const QString lines = QStringLiteral("受注個別データ");
    try {
        job.database = std::make_unique<db::KeptConnection>(app.gDbPath);
        db::Database& database = **job.database;
        const qint64 tested = countRows(database, report.tables.front());
        // The order lines are searched by every report that reads them; a table without even its seed
        // row is a damaged database, not an empty one.
        const bool linesRead = report.tables.contains(lines) && !tableReport;
        const qint64 lineRows = linesRead ? countRows(database, lines) : 1;
        if (tested == 0 || lineRows == 0) {
            failurePath(app, kDbErrorText, kDbErrorTitle);
            return job.status;
        }
        if (tested <= 1 || (report.testLines && lineRows <= 1)) {
            job.database.reset();
            failurePath(app, kEmptyText, QStringLiteral("Varnox"));
            return job.status;
        }
        OpenReaders(report, job);
    } catch (const std::exception& e) {
        job.rows.reset();
        job.ordersAndLines.reset();
        job.database.reset();
        failurePath(app, core::dbFailureText(e, kDbErrorText), kDbErrorTitle);
        return job.status;
    }
    job.recordCount = 0;
    job.status = kReady;
    return job.status;
}

void RunPrintCommand(const PrintReport& report, core::AppState& app, QWidget* parent) {
    if (!runDialogs(report, app, parent))
        return;
    const bool invoice = report.variant == CommandVariant::Invoice;
    const bool conditional = report.variant == CommandVariant::Condition || invoice;
    const auto refuseLayout = [&] {
        app.gProgressCount = -1;
        defaultPointer();
        ui::messages().error(report.messageName + QStringLiteral("のフォーマットデータが正しくありません。"));
    };
    const QString noDataText = report.messageName + QStringLiteral("のデータはありません。");

    app.gProgressCount = 0;
    busyPointer();
    if (!invoice)
        setMainEnabled(app, false);
    if (printHooks().showProgress)
        ShowProgressWait(app);
    printHooks().yield();

    PrintJob job;
    const int prepared = PrintPrepare(report, app, job);
    if (prepared == kLayoutError) {
        refuseLayout();
    } else if (prepared == kReady) {
        ReportState& rs = reportState(app);
        rs.gPrintScale = 1.0;
        const std::unique_ptr<PrintDevice> device = printHooks().device(ReportName(report.pages.kind));
        PageContext ctx{rs, device->target(), printHooks().yield};
        bool drawn = false;
        bool sent = true;
        bool fits = true;
        bool huge = false; // a sum of stored amounts beyond the money type
        try {
            fits = RunPages(report.pages, job, ctx) != kLayoutError;
            drawn = true;
            if (fits && job.recordCount > 0)
                sent = device->finish();
        } catch (const PrinterFailure&) {
            drawn = true; // the rows were read; the printer took no more pages
            sent = false;
        } catch (const std::overflow_error&) {
            huge = true;
        } catch (...) {
            sent = false;
        }
        const QString name = ReportName(report.pages.kind);
        if (!fits) {
            device->abort();
            refuseLayout();
        } else if (huge) {
            device->abort();
            failurePath(app, core::kHugeNumberText, QStringLiteral("Varnox"));
        } else if (!drawn) {
            // The pages drawn so far are dropped with the document.
            device->abort();
            failurePath(app, kDbErrorText, kDbErrorTitle);
        } else if (!sent) {
            // The queue refused the document, or the file did not reach the disk whole.
            device->abort();
            notSent(app, *device, name);
        } else if (job.recordCount <= 0) {
            device->abort();
            if (conditional) {
                app.gProgressCount = -1;
                printHooks().wait(1);
            }
            defaultPointer();
            ui::messages().error(noDataText);
        } else if (app.gMainForm && !device->destination().isEmpty()) {
            app.gMainForm->showStatusMessage(
                device->toFile() ? name + QStringLiteral("を ") + QDir::toNativeSeparators(device->destination()) +
                                       QStringLiteral(" に保存しました。")
                                 : name + QStringLiteral("をプリンタ ") + device->destination() +
                                       QStringLiteral(" に送りました。"));
        }
        job.resetLayout();
    }
    defaultPointer();
    app.gPrintDone = core::kTrue;
    setMainEnabled(app, true);
}

} // namespace printing
