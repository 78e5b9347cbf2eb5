#include "preview/PreviewBuild.h"

#include "db/DbError.h"
#include "db/OleDate.h"
#include "preview/LayoutCheck.h"
#include "preview/PreviewStore.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"
#include "ui/MessageService.h"

#include <QDate>
#include <optional>

namespace preview {

using namespace reports;

namespace {

using Renderer = void (*)(ReportState&, RenderTarget&, const QString&, bool);
using Fill = void (*)(ReportState&, const FieldGetter&);

enum class Shape { Table, OrderList, OrderDetail, Invoice };

struct Entry {
    const char* name;       // gReportName
    int kind;
    Shape shape;
    const char* noDataName; // the name in the no-data message
    Renderer header = nullptr;
    Renderer data = nullptr;
    Fill fill = nullptr;    // the row drawn by data
    Renderer header2 = nullptr;
    Renderer data2 = nullptr;
    Fill fill2 = nullptr;   // the order line drawn by data2
    const char* codeLabel = nullptr;
};

// In the order the build tests the names.
const Entry kEntries[] = {
    {"商品マスタ", kComm, Shape::Table, "商品マスタ", RenderHeaderComm, RenderDataComm,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecComm = goodsRecFrom(g); }},
    {"顧客マスタ", kCli, Shape::Table, "顧客マスタ", RenderHeaderCli, RenderDataCli,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecCli = clientRecFrom(g); }},
    {"社員マスタ", kEmp, Shape::Table, "社員マスタ", RenderHeaderEmp, RenderDataEmp,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecEmp = employeeRecFrom(g); }},
    {"受注データ一覧", kRecG, Shape::Table, "受注データ", RenderHeaderRecG, RenderDataRecG,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecRecG = orderRecFrom(g); }},
    {"受注個別データ一覧", kRecD, Shape::Table, "受注個別データ", RenderHeaderRecD, RenderDataRecD,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecRecD = orderLineRecFrom(g); }},
    {"在庫不足商品一覧", kLack, Shape::Table, "在庫不足商品一覧", RenderHeaderLack, RenderDataLack,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecLack = goodsRecFrom(g); }},
    {"商品別受注情報", kInfM, Shape::OrderList, "商品別受注情報", RenderHeaderInfM, RenderDataInfM,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecInfM = orderLineRecFrom(g); }, nullptr, nullptr,
     nullptr, "商品コード="},
    {"顧客別受注情報", kInfC, Shape::OrderList, "顧客別受注情報", RenderHeaderInfC, RenderDataInfC,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecInfC = orderRecFrom(g); }, nullptr, nullptr, nullptr,
     "顧客コード="},
    {"社員別受注情報", kInfS, Shape::OrderList, "社員別受注情報", RenderHeaderInfS, RenderDataInfS,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecInfS = orderRecFrom(g); }, nullptr, nullptr, nullptr,
     "社員コード="},
    {"入金済み受注一覧", kGetD, Shape::OrderList, "入金済み受注一覧", RenderHeaderGetD, RenderDataGetD,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecGetD = orderRecFrom(g); }},
    {"未入金受注一覧", kGetY, Shape::OrderList, "未入金受注一覧", RenderHeaderGetY, RenderDataGetY,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecGetY = orderRecFrom(g); }},
    {"受注情報", kInfA, Shape::OrderDetail, "受注情報", RenderHeaderInfA, RenderDataInfA,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecInfA = orderRecFrom(g); }, RenderHeader2InfA,
     RenderData2InfA, [](ReportState& rs, const FieldGetter& g) { rs.gRecInfALine = orderLineRecFrom(g); }},
    {"受注キャンセル情報", kCncl, Shape::OrderDetail, "受注キャンセル情報", RenderHeaderCncl, RenderDataCncl,
     [](ReportState& rs, const FieldGetter& g) { rs.gRecCncl = orderRecFrom(g); }, RenderHeader2Cncl,
     RenderData2Cncl, [](ReportState& rs, const FieldGetter& g) { rs.gRecCnclLine = orderLineRecFrom(g); }},
    {"請求書", kInv, Shape::Invoice, "請求書"},
};

const Entry* findEntry(const QString& name) {
    for (const Entry& e : kEntries)
        if (name == QString::fromUtf8(e.name))
            return &e;
    return nullptr;
}

FieldGetter getterOf(const Row& row) {
    return [&row](const QString& field) { return row.value(field); };
}

const QString kEmptyText = QStringLiteral("データが空です。");
const QString kDbErrorText = QStringLiteral(
    "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、またはVarnox以外の"
    "プログラムで他の人が使用している場合に起こることがあります。");
const QString kDbErrorTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");

// Number text with a blank before a number that is not negative.
QString numText(qint64 n) { return n < 0 ? QString::number(n) : QStringLiteral(" ") + QString::number(n); }

bool passesDate(double oleDate, int year, int month) {
    if (year == 0)
        return true;
    const QDate d = db::dateFromOle(oleDate);
    return d.year() == year && (month == 0 || d.month() == month);
}

