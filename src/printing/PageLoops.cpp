#include "printing/PageLoops.h"

#include "db/OleDate.h"
#include "print/FitTarget.h"
#include "reports/Renderers.h"

#include <algorithm>

namespace printing {

using namespace reports;

namespace {

const QString kNoSep;
const QString kOrderNo = QStringLiteral("受注No");

std::int32_t orderNo(const Rows& t) { return std::int32_t(t.value(kOrderNo).toLongLong()); }

void newPageOrFail(print::RenderTarget& target) {
    if (!target.newPage())
        throw PrinterFailure{};
}

// The page capacity as a count of rows per page: a page always takes at least one row.
int rowsPerPage(const PrintJob& job) { return std::max(1, job.pageCapacity); }

// The readers of the job: the database's, or the snapshots held in memory.
Rows& rowsOf(PrintJob& job, bool tableReport) {
    if (!job.rows)
        job.rows = printing::rowsOf(tableReport ? job.table : job.orders);
    return *job.rows;
}
OrdersWithLines& ordersOf(PrintJob& job) {
    if (!job.ordersAndLines)
        job.ordersAndLines = ordersWithLinesOf(job.orders, job.lines);
    return *job.ordersAndLines;
}

// One full page of the report drawn from empty records on target: title, headers, page-capacity data
// rows and footer.
void drawFullPage(const PageSpec& spec, const PrintJob& job, ReportState& rs, print::RenderTarget& target) {
    ReportState probe(rs.app);
    // The probe walks the report's own tables, lent to it for the page and handed back after.
    struct Lend {
        FrmtTables& from;
        FrmtTables& to;
        Lend(FrmtTables& from, FrmtTables& to) : from(from), to(to) { std::swap(from, to); }
        ~Lend() { std::swap(from, to); }
    } lend(rs.frmt, probe.frmt);
    probe.gPrintScale = rs.gPrintScale;
    probe.today = rs.today;
    const int rows = spec.family == PageFamily::Invoice ? std::max(1, job.pageCapacity) : rowsPerPage(job);
    switch (spec.family) {
    case PageFamily::Table:
        spec.header(probe, target, kNoSep, true);
        for (int i = 0; i < rows; ++i)
            spec.data(probe, target, kNoSep, true);
        break;
    case PageFamily::OrderList:
    case PageFamily::OrderLines:
    case PageFamily::OrderDetail: {
        const size_t k = size_t(spec.kind);
        target.setFontSize(9);
        target.print(ConditionTitle(rs.app.gCondYear[k], rs.app.gCondMonth[k], spec.codeLabel,
                                    spec.codeField.isEmpty() ? QString() : rs.app.gCondCode[k]));
        spec.header(probe, target, kNoSep, true);
        if (spec.header2)
            spec.header2(probe, target, kNoSep, true);
        for (int i = 0; i < rows; ++i)
            (i > 0 && spec.data2 ? spec.data2 : spec.data)(probe, target, kNoSep, true);
        break;
    }
    case PageFamily::Invoice:
        RenderHeaderInv(probe, target, kNoSep, true);
        for (int i = 0; i < rows; ++i)
            RenderDataInv(probe, target, kNoSep, true);
        if (rs.app.gInvFooterOn != 0)
            RenderFooterInv(probe, target, kNoSep, true);
        break;
    }
}

struct Reach {
    double right = 0;
    double bottom = 0;
};

// How far a full page and the page number at its foot reach on the device when drawn at scale. At full
// size nothing is fitted yet, so a line wider than the device shows how wide it is.
Reach reachAt(const PageSpec& spec, const PrintJob& job, ReportState& rs, print::RenderTarget& device,
              double scale) {
    print::MeasureTarget m(device);
    if (scale >= 1.0) {
        drawFullPage(spec, job, rs, m);
    } else {
        print::FitTarget scaled(m, scale);
        drawFullPage(spec, job, rs, scaled);
    }
    const QString number = QStringLiteral("- 9999 -");
    return {std::max(m.right(), m.textWidth(number)), m.bottom() + m.textHeight(number)};
}

// The scale at which every page of the report lands on the device whole: 1 when a full page fits as it
// is, smaller for one laid out wider or taller than the device, so that no column is lost at the edge;
// 0 when no scale does. Fonts stop at one point and lines step by whole device pixels, so a scaled page
// need not shrink in step: it is measured again at its scale and made smaller while it reaches past the
// foot.
double fitScale(const PageSpec& spec, const PrintJob& job, ReportState& rs, print::RenderTarget& device) {
    const double width = device.scaleWidth();
    const double height = device.scaleHeight();
    const Reach full = reachAt(spec, job, rs, device, 1.0);
    double scale = print::FitScale(full.right, full.bottom, width, height);
    if (scale >= 1.0)
        return 1.0;
    for (int tries = 0; tries < 8 && scale >= print::kMinFitScale; ++tries) {
        const Reach r = reachAt(spec, job, rs, device, scale);
        if (r.bottom <= height)
            return scale;
        scale *= height / r.bottom * 0.99;
    }
    return 0;
}

// One row per data line; a header on every page, the page number at its foot. A page is begun only for
// a row about to print, so no page holds the header alone.
int tablePages(const PageSpec& spec, PrintJob& job, ReportState& rs, print::RenderTarget& target, PageContext& ctx) {
    core::AppState& app = rs.app;
    Rows& t = rowsOf(job, true);
    const int capacity = rowsPerPage(job);
    const QString reserved = spec.reservedIndex >= 0 ? app.gReservedCode[size_t(spec.reservedIndex)] : QString();
    const auto isReserved = [&] {
        const QVariant key = t.value(spec.keyField);
        return spec.reservedIndex >= 0 ? key.toString() == reserved : key.toLongLong() == 0;
    };

    job.pageNumber = 0;
    int onPage = 0;
    while (t.next()) {
        if (isReserved())
            continue;
        spec.fill(rs, t.fields());
        if (spec.printTest && !spec.printTest(rs))
            continue;
        if (job.pageNumber == 0 || onPage >= capacity) {
            if (job.pageNumber > 0) {
                PrintPageNumber(target, job.pageNumber);
                newPageOrFail(target);
            }
            ++job.pageNumber;
            spec.header(rs, target, kNoSep, true);
            onPage = 0;
        }
        spec.data(rs, target, kNoSep, true);
        ++job.recordCount;
        ++app.gProgressCount;
        ++onPage;
        ctx.yield();
    }
    if (job.pageNumber > 0)
        PrintPageNumber(target, job.pageNumber);
    return kReady;
}

// Pages of the order reports: a page is begun only for a row about to print, with the condition title,
// the header (and, for orders with lines, the second header), and closed by its number when full.
class OrderPages {
public:
    OrderPages(const PageSpec& spec, PrintJob& job, ReportState& rs, print::RenderTarget& target, PageContext& ctx)
        : spec_(spec), job_(job), rs_(rs), target_(target), ctx_(ctx), app_(rs.app), capacity_(rowsPerPage(job)) {
        const size_t k = size_t(spec.kind);
        year_ = app_.gCondYear[k];
        month_ = app_.gCondMonth[k];
        code_ = spec.codeField.isEmpty() ? QString() : app_.gCondCode[k];
        title_ = ConditionTitle(year_, month_, spec.codeLabel, code_);
        job_.pageNumber = 0;
    }

