#include "preview/PreviewBuild.h"

#include "core/FileProblems.h"
#include "core/Numbers.h"
#include "db/Database.h"
#include "db/DbError.h"
#include "preview/PreviewStore.h"
#include "printing/PageLoops.h"
#include "printing/PrintCommands.h"
#include "reports/ReportKind.h"
#include "ui/MessageService.h"

#include <cmath>
#include <stdexcept>

namespace preview {

using namespace reports;

namespace {

// The fourteen names in the order the build tests them, with the name of the no-data message.
struct Entry {
    const char* name;
    int kind;
    const char* noDataName;
};
const Entry kEntries[] = {
    {"商品マスタ", kComm, "商品マスタ"},
    {"顧客マスタ", kCli, "顧客マスタ"},
    {"社員マスタ", kEmp, "社員マスタ"},
    {"受注データ一覧", kRecG, "受注データ"},
    {"受注個別データ一覧", kRecD, "受注個別データ"},
    {"在庫不足商品一覧", kLack, "在庫不足商品一覧"},
    {"商品別受注情報", kInfM, "商品別受注情報"},
    {"顧客別受注情報", kInfC, "顧客別受注情報"},
    {"社員別受注情報", kInfS, "社員別受注情報"},
    {"入金済み受注一覧", kGetD, "入金済み受注一覧"},
    {"未入金受注一覧", kGetY, "未入金受注一覧"},
    {"受注情報", kInfA, "受注情報"},
    {"受注キャンセル情報", kCncl, "受注キャンセル情報"},
    {"請求書", kInv, "請求書"},
};

const Entry* findEntry(const QString& name) {
    for (const Entry& e : kEntries)
        if (name == QString::fromUtf8(e.name))
            return &e;
    return nullptr;
}

bool isTableReport(int kind) { return kind <= kRecD || kind == kLack; }

const QString kEmptyText = QStringLiteral("データが空です。");
const QString kDbErrorText = QStringLiteral(
    "このエラーは該当データベースをデータベース複製ユーティリティ、データベース最適化ユーティリティ、またはVarnox以外の"
    "プログラムで他の人が使用している場合に起こることがあります。");
const QString kDbErrorTitle = QStringLiteral("データベース読み込み中にエラーが発生しました");

// 0 layout error, 1 reported, 2 pages built.
int build(BuildContext& ctx, const Entry& e) {
    const printing::PrintReport& report = printing::PrintReportOfKind(e.kind);
    printing::PrintJob job;
    if (printing::CheckLayout(ctx.app.gFrmtText[size_t(e.kind)], job) == printing::kLayoutError)
        return 0;
    ctx.maxLine = job.pageCapacity;
    const auto fail = [&](const QString& text, const QString& title) {
        ctx.app.gProgressCount = -1;
        ctx.waitOneSecond();
        ui::messages().error(text, title);
        return 1;
    };
    try {
        job.database = std::make_unique<db::KeptConnection>(ctx.app.gDbPath);
        if (!QueryHasRows(**job.database, e.kind, ctx.app)) {
            job.database.reset();
            return fail(kEmptyText, QStringLiteral("Varnox"));
        }
        printing::OpenReaders(report, job);
        printing::PageContext pc{ctx.rs, ctx.pages, ctx.yield};
        if (printing::RunPages(report.pages, job, pc) == printing::kLayoutError)
            return 0; // no page of the device holds the layout's page
    } catch (const std::overflow_error&) {
        ctx.pageCount = job.pageNumber;
        return fail(core::kHugeNumberText, QStringLiteral("Varnox"));
    } catch (const std::exception& e) {
        ctx.pageCount = job.pageNumber;
        return fail(core::dbFailureText(e, kDbErrorText), kDbErrorTitle);
    }
    ctx.recCount = job.recordCount;
    ctx.pageCount = job.pageNumber;
    return 2;
}

} // namespace

bool IsPreviewReport(const QString& reportName) { return findEntry(reportName) != nullptr; }

QString ConditionTitle(int year, int month, const QString& codeLabel, const QString& code) {
    return printing::ConditionTitle(year, month, codeLabel, codeLabel.isEmpty() ? QString() : code);
}

BuildOutcome BuildPreview(BuildContext& ctx, const QString& reportName) {
    const Entry* e = findEntry(reportName);
    const QString layoutText = reportName + QStringLiteral("のフォーマットデータが正しくありません。");
    ctx.recCount = 0;
    ctx.pageCount = 0;
    const int status = e ? build(ctx, *e) : 0;
    if (status == 0) {
        ctx.app.gProgressCount = -1;
        ui::messages().error(layoutText);
        return BuildOutcome::LayoutError;
    }
    if (status == 1)
        return BuildOutcome::Reported;
    if (ctx.recCount <= 0 || ctx.pageCount == 0) {
        ctx.app.gProgressCount = -1;
        if (!isTableReport(e->kind))
            ctx.waitOneSecond();
        ui::messages().error(QString::fromUtf8(e->noDataName) + QStringLiteral("のデータはありません。"));
        return BuildOutcome::NoData;
    }
    return BuildOutcome::Shown;
}

PageFit FitPage(double bw, double bh, double m, double pw, double ph) {
    PageFit f{};
    double r = (bw - m) / pw;
    const double h = std::floor(ph * r);
    if (bh - m >= h) {
        f.height = int(h);
        f.width = int(bw - m);
    } else {
        r = (bh - m) / ph;
        f.width = int(std::floor(pw * r));
        f.height = int(bh - m);
    }
    // Rounded to the nearest (halves to even), then halved with the remainder dropped.
    f.top = int(std::nearbyint(bh - f.height)) / 2;
    f.left = int(std::nearbyint(bw - f.width)) / 2;
    f.scale = r;
    return f;
}

} // namespace preview