// One build: the preparation has read the rows; the drawing walks them.
class Builder {
public:
    Builder(BuildContext& ctx, const Entry& e) : ctx_(ctx), rs_(ctx.rs), e_(e) {}

    // 0 layout error, 1 reported, 2 pages built.
    int run() {
        LayoutItems items;
        if (!CheckLayout(ctx_.app.gFrmtText[size_t(e_.kind)], items))
            return 0;
        ctx_.maxLine = items.maxLine;
        try {
            store_.emplace(ctx_.app.gDbPath);
            if (!prepare())
                return empty();
        } catch (const db::DbError&) {
            return dbError();
        }
        FrmtLoadTokens(rs_, e_.kind);
        try {
            switch (e_.shape) {
            case Shape::Table: drawTable(); break;
            case Shape::OrderList: drawOrderList(); break;
            case Shape::OrderDetail: drawOrderDetail(); break;
            case Shape::Invoice: drawInvoice(); break;
            }
        } catch (const db::DbError&) {
            return dbError();
        }
        ctx_.app.gProgressCount = -1;
        return 2;
    }

private:
    // Reads the report's rows; false when nothing passes the query.
    bool prepare() {
        const int kind = e_.kind;
        if (e_.shape == Shape::Table) {
            rows_ = store_->tableRows(kind, ctx_.app);
            ctx_.recCount = std::int32_t(rows_.size());
            return !rows_.empty();
        }
        rows_ = store_->orderRows(kind, ctx_.app.gCondCode[size_t(kind)], ctx_.app.gInvPrintScope);
        ctx_.recCount = 0;
        if (rows_.empty())
            return false;
        // The lines table of 商品別受注情報 must hold more than its seed row.
        if (kind == kInfM && store_->lineCount() <= 1)
            return false;
        return true;
    }

    int empty() {
        ctx_.app.gProgressCount = -1;
        ctx_.waitOneSecond();
        ui::messages().error(kEmptyText);
        return 1;
    }

    int dbError() {
        ctx_.app.gProgressCount = -1;
        ctx_.waitOneSecond();
        ui::messages().error(kDbErrorText, kDbErrorTitle);
        return 1;
    }

    void counted() {
        ++ctx_.app.gProgressCount;
        ctx_.yield();
    }

    void drawTable() {
        size_t next = 0;
        int pageNo = 1;
        for (;;) {
            RenderTarget& t = ctx_.pages.newPage();
            e_.header(rs_, t, QString(), true);
            int onPage = 0;
            bool end = false;
            // Every page makes one pass at least: a MAXLINE= of 0 puts one row on each page.
            do {
                if (next >= rows_.size()) {
                    end = true;
                    break;
                }
                e_.fill(rs_, getterOf(rows_[next]));
                e_.data(rs_, t, QString(), true);
                ++onPage;
                ++next;
                counted();
            } while (onPage < ctx_.maxLine);
            PrintPageNumber(t, pageNo);
            if (end)
                break;
            ++pageNo;
        }
    }

    QString title() const {
        const int k = e_.kind;
        const QString code = e_.codeLabel ? ctx_.app.gCondCode[size_t(k)] : QString();
        return ConditionTitle(ctx_.app.gCondYear[size_t(k)], ctx_.app.gCondMonth[size_t(k)],
                              e_.codeLabel ? QString::fromUtf8(e_.codeLabel) : QString(), code);
    }

    // A new picture with the title at a fixed 9 points and the headers below it.
    RenderTarget& startTitledPage(bool withHeader2) {
        RenderTarget& t = ctx_.pages.newPage();
        t.setCurrentX(0);
        t.setCurrentY(0);
        t.setFontSize(9);
        t.print(title());
        e_.header(rs_, t, QString(), true);
        if (withHeader2 && e_.header2)
            e_.header2(rs_, t, QString(), true);
        pageOpen_ = true;
        onPage_ = 0;
        return t;
    }

    // Draws one row on the open page (starting one when none is), then closes a full page.
    void drawRow(Renderer render, bool withHeader2) {
        if (!pageOpen_)
            startTitledPage(withHeader2);
        render(rs_, ctx_.pages.page(), QString(), true);
        ++ctx_.recCount;
        ++onPage_;
        counted();
        if (onPage_ >= ctx_.maxLine)
            closePage();
    }

    void closePage() {
        PrintPageNumber(ctx_.pages.page(), ctx_.pages.count());
        pageOpen_ = false;
        onPage_ = 0;
    }

    bool dateOk(const Row& order) const {
        const int k = e_.kind;
        return passesDate(order.value(QStringLiteral("受注日付")).toDouble(), ctx_.app.gCondYear[size_t(k)],
                          ctx_.app.gCondMonth[size_t(k)]);
    }

    void drawOrderList() {
        const QString code = ctx_.app.gCondCode[size_t(e_.kind)];
        for (const Row& order : rows_) {
            if (!dateOk(order))
                continue;
            if (e_.kind != kInfM) {
                e_.fill(rs_, getterOf(order));
                drawRow(e_.data, false);
                continue;
            }
            // Goods codes are compared exactly, as stored.
            for (const Row& line : store_->linesOf(order.value(QStringLiteral("受注No")).toInt())) {
                if (!code.isEmpty() && line.value(QStringLiteral("商品コード")).toString() != code)
                    continue;
                e_.fill(rs_, getterOf(line));
                drawRow(e_.data, false);
            }
        }
        if (pageOpen_)
            closePage();
    }