    bool orderPasses(const Rows& t) const {
        return orderNo(t) != 0 && DatePasses(t.value(QStringLiteral("受注日付")), year_, month_);
    }
    bool codePasses(const QVariant& code) const { return code_.isEmpty() || code.toString() == code_; }

    // Prints one row with the given renderer; withHeader2 chooses the page start of an order row.
    void printRow(Renderer data, bool withHeader2) {
        if (!open_)
            startPage(withHeader2);
        data(rs_, target_, kNoSep, true);
        ++job_.recordCount;
        ++app_.gProgressCount;
        ++onPage_;
        ctx_.yield();
    }
    // The page-full test: a full page gets its number and the next row begins a new one.
    void closeIfFull() {
        if (open_ && onPage_ >= capacity_)
            closePage();
    }
    void finish() {
        if (open_)
            closePage();
    }

private:
    void startPage(bool withHeader2) {
        ++job_.pageNumber;
        open_ = true;
        target_.setFontSize(9); // the title's own size, not scaled
        if (job_.pageNumber > 1)
            newPageOrFail(target_);
        target_.print(title_);
        spec_.header(rs_, target_, kNoSep, true);
        if (withHeader2 && spec_.header2)
            spec_.header2(rs_, target_, kNoSep, true);
        onPage_ = 0;
    }
    void closePage() {
        PrintPageNumber(target_, job_.pageNumber);
        open_ = false;
        onPage_ = 0;
    }

