// List builds and tab exports on a database of 20,000 orders with 60,000 lines: with the yield to the
// event loop after every record (as the window does), without it, and the tab file text.
#include "gen/DataGen.h"
#include "reports/DefaultLayouts.h"
#include "reports/Layout.h"
#include "ui/WindowHelpers.h"
#include "viewers/ListMembers.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

core::AppState& state() {
    static QTemporaryDir dir;
    static core::AppState s;
    static bool made = false;
    if (!made) {
        benchgen::DbSpec spec;
        spec.orders = 20000;
        spec.linesPerOrder = 3;
        benchgen::makeDatabase(s, dir.filePath(QStringLiteral("bench.vrd")), spec);
        for (int k = 1; k <= 14; ++k) {
            s.gFrmtText[size_t(k)] = reports::DefaultLayoutText(k);
            reports::FrmtValidate(s.gFrmtText[size_t(k)], s.gFrmtCount[size_t(k)]);
        }
        s.gInvViewScope = 1;
        made = true;
    }
    return s;
}

void run(benchmark::State& st, const char* window, bool yield, bool tab) {
    core::AppState& s = state();
    const viewers::ListMember& m = *viewers::listMember(QString::fromLatin1(window));
    qint64 records = 0;
    for (auto _ : st) {
        if (tab) {
            const QString t = viewers::tabFileText(m, s);
            records += t.count(QLatin1Char('\n'));
        } else {
            const viewers::BuildResult r =
                viewers::buildList(m, s, yield ? std::function<void()>([] { ui::DoEvents(); }) : std::function<void()>());
            records += r.count;
        }
    }
    st.counters["records/s"] = benchmark::Counter(double(records), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK_CAPTURE(run, orders_build_yield, "frmVRecG", true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, orders_build, "frmVRecG", false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, orders_tab, "frmVRecG", false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, lines_build_yield, "frmVRecD", true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, orders_with_lines_build_yield, "frmVInfA", true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, orders_with_lines_tab, "frmVInfA", false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(run, invoices_build_yield, "frmVInv", true, false)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