    void drawOrderDetail() {
        for (const Row& order : rows_) {
            if (!dateOk(order))
                continue;
            e_.fill(rs_, getterOf(order));
            drawRow(e_.data, true);
            for (const Row& line : store_->linesOf(order.value(QStringLiteral("受注No")).toInt())) {
                e_.fill2(rs_, getterOf(line));
                drawRow(e_.data2, true);
            }
        }
        if (pageOpen_)
            closePage();
    }

    void drawInvoice() {
        const auto& app = ctx_.app;
        const bool footer = core::isSet(app.gInvFooterOn);
        for (const Row& order : rows_) {
            const std::int32_t no = order.value(QStringLiteral("受注No")).toInt();
            if (app.gInvPrintScope == 2 && no != app.gInvPrintOrderNo)
                continue;
            const QString clientCode = order.value(QStringLiteral("顧客コード")).toString();
            QString clientName;
            if (!store_->clientName(clientCode, clientName))
                clientName = QStringLiteral("顧客コード=") + clientCode;
            rs_.gRecInvHead = invoiceHeadRecFrom(getterOf(order), clientName);

            RenderTarget* t = &ctx_.pages.newPage();
            int invoicePage = 0;
            int onPage = 0;
            bool headerOnPage = true;
            bool open = true;
            RenderHeaderInv(rs_, *t, QString(), true);
            ++ctx_.recCount;
            counted();
            auto close = [&] {
                if (footer)
                    RenderFooterInv(rs_, *t, QString(), true);
                PrintPageNumber(*t, ++invoicePage);
                open = false;
                onPage = 0;
            };
            for (const Row& line : store_->linesOf(no)) {
                if (!headerOnPage) {
                    t = &ctx_.pages.newPage();
                    if (core::isSet(app.gInvHeaderOnce))
                        RenderHeaderBlankInv(rs_, *t, QString(), true);
                    else
                        RenderHeaderInv(rs_, *t, QString(), true);
                    headerOnPage = true;
                    onPage = 0;
                    counted();
                }
                const QString goodsCode = line.value(QStringLiteral("商品コード")).toString();
                QString goodsName;
                if (!store_->goodsName(goodsCode, goodsName))
                    goodsName = QStringLiteral("商品コード=") + goodsCode;
                rs_.gRecInvLine = invoiceLineRecFrom(getterOf(line), goodsName);
                RenderDataInv(rs_, *t, QString(), true);
                ++ctx_.recCount;
                open = true;
                ++onPage;
                counted();
                if (onPage >= ctx_.maxLine) {
                    close();
                    headerOnPage = false;
                }
            }
            if (open) {
                for (int i = onPage; i < ctx_.maxLine; ++i)
                    RenderDataBlankInv(rs_, *t, QString(), true);
                close();
            }
        }
    }

    BuildContext& ctx_;
    ReportState& rs_;
    const Entry& e_;
    std::optional<PreviewStore> store_;
    std::vector<Row> rows_;
    bool pageOpen_ = false;
    int onPage_ = 0;
};

} // namespace

bool IsPreviewReport(const QString& reportName) { return findEntry(reportName) != nullptr; }

QString ConditionTitle(int year, int month, const QString& codeLabel, const QString& code) {
    QString t;
    if (year == 0)
        t = QStringLiteral("全年度分　");
    else if (month != 0)
        t = numText(year) + QStringLiteral("年度") + numText(month) + QStringLiteral("月分　");
    else
        t = numText(year) + QStringLiteral("年度分　");
    if (!codeLabel.isEmpty() && !code.isEmpty())
        t += codeLabel + code;
    return t;
}

BuildOutcome BuildPreview(BuildContext& ctx, const QString& reportName) {
    const Entry* e = findEntry(reportName);
    if (!e) {
        ctx.app.gProgressCount = -1;
        ui::messages().error(reportName + QStringLiteral("のフォーマットデータが正しくありません。"));
        return BuildOutcome::LayoutError;
    }
    ctx.recCount = 0;
    const int status = Builder(ctx, *e).run();
    if (status == 0) {
        ctx.app.gProgressCount = -1;
        ui::messages().error(reportName + QStringLiteral("のフォーマットデータが正しくありません。"));
        return BuildOutcome::LayoutError;
    }
    if (status == 1)
        return BuildOutcome::Reported;
    if (ctx.recCount <= 0 || ctx.pages.count() == 0) {
        ctx.app.gProgressCount = -1;
        if (e->shape != Shape::Table)
            ctx.waitOneSecond();
        ui::messages().error(QString::fromUtf8(e->noDataName) + QStringLiteral("のデータはありません。"));
        return BuildOutcome::NoData;
    }
    return BuildOutcome::Shown;
}

} // namespace preview