    const PageSpec& spec_;
    PrintJob& job_;
    ReportState& rs_;
    print::RenderTarget& target_;
    PageContext& ctx_;
    core::AppState& app_;
    const int capacity_;
    int year_ = 0;
    int month_ = 0;
    QString code_;
    QString title_;
    bool open_ = false;
    int onPage_ = 0;
};

int orderListPages(const PageSpec& spec, PrintJob& job, ReportState& rs, print::RenderTarget& target,
                   PageContext& ctx) {
    OrderPages pages(spec, job, rs, target, ctx);
    Rows& t = rowsOf(job, false);
    while (t.next()) {
        if (!pages.orderPasses(t))
            continue;
        if ((!spec.orderFilter || spec.orderFilter(t)) && pages.codePasses(t.value(spec.codeField))) {
            spec.fill(rs, t.fields());
            pages.printRow(spec.data, false);
        }
        pages.closeIfFull();
    }
    pages.finish();
    return kReady;
}

// 商品別受注情報: the lines of every order in the period, filtered by goods code.
int orderLinePages(const PageSpec& spec, PrintJob& job, ReportState& rs, print::RenderTarget& target,
                   PageContext& ctx) {
    OrderPages pages(spec, job, rs, target, ctx);
    OrdersWithLines& t = ordersOf(job);
    while (t.next()) {
        if (!pages.orderPasses(t))
            continue;
        for (int line = 0; line < t.lineCount(); ++line) {
            if (pages.codePasses(t.line(line, spec.codeField))) {
                spec.fill(rs, t.lineFields(line));
                pages.printRow(spec.data, false);
            }
            pages.closeIfFull();
        }
    }
    pages.finish();
    return kReady;
}

// 受注情報 and 受注キャンセル情報: each order row followed by all of its lines.
int orderDetailPages(const PageSpec& spec, PrintJob& job, ReportState& rs, print::RenderTarget& target,
                     PageContext& ctx) {
    OrderPages pages(spec, job, rs, target, ctx);
    OrdersWithLines& t = ordersOf(job);
    while (t.next()) {
        if (!pages.orderPasses(t))
            continue;
        if (spec.cancelledOnly && t.value(QStringLiteral("キャンセル")).toString() != QStringLiteral("X"))
            continue;
        spec.fill(rs, t.fields());
        pages.printRow(spec.data, true);
        pages.closeIfFull();
        for (int line = 0; line < t.lineCount(); ++line) {
            spec.fillLine(rs, t.lineFields(line));
            pages.printRow(spec.data2, false);
            pages.closeIfFull();
        }
    }
    pages.finish();
    return kReady;
}

// Invoices: one per order, each on pages of its own, numbered within the invoice; the last page is
// filled with blank lines to the capacity so the footer stands at the same place on every page.
int invoicePages(PrintJob& job, ReportState& rs, print::RenderTarget& target, PageContext& ctx) {
    core::AppState& app = rs.app;
    OrdersWithLines& orders = ordersOf(job);
    if (job.clientNames.isEmpty())
        job.clientNames = namesOf(job.clients, QStringLiteral("顧客コード"), QStringLiteral("顧客名"));
    if (job.goodsNames.isEmpty())
        job.goodsNames = namesOf(job.goods, QStringLiteral("商品コード"), QStringLiteral("商品名"));
    const int capacity = job.pageCapacity;
    const bool footer = app.gInvFooterOn != 0;
    const bool headerOnce = app.gInvHeaderOnce != 0;
    const int scope = app.gInvPrintScope;

    job.pageNumber = 0;
    bool firstInvoice = true;
    while (orders.next()) {
        const std::int32_t no = orderNo(orders);
        if (scope == 2 && no != app.gInvPrintOrderNo)
            continue;
        if (no == 0)
            continue;
        if (scope == 0 && OrderIsPaid(orders))
            continue;

        if (!firstInvoice)
            newPageOrFail(target);
        firstInvoice = false;
        ++job.pageNumber;
        bool headerOnPage = true;
        bool pageOpen = false;
        int onPage = 0;
        int invoicePage = 0;
        const QString clientCode = orders.value(QStringLiteral("顧客コード")).toString();
        const auto client = job.clientNames.constFind(clientCode);
        const QString clientName =
            client == job.clientNames.cend() ? QStringLiteral("顧客コード=") + clientCode : *client;
        rs.gRecInvHead = invoiceHeadRecFrom(orders.fields(), clientName);
        RenderHeaderInv(rs, target, kNoSep, true);
        ++job.recordCount;
        pageOpen = true;
        ++app.gProgressCount;

        const auto closePage = [&] {
            if (footer)
                RenderFooterInv(rs, target, kNoSep, true);
            ++invoicePage;
            PrintPageNumber(target, invoicePage);
            pageOpen = false;
            onPage = 0;
        };

        for (int line = 0; line < orders.lineCount(); ++line) {
            if (!headerOnPage) {
                newPageOrFail(target);
                ++job.pageNumber;
                headerOnPage = true;
                if (headerOnce)
                    RenderHeaderBlankInv(rs, target, kNoSep, true);
                else
                    RenderHeaderInv(rs, target, kNoSep, true);
                onPage = 0;
                ++app.gProgressCount;
            }
            const QString goodsCode = orders.line(line, QStringLiteral("商品コード")).toString();
            const auto goods = job.goodsNames.constFind(goodsCode);
            const QString goodsName = goods == job.goodsNames.cend() ? QStringLiteral("商品コード=") + goodsCode : *goods;
            rs.gRecInvLine = invoiceLineRecFrom(orders.lineFields(line), goodsName);
            RenderDataInv(rs, target, kNoSep, true);
            ++job.recordCount;
            pageOpen = true;
            ++app.gProgressCount;
            ++onPage;
            ctx.yield();
            if (onPage >= capacity) {
                closePage();
                headerOnPage = false;
            }
        }
        if (pageOpen) {
            for (int blank = onPage; blank < capacity; ++blank)
                RenderDataBlankInv(rs, target, kNoSep, true);
            closePage();
        }
        if (scope == 2)
            break;
    }
    return kReady;
}

} // namespace

QString ConditionTitle(int year, int month, const QString& codeLabel, const QString& code) {
    QString title;
    if (year != 0) {
        title = QStringLiteral(" %1年度").arg(year);
        title += month != 0 ? QStringLiteral(" %1月分\u3000").arg(month) : QStringLiteral("分\u3000");
    } else {
        title = QStringLiteral("全年度分\u3000");
    }
    if (!code.isEmpty())
        title += codeLabel + code;
    return title;
}

bool OrderIsPaid(const Rows& order) { return order.value(QStringLiteral("入金日")).toDouble() != 0; }

bool DatePasses(const QVariant& orderDate, int year, int month) {
    if (year == 0)
        return true;
    if (orderDate.isNull())
        return false;
    const QDate d = db::dateFromOle(orderDate.toDouble());
    return d.year() == year && (month == 0 || d.month() == month);
}

int RunPages(const PageSpec& spec, PrintJob& job, PageContext& ctx) {
    FrmtLoadTokens(ctx.rs, spec.kind);
    job.status = kLayoutError;
    ReportState& rs = ctx.rs;
    int status = kLayoutError; // when no page of the device holds the layout's page: nothing is drawn
    if (const double scale = fitScale(spec, job, rs, ctx.target); scale > 0) {
        print::FitTarget target(ctx.target, scale);
        switch (spec.family) {
        case PageFamily::Table: status = tablePages(spec, job, rs, target, ctx); break;
        case PageFamily::OrderList: status = orderListPages(spec, job, rs, target, ctx); break;
        case PageFamily::OrderLines: status = orderLinePages(spec, job, rs, target, ctx); break;
        case PageFamily::OrderDetail: status = orderDetailPages(spec, job, rs, target, ctx); break;
        case PageFamily::Invoice: status = invoicePages(job, rs, target, ctx); break;
        }
    }
    ctx.rs.app.gProgressCount = -1;
    job.status = status;
    job.rows.reset();
    job.ordersAndLines.reset();
    job.database.reset();
    return status;
}

} // namespace printing
