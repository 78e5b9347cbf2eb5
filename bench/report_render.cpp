// Rendering order lines through the built-in 受注データ一覧 layout into a text target, against formatting
// the same fields with plain string formatting.
#include "gen/DataGen.h"
#include "db/Database.h"
#include "db/OleDate.h"
#include "print/TextTarget.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "reports/Records.h"
#include "reports/Renderers.h"
#include "reports/ReportKind.h"

#include <QCoreApplication>
#include <QDate>
#include <QTemporaryDir>
#include <chrono>
#include <functional>
#include <cstdio>
#include <vector>

namespace {

constexpr int kLines = 300000;
constexpr int kOrders = 30000; // read once, rendered ten times over

double seconds(const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

QString plainDate(double ole) { return db::dateFromOle(ole).toString(QStringLiteral("yyyy/MM/dd")); }

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    core::AppState s;
    core::InitFieldLimits(s);
    benchgen::DbSpec spec;
    spec.orders = kOrders;
    spec.linesPerOrder = 1;
    benchgen::makeDatabase(s, dir.filePath(QStringLiteral("bench.vrd")), spec);

    std::vector<reports::OrderRec> orders;
    {
        db::Database db(s.gDbPath);
        db::Query q = db.query(QStringLiteral("SELECT * FROM 受注データ WHERE 受注No <> 0 ORDER BY 受注No"));
        const reports::FieldGetter get = reports::fieldsOf(q);
        while (q.next())
            orders.push_back(reports::orderRecFrom(get));
    }

    reports::ReportState rs(s);
    s.gFrmtText[reports::kRecG] = reports::DefaultLayoutText(reports::kRecG);
    reports::FrmtValidate(s.gFrmtText[reports::kRecG], s.gFrmtCount[reports::kRecG]);

    qsizetype renderedSize = 0;
    const double engine = seconds([&] {
        // As a list window builds: the header into the list, each record into a one-line text.
        reports::FrmtLoadTokens(rs, reports::kRecG);
        print::TextTarget list, line;
        list.reserve(qsizetype(kLines) * 200);
        reports::RenderHeaderRecG(rs, list, QString(), false);
        for (int i = 0; i < kLines; ++i) {
            rs.gRecRecG = orders[size_t(i) % orders.size()];
            reports::RenderDataRecG(rs, line, QString(), false);
            list.appendText(line.text());
            list.appendText(QStringLiteral("\r\n"));
            line.text().resize(0); // the one-line text keeps its room, as a list window's would
        }
        renderedSize = list.text().size();
    });

    qsizetype plainSize = 0;
    const double plain = seconds([&] {
        QString list;
        list.reserve(qsizetype(kLines) * 200);
        for (int i = 0; i < kLines; ++i) {
            const reports::OrderRec o = orders[size_t(i) % orders.size()];
            const QChar sp(QLatin1Char(' '));
            list += QStringLiteral("%1  %2%3 %4 %5 %6 %7 %8 %9")
                        .arg(o.受注No, 6)
                        .arg(o.顧客コード, -12, sp)
                        .arg(o.社員コード, -12, sp)
                        .arg(o.定価金額.roundedUnits(), 11)
                        .arg(o.仕切値.roundedUnits(), 11)
                        .arg(o.原価.roundedUnits(), 11)
                        .arg(o.販売金額.roundedUnits(), 11)
                        .arg(o.消費税額.roundedUnits(), 11)
                        .arg(o.送料.roundedUnits(), 11);
            list += QStringLiteral(" %1 %2  %3\r\n")
                        .arg(plainDate(o.受注日付), plainDate(o.入金日), o.キャンセル == QLatin1String("X")
                                                                              ? QStringLiteral("キャンセル")
                                                                              : QStringLiteral("　　　　　"));
        }
        plainSize = list.size();
    });

    std::printf("%d order lines through the built-in layout into a text target\n", kLines);
    std::printf("  layout engine : %.3f s, %.0f lines/s (%lld characters)\n", engine, kLines / engine,
                static_cast<long long>(renderedSize));
    std::printf("  plain format  : %.3f s, %.0f lines/s (%lld characters)\n", plain, kLines / plain,
                static_cast<long long>(plainSize));
    std::printf("  ratio engine / plain: %.2f\n", engine / plain);
    return 0;
}
