#include "printing/PageLoops.h"

#include "db/OleDate.h"
#include "reports/Renderers.h"

#include <QHash>
#include <algorithm>

namespace printing {

using namespace reports;

namespace {

const QString kNoSep;

// Row indices of a snapshot grouped by a field, each group in stored order.
template <typename Key>
QHash<Key, std::vector<int>> groupRows(const TableSnapshot& t, const QString& field) {
    QHash<Key, std::vector<int>> groups;
    for (int i = 0; i < t.size(); ++i) {
        const QVariant v = t.value(i, field);
        if (v.isNull())
            continue;
        if constexpr (std::is_same_v<Key, QString>)
            groups[v.toString()].push_back(i);
        else
            groups[Key(v.toLongLong())].push_back(i);
    }
    return groups;
}

std::int32_t orderNo(const TableSnapshot& t, int row) { return std::int32_t(t.value(row, QStringLiteral("受注No")).toLongLong()); }

void newPageOrFail(print::RenderTarget& target) {
    if (!target.newPage())
        throw PrinterFailure{};
}

// The page capacity as a count of rows per page: a page always takes at least one row.
int rowsPerPage(const PrintJob& job) { return std::max(1, job.pageCapacity); }

// One row per data line; a header on every page, the page number at its foot. A further page is begun
// only for a row that is about to print, so no page holds the header alone after the last row.
int tablePages(const PageSpec& spec, PrintJob& job, PageContext& ctx) {
    ReportState& rs = ctx.rs;
    core::AppState& app = rs.app;
    const TableSnapshot& t = job.table;
    const int capacity = rowsPerPage(job);
    const QString reserved = spec.reservedIndex >= 0 ? app.gReservedCode[size_t(spec.reservedIndex)] : QString();
    const auto isReserved = [&](int row) {
        const QVariant key = t.value(row, spec.keyField);
        return spec.reservedIndex >= 0 ? key.toString() == reserved : key.toLongLong() == 0;
    };

    job.pageNumber = 1;
    spec.header(rs, ctx.target, kNoSep, true);
    int onPage = 0;
    for (int row = 0; row < t.size(); ++row) {
        if (isReserved(row))
            continue;
        spec.fill(rs, t.fields(row));
        if (spec.printTest && !spec.printTest(rs))
            continue;
        if (onPage >= capacity) {
            PrintPageNumber(ctx.target, job.pageNumber);
            newPageOrFail(ctx.target);
            ++job.pageNumber;
            spec.header(rs, ctx.target, kNoSep, true);
            onPage = 0;
        }
        spec.data(rs, ctx.target, kNoSep, true);
        ++app.gProgressCount;
        ++onPage;
        ctx.yield();
    }
    PrintPageNumber(ctx.target, job.pageNumber);
    return kReady;
}

// Pages of the order reports: a page is begun only for a row about to print, with the condition title,
// the header (and, for orders with lines, the second header), and closed by its number when full.
class OrderPages {
public:
    OrderPages(const PageSpec& spec, PrintJob& job, PageContext& ctx)
        : spec_(spec), job_(job), ctx_(ctx), app_(ctx.rs.app), capacity_(rowsPerPage(job)) {
        const size_t k = size_t(spec.kind);
        year_ = app_.gCondYear[k];
        month_ = app_.gCondMonth[k];
        code_ = spec.codeField.isEmpty() ? QString() : app_.gCondCode[k];
        title_ = ConditionTitle(year_, month_, spec.codeLabel, code_);
        job_.pageNumber = 0;
    }

    bool orderPasses(int row) const {
        const TableSnapshot& t = job_.orders;
        return orderNo(t, row) != 0 && DatePasses(t.value(row, QStringLiteral("受注日付")), year_, month_);
    }
    bool codePasses(const TableSnapshot& t, int row) const {
        return code_.isEmpty() || t.value(row, spec_.codeField).toString() == code_;
    }

    // Prints one row with the given renderer; withHeader2 chooses the page start of an order row.
    void printRow(Renderer data, bool withHeader2) {
        if (!open_)
            startPage(withHeader2);
        data(ctx_.rs, ctx_.target, kNoSep, true);
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
        ctx_.target.setFontSize(9); // the title's own size, not scaled
        if (job_.pageNumber > 1)
            newPageOrFail(ctx_.target);
        ctx_.target.print(title_);
        spec_.header(ctx_.rs, ctx_.target, kNoSep, true);
        if (withHeader2 && spec_.header2)
            spec_.header2(ctx_.rs, ctx_.target, kNoSep, true);
        onPage_ = 0;
    }
    void closePage() {
        PrintPageNumber(ctx_.target, job_.pageNumber);
        open_ = false;
        onPage_ = 0;
    }

    const PageSpec& spec_;
    PrintJob& job_;
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

int orderListPages(const PageSpec& spec, PrintJob& job, PageContext& ctx) {
    OrderPages pages(spec, job, ctx);
    const TableSnapshot& t = job.orders;
    for (int row = 0; row < t.size(); ++row) {
        if (!pages.orderPasses(row))
            continue;
        if ((!spec.orderFilter || spec.orderFilter(t, row)) && pages.codePasses(t, row)) {
            spec.fill(ctx.rs, t.fields(row));
            pages.printRow(spec.data, false);
        }
        pages.closeIfFull();
    }
    pages.finish();
    return kReady;
}

// 商品別受注情報: the lines of every order in the period, filtered by goods code.
int orderLinePages(const PageSpec& spec, PrintJob& job, PageContext& ctx) {
    OrderPages pages(spec, job, ctx);
    const auto linesOf = groupRows<std::int32_t>(job.lines, QStringLiteral("受注No"));
    const TableSnapshot& t = job.orders;
    for (int row = 0; row < t.size(); ++row) {
        if (!pages.orderPasses(row))
            continue;
        const auto it = linesOf.find(orderNo(t, row));
        if (it == linesOf.end())
            continue;
        for (int line : *it) {
            if (pages.codePasses(job.lines, line)) {
                spec.fill(ctx.rs, job.lines.fields(line));
                pages.printRow(spec.data, false);
            }
            pages.closeIfFull();
        }
    }
    pages.finish();
    return kReady;
}

// 受注情報 and 受注キャンセル情報: each order row followed by all of its lines.
int orderDetailPages(const PageSpec& spec, PrintJob& job, PageContext& ctx) {
    OrderPages pages(spec, job, ctx);
    const auto linesOf = groupRows<std::int32_t>(job.lines, QStringLiteral("受注No"));
    const TableSnapshot& t = job.orders;
    for (int row = 0; row < t.size(); ++row) {
        if (!pages.orderPasses(row))
            continue;
        if (spec.cancelledOnly && t.value(row, QStringLiteral("キャンセル")).toString() != QStringLiteral("X"))
            continue;
        spec.fill(ctx.rs, t.fields(row));
        pages.printRow(spec.data, true);
        pages.closeIfFull();
        const auto it = linesOf.find(orderNo(t, row));
        if (it == linesOf.end())
            continue;
        for (int line : *it) {
            spec.fillLine(ctx.rs, job.lines.fields(line));
            pages.printRow(spec.data2, false);
            pages.closeIfFull();
        }
    }
    pages.finish();
    return kReady;
}

// Invoices: one per order, each on pages of its own, numbered within the invoice; the last page is
// filled with blank lines to the capacity so the footer stands at the same place on every page.
int invoicePages(PrintJob& job, PageContext& ctx) {
    ReportState& rs = ctx.rs;
    core::AppState& app = rs.app;
    print::RenderTarget& target = ctx.target;
    const TableSnapshot& orders = job.orders;
    const auto linesOf = groupRows<std::int32_t>(job.lines, QStringLiteral("受注No"));
    const auto clientsByCode = groupRows<QString>(job.clients, QStringLiteral("顧客コード"));
    const auto goodsByCode = groupRows<QString>(job.goods, QStringLiteral("商品コード"));
    const int capacity = job.pageCapacity;
    const bool footer = app.gInvFooterOn != 0;
    const bool headerOnce = app.gInvHeaderOnce != 0;
    const int scope = app.gInvPrintScope;

    job.pageNumber = 0;
    bool firstInvoice = true;
    for (int row = 0; row < orders.size(); ++row) {
        const std::int32_t no = orderNo(orders, row);
        if (scope == 2 && no != app.gInvPrintOrderNo)
            continue;
        if (no == 0)
            continue;
        if (scope == 0) {
            const QVariant paid = orders.value(row, QStringLiteral("入金日"));
            if (paid.isNull() || paid.toDouble() != 0)
                continue;
        }

        if (!firstInvoice)
            newPageOrFail(target);
        firstInvoice = false;
        ++job.pageNumber;
        bool headerOnPage = true;
        bool pageOpen = false;
        int onPage = 0;
        int invoicePage = 0;
        const QString clientCode = orders.value(row, QStringLiteral("顧客コード")).toString();
        const auto client = clientsByCode.find(clientCode);
        const QString clientName = client == clientsByCode.end()
                                       ? QStringLiteral("顧客コード=") + clientCode
                                       : job.clients.value(client->front(), QStringLiteral("顧客名")).toString();
        rs.gRecInvHead = invoiceHeadRecFrom(orders.fields(row), clientName);
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

        const auto lines = linesOf.find(no);
        if (lines != linesOf.end()) {
            for (int line : *lines) {
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
                const QString goodsCode = job.lines.value(line, QStringLiteral("商品コード")).toString();
                const auto goods = goodsByCode.find(goodsCode);
                const QString goodsName = goods == goodsByCode.end()
                                              ? QStringLiteral("商品コード=") + goodsCode
                                              : job.goods.value(goods->front(), QStringLiteral("商品名")).toString();
                rs.gRecInvLine = invoiceLineRecFrom(job.lines.fields(line), goodsName);
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
    int status = kReady;
    switch (spec.family) {
    case PageFamily::Table: status = tablePages(spec, job, ctx); break;
    case PageFamily::OrderList: status = orderListPages(spec, job, ctx); break;
    case PageFamily::OrderLines: status = orderLinePages(spec, job, ctx); break;
    case PageFamily::OrderDetail: status = orderDetailPages(spec, job, ctx); break;
    case PageFamily::Invoice: status = invoicePages(job, ctx); break;
    }
    ctx.rs.app.gProgressCount = -1;
    job.status = status;
    return status;
}

} // namespace printing
